// The Propagation tab: the report tabs, the progress bar and the report
// settings; and the help contexts of the window's controls.
//
// PLUG-IN POINT for the reports subsystem (src/reports): fill pcReports and
// ProgressBar1 here; AssignHelpContexts, ReadPropSettings and ShowReportTabs
// run at start-up in that order after the map is built.
#include <QProgressBar>
#include <QTabWidget>

#include <QComboBox>

#include "app/HelpContext.h"
#include "app/widgets/RadioGroup.h"
#include "app/Orvane_maina.h"

namespace orvane::app {

void TfrmTabbedOrvane::BuildPropagationTab() {
    pcReports = new QTabWidget(tsPropagation);
    pcReports->setGeometry(4, 4, tsPropagation->width() - 8, tsPropagation->height() - 30);
    ProgressBar1 = new QProgressBar(tsPropagation);
    ProgressBar1->setGeometry(4, tsPropagation->height() - 22, tsPropagation->width() - 8, 16);
}

// Start-up step 23: help contexts of the report tabs and the map menu items,
// and of pnlTime (9), cbHost (10) and rgFrequency (12).
void TfrmTabbedOrvane::AssignHelpContexts() {
    setHelpContext(pnlTime, 9);
    setHelpContext(cbHost, 10);
    setHelpContext(rgFrequency, 12);
}

// Start-up step 23: the "Prop" section of the settings file.
void TfrmTabbedOrvane::ReadPropSettings() {}

// Start-up steps 22 and 23: show the "WWV" tab and fill the report tabs from
// the stored report files.
void TfrmTabbedOrvane::ShowReportTabs() {}

}  // namespace orvane::app
