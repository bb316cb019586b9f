#pragma once

// The menu tests' main window: the shared window fixture started at
// 12:00:05 with a recording help service.
#include <gtest/gtest.h>

#include <QAction>
#include <QDir>
#include <QLabel>
#include <memory>
#include <vector>

#include "app/Orvane_maina.h"
#include "app/panels/AboutPage.h"
#include "app/panels/BeaconListPanel.h"
#include "app/panels/MapMenu.h"
#include "app/panels/MapPanel.h"
#include "app/panels/TimeServicePanel.h"
#include "common/FakeClock.h"
#include "common/HelpService.h"
#include "common/MessageService.h"
#include "support/MainWindowFixture.h"
#include "support/TempDir.h"

namespace orvane::app::testing {

using ::RecordingHelp;

// 2026-12-10 12:00:00 UTC plus the given seconds, in ms.
inline UtcMs noonPlus(int seconds) { return noonMs(0, seconds); }

class WindowFixture : public MainWindowFixture {
protected:
    void start() { startWindowAt(noonPlus(5), &help); }

    // A map menu item by its name.
    QAction* menuItem(const char* name) const { return window->mapMenu().item(QString::fromLatin1(name)); }
    std::vector<QLabel*> slotLabels() const {
        std::vector<QLabel*> labels;
        for (int i = 0; i < beacons::kBeaconListCount; ++i) labels.push_back(window->mapPanel().slotLabel(i));
        return labels;
    }

    RecordingHelp help;
};

}  // namespace orvane::app::testing
