// The history on a PostgreSQL server of the test's own: many receivers
// writing at once, and a server that dies under a batch.
#include <gtest/gtest.h>

#include <QStringList>
#include <condition_variable>
#include <latch>
#include <mutex>
#include <random>
#include <thread>

#include "ExpectedView.h"
#include "common/TimeTypes.h"
#include "history/HistoryWriter.h"
#include "support/PostgresServer.h"
#include "support/WaitUntil.h"

using namespace orvane;
using namespace orvane::history;
using namespace orvane::history::testing;
using namespace std::chrono_literals;

namespace {

const std::int64_t kDay0 = daysFromCivil(2026, 12, 1) * 86'400'000LL;
constexpr std::int64_t kHourMs = 3'600'000;

// Bounds a wait that failed; never a measure of speed.
auto deadline() { return std::chrono::steady_clock::now() + 180s; }

// One receiver's slots: from 00:30 to 02:10 UTC on every band, so the view
// takes whole hours from the summary and the ends from the slots.
std::vector<SlotRecord> receiverSlots(unsigned seed) {
    std::mt19937 random(seed);
    std::vector<SlotRecord> out;
    for (std::int64_t t = kDay0 + kHourMs / 2; t < kDay0 + 2 * kHourMs + 600'000; t += 10'000)
        for (int band = 0; band < 5; ++band) {
            SlotRecord r;
            r.slotStartMs = t;
            r.band = band;
            r.outcome = random() % 3 == 0 ? Outcome::Heard : Outcome::NotHeard;
            if (r.outcome == Outcome::Heard || random() % 4 == 0) r.dashSnrDb[0] = double(int(random() % 300) - 50) / 10.0;
            r.input = QStringLiteral("sdr-%1").arg(seed % 3);
            out.push_back(r);
        }
    return out;
}

// What the writer said, waited for on a condition variable.
struct Said {
    std::mutex mutex;
    std::condition_variable changed;
    QStringList lines;
    HistoryWriter::StatusHandler handler() {
        return [this](const QString& text, bool) {
            std::lock_guard lock(mutex);
            lines << text;
            changed.notify_all();
        };
    }
    bool waitFor(const char* text) {
        std::unique_lock lock(mutex);
        return changed.wait_until(lock, deadline(), [&] { return !lines.filter(QLatin1String(text)).isEmpty(); });
    }
};

class PostgresHistoryTest : public ::testing::Test {
protected:
    void SetUp() override {
        if (const auto why = PostgresServer::unavailable()) GTEST_SKIP() << *why;
        server.emplace();
        server->createDatabase(QStringLiteral("club"));
        url = server->url(QStringLiteral("club"));
    }
    HistoryWriter::Opener opener() const {
        return [u = url] { return openHistory(u); };
    }
    std::optional<PostgresServer> server;
    QString url;
};

}  // namespace

