#include "reports/ReportServer.h"

#include <QtGlobal>

namespace orvane::reports {

ReportServer defaultReportServer() { return {QString::fromLatin1(kDefaultReportHost), kDefaultReportPort}; }

std::optional<ReportServer> parseReportServer(const QString& text) {
    const QString t = text.trimmed();
    if (t.isEmpty() || t.size() > 255 + 6) return std::nullopt;
    ReportServer server{t, kDefaultReportPort};
    const qsizetype colon = t.lastIndexOf(QLatin1Char(':'));
    if (colon >= 0) {
        bool ok = false;
        const int port = t.mid(colon + 1).toInt(&ok, 10);
        if (!ok || port < 1 || port > 65535) return std::nullopt;
        server = {t.left(colon), port};
    }
    if (server.host.isEmpty() || server.host.size() > 255 || server.host.contains(QLatin1Char(' ')))
        return std::nullopt;
    return server;
}

ReportServer reportServerFromEnvironment() {
    const QString value = qEnvironmentVariable(kReportServerVariable);
    if (auto server = parseReportServer(value)) return *server;
    return defaultReportServer();
}

}  // namespace orvane::reports
