// Following with the radio: the status bar gives the frequency asked for and
// the one the radio reports back (Hamlib's dummy rig behind a real rigctld).
#include <gtest/gtest.h>

#include <QAction>
#include <QDir>
#include <QTimer>
#include <memory>

#include "app/Orvane_maina.h"
#include "app/panels/MonitorPanel.h"
#include "app/panels/RadioMenu.h"
#include "common/FakeClock.h"
#include "rig/RigFollower.h"
#include "support/RigctldServer.h"
#include "support/TempDir.h"
#include "support/WaitUntil.h"

using namespace orvane;
using namespace orvane::app;

TEST(RadioStatus, TheStatusBarShowsWhatTheRadioReadsWhileFollowing) {
    RigctldServer server;
    TempDir dir;
    const QString previousDir = QDir::currentPath();
    QDir::setCurrent(dir.path());
    FakeClock clock((daysFromCivil(2026, 12, 10) * 86400 + 12 * 3600) * 1000);
    RecordingMessageService messages;
    auto window = std::make_unique<TfrmTabbedOrvane>(clock, messages, nullptr, AppPaths::inDirectory(dir.path()));
    window->tickTimer()->stop();
    window->slotTimer()->stop();
    window->monitorPanel().secondTimer()->stop();
    const QString port = server.address();
    window->radioMenu().setFollowDialog([&](const QStringList&, int, const rig::RigSettings& s) {
        rig::RigSettings chosen = s;
        chosen.model = 2;
        chosen.port = port;
        return std::optional<RadioMenu::FollowChoice>(RadioMenu::FollowChoice{3, chosen});
    });
    window->radioMenu().followItem()->trigger();
    const QString expected = QStringLiteral("Radio: 14.100 MHz CW (radio reads 14100.00 kHz), following KH6WO");
    EXPECT_TRUE(waitUntil([&] { return window->statusPanelText(1) == expected; }, 10000))
        << window->statusPanelText(1).toStdString();
    window->radioMenu().followItem()->trigger();  // off
    EXPECT_EQ(window->statusPanelText(1), QStringLiteral("Radio: following stopped"));
    window.reset();
    QDir::setCurrent(previousDir);
}
