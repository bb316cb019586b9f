// The main window on an injected clock: the tick, the beacon labels, the
// band groups, the check list, the settings and the close.
#include <gtest/gtest.h>

#include <QDir>
#include <QGuiApplication>
#include <QScreen>
#include <QLabel>
#include <QListWidget>
#include <QRadioButton>
#include <QTabWidget>
#include <QTimer>

#include <memory>

#include "app/MainSettings.h"
#include "app/Orvane_maina.h"
#include "app/panels/AboutPage.h"
#include "app/panels/BeaconListPanel.h"
#include "app/panels/MapPanel.h"
#include "app/panels/TimeServicePanel.h"
#include "app/widgets/RadioGroup.h"
#include "beacons/BeaconFile.h"
#include "common/FakeClock.h"
#include "common/IniFile.h"
#include "support/MainWindowFixture.h"
#include "support/TempDir.h"

using namespace orvane;
using namespace orvane::app;

namespace {

const QColor kAqua(0, 255, 255);
const QColor kYellow(255, 255, 0);
const QColor kRed(255, 0, 0);

class MainWindowTest : public MainWindowFixture {
protected:
    void start(UtcMs now = noonMs(0, 0)) { startWindowAt(now); }
    void tickAt(UtcMs now) {
        clock.set(now);
        window->Timer1Timer(window->tickTimer());
    }
    QLabel* label(int slotNumber) const { return window->mapPanel().slotLabel(static_cast<std::size_t>(slotNumber - 1)); }
    QColor text(int slot) const { return label(slot)->palette().color(QPalette::WindowText); }
    QColor background(int slot) const { return label(slot)->palette().color(QPalette::Window); }
    bool bold(int slot) const { return label(slot)->font().bold(); }
    QColor windowText() const { return window->palette().color(QPalette::Active, QPalette::WindowText); }
    QColor inactive() const { return text(8); }  // slot 8 is off the air on every band by default
    bool ticked(int index) const { return window->beaconList().checkList()->item(index)->checkState() == Qt::Checked; }
};

}  // namespace

TEST_F(MainWindowTest, FirstTickShowsTheSlotAndEachNewSlotMovesTheHighlight) {
    start(noonMs(0, 0));
    EXPECT_EQ(window->mapPanel().beaconSlotLabel()->text(), QStringLiteral("Slot:1  United Nations NY"));
    EXPECT_EQ(window->timePanel().utcLabel()->text(), QStringLiteral("12:00:00, Thu 10 Dec 2026"));
    EXPECT_EQ(background(1), kYellow);
    EXPECT_EQ(text(1), kRed);
    EXPECT_TRUE(bold(1));

    tickAt(noonMs(0, 9, 999));
    EXPECT_EQ(window->currentSlot(), 0);
    EXPECT_EQ(window->timePanel().utcLabel()->text(), QStringLiteral("12:00:09, Thu 10 Dec 2026"));

    tickAt(noonMs(0, 10));
    EXPECT_EQ(window->currentSlot(), 1);
    EXPECT_EQ(window->mapPanel().beaconSlotLabel()->text(), QStringLiteral("Slot:2  Alert, Canada"));
    EXPECT_EQ(background(1), kAqua);
    EXPECT_EQ(text(1), windowText());
    EXPECT_FALSE(bold(1));
    EXPECT_EQ(background(2), kYellow);

    tickAt(noonMs(2, 50));
    EXPECT_EQ(window->currentSlot(), 17);
    tickAt(noonMs(3, 0));
    EXPECT_EQ(window->currentSlot(), 0);
    EXPECT_EQ(window->utcNow().second, 0);
}

TEST_F(MainWindowTest, BeaconsOffTheAirShowGreyOnYellowWithoutBold) {
    start(noonMs(1, 10));  // band 0, index 7: slot 8
    EXPECT_EQ(window->mapPanel().beaconSlotLabel()->text(), QStringLiteral("Slot:8  Novosibirsk, Russia"));
    EXPECT_EQ(background(8), kYellow);
    EXPECT_NE(text(8), windowText());
    EXPECT_NE(text(8), kRed);
    EXPECT_FALSE(bold(8));
    EXPECT_EQ(text(9), text(8));  // slot 9, unticked too, at rest
    EXPECT_EQ(background(9), kAqua);
}

