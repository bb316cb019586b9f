#pragma once

#include <QString>

#include <array>
#include <string_view>

namespace orvane::reports {

// Responsibilities: the fixed table of the fourteen propagation reports. An
// entry's index is at once its check-list item in the retrieval dialog, the
// tag of its tab on the Propagation page, the position of its selection flag
// in PropSettings and its place in the download order.
//
// Directories are sent to the server exactly as written here: some carry a
// trailing slash and some do not, and that is how the report server has
// always been asked for them.
//
// The web paths are the products' current names under
// https://services.swpc.noaa.gov/text/, each the same product as the FTP
// file (its ":Product:" line names the old file, e.g. "daypre.txt" for
// 3-day-solar-geomag-predictions.txt; solar_radio_flux.txt is the hourly
// local-noon flux list that rad.txt was). AK, SRFF, ALTS and HFRP have no
// text twin there and stay on the FTP server. The cadences are NOAA's:
// WWV every three hours, the radio flux list hourly, the outlook and the
// weekly highlights weekly, the sunspot prediction monthly, the rest daily.
struct ReportEntry {
    std::string_view key;        // settings key of the selection flag
    std::string_view title;      // check-list title
    std::string_view directory;  // server directory of the file
    std::string_view file;       // file name on the server and, unchanged, locally
    bool selectedByDefault;
    std::string_view tabSheet;   // object name of the tab sheet
    std::string_view tabCaption;
    std::string_view memo;       // object name of the memo on the sheet
    std::string_view hint;       // the tab's hint
    int helpContext;             // help topic of the tab
    // The same product on NOAA's web service, relative to its base address
    // (https://services.swpc.noaa.gov/); empty when it is served only by FTP.
    // The file is stored under `file` whichever way it came.
    std::string_view webPath;
    // How often the product is normally issued; a copy older than twice this
    // is shown as stale.
    int cadenceHours;
};

inline constexpr int kReportCount = 14;

// The session's home directory; reports elsewhere change to their own
// directory first.
inline constexpr std::string_view kHomeDirectory = "/pub/latest";

// clang-format off
inline constexpr std::array<ReportEntry, kReportCount> ReportCatalog{{
    {"wwv", "Geophysical Alert Message - WWV", "/pub/latest", "wwv.txt", true,
     "tswwv", "WWV", "mowwv", "Geophysical Alert Message - WWV, press F1 for help", 1,
     "text/wwv.txt", 3},
    {"AK", "Geomagnetic A and K indices", "/pub/latest", "AK.txt", false,
     "tsAK", "A and K indices", "moAK", "Geomagnetic A and K indices from U.S.G.S. Stations, press F1 for help", 3,
     "", 3},
    {"daypre", "Three-day Space Weather Predictions", "/pub/latest", "daypre.txt", false,
     "tsdaypre", "3-Day Predicts", "modaypre", "Three-day Space Weather Predictions, press F1 for help", 4,
     "text/3-day-solar-geomag-predictions.txt", 24},
    // The flux forecast's topic is 6 and the outlook's is 5: the help file
    // numbered them in the opposite order of the tabs.
    {"SRFF", "27-Day 10.7 cm Solar Radio Flux Forecast", "/pub/latest", "SRFF.txt", false,
     "tsSRFF", "Flux Forecast", "moSRFF", "27-Day 10.7 cm Solar Radio Flux Forecast, press F1 for help", 6,
     "", 24},
    {"27DO", "Twenty-seven Day Space Weather Outlook Table", "/pub/latest", "27DO.txt", true,
     "ts27DO", "27 Day Outlook", "mo27DO", "Twenty-seven Day Space Weather Outlook Table, press F1 for help", 5,
     "text/27-day-outlook.txt", 168},
    {"ALTS", "Alerts and Warnings in last 24 Hours", "/pub/forecasts", "ALTS.txt", true,
     "tsALTS", "Alerts/Warnings", "moALTS", "Alerts and Warnings Issued in the last 24 Hours, press F1 for help", 600,
     "", 24},
    {"predict", "Predicted Sunspot Number and Radio Flux value", "/pub/latest", "predict.txt", false,
     "tspredict", "Spot Num/Flux", "mopredict", "Predicted Sunspot Number and Radio Flux values, press F1 for help", 601,
     "text/predicted-sunspot-radio-flux.txt", 744},
    {"RSGA", "Report of Solar and Geophysical Activity", "/pub/latest", "RSGA.txt", false,
     "tsRSGA", "RSGA", "moRSGA", "Report of Solar-Geophysical Activity, press F1 for help", 602,
     "text/sgarf.txt", 24},
    {"SGAS", "Solar and Geophysical Activity Summary", "/pub/latest", "SGAS.txt", true,
     "tsSGAS", "Activity Summary", "moSGAS", "Solar and Geophysical Activity Summary, press F1 for help", 36,
     "text/sgas.txt", 24},
    {"HFRP", "High Frequency Radio Propagation Report", "/pub/latest", "HFRP.txt", false,
     "tsHFRP", "HFRP", "moHFRP", "Latest High Frequency Radio Propagation Report, press F1 for help", 603,
     "", 24},
    {"WKHF", "Weekly Highlights - Forecast of Solar Geophysical", "/pub/latest", "WKHF.txt", true,
     "tsWKHF", "WKHF", "moWKHF", "Weekly Highlights and Forecasts, press F1 for help", 604,
     "text/weekly.txt", 168},
    {"rad", "Daily local noon solar radio flux values", "/pub/lists/radio/", "rad.txt", true,
     "tsrad", "Radio Flux", "morad", "Daily local noon solar radio flux values", 605,
     "text/solar_radio_flux.txt", 1},
    {"DSD", "Last 30 Days Daily Solar Data", "/pub/indices/", "DSD.txt", true,
     "tsDSD", "DSD", "moDSD", "Last 30 Days Daily Solar Data", 606,
     "text/daily-solar-indices.txt", 24},
    {"DGD", "Last 30 Days Daily Geomagnetic Data", "/pub/indices/", "DGD.txt", true,
     "tsDGD", "DGD", "moDGD", "Last 30 Days Daily Geomagnetic Data", 607,
     "text/daily-geomagnetic-indices.txt", 24},
}};
// clang-format on

// Catalogue queries by index (0..13); an index out of range throws
// std::out_of_range.
const ReportEntry& reportEntry(int index);
QString reportKey(int index);
QString reportTitle(int index);
QString reportDirectory(int index);
QString reportFile(int index);
bool reportDefault(int index);
QString reportTabSheet(int index);
QString reportTabCaption(int index);
QString reportMemo(int index);
QString reportHint(int index);
int reportHelpContext(int index);

// True for the reports that live outside the home directory, so the session
// changes to reportDirectory(index) before fetching them.
bool reportNeedsDirectoryChange(int index);

// True when the report has a twin on the web service.
bool reportHasWebPath(int index);
QString reportWebPath(int index);
// The normal cadence in seconds.
qint64 reportCadenceSeconds(int index);

// The catalogue index of a settings key (matched without regard to case, as
// the settings file does), or -1.
int reportIndexOfKey(const QString& key);

inline QString toQString(std::string_view text) {
    return QString::fromLatin1(text.data(), static_cast<qsizetype>(text.size()));
}

}  // namespace orvane::reports
