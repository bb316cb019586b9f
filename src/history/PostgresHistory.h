#pragma once

#include <QString>
#include <memory>

#include "history/HistoryStore.h"

struct pg_conn;

namespace orvane::history {

// The schema this version writes, in history_schema.version.
inline constexpr int kPostgresSchemaVersion = 1;

// Responsibilities: the history on a PostgreSQL server that several
// receivers (club members, remote SDRs) write into at once, each under its
// own name. The tables (history_*) are made on the first connection, one
// client at a time; a schema from a newer version is only read. A batch is
// one transaction: its slots are inserted with ON CONFLICT DO NOTHING and
// only the rows that were new are added to the hourly summaries in the same
// statement, so two writers storing the same slot count it once and every
// summary row always equals a recount of its slots. There are two
// summaries: by receiver, and over all receivers (what the view shows for
// "all"; it would otherwise add up 20 receivers' rows).
//
// Collaborations: libpq. The URL is libpq's (postgresql://user@host:port/db,
// with ?options); a password in it is refused: it comes from ~/.pgpass or
// libpq's variables (PGPASSFILE, PGPASSWORD). A connection attempt gives up
// after connect_timeout (10 s unless the URL or PGCONNECT_TIMEOUT says), a
// dead link after tcp_user_timeout, a statement after a minute.
class PostgresHistory final : public HistoryStore {
public:
    explicit PostgresHistory(const QString& url);
    ~PostgresHistory() override;
    PostgresHistory(const PostgresHistory&) = delete;
    PostgresHistory& operator=(const PostgresHistory&) = delete;

    std::int64_t add(const Receiver& receiver, std::span<const SlotRecord> records) override;
    std::vector<HourCell> hours(const HistoryQuery& query) override;
    std::vector<Receiver> receivers() override;
    std::optional<QString> readOnlyReason() const override { return readOnlyReason_; }

private:
    class Result;
    Result exec(const char* sql, const std::vector<QByteArray>& params = {});
    void rollback();
    void createOrMigrate();
    std::int64_t addOnce(const Receiver& receiver, std::span<const SlotRecord> records);

    QString url_;
    pg_conn* conn_ = nullptr;
    std::optional<QString> readOnlyReason_;
};

}  // namespace orvane::history