TEST_F(MainWindowTest, BandChangeInEitherGroupKeepsBothEqualAndShowsTheNewBandAtOnce) {
    start(noonMs(0, 3));
    window->beaconList().frequencyGroup()->item(4)->click();
    EXPECT_EQ(window->mapPanel().frequencyGroup()->itemIndex(), 4);
    EXPECT_EQ(window->beaconBand(), 4);
    EXPECT_EQ(window->currentSlot(), 14);  // slot 15 within the same 10 seconds
    EXPECT_EQ(window->mapPanel().beaconSlotLabel()->text(), QStringLiteral("Slot:15 Funchal, Madeira"));
    EXPECT_EQ(background(1), kAqua);

    window->mapPanel().frequencyGroup()->item(1)->click();
    EXPECT_EQ(window->beaconList().frequencyGroup()->itemIndex(), 1);
    EXPECT_EQ(window->currentSlot(), 17);
    // The list shows band 1's ticks: slots 3, 4, 8, 9 and 10 are off on 18.11.
    for (int i = 0; i < 18; ++i) EXPECT_EQ(ticked(i), !(i == 2 || i == 3 || i == 7 || i == 8 || i == 9)) << i;
}

TEST_F(MainWindowTest, CheckListClickWritesOnlyTheSelectedBandAndRecoloursTheLabels) {
    start(noonMs(0, 0));
    window->mapPanel().frequencyGroup()->item(2)->click();
    const beacons::BeaconArray before = window->beaconCollection().beacons();
    const int current = window->currentSlot();  // band 2 at 12:00:00: index 16
    window->beaconList().checkList()->item(current)->setCheckState(Qt::Unchecked);

    beacons::BeaconArray expected = before;
    expected[static_cast<std::size_t>(current)].OnBand[2] = false;
    EXPECT_EQ(window->beaconCollection().beacons(), expected);
    // At once grey, but the current label keeps its yellow until the next slot.
    EXPECT_EQ(text(current + 1), inactive());
    EXPECT_EQ(background(current + 1), kYellow);
    tickAt(noonMs(0, 10));
    // Returned to rest in the colour of its tick when it became current.
    EXPECT_EQ(text(current + 1), windowText());
    EXPECT_EQ(background(current + 1), kAqua);
    tickAt(noonMs(3, 0));
    EXPECT_EQ(window->currentSlot(), current);
    EXPECT_EQ(text(current + 1), inactive());
    EXPECT_FALSE(bold(current + 1));
}

TEST_F(MainWindowTest, HiddenBeaconsKeepTheClockButShowNoSlot) {
    start(noonMs(0, 0));
    window->mapPanel().setBeaconsShown(false);
    tickAt(noonMs(0, 20));
    EXPECT_EQ(window->timePanel().utcLabel()->text(), QStringLiteral("12:00:20, Thu 10 Dec 2026"));
    EXPECT_EQ(window->currentSlot(), 0);
    window->mapPanel().setBeaconsShown(true);
    tickAt(noonMs(0, 21));
    EXPECT_EQ(window->currentSlot(), 2);
}

TEST_F(MainWindowTest, EveryShownSlotIsHandedToTheSimulationWhileItIsOn) {
    start(noonMs(0, 0));
    std::vector<int> played;
    window->setBeaconSoundStarter([&](int beaconNumber) { played.push_back(beaconNumber); });
    tickAt(noonMs(0, 10));
    window->setSimulateOn(true);
    tickAt(noonMs(0, 15));
    tickAt(noonMs(1, 10));                    // slot 8, unticked: played all the same
    window->mapPanel().frequencyGroup()->item(1)->click();  // band change: played at once
    EXPECT_EQ(played, (std::vector<int>{8, 7}));
}

