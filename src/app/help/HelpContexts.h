#pragma once

// The help context numbers of Orvane ++. Each control, menu item or dialog
// that has its own help topic carries one of these numbers (see
// ContextHelp.h); F1 opens the topic that HelpCatalog maps it to. The numbers
// below 1000 are fixed: users and older documentation refer to them. The
// program's own additions for items that had no topic of their own start at
// 1000.
namespace orvane::help::ctx {

// Report tabs of the Propagation page, by report.
inline constexpr int kReportWwv = 1;
inline constexpr int kReportAk = 3;
inline constexpr int kReportDayPre = 4;
inline constexpr int kReport27Do = 5;
inline constexpr int kReportSrff = 6;
inline constexpr int kReportSgas = 36;
inline constexpr int kReportAlts = 600;
inline constexpr int kReportPredict = 601;
inline constexpr int kReportRsga = 602;
inline constexpr int kReportHfrp = 603;
inline constexpr int kReportWkhf = 604;
inline constexpr int kReportRad = 605;
inline constexpr int kReportDsd = 606;
inline constexpr int kReportDgd = 607;

// Map tab controls.
inline constexpr int kTimePanel = 9;
inline constexpr int kHostBox = 10;
inline constexpr int kFrequency = 12;

// The four pages of the main window's tab control.
inline constexpr int kMapTab = 13;
inline constexpr int kBeaconsTab = 23;
inline constexpr int kPropagationTab = 24;
inline constexpr int kAboutTab = 25;

// Map menu items.
inline constexpr int kAnimate = 15;
inline constexpr int kFake = 17;
inline constexpr int kBrowseCalendar = 18;  // also the calendar dialog
inline constexpr int kSignalChange = 19;
inline constexpr int kShowHideBeacons = 21;
inline constexpr int kPopupHints = 22;

// Report retrieval dialog and the Propagation menu.
inline constexpr int kRetrievalDialog = 31;  // also "Configure Reports"
inline constexpr int kReportList = 32;
inline constexpr int kServerFields = 33;  // host and password fields
inline constexpr int kGetLatestButton = 34;
inline constexpr int kStatusMemo = 35;
inline constexpr int kGetLatestReports = 37;
inline constexpr int kHelpContents = 300;

// The program's own additions: map menu items and windows that had none.
inline constexpr int kAnimateSpeed = 1001;
inline constexpr int kDarknessLevel = 1002;
inline constexpr int kSimulateBeacons = 1003;
inline constexpr int kSimulateSetup = 1004;
inline constexpr int kMapMenu = 1005;
inline constexpr int kCredits = 1006;
inline constexpr int kMonitorTab = 1007;
inline constexpr int kHistoryView = 1008;

}  // namespace orvane::help::ctx
