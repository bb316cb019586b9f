// The beacon monitor in the main window on a fake clock: the Monitor tab's
// bands, countdown and cycle grid; the stations file in labels, list and
// slot caption; bearings from the user's station; the path to the
// transmitting beacon; following with the radio through the map menu.
#include <gtest/gtest.h>

#include <QAction>
#include <QDir>
#include <QLabel>
#include <QListWidget>
#include <QTabWidget>
#include <QTimer>
#include <memory>

#include "app/Orvane_maina.h"
#include "app/panels/BeaconListPanel.h"
#include "app/panels/MapPanel.h"
#include "app/panels/MonitorPanel.h"
#include "app/panels/RadioMenu.h"
#include "app/widgets/MapImage.h"
#include "common/FakeClock.h"
#include "rig/RigFollower.h"
#include "support/MainWindowFixture.h"
#include "support/RigctldServer.h"
#include "support/TempDir.h"
#include "support/WaitUntil.h"

using namespace orvane;
using namespace orvane::app;

namespace {

class MonitorWindowTest : public MainWindowFixture {
protected:
    void start(UtcMs now = noonMs(0, 0)) { startWindowAt(now); }
    MonitorPanel& monitor() const { return window->monitorPanel(); }
    void slotTimerAt(UtcMs now) {
        clock.set(now);
        window->UpdateBeaconSlot(false);
        monitor().secondTimer()->stop();
    }
    void secondAt(UtcMs now) {
        clock.set(now);
        monitor().secondTick();
        monitor().secondTimer()->stop();
    }
};

}  // namespace

TEST_F(MonitorWindowTest, MonitorTabShowsAllBandsTheCountdownAndTheCycle) {
    start(noonMs(0, 0));
    EXPECT_EQ(window->tabs()->tabText(1), QStringLiteral("Monitor"));
    // 12:00:00: band 0 slot 1, band 1 slot 18, band 4 slot 15.
    EXPECT_EQ(monitor().secondsLeftText(), QStringLiteral("10 s left"));
    EXPECT_EQ(monitor().cycleText(), QStringLiteral("Slot 1 of 18 in the cycle"));
    EXPECT_TRUE(monitor().nowText(0).startsWith(QStringLiteral("1 4U1UN, United Nations NY")));
    EXPECT_TRUE(monitor().nowText(1).startsWith(QStringLiteral("18 YV5B")));
    EXPECT_TRUE(monitor().nowText(4).startsWith(QStringLiteral("15 CS3B")));
    EXPECT_EQ(monitor().nextText(0), QStringLiteral("2 VE8AT"));
    EXPECT_EQ(monitor().cycleColumn(), 0);
    EXPECT_TRUE(monitor().secondTimer()->isSingleShot());

    // Whole seconds count down from the clock, whatever the timer's jitter.
    secondAt(noonMs(0, 1));
    EXPECT_EQ(monitor().secondsLeftText(), QStringLiteral("9 s left"));
    secondAt(noonMs(0, 9, 999));
    EXPECT_EQ(monitor().secondsLeftText(), QStringLiteral("1 s left"));
    // The slot timer at the boundary moves all bands at once.
    slotTimerAt(noonMs(0, 10));
    EXPECT_EQ(monitor().secondsLeftText(), QStringLiteral("10 s left"));
    EXPECT_EQ(monitor().cycleColumn(), 1);
    EXPECT_TRUE(monitor().nowText(0).startsWith(QStringLiteral("2 VE8AT")));
    // A second tick that finds a new slot (the slot timer late) shows it too.
    secondAt(noonMs(2, 50, 3));
    EXPECT_EQ(monitor().cycleColumn(), 17);
    EXPECT_EQ(monitor().secondsLeftText(), QStringLiteral("10 s left"));
}

TEST_F(MonitorWindowTest, CycleGridCellsFollowTheInServiceTicks) {
    start(noonMs(0, 0));
    // Default table: slot 8 never in service; slot 3 not on band 1.
    EXPECT_TRUE(monitor().cellInService(0, 0));    // slot 1 on 14.10
    EXPECT_FALSE(monitor().cellInService(7, 0));   // slot 8
    EXPECT_FALSE(monitor().cellInService(3, 1));   // column 3, band 1: slot 3
    EXPECT_TRUE(monitor().cellInService(3, 0));    // slot 4 on 14.10
    // Unticking slot 1 on 14.10 in the Beacons tab shows at once.
    window->beaconList().checkList()->item(0)->setCheckState(Qt::Unchecked);
    EXPECT_FALSE(monitor().cellInService(0, 0));
}

