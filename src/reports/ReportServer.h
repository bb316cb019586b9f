#pragma once

#include <QString>
#include <QUrl>

#include <optional>

namespace orvane::reports {

// Responsibilities: where the reports come from. The program fetches them
// from NOAA's space-weather centre (the Space Environment Center, now the
// Space Weather Prediction Center): from its web service, or from its public
// anonymous FTP server. Both addresses are configuration values so that a
// mirror, or a test server, can stand in for them. They are not user
// settings (the user picks the source, PropSettings::ReportSource).
struct ReportServer {
    QString host;
    int port = 21;
    // The web service's base; the catalogue's web paths are relative to it.
    QUrl webBase = QUrl(QStringLiteral("https://services.swpc.noaa.gov/"));
};

inline constexpr const char* kDefaultReportHost = "ftp.swpc.noaa.gov";
inline constexpr int kDefaultReportPort = 21;

// The environment variable that overrides the server: "HOST" or "HOST:PORT".
inline constexpr const char* kReportServerVariable = "ORVANE_REPORT_SERVER";
// The environment variable that overrides the web service's base ("https://mirror.example/").
inline constexpr const char* kReportWebVariable = "ORVANE_REPORT_WEB";
inline constexpr const char* kDefaultReportWebBase = "https://services.swpc.noaa.gov/";

// An https:// base address, with a trailing slash added so relative paths
// resolve below it; nothing for anything else.
std::optional<QUrl> parseWebBase(const QString& text);

ReportServer defaultReportServer();

// Parses "HOST" or "HOST:PORT" (port 1..65535); nothing for an empty host,
// a bad port or a text longer than a host name can be.
std::optional<ReportServer> parseReportServer(const QString& text);

// The default servers unless the environment names valid other ones.
ReportServer reportServerFromEnvironment();

}  // namespace orvane::reports
