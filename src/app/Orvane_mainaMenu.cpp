// The map's pop-up menu (view options) and the About tab.
// Placeholder bodies; the menu and About code replaces them.
#include <QLabel>

#include "app/Orvane_maina.h"

namespace orvane::app {

void TfrmTabbedOrvane::createMapMenu() {}

void TfrmTabbedOrvane::setupAboutTab() {
    Label11 = new QLabel(tsAbout);
    Label11->setGeometry(20, 20, 500, 20);
    lblLocalTime = new QLabel(tsAbout);
    lblLocalTime->setGeometry(20, 60, 500, 20);
}

}  // namespace orvane::app
