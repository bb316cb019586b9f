#include "history/HistoryStore.h"

#include <gtest/gtest.h>
#include <sqlite3.h>

#include <QFile>
#include <map>
#include <random>
#include <tuple>

#include "beacons/Schedule.h"
#include "common/OrvaneError.h"
#include "common/TimeTypes.h"
#include "history/SqliteHistory.h"
#include "support/TempDir.h"

using namespace orvane;
using namespace orvane::history;

namespace {

const std::int64_t kDay0 = daysFromCivil(2026, 12, 1) * 86'400'000LL;

// Slots of three days on every band, at two receivers, heard by a rule that
// differs by hour so the view has something to show.
std::vector<SlotRecord> threeDays(unsigned seed) {
    std::mt19937 random(seed);
    std::vector<SlotRecord> out;
    for (std::int64_t t = kDay0; t < kDay0 + 3 * 86'400'000LL; t += beacons::kSlotMs * 7)
        for (int band = 0; band < 5; ++band) {
            SlotRecord r;
            r.slotStartMs = t;
            r.band = band;
            const bool heard = std::int64_t(random() % 24) < (t / 3'600'000) % 24;
            r.outcome = heard ? Outcome::Heard : (random() % 50 == 0 ? Outcome::OtherCall : Outcome::NotHeard);
            r.otherBeacon = r.outcome == Outcome::OtherCall ? int(random() % 18) : -1;
            if (heard || random() % 3 == 0) r.dashSnrDb[0] = double(int(random() % 400) - 100) / 10.0;
            if (heard) r.dashSnrDb[1] = 3.5;
            r.toneOffsetHz = 12.3;
            r.timeOffsetMs = -40;
            r.input = band < 3 ? QStringLiteral("radio") : QStringLiteral("sdr");
            out.push_back(r);
        }
    return out;
}

using CellKey = std::tuple<int, int, int>;

// The view worked out from the records themselves.
std::map<CellKey, HourCell> expectedView(const std::vector<std::pair<QString, SlotRecord>>& all, const HistoryQuery& q) {
    std::map<CellKey, HourCell> cells;
    for (const auto& [receiver, r] : all) {
        if (r.slotStartMs < q.fromMs || r.slotStartMs >= q.toMs) continue;
        if (q.band && *q.band != r.band) continue;
        if (!q.receiver.isEmpty() && q.receiver != receiver) continue;
        const int beacon = beacons::slotIndexAt(r.slotStartMs, r.band);
        const int hour = int((r.slotStartMs / 3'600'000) % 24);
        HourCell& c = cells[{r.band, beacon, hour}];
        c.band = r.band;
        c.beacon = beacon;
        c.hour = hour;
        ++c.listened;
        c.heard += r.outcome == Outcome::Heard ? 1 : 0;
        if (r.dashSnrDb[0] && (!c.bestSnrDb || *r.dashSnrDb[0] > *c.bestSnrDb)) c.bestSnrDb = r.dashSnrDb[0];
    }
    return cells;
}

void expectView(HistoryStore& store, const std::vector<std::pair<QString, SlotRecord>>& all, const HistoryQuery& q) {
    const std::map<CellKey, HourCell> expected = expectedView(all, q);
    const std::vector<HourCell> got = store.hours(q);
    ASSERT_EQ(got.size(), expected.size());
    auto e = expected.begin();
    for (const HourCell& c : got) {
        const HourCell& x = (e++)->second;
        ASSERT_EQ(std::tie(c.band, c.beacon, c.hour, c.listened, c.heard),
                  std::tie(x.band, x.beacon, x.hour, x.listened, x.heard));
        ASSERT_EQ(c.bestSnrDb.has_value(), x.bestSnrDb.has_value());
        if (c.bestSnrDb) {
            EXPECT_NEAR(*c.bestSnrDb, *x.bestSnrDb, 0.05);
        }
    }
}

}  // namespace

