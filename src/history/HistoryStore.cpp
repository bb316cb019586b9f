#include "history/HistoryStore.h"

#include "common/OrvaneError.h"
#include "history/SqliteHistory.h"

namespace orvane::history {

std::unique_ptr<HistoryStore> openHistory(const QString& url) {
    if (url.startsWith(QLatin1String("postgresql://")) || url.startsWith(QLatin1String("postgres://")))
        throw OrvaneError(
            QStringLiteral("History database %1: this build keeps the history in SQLite files only").arg(url).toStdString());
    const QString path = url.startsWith(QLatin1String("sqlite:")) ? url.mid(7) : url;
    if (path.isEmpty()) throw OrvaneError("History database: no file named (sqlite:PATH)");
    return std::make_unique<SqliteHistory>(path);
}

}  // namespace orvane::history
