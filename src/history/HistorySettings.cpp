#include "history/HistorySettings.h"

#include <QSysInfo>

namespace orvane::history {

QString historyDatabaseUrl(const IniFile& ini, const AppPaths& paths) {
    const QString url = ini.readString(QLatin1String(kHistorySection), QLatin1String(kHistoryDatabaseKey), QString()).trimmed();
    return url.isEmpty() ? QStringLiteral("sqlite:") + paths.historyFileName() : url;
}

Receiver historyReceiver(const IniFile& ini, const QString& locator) {
    QString name = ini.readString(QLatin1String(kHistorySection), QLatin1String(kHistoryReceiverKey), QString()).trimmed();
    if (name.isEmpty()) name = QSysInfo::machineHostName();
    if (name.isEmpty()) name = QStringLiteral("receiver");
    return {name, locator};
}

}  // namespace orvane::history
