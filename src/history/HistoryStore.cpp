#include "history/HistoryStore.h"

#include "common/OrvaneError.h"
#include "history/PostgresHistory.h"
#include "history/SqliteHistory.h"

namespace orvane::history {

std::unique_ptr<HistoryStore> openHistory(const QString& url) {
    if (url.startsWith(QLatin1String("postgresql://")) || url.startsWith(QLatin1String("postgres://")))
        return std::make_unique<PostgresHistory>(url);
    const QString path = url.startsWith(QLatin1String("sqlite:")) ? url.mid(7) : url;
    if (path.isEmpty()) throw OrvaneError("History database: no file named (sqlite:PATH)");
    return std::make_unique<SqliteHistory>(path);
}

}  // namespace orvane::history
