#include "history/HistoryWriter.h"

#include <gtest/gtest.h>

#include <atomic>
#include <condition_variable>
#include <mutex>

#include "common/OrvaneError.h"
#include "common/TimeTypes.h"
#include "history/SqliteHistory.h"
#include "support/TempDir.h"

using namespace orvane;
using namespace orvane::history;
using namespace std::chrono_literals;

namespace {

const std::int64_t kDay0 = daysFromCivil(2026, 12, 1) * 86'400'000LL;

// Bounds a wait that failed; never a measure of speed.
auto deadline() { return std::chrono::steady_clock::now() + 60s; }

SlotRecord slot(int i) {
    SlotRecord r;
    r.slotStartMs = kDay0 + i / 5 * 10'000LL;
    r.band = i % 5;
    r.outcome = i % 3 == 0 ? Outcome::Heard : Outcome::NotHeard;
    r.dashSnrDb[0] = double(i % 20);
    return r;
}

std::int64_t storedSlots(const QString& file) {
    SqliteHistory store(file);
    std::int64_t n = 0;
    for (const HourCell& c : store.hours({})) n += c.listened;
    return n;
}


// A database that can be taken away: while down, opening fails as an
// unreachable server does, and an open store fails its commits.
struct Outage {
    explicit Outage(QString name) : file(std::move(name)) {}
    QString file;
    std::atomic<bool> down{false};
    std::mutex mutex;
    std::condition_variable said_;
    QStringList statuses;

    struct Store final : HistoryStore {
        Outage& outage;
        SqliteHistory real;
        explicit Store(Outage& o) : outage(o), real(o.file) {}
        std::int64_t add(const Receiver& r, std::span<const SlotRecord> records) override {
            if (outage.down) throw OrvaneError("History database: connection lost");
            return real.add(r, records);
        }
        std::vector<HourCell> hours(const HistoryQuery& q) override { return real.hours(q); }
        std::vector<Receiver> receivers() override { return real.receivers(); }
        std::optional<QString> readOnlyReason() const override { return std::nullopt; }
    };
    HistoryWriter::Opener opener() {
        return [this]() -> std::unique_ptr<HistoryStore> {
            if (down) throw OrvaneError("History database: could not connect");
            return std::make_unique<Store>(*this);
        };
    }
    HistoryWriter::StatusHandler status() {
        return [this](const QString& s, bool) {
            std::lock_guard lock(mutex);
            statuses << s;
            said_.notify_all();
        };
    }
    // Waits until the writer has said something that contains `text`.
    bool waitSaid(const char* text) {
        std::unique_lock lock(mutex);
        return said_.wait_until(lock, deadline(), [&] { return !statuses.filter(QLatin1String(text)).isEmpty(); });
    }
    QStringList said() {
        std::lock_guard lock(mutex);
        return statuses;
    }
};

}  // namespace

TEST(HistoryWriter, ResultsAreCommittedAtTheIntervalAndWhatIsLeftAtTheEnd) {
    TempDir dir;
    Outage db{dir.file("h.sqlite")};
    {
        HistoryWriter writer(db.opener(), {"G4ABC", "IO91"}, db.status(), 20ms);
        for (int i = 0; i < 100; ++i) writer.submit(slot(i));
        ASSERT_TRUE(writer.waitIdle(deadline()));
        EXPECT_EQ(storedSlots(db.file), 100);
    }
    {
        HistoryWriter writer(db.opener(), {"G4ABC", "IO91"}, db.status(), 1h);  // no interval falls due
        for (int i = 100; i < 130; ++i) writer.submit(slot(i));
    }
    EXPECT_EQ(storedSlots(db.file), 130);
    EXPECT_TRUE(db.said().isEmpty());
}

TEST(HistoryWriter, AnOutageLosesNothingWithinTheBoundAndSaysSo) {
    TempDir dir;
    Outage db{dir.file("h.sqlite")};
    db.down = true;
    HistoryWriter writer(db.opener(), {"G4ABC", "IO91"}, db.status(), 20ms);
    for (int i = 0; i < 50; ++i) writer.submit(slot(i));
    writer.flushSoon();
    ASSERT_TRUE(db.waitSaid("History:"));
    EXPECT_TRUE(writer.counts().failing);
    EXPECT_EQ(writer.counts().queued, 50u);
    ASSERT_FALSE(db.said().isEmpty());
    EXPECT_TRUE(db.said().front().contains("could not connect")) << db.said().front().toStdString();
    EXPECT_TRUE(db.said().front().contains("50 results wait")) << db.said().front().toStdString();
    db.down = false;  // the server is back: the next retry stores everything
    ASSERT_TRUE(db.waitSaid("stored again"));
    ASSERT_TRUE(writer.waitIdle(deadline()));
    EXPECT_EQ(storedSlots(db.file), 50);
    EXPECT_EQ(writer.counts().dropped, 0);
}

TEST(HistoryWriter, BeyondTheBoundTheOldestAreDroppedAndCounted) {
    TempDir dir;
    Outage db{dir.file("h.sqlite")};
    db.down = true;
    HistoryWriter writer(db.opener(), {"G4ABC", ""}, db.status(), 1h, 10);
    for (int i = 0; i < 25; ++i) writer.submit(slot(i));
    EXPECT_EQ(writer.counts().dropped, 15);
    EXPECT_EQ(writer.counts().queued, 10u);
    db.down = false;
    writer.flushSoon();
    ASSERT_TRUE(writer.waitIdle(deadline()));
    SqliteHistory store(db.file);
    // The newest ten: slots 15..24 are three 10-second periods from kDay0 + 30 s.
    const std::vector<HourCell> cells = store.hours({kDay0 + 30'000, kDay0 + 50'000, std::nullopt, {}});
    std::int64_t n = 0;
    for (const HourCell& c : cells) n += c.listened;
    EXPECT_EQ(n, 10);
    EXPECT_EQ(storedSlots(db.file), 10);
}

// Finishing tells how it ended: everything stored, or what is left when the
// database still fails (nothing of it reported stored). The store is opened
// at once when asked, so a database that cannot be written is said before
// any result waits for it.
TEST(HistoryWriter, FinishingSaysWhatWasNotStored) {
    TempDir dir;
    Outage db{dir.file("h.sqlite")};
    db.down = true;
    {
        HistoryWriter writer(db.opener(), {"G4ABC", ""}, db.status(), 1h);
        writer.flushSoon();
        ASSERT_TRUE(db.waitSaid("0 results wait"));
        for (int i = 0; i < 7; ++i) writer.submit(slot(i));
        const HistoryWriter::Counts counts = writer.finish();
        EXPECT_EQ(counts.stored, 0);
        EXPECT_EQ(counts.queued, 7u);
        EXPECT_TRUE(counts.failing);
    }
    db.down = false;
    HistoryWriter writer(db.opener(), {"G4ABC", ""}, db.status(), 1h);
    for (int i = 0; i < 7; ++i) writer.submit(slot(i));
    const HistoryWriter::Counts counts = writer.finish();
    EXPECT_EQ(counts.stored, 7);
    EXPECT_EQ(counts.queued, 0u);
    EXPECT_FALSE(counts.failing);
    EXPECT_EQ(storedSlots(db.file), 7);
}