// Whole hours come from the summary and ragged ends from the slots: every
// window, band and receiver choice must agree with the records themselves.
TEST(SqliteHistory, TheHourViewAgreesWithTheSlotsForAnyWindowBandAndReceiver) {
    TempDir dir;
    const QString file = dir.file("history.sqlite");
    std::vector<std::pair<QString, SlotRecord>> all;
    {
        SqliteHistory store(file);
        for (const auto& [name, seed] : {std::pair{QStringLiteral("G4ABC"), 1u}, std::pair{QStringLiteral("club-sdr"), 2u}}) {
            const std::vector<SlotRecord> records = threeDays(seed);
            // Several batches, as the writer commits them.
            const std::size_t half = records.size() / 2;
            EXPECT_EQ(store.add({name, "IO91"}, std::span(records).first(half)), std::int64_t(half));
            EXPECT_EQ(store.add({name, "IO91"}, std::span(records).subspan(half)), std::int64_t(records.size() - half));
            for (const SlotRecord& r : records) all.emplace_back(name, r);
        }
    }
    SqliteHistory store(file);  // and read back after a reopen
    const std::int64_t h = 3'600'000;
    const std::vector<HistoryQuery> queries = {
        {},
        {kDay0 + 5 * h, kDay0 + 29 * h, std::nullopt, {}},               // whole hours
        {kDay0 + 5 * h + 123'000, kDay0 + 29 * h + 4'560'000 % h, 2, {}},  // ragged ends, one band
        {kDay0 + 7 * h + 10'000, kDay0 + 7 * h + 20 * 60'000, std::nullopt, QStringLiteral("club-sdr")},  // inside an hour
        {kDay0, kDay0 + 72 * h, 4, QStringLiteral("G4ABC")},
        {kDay0, kDay0 + 72 * h, std::nullopt, QStringLiteral("nobody")},
    };
    for (std::size_t i = 0; i < queries.size(); ++i) {
        SCOPED_TRACE(i);
        expectView(store, all, queries[i]);
    }
    ASSERT_EQ(store.receivers().size(), 2u);
    EXPECT_EQ(store.receivers()[0].name, "G4ABC");
    EXPECT_EQ(store.receivers()[0].locator, "IO91");
}

TEST(SqliteHistory, StoringTheSameSlotsAgainAddsNothing) {
    TempDir dir;
    SqliteHistory store(dir.file("h.sqlite"));
    const std::vector<SlotRecord> records = threeDays(3);
    EXPECT_EQ(store.add({"G4ABC", ""}, records), std::int64_t(records.size()));
    const std::vector<HourCell> before = store.hours({});
    EXPECT_EQ(store.add({"G4ABC", ""}, records), 0);
    const std::vector<HourCell> after = store.hours({});
    ASSERT_EQ(after.size(), before.size());
    for (std::size_t i = 0; i < after.size(); ++i) EXPECT_EQ(after[i].listened, before[i].listened);
    // The same slots at another receiver are that receiver's.
    EXPECT_EQ(store.add({"K1XYZ", ""}, records), std::int64_t(records.size()));
}

TEST(SqliteHistory, RecordsOutsideTheBandsOrYearsAreRefusedAndNothingOfTheBatchIsStored) {
    TempDir dir;
    SqliteHistory store(dir.file("h.sqlite"));
    for (const auto& [band, start] : {std::pair{5, kDay0}, std::pair{-1, kDay0}, std::pair{0, std::int64_t{-10'000}}}) {
        std::vector<SlotRecord> batch = threeDays(4);
        batch[3].band = band;
        batch[3].slotStartMs = start;
        EXPECT_THROW(store.add({"G4ABC", ""}, batch), OrvaneError);
    }
    EXPECT_TRUE(store.hours({}).empty());
}

TEST(SqliteHistory, FilesThatCannotHoldTheHistoryAreRefusedWithTheReason) {
    TempDir dir;
    QFile junk(dir.file("junk.sqlite"));
    ASSERT_TRUE(junk.open(QIODevice::WriteOnly));
    junk.write(QByteArray(4096, 'x'));
    junk.close();
    QFile plain(dir.file("plain"));
    ASSERT_TRUE(plain.open(QIODevice::WriteOnly));
    plain.close();
    struct Case {
        QString file;
        const char* reason;
    };
    for (const Case& c : {Case{dir.file("junk.sqlite"), "not a database"}, Case{dir.path(), "not a regular file"},
                          Case{dir.file("plain/sub/h.sqlite"), "cannot make the folder"}}) {
        SCOPED_TRACE(c.file.toStdString());
        try {
            SqliteHistory store(c.file);
            ADD_FAILURE() << "opened";
        } catch (const OrvaneError& e) {
            EXPECT_NE(std::string(e.what()).find(c.reason), std::string::npos) << e.what();
            EXPECT_NE(std::string(e.what()).find(c.file.toStdString()), std::string::npos) << e.what();
        }
    }
    // Another program's SQLite file is not taken over.
    {
        sqlite3* db = nullptr;
        ASSERT_EQ(sqlite3_open(QFile::encodeName(dir.file("other.sqlite")).constData(), &db), SQLITE_OK);
        sqlite3_exec(db, "CREATE TABLE contacts(call TEXT)", nullptr, nullptr, nullptr);
        sqlite3_close(db);
    }
    EXPECT_THROW(SqliteHistory(dir.file("other.sqlite")), OrvaneError);
}

TEST(SqliteHistory, ADatabaseFromANewerVersionIsShownButNotWritten) {
    TempDir dir;
    const QString file = dir.file("h.sqlite");
    const std::vector<SlotRecord> records = threeDays(5);
    {
        SqliteHistory store(file);
        store.add({"G4ABC", ""}, records);
    }
    {
        sqlite3* db = nullptr;
        ASSERT_EQ(sqlite3_open(QFile::encodeName(file).constData(), &db), SQLITE_OK);
        sqlite3_exec(db, "PRAGMA user_version = 7", nullptr, nullptr, nullptr);
        sqlite3_close(db);
    }
    SqliteHistory store(file);
    ASSERT_TRUE(store.readOnlyReason().has_value());
    EXPECT_TRUE(store.readOnlyReason()->contains("newer version"));
    EXPECT_FALSE(store.hours({}).empty());
    EXPECT_THROW(store.add({"G4ABC", ""}, records), OrvaneError);
}

TEST(SqliteHistory, ALockedDatabaseIsAFailureNotALoss) {
    TempDir dir;
    const QString file = dir.file("h.sqlite");
    SqliteHistory store(file, 50);
    sqlite3* other = nullptr;
    ASSERT_EQ(sqlite3_open(QFile::encodeName(file).constData(), &other), SQLITE_OK);
    ASSERT_EQ(sqlite3_exec(other, "BEGIN EXCLUSIVE", nullptr, nullptr, nullptr), SQLITE_OK);
    const std::vector<SlotRecord> records = threeDays(6);
    try {
        store.add({"G4ABC", ""}, records);
        ADD_FAILURE() << "stored while locked";
    } catch (const OrvaneError& e) {
        EXPECT_NE(std::string(e.what()).find("locked"), std::string::npos) << e.what();
    }
    sqlite3_exec(other, "ROLLBACK", nullptr, nullptr, nullptr);
    sqlite3_close(other);
    EXPECT_EQ(store.add({"G4ABC", ""}, records), std::int64_t(records.size()));  // the same batch, once free
}

TEST(HistoryUrl, SqliteUrlsAndPlainPathsOpenFiles) {
    TempDir dir;
    EXPECT_NO_THROW(openHistory("sqlite:" + dir.file("a.sqlite")));
    EXPECT_NO_THROW(openHistory(dir.file("b.sqlite")));
    EXPECT_THROW(openHistory("sqlite:"), OrvaneError);
    EXPECT_TRUE(QFile::exists(dir.file("a.sqlite")));
}
