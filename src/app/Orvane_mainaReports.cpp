// The Propagation tab: the report tabs, the progress bar and the report
// settings; and the help contexts of the window's controls.
#include <QAction>
#include <QComboBox>
#include <QMenu>
#include <QProgressBar>
#include <QTabWidget>
#include <QVBoxLayout>

#include "app/help/ContextHelp.h"
#include "app/help/HelpContexts.h"
#include "app/Orvane_maina.h"
#include "app/widgets/RadioGroup.h"
#include "common/IniFile.h"
#include "reports/ui/PropagationPage.h"

namespace orvane::app {

// Start-up step 22 happens here too: the page starts with "WWV" active and
// pcReports on help context 1.
void TfrmTabbedOrvane::BuildPropagationTab() {
    propSettings = reports::defaultPropSettings();
    auto* layout = new QVBoxLayout(tsPropagation);
    layout->setContentsMargins(0, 0, 0, 0);
    reportsPage = new reports::PropagationPage(propSettings, tsPropagation);
    layout->addWidget(reportsPage);
    pcReports = reportsPage->pcReports;
    ProgressBar1 = reportsPage->ProgressBar1;
    connect(reportsPage->puConfigPropReports, &QAction::triggered, this, [this] { puConfigPropReportsClick(); });
    connect(reportsPage->puGetLatestReports, &QAction::triggered, this, [this] { puGetLatestReportsClick(); });
    connect(reportsPage->puHelp, &QAction::triggered, this, [this] {
        if (help_) help_->showContents();
    });
}

// Start-up step 23: help contexts of the report tabs and the report menu, the
// map menu items, and pnlTime (9), cbHost (10) and rgFrequency (12).
void TfrmTabbedOrvane::AssignHelpContexts() {
    reportsPage->AssignHelpContexts();
    struct MenuTopic {
        const char* name;
        int context;
    };
    static constexpr MenuTopic kMapMenuTopics[] = {{"mnAnimate", 15},      {"mnBrowseCalendar", 18},
                                                   {"mnFake", 17},         {"mnShowHideBeacons", 21},
                                                   {"mnSignalChange", 19}, {"mnPopuphints", 22}};
    for (const MenuTopic& t : kMapMenuTopics)
        if (auto* item = findChild<QAction*>(QLatin1String(t.name))) help::setHelpContext(item, t.context);
    help::setHelpContext(pnlTime, help::ctx::kTimePanel);
    help::setHelpContext(cbHost, help::ctx::kHostBox);
    help::setHelpContext(rgFrequency, help::ctx::kFrequency);
}

// Start-up step 23: the "Prop" section of the settings file.
void TfrmTabbedOrvane::ReadPropSettings() { propSettings = reports::ReadPropSettings(IniFile(IniFileName)); }

void TfrmTabbedOrvane::ShowReportTabs() { guarded([this] { reportsPage->ShowReportTabs(); }); }

void TfrmTabbedOrvane::puConfigPropReportsClick() {
    if (showReportSetup_) showReportSetup_();
    ShowReportTabs();
}

void TfrmTabbedOrvane::puGetLatestReportsClick() {
    if (getLatestReports_) getLatestReports_();
}

}  // namespace orvane::app