TEST_F(MonitorWindowTest, StationsFileRenamesLabelsListAndCaptionAndNamesBadLines) {
    TempDir::write(dir.file(QStringLiteral("orvane.STN")),
                   "# today's Hawaii beacon\n4 | KH6RS | Maui, Hawaii | BL10ts | on\n5 | ZL6B | Masterton | XX | on\n");
    start(noonMs(0, 30));  // slot 4 on 14.10
    ASSERT_EQ(messages.errors.size(), 1u);
    EXPECT_NE(messages.errors[0].find("orvane.STN, line 3: position \"XX\""), std::string::npos) << messages.errors[0];
    QLabel* l4 = window->mapPanel().slotLabel(3);
    EXPECT_EQ(l4->text(), QStringLiteral("^KH6RS"));
    EXPECT_EQ(l4->toolTip(), QStringLiteral("4  Maui, Hawaii"));
    EXPECT_EQ(window->mapPanel().slotLabel(4)->text(), QStringLiteral("ZL6B^"));
    EXPECT_EQ(window->beaconList().checkList()->item(3)->text(),
              QStringLiteral("4  Maui, Hawaii             KH6RS     -10:00"));
    EXPECT_EQ(window->mapPanel().beaconSlotLabel()->text(), QStringLiteral("Slot:4  Maui, Hawaii"));
    EXPECT_TRUE(monitor().nowText(0).startsWith(QStringLiteral("4 KH6RS, Maui, Hawaii")));
    // Maui lies east of Laie: the label's caret (its left edge, "^" first)
    // moves to the new site, 20.77N 156.37W on the design map.
    const double scale = window->mapPanel().mapScale();
    EXPECT_EQ(l4->x(), qRound((180.0 - 156.375) * 480.0 / 360.0 * scale));
    EXPECT_EQ(l4->y(), qRound((90.0 - 20.770833) * 240.0 / 180.0 * scale));
    // ZL6B's file line was refused: its label keeps the design's place.
    EXPECT_EQ(window->mapPanel().slotLabel(4)->geometry().right() + 1, qRound((439 + 32) * scale));
}

// One station table behind the Beacons tab, the map labels and the Monitor;
// each site's UTC offset is the one its zone has at the moment (July, then
// December: Madeira keeps summer time, Novosibirsk none).
TEST_F(MonitorWindowTest, EveryViewShowsTheOneStationTableWithTheOffsetOfTheMoment) {
    const UtcMs july = (daysFromCivil(2026, 7, 15) * 86400 + 12 * 3600) * 1000;
    start(july);
    QListWidget* list = window->beaconList().checkList();
    EXPECT_EQ(list->item(7)->text(), QStringLiteral("8  Novosibirsk, Russia      RR9O      +07:00"));
    EXPECT_EQ(list->item(11)->text(), QStringLiteral("12 Kilifi, Kenya            5Z4B      +03:00"));
    EXPECT_EQ(list->item(14)->text(), QStringLiteral("15 Funchal, Madeira         CS3B      +01:00"));
    EXPECT_EQ(list->item(4)->text(), QStringLiteral("5  Masterson, NZ            ZL6B      +12:00"));
    for (int i = 0; i < 18; ++i) {
        SCOPED_TRACE(i + 1);
        const QString item = list->item(i)->text();
        ASSERT_EQ(item.size(), 44);
        // The list's site and call are the label's hint and caption.
        const QString hint = window->mapPanel().slotLabel(i)->toolTip().section(QLatin1Char('\n'), 0, 0);
        EXPECT_EQ(item.left(28).trimmed(), hint);
        QString call = window->mapPanel().slotLabel(i)->text();
        call.remove(QLatin1Char('^'));
        EXPECT_EQ(item.mid(28, 10).trimmed(), call);
    }
    // Band 4 at the start of a cycle: slot 15, as the Monitor names it.
    EXPECT_TRUE(monitor().nowText(4).startsWith(QStringLiteral("15 CS3B, Funchal, Madeira")))
        << monitor().nowText(4).toStdString();
    // Winter: the next slot shows the offsets of the new moment.
    slotTimerAt(noonMs(0, 0));
    EXPECT_EQ(list->item(14)->text(), QStringLiteral("15 Funchal, Madeira         CS3B      +00:00"));
    EXPECT_EQ(list->item(4)->text(), QStringLiteral("5  Masterson, NZ            ZL6B      +13:00"));
    EXPECT_EQ(list->item(7)->text(), QStringLiteral("8  Novosibirsk, Russia      RR9O      +07:00"));
}

