#pragma once

#include <QString>
#include <memory>

#include "history/HistoryStore.h"

struct sqlite3;

namespace orvane::history {

// The schema this version writes, in SQLite's user_version.
inline constexpr int kSqliteSchemaVersion = 1;

// Responsibilities: the history in one SQLite file (WAL journal). Slots are
// kept in a table keyed by (slot, band, receiver) without row ids, so a
// slot costs under 30 bytes, its key is the only index, new slots go to the
// end and any window of time is one range of it; the hourly summary is kept
// current by add(). The file is created with its folder when
// missing; a file from a newer version is opened read-only.
class SqliteHistory final : public HistoryStore {
public:
    // busyTimeoutMs: how long a write waits for another writer before it
    // fails with "database is locked".
    explicit SqliteHistory(const QString& fileName, int busyTimeoutMs = 5000);
    ~SqliteHistory() override;
    SqliteHistory(const SqliteHistory&) = delete;
    SqliteHistory& operator=(const SqliteHistory&) = delete;

    std::int64_t add(const Receiver& receiver, std::span<const SlotRecord> records) override;
    std::vector<HourCell> hours(const HistoryQuery& query) override;
    std::vector<Receiver> receivers() override;
    std::optional<QString> readOnlyReason() const override { return readOnlyReason_; }

private:
    class Statement;
    [[noreturn]] void fail(const QString& what) const;
    void exec(const char* sql);
    void createOrMigrate();
    std::int64_t receiverId(const Receiver& receiver);
    std::int64_t inputId(const QString& name);

    QString fileName_;
    int busyTimeoutMs_;
    sqlite3* db_ = nullptr;
    std::optional<QString> readOnlyReason_;
};

}  // namespace orvane::history
