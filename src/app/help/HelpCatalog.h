#pragma once

#include <QString>
#include <QUrl>
#include <array>
#include <optional>
#include <string_view>
#include <vector>

#include "app/help/HelpContexts.h"

namespace orvane::help {

// Where a help context leads: a page of the built-in help and, optionally, a
// named anchor on it.
struct TopicRef {
    int context;
    std::string_view page;
    std::string_view anchor;
};

// Every help context the program hands out, and the topic it opens.
inline constexpr std::array kContextTopics{
    TopicRef{ctx::kReportWwv, "reports.html", "wwv"},
    TopicRef{ctx::kReportAk, "reports.html", "ak"},
    TopicRef{ctx::kReportDayPre, "reports.html", "daypre"},
    TopicRef{ctx::kReport27Do, "reports.html", "27do"},
    TopicRef{ctx::kReportSrff, "reports.html", "srff"},
    TopicRef{ctx::kReportSgas, "reports.html", "sgas"},
    TopicRef{ctx::kReportAlts, "reports.html", "alts"},
    TopicRef{ctx::kReportPredict, "reports.html", "predict"},
    TopicRef{ctx::kReportRsga, "reports.html", "rsga"},
    TopicRef{ctx::kReportHfrp, "reports.html", "hfrp"},
    TopicRef{ctx::kReportWkhf, "reports.html", "wkhf"},
    TopicRef{ctx::kReportRad, "reports.html", "rad"},
    TopicRef{ctx::kReportDsd, "reports.html", "dsd"},
    TopicRef{ctx::kReportDgd, "reports.html", "dgd"},
    TopicRef{ctx::kTimePanel, "clock.html", ""},
    TopicRef{ctx::kHostBox, "clock.html", "hosts"},
    TopicRef{ctx::kFrequency, "map-tab.html", "frequency"},
    TopicRef{ctx::kMapTab, "map-tab.html", ""},
    TopicRef{ctx::kBeaconsTab, "beacons-tab.html", ""},
    TopicRef{ctx::kPropagationTab, "propagation-tab.html", ""},
    TopicRef{ctx::kAboutTab, "about.html", ""},
    TopicRef{ctx::kAnimate, "map-menu.html", "animate"},
    TopicRef{ctx::kFake, "map-menu.html", "fake"},
    TopicRef{ctx::kBrowseCalendar, "calendar.html", ""},
    TopicRef{ctx::kSignalChange, "map-menu.html", "signal-change"},
    TopicRef{ctx::kShowHideBeacons, "map-menu.html", "show-hide"},
    TopicRef{ctx::kPopupHints, "map-menu.html", "popup-hints"},
    TopicRef{ctx::kRetrievalDialog, "report-dialog.html", ""},
    TopicRef{ctx::kReportList, "report-dialog.html", "reports"},
    TopicRef{ctx::kServerFields, "report-dialog.html", "server"},
    TopicRef{ctx::kGetLatestButton, "report-dialog.html", "get-latest"},
    TopicRef{ctx::kStatusMemo, "report-dialog.html", "status"},
    TopicRef{ctx::kGetLatestReports, "propagation-tab.html", "get-latest"},
    TopicRef{ctx::kHelpContents, "index.html", ""},
    TopicRef{ctx::kAnimateSpeed, "map-menu.html", "animate-speed"},
    TopicRef{ctx::kDarknessLevel, "map-menu.html", "darkness"},
    TopicRef{ctx::kSimulateBeacons, "hearing.html", "simulate"},
    TopicRef{ctx::kSimulateSetup, "hearing.html", "setup"},
    TopicRef{ctx::kMapMenu, "map-menu.html", ""},
    TopicRef{ctx::kCredits, "about.html", "credits"},
    TopicRef{ctx::kMonitorTab, "monitor.html", ""},
    TopicRef{ctx::kHistoryView, "history.html", ""},
};

// The contents tree, in reading order. Level 0 entries are pages, level 1
// entries sections of the page above them.
struct ContentsEntry {
    int level;
    std::string_view page;
    std::string_view anchor;
    std::string_view title;
};

inline constexpr std::array kContents{
    ContentsEntry{0, "index.html", "", "Welcome to Orvane ++"},
    ContentsEntry{0, "beacon-network.html", "", "The beacon network"},
    ContentsEntry{1, "beacon-network.html", "slots", "What a beacon slot is"},
    ContentsEntry{1, "beacon-network.html", "schedule", "Who transmits when"},
    ContentsEntry{1, "beacon-network.html", "listening", "Listening on the air"},
    ContentsEntry{0, "map-tab.html", "", "The Map tab"},
    ContentsEntry{1, "map-tab.html", "labels", "Beacon labels"},
    ContentsEntry{1, "map-tab.html", "frequency", "Choosing the band"},
    ContentsEntry{0, "monitor.html", "", "The Monitor tab"},
    ContentsEntry{1, "monitor.html", "grid", "The cycle grid and its colours"},
    ContentsEntry{1, "monitor.html", "listening", "While listening"},
    ContentsEntry{0, "history.html", "", "The history of openings"},
    ContentsEntry{1, "history.html", "best", "Best hours"},
    ContentsEntry{1, "history.html", "receivers", "Receivers and the database"},
    ContentsEntry{0, "greyline.html", "", "How the grey line is drawn"},
    ContentsEntry{1, "greyline.html", "sun", "Where the sun is"},
    ContentsEntry{1, "greyline.html", "shading", "Shading the night"},
    ContentsEntry{1, "greyline.html", "using", "Using the grey line"},
    ContentsEntry{0, "map-menu.html", "", "The map menu"},
    ContentsEntry{1, "map-menu.html", "animate", "Animate"},
    ContentsEntry{1, "map-menu.html", "animate-speed", "Animate Speed"},
    ContentsEntry{1, "map-menu.html", "fake", "Fake"},
    ContentsEntry{1, "map-menu.html", "show-hide", "Hide Beacons / Show Beacons"},
    ContentsEntry{1, "map-menu.html", "darkness", "Darkness Level"},
    ContentsEntry{1, "map-menu.html", "signal-change", "Signal Change"},
    ContentsEntry{1, "map-menu.html", "popup-hints", "Popup Hints"},
    ContentsEntry{0, "calendar.html", "", "Browsing the calendar"},
    ContentsEntry{0, "clock.html", "", "Setting the PC clock"},
    ContentsEntry{1, "clock.html", "rights", "The right to set the clock"},
    ContentsEntry{1, "clock.html", "hosts", "The time server list"},
    ContentsEntry{0, "beacons-tab.html", "", "The Beacons tab"},
    ContentsEntry{0, "hearing.html", "", "Hearing the beacons"},
    ContentsEntry{1, "hearing.html", "simulate", "Simulate Beacons"},
    ContentsEntry{1, "hearing.html", "setup", "Beacon Setup"},
    ContentsEntry{1, "hearing.html", "sound", "When nothing sounds"},
    ContentsEntry{0, "propagation-tab.html", "", "The Propagation tab"},
    ContentsEntry{1, "propagation-tab.html", "get-latest", "Get Latest Reports"},
    ContentsEntry{0, "report-dialog.html", "", "Configuring the reports"},
    ContentsEntry{0, "reports.html", "", "What each report means"},
    ContentsEntry{1, "reports.html", "wwv", "WWV"},
    ContentsEntry{1, "reports.html", "ak", "A and K indices"},
    ContentsEntry{1, "reports.html", "daypre", "3-Day Predicts"},
    ContentsEntry{1, "reports.html", "srff", "Flux Forecast"},
    ContentsEntry{1, "reports.html", "27do", "27 Day Outlook"},
    ContentsEntry{1, "reports.html", "alts", "Alerts/Warnings"},
    ContentsEntry{1, "reports.html", "predict", "Spot Num/Flux"},
    ContentsEntry{1, "reports.html", "rsga", "RSGA"},
    ContentsEntry{1, "reports.html", "sgas", "Activity Summary"},
    ContentsEntry{1, "reports.html", "hfrp", "HFRP"},
    ContentsEntry{1, "reports.html", "wkhf", "WKHF"},
    ContentsEntry{1, "reports.html", "rad", "Radio Flux"},
    ContentsEntry{1, "reports.html", "dsd", "DSD"},
    ContentsEntry{1, "reports.html", "dgd", "DGD"},
    ContentsEntry{0, "files.html", "", "Files and folders"},
    ContentsEntry{0, "about.html", "", "About Orvane ++"},
    ContentsEntry{1, "about.html", "credits", "Credits"},
};

// The topic of a help context; none for a number the program never hands out.
std::optional<TopicRef> topicForContext(int context);

// The address of a page (and anchor) in the compiled-in help.
QUrl topicUrl(std::string_view page, std::string_view anchor = {});
QUrl contentsUrl();

// One page of the built-in help as the search sees it.
struct HelpPage {
    QString page;   // file name, e.g. "clock.html"
    QString title;  // the page's <title>
    QString text;   // the page as plain text, for searching
};

struct SearchHit {
    QString page;
    QString title;
    int score;
};

// Responsibilities: knows the pages of the built-in help and finds the pages
// that contain every word of a query.
// Collaborations: reads the pages from the compiled-in resources.
class HelpCatalog {
public:
    // Loads every page named in the contents.
    HelpCatalog();
    // Builds a catalogue from given pages (tests).
    explicit HelpCatalog(std::vector<HelpPage> pages) : pages_(std::move(pages)) {}

    const std::vector<HelpPage>& pages() const { return pages_; }

    // Pages that contain every word of the query (case ignored), the most
    // relevant first: a word in the title counts more than one in the text;
    // ties keep the order of the contents.
    std::vector<SearchHit> search(const QString& query) const;

    // Reads one page of the built-in help; an empty string when it is missing.
    static QString readPage(const QString& page);

private:
    std::vector<HelpPage> pages_;
};

}  // namespace orvane::help
