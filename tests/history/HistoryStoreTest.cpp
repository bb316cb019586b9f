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
#include "ExpectedView.h"
#include "support/PostgresServer.h"
#include "support/TempDir.h"

using namespace orvane;
using namespace orvane::history;
using namespace orvane::history::testing;

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

enum class Backend { Sqlite, Postgres };

// The same store cases on both back ends: an SQLite file in a temporary
// folder, and a database on a PostgreSQL server of the test's own.
class HistoryStores : public ::testing::TestWithParam<Backend> {
protected:
    void SetUp() override {
        if (GetParam() != Backend::Postgres) return;
        if (const auto why = PostgresServer::unavailable()) GTEST_SKIP() << *why;
        server_.emplace();
    }
    // A new, empty history's URL.
    QString newDatabase() {
        const QString name = QStringLiteral("history%1").arg(++databases_);
        if (GetParam() == Backend::Sqlite) return "sqlite:" + dir_.file(name + ".sqlite");
        server_->createDatabase(name);
        return server_->url(name);
    }
    // Marks the history as written by a version with a newer schema.
    void makeNewer(const QString& url) {
        if (GetParam() == Backend::Sqlite) {
            sqlite3* db = nullptr;
            ASSERT_EQ(sqlite3_open(QFile::encodeName(url.mid(7)).constData(), &db), SQLITE_OK);
            sqlite3_exec(db, "PRAGMA user_version = 7", nullptr, nullptr, nullptr);
            sqlite3_close(db);
        } else {
            server_->exec(url.section('/', -1), QStringLiteral("UPDATE history_schema SET version = 7"));
        }
    }

    TempDir dir_;
    std::optional<PostgresServer> server_;
    int databases_ = 0;
};

}  // namespace

// Whole hours come from the summary and ragged ends from the slots: every
// window, band and receiver choice must agree with the records themselves.
TEST_P(HistoryStores, TheHourViewAgreesWithTheSlotsForAnyWindowBandAndReceiver) {
    const QString url = newDatabase();
    std::vector<std::pair<QString, SlotRecord>> all;
    {
        const auto opened = openHistory(url);
        HistoryStore& store = *opened;
        for (const auto& [name, seed] : {std::pair{QStringLiteral("G4ABC"), 1u}, std::pair{QStringLiteral("club-sdr"), 2u}}) {
            const std::vector<SlotRecord> records = threeDays(seed);
            // Several batches, as the writer commits them.
            const std::size_t half = records.size() / 2;
            EXPECT_EQ(store.add({name, "IO91"}, std::span(records).first(half)), std::int64_t(half));
            EXPECT_EQ(store.add({name, "IO91"}, std::span(records).subspan(half)), std::int64_t(records.size() - half));
            for (const SlotRecord& r : records) all.emplace_back(name, r);
        }
    }
    const auto reopened = openHistory(url);  // and read back after a reopen
    HistoryStore& store = *reopened;
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

TEST_P(HistoryStores, StoringTheSameSlotsAgainAddsNothing) {
    const auto opened = openHistory(newDatabase());
    HistoryStore& store = *opened;
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

TEST_P(HistoryStores, RecordsOutsideTheBandsOrYearsAreRefusedAndNothingOfTheBatchIsStored) {
    const auto opened = openHistory(newDatabase());
    HistoryStore& store = *opened;
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

TEST_P(HistoryStores, ADatabaseFromANewerVersionIsShownButNotWritten) {
    const QString url = newDatabase();
    const std::vector<SlotRecord> records = threeDays(5);
    openHistory(url)->add({"G4ABC", ""}, records);
    makeNewer(url);
    const auto opened = openHistory(url);
    HistoryStore& store = *opened;
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

INSTANTIATE_TEST_SUITE_P(BothBackEnds, HistoryStores, ::testing::Values(Backend::Sqlite, Backend::Postgres),
                         [](const ::testing::TestParamInfo<Backend>& info) {
                             return info.param == Backend::Sqlite ? "Sqlite" : "PostgreSQL";
                         });
