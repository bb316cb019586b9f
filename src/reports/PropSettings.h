#pragma once

#include <QString>

#include <array>

#include "reports/ReportCatalog.h"

namespace orvane {
class IniFile;
}

namespace orvane::reports {

// Where the reports come from: NOAA's web service over HTTPS (reports it does
// not serve still come from the FTP server in the same run), or the FTP
// server alone. The numbers are the values of the settings key.
enum class ReportSourceKind : int { Https = 0, Ftp = 1 };

// Responsibilities: the report retrieval settings that persist between runs:
// which reports to fetch and show, the proxy and the anonymous-FTP password.
// One record lives for the whole run; the main window reads it at start-up,
// the retrieval dialog keeps it current and writes it back.
//
// The fields carry the names of their keys in section "Prop" of the settings
// file; the fourteen selection flags are kept by catalogue index.
struct PropSettings {
    bool UseProxy = false;
    QString Proxy;
    int ProxyPort = 0;
    QString pass;
    std::array<bool, kReportCount> Reports{};
    // Key "ReportSource": 0 the web service (the default), 1 the FTP server.
    ReportSourceKind ReportSource = ReportSourceKind::Https;

    bool operator==(const PropSettings&) const = default;
};

inline constexpr const char* kPropSection = "Prop";

// Any non-empty, e-mail shaped text will do for an anonymous login; servers
// only ask that it look like an address.
inline constexpr const char* kDefaultPassword = "listener@orvane.invalid";

// The record as it stands with no settings file: proxy off, the placeholder
// password and the catalogue's eight default reports.
PropSettings defaultPropSettings();

// Reads the keys of "Prop" in order: UseProxy, Proxy, ProxyPort, pass, the
// fourteen report keys in catalogue order, then ReportSource. A missing key,
// or a number that does not read as an integer, gives the key's default; a
// boolean is true for any non-zero integer; a ReportSource other than 0 or 1
// gives the web service.
PropSettings ReadPropSettings(const IniFile& ini);

// Writes the same keys in the same order; booleans as "1" or "0".
// Throws OrvaneError("Unable to write to <file>") when the file cannot be
// written.
void WritePropSettings(IniFile& ini, const PropSettings& settings);

int selectedReportCount(const PropSettings& settings);

}  // namespace orvane::reports