// 20 receivers start at once on a fresh database (the tables are made by
// one of them), each through its own writer and connection, and a second
// program under the first receiver's name stores the same slots at the same
// time. Nothing is lost, nothing is counted twice, and both summaries (by
// receiver and over all) equal a recount of the records.
TEST_F(PostgresHistoryTest, TwentyReceiversWritingAtOnceLoseNothingAndCountEachSlotOnce) {
    constexpr int kReceivers = 20;
    std::vector<std::vector<SlotRecord>> perReceiver;
    std::vector<std::pair<QString, SlotRecord>> all;
    for (int i = 0; i < kReceivers; ++i) {
        perReceiver.push_back(receiverSlots(static_cast<unsigned>(i)));
        for (const SlotRecord& r : perReceiver.back()) all.emplace_back(QStringLiteral("rx%1").arg(i, 2, 10, QChar('0')), r);
    }
    std::latch go(kReceivers + 1);
    std::vector<HistoryWriter::Counts> counts(kReceivers + 1);
    std::vector<std::thread> clients;
    for (int c = 0; c <= kReceivers; ++c) {
        clients.emplace_back([&, c] {
            const int i = c % kReceivers;  // the last client is a second rx00
            HistoryWriter writer(opener(), {QStringLiteral("rx%1").arg(i, 2, 10, QChar('0')), "JO62"}, [](const QString&, bool) {}, 50ms);
            go.arrive_and_wait();
            int n = 0;
            for (const SlotRecord& r : perReceiver[static_cast<std::size_t>(i)]) {
                writer.submit(r);
                if (++n % 500 == 0) writer.flushSoon();
            }
            counts[static_cast<std::size_t>(c)] = writer.finish();
        });
    }
    for (std::thread& t : clients) t.join();
    for (const HistoryWriter::Counts& c : counts) {
        EXPECT_EQ(c.queued, 0u);
        EXPECT_EQ(c.dropped, 0);
        EXPECT_FALSE(c.failing);
    }
    const auto store = openHistory(url);
    ASSERT_EQ(store->receivers().size(), std::size_t{kReceivers});
    const std::vector<HistoryQuery> queries = {
        {},  // whole hours from the summary over all receivers
        {kDay0, kDay0 + 3 * kHourMs, std::nullopt, QStringLiteral("rx00")},  // the receiver written twice
        {kDay0, kDay0 + 3 * kHourMs, 3, QStringLiteral("rx17")},
        {kDay0 + kHourMs / 2 + 30'000, kDay0 + 2 * kHourMs + 90'000, std::nullopt, {}},  // ragged ends from the slots
    };
    for (std::size_t q = 0; q < queries.size(); ++q) {
        SCOPED_TRACE(q);
        expectView(*store, all, queries[q]);
    }
    EXPECT_EQ(server->exec(QStringLiteral("club"), QStringLiteral("SELECT count(*) FROM history_slot")),
              QString::number(all.size()));
}

// The server dies while a batch is in the middle of its statement (it waits
// for a lock held by another session), then comes back: the writer says the
// results wait, reconnects by itself, and every result is stored once.
TEST_F(PostgresHistoryTest, AServerKilledMidBatchLosesNothingAndTheWriterSaysSo) {
    const std::vector<SlotRecord> records = receiverSlots(7);
    const std::size_t half = records.size() / 2;
    Said said;
    HistoryWriter writer(opener(), {"G4ABC", "IO91"}, said.handler(), 1h);
    for (std::size_t i = 0; i < half; ++i) writer.submit(records[i]);
    writer.flushSoon();
    ASSERT_TRUE(writer.waitIdle(deadline()));
    ASSERT_EQ(writer.counts().stored, std::int64_t(half));

    {
        PostgresServer::Session holder(*server, QStringLiteral("club"));
        holder.query(QStringLiteral("BEGIN"));
        holder.query(QStringLiteral("LOCK TABLE history_hourly_all IN EXCLUSIVE MODE"));
        for (std::size_t i = half; i < records.size(); ++i) writer.submit(records[i]);
        writer.flushSoon();
        PostgresServer::Session watcher(*server, QStringLiteral("club"));
        ASSERT_TRUE(waitUntil(
            [&] {
                return watcher.query(QStringLiteral("SELECT count(*) FROM pg_stat_activity WHERE application_name = "
                                                    "'orvane' AND wait_event_type = 'Lock'")) == QLatin1String("1");
            },
            180'000, 20))
            << "the batch never reached the server";
        server->crash();
    }
    ASSERT_TRUE(said.waitFor("results wait"));
    EXPECT_TRUE(writer.counts().failing);
    EXPECT_EQ(writer.counts().queued, records.size() - half);
    ASSERT_TRUE(server->start()) << server->log().toStdString();
    ASSERT_TRUE(said.waitFor("stored again"));
    ASSERT_TRUE(writer.waitIdle(deadline()));
    const HistoryWriter::Counts counts = writer.finish();
    EXPECT_EQ(counts.stored, std::int64_t(records.size()));
    EXPECT_EQ(counts.dropped, 0);
    std::vector<std::pair<QString, SlotRecord>> all;
    for (const SlotRecord& r : records) all.emplace_back(QStringLiteral("G4ABC"), r);
    expectView(*openHistory(url), all, {});
}