TEST_F(MonitorWindowTest, BearingsAndThePathFollowTheStationLocator) {
    start(noonMs(0, 30));  // slot 4 (Hawaii) on 14.10
    EXPECT_TRUE(window->beaconList().bearingList()->item(0)->text().isEmpty());
    EXPECT_TRUE(window->mapPanel().pathPolylines().empty());
    // From New Zealand the short path to Hawaii crosses the date line.
    ASSERT_TRUE(window->mapPanel().SetStation(QStringLiteral("RE78tw")));
    const QString bearing = window->beaconList().bearingList()->item(3)->text();
    EXPECT_TRUE(bearing.startsWith(QStringLiteral("SP  "))) << bearing.toStdString();
    EXPECT_TRUE(bearing.endsWith(QStringLiteral(" km")));
    EXPECT_TRUE(window->mapPanel().slotLabel(3)->toolTip().contains(QStringLiteral("\nShort path ")));
    EXPECT_TRUE(monitor().nowText(0).contains(QStringLiteral(" km")));
    const auto& path = window->mapPanel().pathPolylines();
    ASSERT_EQ(path.size(), 2u);
    const double width = window->mapPanel().imageDisplay()->width();
    EXPECT_NEAR(path[0].back().x(), width, 1e-6);  // east edge, longitude 180
    EXPECT_NEAR(path[1].front().x(), 0.0, 1e-6);   // west edge, longitude -180
    EXPECT_DOUBLE_EQ(path[0].back().y(), path[1].front().y());
    // A new slot draws the path to the new beacon; no station, no path.
    clock.set(noonMs(0, 40));
    window->UpdateBeaconSlot(false);
    ASSERT_TRUE(window->mapPanel().SetStation(QString()));
    EXPECT_TRUE(window->mapPanel().pathPolylines().empty());
    EXPECT_TRUE(window->beaconList().bearingList()->item(3)->text().isEmpty());
}

TEST_F(MonitorWindowTest, FollowBeaconTunesTheRadioAndARigErrorIsShownOnce) {
    RigctldServer server;
    start(noonMs(0, 0));
    RadioMenu& radio = window->radioMenu();
    int asked = 0;
    QString port = server.address();
    radio.setFollowDialog([&](const QStringList& beacons, int, const rig::RigSettings& s) {
        ++asked;
        EXPECT_EQ(beacons.size(), 18);
        rig::RigSettings chosen = s;
        chosen.model = 2;
        chosen.port = port;
        return std::optional<RadioMenu::FollowChoice>(RadioMenu::FollowChoice{3, chosen});
    });
    radio.followItem()->trigger();
    EXPECT_EQ(asked, 1);
    EXPECT_TRUE(radio.followItem()->isChecked());
    EXPECT_TRUE(window->follower().following());
    ASSERT_TRUE(waitUntil([&] { return window->statusPanelText(1).startsWith(QStringLiteral("Radio: 14.100 MHz")); },
                          10000))
        << window->statusPanelText(1).toStdString();
    EXPECT_TRUE(window->statusPanelText(1).endsWith(QStringLiteral("following KH6WO")));
    // The settings were saved in the "Radio" section.
    EXPECT_TRUE(TempDir::readAll(dir.file(QStringLiteral("orvane.INI"))).contains("[Radio]"));
    // Chosen again: following stops and the radio stays where it is.
    radio.followItem()->trigger();
    EXPECT_FALSE(window->follower().following());
    EXPECT_FALSE(radio.followItem()->isChecked());
    // Read over rigctld's own protocol: Hamlib on this thread would race the
    // follower's worker on Hamlib's shared state.
    EXPECT_EQ(server.frequencyHz(), 14.100e6);

    // "Stay on band" tunes the band chosen under the map.
    window->mapPanel().setBandIndex(3);
    emit window->mapPanel().bandClicked();
    radio.stayItem()->trigger();
    ASSERT_TRUE(waitUntil([&] { return window->statusPanelText(1).startsWith(QStringLiteral("Radio: 24.930 MHz")); },
                          10000));

    // A rig that cannot be reached: shown once in the status bar, following off.
    port = QStringLiteral("127.0.0.1:%1").arg(RigctldServer::freeTcpPort());
    radio.followItem()->trigger();
    ASSERT_TRUE(waitUntil([&] { return window->statusPanelText(1).startsWith(QStringLiteral("Radio: cannot")); },
                          10000));
    EXPECT_FALSE(radio.followItem()->isChecked());
    EXPECT_FALSE(window->follower().following());
    EXPECT_TRUE(messages.errors.empty());
}