TEST_F(MainWindowTest, ClickingTheChosenBandAgainStartsNoSecondTransmission) {
    start(noonMs(0, 3));
    std::vector<int> played;
    window->setBeaconSoundStarter([&](int beaconNumber) { played.push_back(beaconNumber); });
    window->setSimulateOn(true);
    window->mapPanel().frequencyGroup()->item(0)->click();  // the band already chosen, in either group
    window->beaconList().frequencyGroup()->item(0)->click();
    EXPECT_TRUE(played.empty());
    window->beaconList().frequencyGroup()->item(2)->click();  // a change: played at once
    window->mapPanel().frequencyGroup()->item(2)->click();    // now the chosen band in both groups
    EXPECT_EQ(played, std::vector<int>{17});
    EXPECT_EQ(window->beaconBand(), 2);
    tickAt(noonMs(0, 10));  // the next slot plays as ever
    EXPECT_EQ(played, (std::vector<int>{17, 18}));
}

TEST_F(MainWindowTest, LocalTimeIsWrittenOnlyWhileTheAboutTabIsShown) {
    start(noonMs(0, 0));
    EXPECT_FALSE(window->aboutPage().localTimeLabel()->text().startsWith(QStringLiteral("Local Time: ")));
    window->tabs()->setCurrentWidget(window->aboutPage().parentWidget());  // About
    EXPECT_TRUE(window->aboutPage().localTimeLabel()->text().startsWith(QStringLiteral("Local Time: ")));
    tickAt(noonMs(0, 1));
    const QString shown = window->aboutPage().localTimeLabel()->text();
    window->tabs()->setCurrentIndex(0);  // Map
    tickAt(noonMs(5, 0));
    EXPECT_EQ(window->aboutPage().localTimeLabel()->text(), shown);
}

TEST_F(MainWindowTest, SlotTimerIsArmedForTheNextBoundary) {
    // The interval it was armed with, not the time left: that shrinks with
    // the wall clock however long the machine takes to get here.
    start(noonMs(0, 7, 250));
    window->UpdateBeaconSlot(false);
    EXPECT_TRUE(window->slotTimer()->isActive());
    EXPECT_EQ(window->slotTimer()->interval(), 2750);
    EXPECT_EQ(window->slotTimer()->timerType(), Qt::PreciseTimer);
    clock.set(noonMs(0, 9, 999));
    window->UpdateBeaconSlot(false);
    EXPECT_EQ(window->slotTimer()->interval(), 1);
    clock.set(noonMs(0, 10));
    window->UpdateBeaconSlot(false);
    EXPECT_EQ(window->slotTimer()->interval(), 10000);
}

TEST_F(MainWindowTest, SettingsAreReadAtStartAndWrittenAtClose) {
    TempDir::write(dir.file("orvane.INI"),
                   "[Prop]\nkeep=1\n[Orvane]\nBeaconBand=3\nNightShade=9\nHostsText=t.example\nLeft=40\nTop=$32\n");
    start(noonMs(0, 0));
    EXPECT_EQ(window->pos(), QPoint(40, 50));
    EXPECT_EQ(window->beaconBand(), 3);
    EXPECT_EQ(window->mapPanel().frequencyGroup()->itemIndex(), 3);
    EXPECT_EQ(window->beaconList().frequencyGroup()->itemIndex(), 3);
    EXPECT_EQ(window->currentSlot(), 15);
    EXPECT_EQ(window->mapPanel().nightShade(), 2);
    EXPECT_TRUE(window->close());

    const IniFile ini(dir.file("orvane.INI"));
    EXPECT_EQ(ini.readInteger(QStringLiteral("Orvane"), QStringLiteral("BeaconBand"), -1), 3);
    EXPECT_EQ(ini.readInteger(QStringLiteral("Orvane"), QStringLiteral("NightShade"), -1), 2);
    EXPECT_EQ(ini.readString(QStringLiteral("Orvane"), QStringLiteral("HostsText"), {}), QStringLiteral("t.example"));
    EXPECT_EQ(ini.readInteger(QStringLiteral("Orvane"), QStringLiteral("Left"), -1), 40);
    EXPECT_EQ(ini.readInteger(QStringLiteral("Orvane"), QStringLiteral("Top"), -1), 50);
    EXPECT_FALSE(ini.hasKey(QStringLiteral("Orvane"), QStringLiteral("MonoMap")));
    EXPECT_EQ(ini.readInteger(QStringLiteral("Prop"), QStringLiteral("keep"), 0), 1);
    EXPECT_EQ(TempDir::readAll(dir.file("orvane.BCN")).size(), 217);
    EXPECT_TRUE(messages.errors.empty()) << messages.errors.front();
}

