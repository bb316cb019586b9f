#include "history/SqliteHistory.h"

#include <sqlite3.h>
#include <unistd.h>

#include <QDir>
#include <QFileInfo>
#include <cerrno>
#include <cmath>
#include <map>
#include <tuple>
#include <unordered_map>

#include "beacons/BandPlan.h"
#include "beacons/Schedule.h"
#include "common/OrvaneError.h"
#include "history/HistoryRows.h"

namespace orvane::history {
namespace {

constexpr std::int64_t kSlotsPerHour = rows::kHourMs / beacons::kSlotMs;

constexpr const char* kSchema[] = {
    "CREATE TABLE receiver(id INTEGER PRIMARY KEY, name TEXT NOT NULL UNIQUE, locator TEXT NOT NULL DEFAULT '')",
    "CREATE TABLE input(id INTEGER PRIMARY KEY, name TEXT NOT NULL UNIQUE)",
    // slot: the slot's start in UTC seconds / 10. outcome: 0 not heard, 1
    // heard, 2 another beacon's call (other: its index). snr1..snr4: the
    // dashes in tenths of a dB; tone in tenths of a Hz; offset in ms.
    "CREATE TABLE slot(receiver INTEGER NOT NULL, slot INTEGER NOT NULL, band INTEGER NOT NULL,"
    " outcome INTEGER NOT NULL, other INTEGER, snr1 INTEGER, snr2 INTEGER, snr3 INTEGER, snr4 INTEGER,"
    " tone INTEGER, offset INTEGER, input INTEGER, PRIMARY KEY(slot, band, receiver)) WITHOUT ROWID",
    // hour: UTC hours since 1970. best_snr: the highest first dash, tenths of a dB.
    "CREATE TABLE hourly(hour INTEGER NOT NULL, receiver INTEGER NOT NULL, band INTEGER NOT NULL,"
    " beacon INTEGER NOT NULL, listened INTEGER NOT NULL, heard INTEGER NOT NULL, best_snr INTEGER,"
    " PRIMARY KEY(hour, receiver, band, beacon)) WITHOUT ROWID",
};

struct HourKey {
    std::int64_t hour;
    int band;
    int beacon;
    bool operator<(const HourKey& o) const { return std::tie(hour, band, beacon) < std::tie(o.hour, o.band, o.beacon); }
};

struct HourSums {
    std::int64_t listened = 0;
    std::int64_t heard = 0;
    std::optional<int> bestSnr;
    void add(bool wasHeard, std::optional<int> snr) {
        ++listened;
        heard += wasHeard ? 1 : 0;
        if (snr && (!bestSnr || *snr > *bestSnr)) bestSnr = snr;
    }
};

}  // namespace

// A prepared statement, finalised with its scope.
class SqliteHistory::Statement {
public:
    Statement(const SqliteHistory& owner, const char* sql) : owner_(owner) {
        if (sqlite3_prepare_v2(owner.db_, sql, -1, &stmt_, nullptr) != SQLITE_OK) owner.fail(QStringLiteral("cannot prepare a query"));
    }
    ~Statement() { sqlite3_finalize(stmt_); }
    Statement(const Statement&) = delete;
    Statement& operator=(const Statement&) = delete;

