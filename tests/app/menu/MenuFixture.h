#pragma once

// A main window on a fake clock in its own folder (settings, beacon file and
// Hosts.txt land there), its ticks driven by the test.
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
#include "support/TempDir.h"

namespace orvane::app::testing {

class RecordingHelp final : public HelpService {
public:
    void showContents() override { requests.push_back(0); }
    void showContext(int helpContext) override { requests.push_back(helpContext); }
    std::vector<int> requests;  // 0 = contents
};

// 2026-12-10 12:00:00 UTC plus the given seconds, in ms.
inline UtcMs noonPlus(int seconds) { return (daysFromCivil(2026, 12, 10) * 86400 + 12 * 3600 + seconds) * 1000; }

class WindowFixture : public ::testing::Test {
protected:
    void SetUp() override {
        previousDir_ = QDir::currentPath();
        QDir::setCurrent(dir.path());
    }
    void TearDown() override {
        window.reset();
        QDir::setCurrent(previousDir_);
    }
    void start() {
        clock.set(noonPlus(5));
        window = std::make_unique<TfrmTabbedOrvane>(clock, messages, &help, AppPaths::inDirectory(dir.path()));
        window->tickTimer()->stop();  // ticks are driven by the test
        window->slotTimer()->stop();
    }

    // A map menu item by its name.
    QAction* menuItem(const char* name) const { return window->mapMenu().item(QString::fromLatin1(name)); }
    std::vector<QLabel*> slotLabels() const {
        std::vector<QLabel*> labels;
        for (int i = 0; i < beacons::kBeaconListCount; ++i) labels.push_back(window->mapPanel().slotLabel(i));
        return labels;
    }

    TempDir dir;
    FakeClock clock;
    RecordingMessageService messages;
    RecordingHelp help;
    std::unique_ptr<TfrmTabbedOrvane> window;

private:
    QString previousDir_;
};

}  // namespace orvane::app::testing
