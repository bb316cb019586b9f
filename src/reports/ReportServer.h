#pragma once

#include <QString>

#include <optional>

namespace orvane::reports {

// Responsibilities: where the reports come from. The program fetches them
// from the public anonymous FTP server of NOAA's space-weather centre (the
// Space Environment Center, now the Space Weather Prediction Center); the
// host is a configuration value so that a mirror, or a test server, can
// stand in for it. It is not a user setting.
struct ReportServer {
    QString host;
    int port = 21;
};

inline constexpr const char* kDefaultReportHost = "ftp.swpc.noaa.gov";
inline constexpr int kDefaultReportPort = 21;

// The environment variable that overrides the server: "HOST" or "HOST:PORT".
inline constexpr const char* kReportServerVariable = "ORVANE_REPORT_SERVER";

ReportServer defaultReportServer();

// Parses "HOST" or "HOST:PORT" (port 1..65535); nothing for an empty host,
// a bad port or a text longer than a host name can be.
std::optional<ReportServer> parseReportServer(const QString& text);

// The default server unless the environment names a valid other one.
ReportServer reportServerFromEnvironment();

}  // namespace orvane::reports