    void bind(int i, std::int64_t v) { check(sqlite3_bind_int64(stmt_, i, v)); }
    void bind(int i, std::optional<int> v) { check(v ? sqlite3_bind_int64(stmt_, i, *v) : sqlite3_bind_null(stmt_, i)); }
    void bind(int i, const QString& text) {
        const QByteArray utf8 = text.toUtf8();
        check(sqlite3_bind_text(stmt_, i, utf8.constData(), static_cast<int>(utf8.size()), SQLITE_TRANSIENT));
    }
    // True while there is a row; false when done.
    bool step() {
        const int rc = sqlite3_step(stmt_);
        if (rc == SQLITE_ROW) return true;
        if (rc != SQLITE_DONE) owner_.fail(QStringLiteral("cannot write or read"));
        return false;
    }
    void reset() {
        sqlite3_reset(stmt_);
        sqlite3_clear_bindings(stmt_);
    }
    std::int64_t integer(int column) const { return sqlite3_column_int64(stmt_, column); }
    bool isNull(int column) const { return sqlite3_column_type(stmt_, column) == SQLITE_NULL; }
    QString text(int column) const {
        const auto* p = reinterpret_cast<const char*>(sqlite3_column_text(stmt_, column));
        return p ? QString::fromUtf8(p, sqlite3_column_bytes(stmt_, column)) : QString();
    }

private:
    void check(int rc) const {
        if (rc != SQLITE_OK) owner_.fail(QStringLiteral("cannot bind a value"));
    }
    const SqliteHistory& owner_;
    sqlite3_stmt* stmt_ = nullptr;
};

SqliteHistory::SqliteHistory(const QString& fileName, int busyTimeoutMs)
    : fileName_(fileName), busyTimeoutMs_(busyTimeoutMs) {
    const QFileInfo info(fileName);
    if (info.exists() && !info.isFile())
        throw OrvaneError(QStringLiteral("History database %1: not a regular file").arg(fileName).toStdString());
    if (!info.exists() && !QDir().mkpath(info.absolutePath()))
        throw OrvaneError(
            QStringLiteral("History database %1: cannot make the folder %2").arg(fileName, info.absolutePath()).toStdString());
    // SQLite would only say "unable to open database file".
    if (!info.exists() && ::access(QFile::encodeName(info.absolutePath()).constData(), W_OK | X_OK) != 0)
        throw OrvaneError(QStringLiteral("History database %1: cannot create it in %2: %3")
                              .arg(fileName, info.absolutePath(), qt_error_string(errno))
                              .toStdString());
    const QByteArray path = QFile::encodeName(fileName);
    // The handle exists even when the open fails, and the destructor does
    // not run for a constructor that throws: it is closed here.
    try {
        if (sqlite3_open_v2(path.constData(), &db_, SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE, nullptr) != SQLITE_OK)
            fail(QStringLiteral("cannot open"));
        sqlite3_busy_timeout(db_, busyTimeoutMs_);
        sqlite3_extended_result_codes(db_, 1);
        createOrMigrate();
    } catch (...) {
        sqlite3_close_v2(db_);
        db_ = nullptr;
        throw;
    }
}

SqliteHistory::~SqliteHistory() { sqlite3_close_v2(db_); }

void SqliteHistory::fail(const QString& what) const {
    const QString reason = db_ ? QString::fromUtf8(sqlite3_errmsg(db_)) : QStringLiteral("out of memory");
    throw OrvaneError(QStringLiteral("History database %1: %2: %3").arg(fileName_, what, reason).toStdString());
}

void SqliteHistory::exec(const char* sql) {
    if (sqlite3_exec(db_, sql, nullptr, nullptr, nullptr) != SQLITE_OK) fail(QStringLiteral("cannot write or read"));
}

void SqliteHistory::createOrMigrate() {
    int version = 0;
    {
        Statement q(*this, "PRAGMA user_version");  // fails here for a file that is not a database
        if (q.step()) version = static_cast<int>(q.integer(0));
    }
    if (version > kSqliteSchemaVersion) {
        sqlite3_close_v2(db_);
        db_ = nullptr;
        const QByteArray path = QFile::encodeName(fileName_);
        if (sqlite3_open_v2(path.constData(), &db_, SQLITE_OPEN_READONLY, nullptr) != SQLITE_OK) fail(QStringLiteral("cannot open"));
        sqlite3_busy_timeout(db_, busyTimeoutMs_);
        readOnlyReason_ = QStringLiteral("History database %1 was written by a newer version of the program (schema %2; "
                                         "this one knows %3): it is shown but nothing is added to it")
                              .arg(fileName_)
                              .arg(version)
                              .arg(kSqliteSchemaVersion);
        return;
    }
    {
        // WAL: readers (the view, another program) never wait for the writer.
        Statement q(*this, "PRAGMA journal_mode=WAL");
        q.step();
    }
    exec("PRAGMA synchronous=NORMAL");
    if (version == kSqliteSchemaVersion) return;
    exec("BEGIN IMMEDIATE");
    try {
        {
            Statement tables(*this, "SELECT count(*) FROM sqlite_schema");
            tables.step();
            if (tables.integer(0) != 0)
                throw OrvaneError(QStringLiteral("History database %1: holds tables but no history schema (not a history "
                                                 "database)")
                                      .arg(fileName_)
                                      .toStdString());
        }
        for (const char* sql : kSchema) exec(sql);
        exec("PRAGMA user_version=1");
        exec("COMMIT");
    } catch (...) {
        sqlite3_exec(db_, "ROLLBACK", nullptr, nullptr, nullptr);
        throw;
    }
}

std::int64_t SqliteHistory::receiverId(const Receiver& receiver) {
    Statement insert(*this, "INSERT INTO receiver(name, locator) VALUES(?1, ?2) ON CONFLICT(name) DO UPDATE SET "
                            "locator = excluded.locator WHERE excluded.locator <> ''");
    insert.bind(1, receiver.name);
    insert.bind(2, receiver.locator);
    insert.step();
    Statement find(*this, "SELECT id FROM receiver WHERE name = ?1");
    find.bind(1, receiver.name);
    if (!find.step()) fail(QStringLiteral("cannot find the receiver"));
    return find.integer(0);
}

std::int64_t SqliteHistory::inputId(const QString& name) {
    Statement insert(*this, "INSERT OR IGNORE INTO input(name) VALUES(?1)");
    insert.bind(1, name);
    insert.step();
    Statement find(*this, "SELECT id FROM input WHERE name = ?1");
    find.bind(1, name);
    if (!find.step()) fail(QStringLiteral("cannot find the input"));
    return find.integer(0);
}

std::int64_t SqliteHistory::add(const Receiver& receiver, std::span<const SlotRecord> records) {
    if (readOnlyReason_) throw OrvaneError(readOnlyReason_->toStdString());
    rows::checkBatch(receiver, records);
    std::int64_t added = 0;
    exec("BEGIN IMMEDIATE");
    try {
        const std::int64_t receiverKey = receiverId(receiver);
        std::unordered_map<QString, std::int64_t> inputs;
        Statement insert(*this, "INSERT OR IGNORE INTO slot VALUES(?1, ?2, ?3, ?4, ?5, ?6, ?7, ?8, ?9, ?10, ?11, ?12)");
        std::map<HourKey, HourSums> hours;
        for (const SlotRecord& r : records) {
            const std::int64_t slot = beacons::slotPeriodOf(r.slotStartMs);
            auto input = inputs.find(r.input);
            if (input == inputs.end()) input = inputs.emplace(r.input, inputId(r.input)).first;
            const std::optional<int> first = rows::tenths(r.dashSnrDb[0]);
            insert.bind(1, receiverKey);
            insert.bind(2, slot);
            insert.bind(3, std::int64_t{r.band});
            insert.bind(4, std::int64_t{static_cast<int>(r.outcome)});
            insert.bind(5, rows::otherBeaconOf(r));
            insert.bind(6, first);
            for (int d = 1; d < 4; ++d) insert.bind(6 + d, rows::tenths(r.dashSnrDb[static_cast<std::size_t>(d)]));
            insert.bind(10, std::optional<int>(rows::rounded(r.toneOffsetHz, 10)));
            insert.bind(11, std::optional<int>(rows::rounded(r.timeOffsetMs, 1)));
            insert.bind(12, input->second);
            insert.step();
            insert.reset();
            if (sqlite3_changes(db_) != 1) continue;  // stored before
            ++added;
            const int beacon = beacons::slotIndexAt(r.slotStartMs, r.band);
            hours[{slot / kSlotsPerHour, r.band, beacon}].add(r.outcome == Outcome::Heard, first);
        }
        Statement sum(*this,
                      "INSERT INTO hourly VALUES(?1, ?2, ?3, ?4, ?5, ?6, ?7) ON CONFLICT(hour, receiver, band, beacon) DO "
                      "UPDATE SET listened = listened + excluded.listened, heard = heard + excluded.heard, best_snr = "
                      "CASE WHEN best_snr IS NULL THEN excluded.best_snr WHEN excluded.best_snr IS NULL THEN best_snr "
                      "ELSE max(best_snr, excluded.best_snr) END");
        for (const auto& [key, sums] : hours) {
            sum.bind(1, key.hour);
            sum.bind(2, receiverKey);
            sum.bind(3, std::int64_t{key.band});
            sum.bind(4, std::int64_t{key.beacon});
            sum.bind(5, sums.listened);
            sum.bind(6, sums.heard);
            sum.bind(7, sums.bestSnr);
            sum.step();
            sum.reset();
        }
        exec("COMMIT");
    } catch (...) {
        sqlite3_exec(db_, "ROLLBACK", nullptr, nullptr, nullptr);
        throw;
    }
    return added;
}

std::vector<HourCell> SqliteHistory::hours(const HistoryQuery& query) {
    const std::int64_t receiverFilter = query.receiver.isEmpty() ? 0 : 1;
    const std::int64_t bandFilter = query.band ? 1 : 0;
    // Both tables answer in the same columns: band, beacon, hour of day,
    // listened, heard, best first-dash SNR; ?1 and ?2 bound the rows.
    auto sumInto = [&](const char* sql, std::int64_t lo, std::int64_t hi, const rows::RowSink& sink) {
        Statement q(*this, sql);
        q.bind(1, lo);
        q.bind(2, hi);
        q.bind(3, bandFilter);
        q.bind(4, std::int64_t{query.band.value_or(0)});
        q.bind(5, receiverFilter);
        q.bind(6, query.receiver);
        while (q.step())
            sink({static_cast<int>(q.integer(0)), static_cast<int>(q.integer(1)), static_cast<int>(q.integer(2)),
                  q.integer(3), q.integer(4), q.isNull(5) ? std::nullopt : std::optional<int>(int(q.integer(5)))});
    };
    return rows::hourView(
        query,
        [&](std::int64_t lo, std::int64_t hi, const rows::RowSink& sink) {
            sumInto("SELECT band, beacon, hour % 24, sum(listened), sum(heard), max(best_snr) FROM hourly "
                    "WHERE hour >= ?1 AND hour < ?2 AND (?3 = 0 OR band = ?4) "
                    "AND (?5 = 0 OR receiver = (SELECT id FROM receiver WHERE name = ?6)) "
                    "GROUP BY band, beacon, hour % 24",
                    lo, hi, sink);
        },
        [&](std::int64_t lo, std::int64_t hi, const rows::RowSink& sink) {
            sumInto("SELECT band, ((slot % 18) - band + 18) % 18, (slot / 360) % 24, count(*), "
                    "sum(outcome = 1), max(snr1) FROM slot "
                    "WHERE slot >= ?1 AND slot < ?2 AND (?3 = 0 OR band = ?4) "
                    "AND (?5 = 0 OR receiver = (SELECT id FROM receiver WHERE name = ?6)) "
                    "GROUP BY 1, 2, 3",
                    lo, hi, sink);
        });
}

std::vector<Receiver> SqliteHistory::receivers() {
    std::vector<Receiver> out;
    Statement q(*this, "SELECT name, locator FROM receiver ORDER BY name");
    while (q.step()) out.push_back({q.text(0), q.text(1)});
    return out;
}

}  // namespace orvane::history
