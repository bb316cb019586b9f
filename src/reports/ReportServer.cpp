#include "reports/ReportServer.h"

#include <QtGlobal>

namespace orvane::reports {

ReportServer defaultReportServer() {
    return {QString::fromLatin1(kDefaultReportHost), kDefaultReportPort, QUrl(QString::fromLatin1(kDefaultReportWebBase))};
}

std::optional<QUrl> parseWebBase(const QString& text) {
    QUrl url(text.trimmed(), QUrl::StrictMode);
    if (!url.isValid() || url.scheme() != QLatin1String("https") || url.host().isEmpty() || url.hasQuery() ||
        url.hasFragment())
        return std::nullopt;
    if (!url.path().endsWith(QLatin1Char('/'))) url.setPath(url.path() + QLatin1Char('/'));
    return url;
}

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
    ReportServer server = defaultReportServer();
    if (auto ftp = parseReportServer(qEnvironmentVariable(kReportServerVariable))) {
        server.host = ftp->host;
        server.port = ftp->port;
    }
    if (auto web = parseWebBase(qEnvironmentVariable(kReportWebVariable))) server.webBase = *web;
    return server;
}

}  // namespace orvane::reports
