// The About tab: version, local time, web site and credits.
//
// PLUG-IN POINT for the About tab: lay out Label11, lblLocalTime, btnWebSite
// and btnCredits here. UpdateTimeLabels() writes lblLocalTime while this tab
// is shown.
#include <QLabel>
#include <QPushButton>

#include "app/Orvane_maina.h"

namespace orvane::app {

void TfrmTabbedOrvane::BuildAboutTab() {
    Label11 = new QLabel(tsAbout);
    Label11->setGeometry(20, 20, 500, 20);
    lblLocalTime = new QLabel(tsAbout);
    lblLocalTime->setGeometry(20, 60, 500, 20);
}

// Start-up step 3.
void TfrmTabbedOrvane::SetVersionLabel() {}

}  // namespace orvane::app
