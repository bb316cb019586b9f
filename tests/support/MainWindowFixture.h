#pragma once

// The main window on a fake clock in the test's own folder (the settings,
// beacon and stations files, Hosts.txt and the reports land there), started
// at a moment the test chooses, its ticks, slot timer and the Monitor's
// second timer stopped so that the test drives them.
#include <gtest/gtest.h>

#include <QDir>
#include <QString>
#include <QTimer>
#include <memory>
#include <vector>

#include "app/Orvane_maina.h"
#include "app/panels/MonitorPanel.h"
#include "common/AppPaths.h"
#include "common/FakeClock.h"
#include "common/HelpService.h"
#include "common/MessageService.h"
#include "common/TimeTypes.h"
#include "support/TempDir.h"

// 2026-12-10 12:00 UTC plus minutes, seconds and milliseconds, in ms.
inline orvane::UtcMs noonMs(int minute, int second, int ms = 0) {
    return (orvane::daysFromCivil(2026, 12, 10) * 86400 + 12 * 3600 + minute * 60 + second) * 1000 + ms;
}

// The help the window asks for: 0 for the contents, else the context.
class RecordingHelp final : public orvane::HelpService {
public:
    void showContents() override { requests.push_back(0); }
    void showContext(int helpContext) override { requests.push_back(helpContext); }
    std::vector<int> requests;
};

class MainWindowFixture : public ::testing::Test {
protected:
    void SetUp() override {
        previousDir_ = QDir::currentPath();
        QDir::setCurrent(dir.path());
    }
    void TearDown() override {
        window.reset();
        QDir::setCurrent(previousDir_);
    }
    // Creates the window with the clock at `now`; `helpService` may be null
    // (no help).
    void startWindowAt(orvane::UtcMs now, orvane::HelpService* helpService = nullptr) {
        clock.set(now);
        window = std::make_unique<orvane::app::TfrmTabbedOrvane>(clock, messages, helpService,
                                                                  orvane::AppPaths::inDirectory(dir.path()));
        window->tickTimer()->stop();  // ticks are driven by the test
        window->slotTimer()->stop();
        window->monitorPanel().secondTimer()->stop();
    }

    TempDir dir;
    orvane::FakeClock clock;
    orvane::RecordingMessageService messages;
    std::unique_ptr<orvane::app::TfrmTabbedOrvane> window;

private:
    QString previousDir_;
};
