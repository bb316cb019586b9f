#pragma once

#include <QString>
#include <cstdint>
#include <limits>
#include <memory>
#include <optional>
#include <span>
#include <vector>

#include "history/SlotRecord.h"

namespace orvane::history {

// The receiver a slot was listened for at: its name is its identity in the
// database (several receivers share one server); the locator is kept with it.
struct Receiver {
    QString name;
    QString locator;
};

// The hour-by-beacon view asked for: slots starting in [fromMs, toMs), one
// band or all, one receiver or all (empty name).
struct HistoryQuery {
    std::int64_t fromMs = std::numeric_limits<std::int64_t>::min();
    std::int64_t toMs = std::numeric_limits<std::int64_t>::max();
    std::optional<int> band;
    QString receiver;
};

// Responsibilities: a database of every slot listened for. Implementations
// keep the slots and a summary by receiver, band, beacon and UTC hour that
// is updated in the same transaction, so the view over a year reads the
// summary and not the slots. Every failure throws OrvaneError with the
// database's reason; nothing is reported stored that was not committed.
class HistoryStore {
public:
    virtual ~HistoryStore() = default;

    // Stores the records in one transaction. A slot already stored for the
    // receiver (same slot start and band) is left as it is, so storing the
    // same results twice adds nothing. Returns how many were new.
    virtual std::int64_t add(const Receiver& receiver, std::span<const SlotRecord> records) = 0;

    // The view's cells that have slots, ordered by band, beacon, hour.
    virtual std::vector<HourCell> hours(const HistoryQuery& query) = 0;

    // The receivers that have stored anything, by name.
    virtual std::vector<Receiver> receivers() = 0;

    // A database written by a newer version of the program is opened for
    // reading only; add() then throws and this says why.
    virtual std::optional<QString> readOnlyReason() const = 0;
};

// "sqlite:PATH" (or a plain path) or "postgresql://user@host:port/dbname".
// Throws OrvaneError naming the database and the reason when it cannot be
// opened: not a database, locked, a folder that cannot be written, a server
// that cannot be reached, a refused login.
std::unique_ptr<HistoryStore> openHistory(const QString& url);

}  // namespace orvane::history
