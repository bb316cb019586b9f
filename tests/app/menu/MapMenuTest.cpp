// The map's pop-up menu: its items, the state it shows when it opens, and
// what each item does to the window.
#include <QAction>
#include <QActionGroup>
#include <QApplication>
#include <QComboBox>
#include <QPushButton>
#include <QLabel>
#include <QListWidget>
#include <QMenu>
#include <QTimer>

#include "MenuFixture.h"
#include "app/PopupHints.h"
#include "app/widgets/MapImage.h"
#include "app/widgets/RadioGroup.h"
#include "common/OrvaneError.h"
#include "map/Terminator.h"

namespace orvane::app::testing {
namespace {

using map::TerminatorState;

class MapMenuTest : public WindowFixture {
protected:
    void SetUp() override {
        WindowFixture::SetUp();
        start();
        // As on screen: the map's rebuilds keep the view flags from now on.
        window->mapPanel().setWindowShown();
    }
    // The menu as the user sees it when it opens.
    void open() { window->mapMenu().puMenuPopup(); }
    bool beaconsVisible() const {
        for (QLabel* l : slotLabels())
            if (l->isHidden()) return false;
        return !window->mapPanel().beaconSlotLabel()->isHidden();
    }
    bool beaconsHidden() const {
        for (QLabel* l : slotLabels())
            if (!l->isHidden()) return false;
        return window->mapPanel().beaconSlotLabel()->isHidden();
    }
    // A sound card as if one had been found at start-up.
    void withSoundCard() {
        window->mapMenu().setSoundAvailable(true);
        window->mapMenu().setSimulationControl([this](bool on) { stopRequests.push_back(on); },
                                     [this] {
                                         setupShownWithSimulateOn.push_back(window->simulateOn());
                                         if (setupFails) throw OrvaneError("no MIDI output");
                                     });
    }
    std::vector<bool> stopRequests;
    std::vector<bool> setupShownWithSimulateOn;
    bool setupFails = false;
};

struct ItemCase {
    const char* name;
    const char* caption;
    const char* hint;
    int tag;          // -1: none
    int helpContext;  // 0: none
};
constexpr ItemCase kItems[] = {
    {"mnAnimate", "Animate", "Cause time to pass faster than normal", -1, 15},
    {"mnAniSpeed1Sec", "1 Second", "Update display every second", 1000, 0},
    {"mnAniSpeed750ms", "750 ms", "Update display every 750 miliseconds", 750, 0},
    {"mnAniSpeed500ms", "500 ms", "Update display every 500 miliseconds", 500, 0},
    {"mnAniSpeed250ms", "250 ms", "Update display every 250 miliseconds", 250, 0},
    {"mnBrowseCalendar", "Browse Calendar...", "Display a calender and allow date changes for effect viewing", -1,
     18},
    {"mnFake", "Fake", "Recalculate every \"Animate Speed\" interval", -1, 17},
    {"mnShowHideBeacons", "Hide Beacons", "Show/Hide the beacon lables", -1, 21},
    {"mnLevel1", "Level 1", "Very light shading", 0, 0},
    {"mnLevel2", "Level 2", "Light shading", 1, 0},
    {"mnLevel3", "Level 3", "Medium shading", 2, 0},
    {"mnLevel4", "Level 4", "Dark shading", 3, 0},
    {"mnLevel5", "Level 5", "Very dark shading", 4, 0},
    {"mnTwilight", "Twilight", "Shade civil, nautical and astronomical twilight between day and night", -1, 0},
    {"mnStationLocator", "Station Locator...", "Mark your station on the map by its Maidenhead locator", -1, 0},
    {"mnMapOnly", "Map Only", "Show only the map in the window (Esc returns)", -1, 0},
    {"mnFullScreen", "Full Screen", "Fill the screen with the window (Esc returns)", -1, 0},
    {"mnSignalChange", "Signal Change", "Beep whenever the display is recalculated", -1, 19},
    {"mnSimulateBeacons", "Simulate Beacons", "Generate sound of beacons using sound card", -1, 0},
    {"mnSimulateBeaconsSetup", "Simulate Setup", "Display beacon simulate setup dialog", -1, 0},
    {"mnPopuphints", "Popup Hints", "Display popup hints", -1, 22},
    {"mnHelp", "Help", "", -1, 0},
};

TEST_F(MapMenuTest, EveryItemHasItsCaptionHintTagAndHelpContext) {
    for (const ItemCase& c : kItems) {
        SCOPED_TRACE(c.name);
        const auto* item = window->mapMenu().menu()->findChild<QAction*>(QString::fromLatin1(c.name));
        ASSERT_NE(item, nullptr);
        EXPECT_EQ(item->text(), QString::fromUtf8(c.caption));
        EXPECT_EQ(item->statusTip(), QString::fromUtf8(c.hint));
        if (c.tag >= 0) {
            EXPECT_EQ(item->data().toInt(), c.tag);
        }
        if (c.helpContext > 0) {
            EXPECT_EQ(item->property("helpContext").toInt(), c.helpContext);
        }
    }
    // Menu order, "-" for a separator.
    QStringList order;
    for (const QAction* a : window->mapMenu().menu()->actions()) order << (a->isSeparator() ? QStringLiteral("-") : a->text());
    EXPECT_EQ(order.join(QLatin1Char('|')),
              QStringLiteral("Animate|Animate Speed|-|Browse Calendar...|Fake|-|Hide Beacons|-|Darkness Level|-|"
                             "Signal Change|-|Simulate Beacons|Simulate Setup|-|"
                             "Popup Hints|Help|-|View|Radio|Listen"));
    // The options added since, gathered in the submenus after the classic items.
    const auto submenuOrder = [this](const char* name) {
        QStringList items;
        for (const QAction* a : window->mapMenu().submenu(QString::fromLatin1(name))->actions())
            if (!a->isSeparator()) items << a->text();
        return items.join(QLatin1Char('|'));
    };
    EXPECT_EQ(submenuOrder("mnView"), QStringLiteral("Twilight|Station Locator...|Map Only|Full Screen"));
    EXPECT_EQ(submenuOrder("mnRadio"), QStringLiteral("Follow beacon...|Stay on band"));
    EXPECT_EQ(submenuOrder("mnListenGroup"),
              QStringLiteral("Listen|Listen settings...|Openings chart...|History..."));
}

TEST_F(MapMenuTest, OpeningShowsTheStateOfEveryOption) {
    menuItem("mnAnimate")->trigger();  // hides the beacons too
    menuItem("mnFake")->trigger();
    menuItem("mnSignalChange")->trigger();
    menuItem("mnLevel5")->trigger();
    window->setAniSpeed(250);
    ASSERT_FALSE(window->mapPanel().beaconsShown());
    open();
    EXPECT_TRUE(menuItem("mnAnimate")->isChecked());
    EXPECT_TRUE(menuItem("mnFake")->isChecked());
    EXPECT_TRUE(menuItem("mnSignalChange")->isChecked());
    EXPECT_FALSE(menuItem("mnBrowseCalendar")->isChecked());
    EXPECT_FALSE(menuItem("mnSimulateBeacons")->isChecked());
    EXPECT_EQ(menuItem("mnShowHideBeacons")->text(), QStringLiteral("Show Beacons"));
    EXPECT_TRUE(menuItem("mnLevel5")->isChecked());
    EXPECT_TRUE(menuItem("mnAniSpeed250ms")->isChecked());

    window->setAniSpeed(333);  // none of the offered speeds: none selected
    window->mapPanel().setBeaconsShown(true);
    open();
    for (QAction* a : window->mapMenu().submenu(QStringLiteral("mnAnimateSpeed"))->actions())
        EXPECT_FALSE(a->isChecked()) << a->text().toStdString();
    EXPECT_EQ(menuItem("mnShowHideBeacons")->text(), QStringLiteral("Hide Beacons"));
}

TEST_F(MapMenuTest, AnimateHidesTheBeaconsAndShowBeaconsStopsIt) {
    ASSERT_TRUE(beaconsVisible());
    menuItem("mnAnimate")->trigger();
    EXPECT_TRUE(window->mapMenu().animateOn());
    EXPECT_EQ(window->mapPanel().TerminatorFlags() & TerminatorState::FlagAnimate, TerminatorState::FlagAnimate);
    EXPECT_FALSE(window->mapPanel().beaconsShown());
    EXPECT_TRUE(beaconsHidden());
    EXPECT_FALSE(window->mapPanel().frequencyGroup()->isEnabled());
    EXPECT_FALSE(window->beaconList().checkList()->isEnabled());
    EXPECT_TRUE(window->beaconList().frequencyGroup()->isEnabled());

    open();
    menuItem("mnShowHideBeacons")->trigger();
    EXPECT_FALSE(window->mapMenu().animateOn());
    EXPECT_EQ(window->mapPanel().TerminatorFlags() & TerminatorState::FlagAnimate, 0);
    EXPECT_TRUE(window->mapPanel().beaconsShown());
    EXPECT_TRUE(beaconsVisible());
    EXPECT_TRUE(window->mapPanel().frequencyGroup()->isEnabled());
    EXPECT_TRUE(window->beaconList().checkList()->isEnabled());
}

TEST_F(MapMenuTest, AnimateWithTheBeaconsHiddenLeavesThemHiddenAndOffAgainKeepsThemHidden) {
    menuItem("mnShowHideBeacons")->trigger();
    menuItem("mnAnimate")->trigger();
    EXPECT_TRUE(window->mapMenu().animateOn());
    EXPECT_FALSE(window->mapPanel().beaconsShown());
    menuItem("mnAnimate")->trigger();  // off: the beacons stay as they were
    EXPECT_FALSE(window->mapMenu().animateOn());
    EXPECT_FALSE(window->mapPanel().beaconsShown());
}

TEST_F(MapMenuTest, FakeAndSignalChangeToggle) {
    menuItem("mnFake")->trigger();
    EXPECT_TRUE(window->mapMenu().fakeOn());
    EXPECT_EQ(window->mapPanel().TerminatorFlags() & TerminatorState::FlagFake, TerminatorState::FlagFake);
    EXPECT_TRUE(window->mapPanel().beaconsShown());  // Fake leaves the beacons alone
    menuItem("mnSignalChange")->trigger();
    EXPECT_TRUE(window->mapPanel().signalChangeOn());
    menuItem("mnFake")->trigger();
    menuItem("mnSignalChange")->trigger();
    EXPECT_FALSE(window->mapMenu().fakeOn());
    EXPECT_EQ(window->mapPanel().TerminatorFlags(), 0);
    EXPECT_FALSE(window->mapPanel().signalChangeOn());
}

struct SpeedCase {
    const char* name;
    int ms;
};
class AnimateSpeed : public MapMenuTest, public ::testing::WithParamInterface<SpeedCase> {};

TEST_P(AnimateSpeed, SetsTheIntervalOfEveryTickAndIsTheOnlyOneSelected) {
    window->tickTimer()->start();
    QAction* chosen = nullptr;
    for (QAction* a : window->mapMenu().submenu(QStringLiteral("mnAnimateSpeed"))->actions())
        if (a->data().toInt() == GetParam().ms) chosen = a;
    ASSERT_NE(chosen, nullptr);
    chosen->trigger();
    EXPECT_EQ(window->aniSpeed(), GetParam().ms);
    EXPECT_EQ(window->tickTimer()->interval(), GetParam().ms);  // animated or not
    EXPECT_TRUE(window->tickTimer()->isActive());
    EXPECT_FALSE(window->mapMenu().animateOn());
    open();
    for (QAction* a : window->mapMenu().submenu(QStringLiteral("mnAnimateSpeed"))->actions())
        EXPECT_EQ(a->isChecked(), a == chosen);
}

INSTANTIATE_TEST_SUITE_P(Menu, AnimateSpeed,
                         ::testing::Values(SpeedCase{"OneSecond", 1000}, SpeedCase{"Ms750", 750},
                                           SpeedCase{"Ms500", 500}, SpeedCase{"Ms250", 250}),
                         [](const auto& c) { return std::string(c.param.name); });

TEST_F(MapMenuTest, CalendarStopsTheTickHidesTheBeaconsAndRestoresEverything) {
    window->tickTimer()->start();
    window->UpdateBeaconSlot(false);  // the slot timer armed, as after every tick
    menuItem("mnFake")->trigger();
    int shown = 0;
    window->mapMenu().setCalendarDialog([&] {
        ++shown;
        EXPECT_FALSE(window->tickTimer()->isActive());
        EXPECT_TRUE(window->mapPanel().browsingCalendar());
        EXPECT_EQ(window->mapPanel().TerminatorFlags(), 0);  // no animation, no forced recalculation
        EXPECT_TRUE(beaconsHidden());
        window->mapMenu().puMenuPopup();
        EXPECT_TRUE(menuItem("mnBrowseCalendar")->isChecked());
        EXPECT_FALSE(window->slotTimer()->isActive());
        window->SetDisplayTime(891216000);  // the calendar shows 1998-03-30
        EXPECT_EQ(window->mapPanel().displayTime(), 891216000);
        // No slot timer rewrites the time of day the calendar combines with
        // its date until the next change.
        EXPECT_FALSE(window->slotTimer()->isActive());
    });
    menuItem("mnBrowseCalendar")->trigger();
    EXPECT_EQ(shown, 1);
    EXPECT_TRUE(window->tickTimer()->isActive());
    EXPECT_TRUE(window->slotTimer()->isActive());
    EXPECT_FALSE(window->mapPanel().browsingCalendar());
    EXPECT_EQ(window->mapPanel().TerminatorFlags(), TerminatorState::FlagFake);
    EXPECT_TRUE(window->mapMenu().fakeOn());
    EXPECT_TRUE(window->mapPanel().beaconsShown());
    EXPECT_TRUE(beaconsVisible());
    EXPECT_TRUE(messages.errors.empty());
    window->Timer1Timer(window->tickTimer());  // the next tick is back on the clock
    EXPECT_EQ(window->mapPanel().displayTime(), clock.nowMoment());
}

TEST_F(MapMenuTest, CalendarRestoresAlsoWhenTheDialogFailsAndReportsTheError) {
    window->tickTimer()->start();
    window->mapMenu().setCalendarDialog([] { throw OrvaneError("Calendar could not be shown"); });
    menuItem("mnBrowseCalendar")->trigger();
    EXPECT_TRUE(window->tickTimer()->isActive());
    EXPECT_FALSE(window->mapPanel().browsingCalendar());
    EXPECT_TRUE(window->mapPanel().beaconsShown());
    EXPECT_TRUE(beaconsVisible());
    EXPECT_EQ(messages.errors, std::vector<std::string>{"Calendar could not be shown"});
}

TEST_F(MapMenuTest, CalendarWhileAnimatingKeepsTheBeaconsHiddenAndTheAnimationAfterwards) {
    menuItem("mnAnimate")->trigger();
    window->mapMenu().setCalendarDialog([&] { EXPECT_EQ(window->mapPanel().TerminatorFlags(), 0); });
    menuItem("mnBrowseCalendar")->trigger();
    EXPECT_TRUE(window->mapMenu().animateOn());
    EXPECT_EQ(window->mapPanel().TerminatorFlags(), TerminatorState::FlagAnimate);
    EXPECT_FALSE(window->mapPanel().beaconsShown());
}

TEST_F(MapMenuTest, TheRealCalendarDialogOpensModallyWithItsHelpContextAndCloses) {
    QWidget* seen = nullptr;
    int context = 0;
    QTimer::singleShot(0, window.get(), [&] {
        seen = QApplication::activeModalWidget();
        if (seen) {
            context = seen->property("helpContext").toInt();
            seen->close();
        }
    });
    menuItem("mnBrowseCalendar")->trigger();
    ASSERT_NE(seen, nullptr);
    EXPECT_EQ(context, 18);
    EXPECT_FALSE(window->mapPanel().browsingCalendar());
    EXPECT_TRUE(window->tickTimer()->isActive());
    EXPECT_TRUE(beaconsVisible());
}

TEST_F(MapMenuTest, DarknessLevelIsShownAtOnceAndSurvivesARestart) {
    window->Timer1Timer(nullptr);  // the terminator is drawn
    const QImage before = window->mapPanel().imageDisplay()->image();
    menuItem("mnLevel5")->trigger();
    EXPECT_EQ(window->mapPanel().nightShade(), 4);
    EXPECT_NE(window->mapPanel().imageDisplay()->image(), before);  // re-rendered without waiting for a tick
    open();
    EXPECT_TRUE(menuItem("mnLevel5")->isChecked());

    window->close();
    start();
    EXPECT_EQ(window->mapPanel().nightShade(), 4);
    open();
    EXPECT_TRUE(menuItem("mnLevel5")->isChecked());
}

// Twilight, the station and the map-only view are shown when the menu
// opens and come back after a restart; full screen does not.
TEST_F(MapMenuTest, MapViewOptionsAreShownAndSurviveARestart) {
    window->Timer1Timer(nullptr);  // the terminator is drawn
    const QImage before = window->mapPanel().imageDisplay()->image();
    menuItem("mnTwilight")->trigger();
    EXPECT_TRUE(window->mapPanel().twilight());
    EXPECT_NE(window->mapPanel().imageDisplay()->image(), before);  // re-rendered without waiting for a tick
    window->mapMenu().setLocatorDialog([](const QString& current) {
        EXPECT_EQ(current, QString());
        return std::optional<QString>(QStringLiteral("jo22DC"));
    });
    menuItem("mnStationLocator")->trigger();
    EXPECT_EQ(window->mapPanel().station(), QStringLiteral("JO22dc"));
    menuItem("mnMapOnly")->trigger();
    EXPECT_TRUE(window->mapOnly());
    open();
    EXPECT_TRUE(menuItem("mnTwilight")->isChecked());
    EXPECT_TRUE(menuItem("mnMapOnly")->isChecked());
    EXPECT_FALSE(menuItem("mnFullScreen")->isChecked());

    window->close();
    start();
    EXPECT_TRUE(window->mapPanel().twilight());
    EXPECT_TRUE(window->mapOnly());
    EXPECT_EQ(window->mapPanel().station(), QStringLiteral("JO22dc"));
    open();
    EXPECT_TRUE(menuItem("mnTwilight")->isChecked());
    EXPECT_TRUE(menuItem("mnMapOnly")->isChecked());
}

// Text that is no locator is refused with a message and the station stays;
// cancelling changes nothing; an empty answer removes the station.
TEST_F(MapMenuTest, StationLocatorRefusesWhatIsNoLocator) {
    ASSERT_TRUE(window->mapPanel().SetStation(QStringLiteral("FN31pr")));
    struct Case {
        const char* name;
        std::optional<QString> answer;
        const char* station;
        std::size_t messages;
    };
    const Case cases[] = {
        {"Cancelled", std::nullopt, "FN31pr", 0},
        {"TooShort", QStringLiteral("FN3"), "FN31pr", 1},
        {"OutOfRange", QStringLiteral("ZZ99"), "FN31pr", 2},
        {"Huge", QString(100000, QLatin1Char('A')), "FN31pr", 3},
        {"Valid", QStringLiteral("io91wm"), "IO91wm", 3},
        {"Empty", QString(), "", 3},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        window->mapMenu().setLocatorDialog([&c](const QString&) { return c.answer; });
        menuItem("mnStationLocator")->trigger();
        EXPECT_EQ(window->mapPanel().station(), QString::fromLatin1(c.station));
        EXPECT_EQ(messages.messages.size(), c.messages);
        EXPECT_EQ(window->mapPanel().stationMarker()->isVisibleTo(window.get()), c.station[0] != 0);
    }
    ASSERT_FALSE(messages.messages.empty());
    EXPECT_EQ(messages.messages.front(),
              "\"FN3\" is not a Maidenhead locator: 4, 6 or 8 characters, as JO22, JO22dc or JO22dc45.");
    EXPECT_TRUE(messages.errors.empty());
}

TEST_F(MapMenuTest, WithoutASoundCardTheSimulationItemsStayDisabled) {
    ASSERT_FALSE(window->gotSoundCard());
    int setupShown = 0;
    window->mapMenu().setSimulationControl([](bool) {}, [&] { ++setupShown; });
    EXPECT_FALSE(menuItem("mnSimulateBeacons")->isEnabled());
    EXPECT_FALSE(menuItem("mnSimulateBeaconsSetup")->isEnabled());
    menuItem("mnShowHideBeacons")->trigger();
    menuItem("mnShowHideBeacons")->trigger();
    EXPECT_FALSE(menuItem("mnSimulateBeacons")->isEnabled());
    EXPECT_FALSE(menuItem("mnSimulateBeaconsSetup")->isEnabled());
    window->mapMenu().mnSimulateBeaconsSetupClick();  // reached anyway: nothing happens
    EXPECT_EQ(setupShown, 0);
}

TEST_F(MapMenuTest, SimulateBeaconsSwitchesTheStopRequest) {
    withSoundCard();
    ASSERT_TRUE(menuItem("mnSimulateBeacons")->isEnabled());
    open();
    menuItem("mnSimulateBeacons")->trigger();
    EXPECT_TRUE(window->simulateOn());
    open();
    menuItem("mnSimulateBeacons")->trigger();
    EXPECT_FALSE(window->simulateOn());
    EXPECT_EQ(stopRequests, (std::vector<bool>{false, true}));
}

TEST_F(MapMenuTest, HidingTheBeaconsStopsTheSimulationAndShowingDoesNotRestartIt) {
    withSoundCard();
    open();
    menuItem("mnSimulateBeacons")->trigger();
    ASSERT_TRUE(window->simulateOn());
    menuItem("mnShowHideBeacons")->trigger();
    EXPECT_FALSE(window->simulateOn());
    EXPECT_FALSE(menuItem("mnSimulateBeacons")->isEnabled());
    EXPECT_FALSE(menuItem("mnSimulateBeaconsSetup")->isEnabled());
    menuItem("mnShowHideBeacons")->trigger();
    EXPECT_FALSE(window->simulateOn());
    EXPECT_TRUE(menuItem("mnSimulateBeacons")->isEnabled());
    EXPECT_TRUE(menuItem("mnSimulateBeaconsSetup")->isEnabled());
}

TEST_F(MapMenuTest, SimulateSetupPausesTheSimulationAndRestoresIt) {
    withSoundCard();
    open();
    menuItem("mnSimulateBeacons")->trigger();
    stopRequests.clear();
    menuItem("mnSimulateBeaconsSetup")->trigger();
    EXPECT_EQ(setupShownWithSimulateOn, std::vector<bool>{false});
    EXPECT_TRUE(window->simulateOn());
    EXPECT_EQ(stopRequests, (std::vector<bool>{true, false}));

    setupFails = true;  // restored also when the dialog fails, and the error shown
    menuItem("mnSimulateBeaconsSetup")->trigger();
    EXPECT_TRUE(window->simulateOn());
    EXPECT_EQ(stopRequests.back(), false);
    EXPECT_EQ(messages.errors, std::vector<std::string>{"no MIDI output"});
}

TEST_F(MapMenuTest, HighlightedItemsShowTheirHintInTheStatusBar) {
    window->mapMenu().menu()->popup({10, 10});
    window->mapMenu().menu()->setActiveAction(menuItem("mnFake"));
    EXPECT_EQ(window->statusPanelText(1), QStringLiteral("Recalculate every \"Animate Speed\" interval"));
    window->mapMenu().submenu(QStringLiteral("mnDarknessLevel"))->popup({20, 20});
    window->mapMenu().submenu(QStringLiteral("mnDarknessLevel"))->setActiveAction(menuItem("mnLevel1"));
    EXPECT_EQ(window->statusPanelText(1), QStringLiteral("Very light shading"));
    window->mapMenu().submenu(QStringLiteral("mnDarknessLevel"))->hide();
    window->mapMenu().menu()->setActiveAction(menuItem("mnHelp"));  // an item without a hint
    EXPECT_EQ(window->statusPanelText(1), QString());
    window->mapMenu().menu()->setActiveAction(menuItem("mnAnimate"));
    EXPECT_EQ(window->statusPanelText(1), QStringLiteral("Cause time to pass faster than normal"));
    window->mapMenu().menu()->hide();
    EXPECT_EQ(window->statusPanelText(1), QString());
}

TEST_F(MapMenuTest, PopupHintsSwitchTheTooltipsButNotThoseThatAlwaysShow) {
    const auto* filter = window->findChild<PopupHintFilter*>();
    ASSERT_NE(filter, nullptr);
    EXPECT_FALSE(filter->showsHint(window->timePanel().hostBox()));
    EXPECT_FALSE(filter->showsHint(window->aboutPage().creditsButton()));
    EXPECT_TRUE(filter->showsHint(window->mapPanel().slotLabel(0)));
    EXPECT_TRUE(filter->showsHint(window->mapPanel().slotLabel(17)));
    EXPECT_TRUE(filter->showsHint(window->aboutPage().versionLabel()));
    EXPECT_TRUE(filter->showsHint(window->aboutPage().localTimeLabel()));
    menuItem("mnPopuphints")->trigger();
    EXPECT_TRUE(window->mapMenu().popupHintsOn());
    EXPECT_TRUE(filter->showsHint(window->timePanel().hostBox()));
    open();
    EXPECT_TRUE(menuItem("mnPopuphints")->isChecked());
    menuItem("mnPopuphints")->trigger();
    EXPECT_FALSE(filter->showsHint(window->timePanel().hostBox()));
}

TEST_F(MapMenuTest, HelpOpensTheContents) {
    menuItem("mnHelp")->trigger();
    EXPECT_EQ(help.requests, std::vector<int>{0});
}

}  // namespace
}  // namespace orvane::app::testing