TEST_F(MainWindowTest, ClosingWhileMinimisedStoresThePlaceOfTheRestoredWindow) {
    TempDir::write(dir.file("orvane.INI"), "[Orvane]\nLeft=120\nTop=80\n");
    start(noonMs(0, 0));
    window->show();
    window->showMinimized();
    ASSERT_TRUE(window->isMinimized());
    EXPECT_TRUE(window->close());
    const IniFile ini(dir.file("orvane.INI"));
    EXPECT_EQ(ini.readInteger(QStringLiteral("Orvane"), QStringLiteral("Left"), -1), 120);
    EXPECT_EQ(ini.readInteger(QStringLiteral("Orvane"), QStringLiteral("Top"), -1), 80);
    EXPECT_TRUE(window->isMinimized());  // closed as it was, not restored first
}

TEST_F(MainWindowTest, APlaceOffEveryScreenIsMovedOntoTheScreen) {
    TempDir::write(dir.file("orvane.INI"), "[Orvane]\nLeft=5000\nTop=50\n");
    start(noonMs(0, 0));
    const QRect screen = QGuiApplication::primaryScreen()->availableGeometry();  // offscreen: 800 x 600
    ASSERT_LT(screen.right(), 5000);
    EXPECT_TRUE(screen.contains(window->frameGeometry())) << window->x() << "," << window->y();
    EXPECT_EQ(window->y(), 50);
}

TEST_F(MainWindowTest, FailedSavesAreShownAndNeverKeepTheWindowOpen) {
    TempDir other;
    clock.set(noonMs(0, 0));
    window = std::make_unique<TfrmTabbedOrvane>(clock, messages, nullptr,
                                                AppPaths::inDirectory(other.file("no-such-folder")));
    window->show();
    EXPECT_TRUE(window->close());
    // Both failures shown, the beacon file's first.
    const auto find = [&](const std::string& start) {
        for (std::size_t i = 0; i < messages.errors.size(); ++i)
            if (messages.errors[i].rfind(start, 0) == 0) return static_cast<int>(i);
        return -1;
    };
    const int beaconError = find("Cannot create file " + other.file("no-such-folder/orvane.BCN").toStdString());
    const int iniError = find("Unable to write to " + other.file("no-such-folder/orvane.INI").toStdString());
    EXPECT_GE(beaconError, 0);
    EXPECT_GT(iniError, beaconError);
    EXPECT_FALSE(window->tickTimer()->isActive());
}

TEST_F(MainWindowTest, BrokenBeaconFileIsReportedKeptAndReplacedByTheDefaults) {
    TempDir::write(dir.file("orvane.BCN"), QByteArray("\x06\x0dTStCollection\x02", 16));
    start(noonMs(0, 0));
    ASSERT_FALSE(messages.errors.empty());
    EXPECT_EQ(messages.errors[0].rfind("Stream read error", 0), 0u) << messages.errors[0];
    EXPECT_NE(messages.errors[0].find(dir.file("orvane.BCN.bad").toStdString()), std::string::npos);
    EXPECT_EQ(window->beaconCollection().beacons(), beacons::defaultBeaconArray());
    EXPECT_TRUE(ticked(0));
    EXPECT_FALSE(ticked(7));
}
