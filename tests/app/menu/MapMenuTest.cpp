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
        window->FirstResizeSeen = true;
    }
    // The menu as the user sees it when it opens.
    void open() { window->puMenuPopup(); }
    bool beaconsVisible() const {
        for (QLabel* l : window->lblSlot)
            if (l->isHidden()) return false;
        return !window->lblBeaconSlot->isHidden();
    }
    bool beaconsHidden() const {
        for (QLabel* l : window->lblSlot)
            if (!l->isHidden()) return false;
        return window->lblBeaconSlot->isHidden();
    }
    // A sound card as if one had been found at start-up.
    void withSoundCard() {
        window->GotSoundCard = true;
        window->mnShowHideBeaconsClick();
        window->mnShowHideBeaconsClick();
        window->setSimulationControl([this](bool on) { stopRequests.push_back(on); },
                                     [this] {
                                         setupShownWithSimulateOn.push_back(window->SimulateOn);
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
    {"mnSignalChange", "Signal Change", "Beep whenever the display is recalculated", -1, 19},
    {"mnSimulateBeacons", "Simulate Beacons", "Generate sound of beacons using sound card", -1, 0},
    {"mnSimulateBeaconsSetup", "Simulate Setup", "Display beacon simulate setup dialog", -1, 0},
    {"mnPopuphints", "Popup Hints", "Display popup hints", -1, 22},
    {"mnHelp", "Help", "", -1, 0},
};

TEST_F(MapMenuTest, EveryItemHasItsCaptionHintTagAndHelpContext) {
    for (const ItemCase& c : kItems) {
        SCOPED_TRACE(c.name);
        const auto* item = window->puMenu->findChild<QAction*>(QString::fromLatin1(c.name));
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
    for (const QAction* a : window->puMenu->actions()) order << (a->isSeparator() ? QStringLiteral("-") : a->text());
    EXPECT_EQ(order.join(QLatin1Char('|')),
              QStringLiteral("Animate|Animate Speed|-|Browse Calendar...|Fake|-|Hide Beacons|-|Darkness Level|-|"
                             "Signal Change|-|Simulate Beacons|Simulate Setup|-|Popup Hints|Help"));
}

TEST_F(MapMenuTest, OpeningShowsTheStateOfEveryOption) {
    window->AnimateOn = true;
    window->FakeOn = true;
    window->SignalChangeOn = true;
    window->BeaconsShown = false;
    window->NightShade = 4;
    window->AniSpeed = 250;
    open();
    EXPECT_TRUE(window->mnAnimate->isChecked());
    EXPECT_TRUE(window->mnFake->isChecked());
    EXPECT_TRUE(window->mnSignalChange->isChecked());
    EXPECT_FALSE(window->mnBrowseCalendar->isChecked());
    EXPECT_FALSE(window->mnSimulateBeacons->isChecked());
    EXPECT_EQ(window->mnShowHideBeacons->text(), QStringLiteral("Show Beacons"));
    EXPECT_TRUE(window->mnLevel[4]->isChecked());
    EXPECT_TRUE(window->mnAniSpeed250ms->isChecked());

    window->AniSpeed = 333;  // none of the offered speeds: none selected
    window->BeaconsShown = true;
    open();
    for (QAction* a : window->mnAnimateSpeed->actions()) EXPECT_FALSE(a->isChecked()) << a->text().toStdString();
    EXPECT_EQ(window->mnShowHideBeacons->text(), QStringLiteral("Hide Beacons"));
}

TEST_F(MapMenuTest, AnimateHidesTheBeaconsAndShowBeaconsStopsIt) {
    ASSERT_TRUE(beaconsVisible());
    window->mnAnimate->trigger();
    EXPECT_TRUE(window->AnimateOn);
    EXPECT_EQ(window->TerminatorFlags() & TerminatorState::FlagAnimate, TerminatorState::FlagAnimate);
    EXPECT_FALSE(window->BeaconsShown);
    EXPECT_TRUE(beaconsHidden());
    EXPECT_FALSE(window->rgFrequency->isEnabled());
    EXPECT_FALSE(window->cblBeacons->isEnabled());
    EXPECT_TRUE(window->rgFrequency2->isEnabled());

    open();
    window->mnShowHideBeacons->trigger();
    EXPECT_FALSE(window->AnimateOn);
    EXPECT_EQ(window->TerminatorFlags() & TerminatorState::FlagAnimate, 0);
    EXPECT_TRUE(window->BeaconsShown);
    EXPECT_TRUE(beaconsVisible());
    EXPECT_TRUE(window->rgFrequency->isEnabled());
    EXPECT_TRUE(window->cblBeacons->isEnabled());
}

TEST_F(MapMenuTest, AnimateWithTheBeaconsHiddenLeavesThemHiddenAndOffAgainKeepsThemHidden) {
    window->mnShowHideBeacons->trigger();
    window->mnAnimate->trigger();
    EXPECT_TRUE(window->AnimateOn);
    EXPECT_FALSE(window->BeaconsShown);
    window->mnAnimate->trigger();  // off: the beacons stay as they were
    EXPECT_FALSE(window->AnimateOn);
    EXPECT_FALSE(window->BeaconsShown);
}

TEST_F(MapMenuTest, FakeAndSignalChangeToggle) {
    window->mnFake->trigger();
    EXPECT_TRUE(window->FakeOn);
    EXPECT_EQ(window->TerminatorFlags() & TerminatorState::FlagFake, TerminatorState::FlagFake);
    EXPECT_TRUE(window->BeaconsShown);  // Fake leaves the beacons alone
    window->mnSignalChange->trigger();
    EXPECT_TRUE(window->SignalChangeOn);
    window->mnFake->trigger();
    window->mnSignalChange->trigger();
    EXPECT_FALSE(window->FakeOn);
    EXPECT_EQ(window->TerminatorFlags(), 0);
    EXPECT_FALSE(window->SignalChangeOn);
}

struct SpeedCase {
    const char* name;
    int ms;
};
class AnimateSpeed : public MapMenuTest, public ::testing::WithParamInterface<SpeedCase> {};

TEST_P(AnimateSpeed, SetsTheIntervalOfEveryTickAndIsTheOnlyOneSelected) {
    window->Timer1->start();
    QAction* chosen = nullptr;
    for (QAction* a : window->mnAnimateSpeed->actions())
        if (a->data().toInt() == GetParam().ms) chosen = a;
    ASSERT_NE(chosen, nullptr);
    chosen->trigger();
    EXPECT_EQ(window->AniSpeed, GetParam().ms);
    EXPECT_EQ(window->Timer1->interval(), GetParam().ms);  // animated or not
    EXPECT_TRUE(window->Timer1->isActive());
    EXPECT_FALSE(window->AnimateOn);
    open();
    for (QAction* a : window->mnAnimateSpeed->actions()) EXPECT_EQ(a->isChecked(), a == chosen);
}

INSTANTIATE_TEST_SUITE_P(Menu, AnimateSpeed,
                         ::testing::Values(SpeedCase{"OneSecond", 1000}, SpeedCase{"Ms750", 750},
                                           SpeedCase{"Ms500", 500}, SpeedCase{"Ms250", 250}),
                         [](const auto& c) { return std::string(c.param.name); });

TEST_F(MapMenuTest, CalendarStopsTheTickHidesTheBeaconsAndRestoresEverything) {
    window->Timer1->start();
    window->mnFake->trigger();
    int shown = 0;
    window->setCalendarDialog([&] {
        ++shown;
        EXPECT_FALSE(window->Timer1->isActive());
        EXPECT_TRUE(window->BrowsingCalendar);
        EXPECT_EQ(window->TerminatorFlags(), 0);  // no animation, no forced recalculation
        EXPECT_TRUE(beaconsHidden());
        window->puMenuPopup();
        EXPECT_TRUE(window->mnBrowseCalendar->isChecked());
        window->SetDisplayTime(891216000);  // the calendar shows 1998-03-30
        EXPECT_EQ(window->DisplayTime, 891216000);
    });
    window->mnBrowseCalendar->trigger();
    EXPECT_EQ(shown, 1);
    EXPECT_TRUE(window->Timer1->isActive());
    EXPECT_FALSE(window->BrowsingCalendar);
    EXPECT_EQ(window->TerminatorFlags(), TerminatorState::FlagFake);
    EXPECT_TRUE(window->FakeOn);
    EXPECT_TRUE(window->BeaconsShown);
    EXPECT_TRUE(beaconsVisible());
    EXPECT_TRUE(messages.errors.empty());
    window->Timer1Timer(window->Timer1);  // the next tick is back on the clock
    EXPECT_EQ(window->DisplayTime, clock.nowMoment());
}

TEST_F(MapMenuTest, CalendarRestoresAlsoWhenTheDialogFailsAndReportsTheError) {
    window->Timer1->start();
    window->setCalendarDialog([] { throw OrvaneError("Calendar could not be shown"); });
    window->mnBrowseCalendar->trigger();
    EXPECT_TRUE(window->Timer1->isActive());
    EXPECT_FALSE(window->BrowsingCalendar);
    EXPECT_TRUE(window->BeaconsShown);
    EXPECT_TRUE(beaconsVisible());
    EXPECT_EQ(messages.errors, std::vector<std::string>{"Calendar could not be shown"});
}

TEST_F(MapMenuTest, CalendarWhileAnimatingKeepsTheBeaconsHiddenAndTheAnimationAfterwards) {
    window->mnAnimate->trigger();
    window->setCalendarDialog([&] { EXPECT_EQ(window->TerminatorFlags(), 0); });
    window->mnBrowseCalendar->trigger();
    EXPECT_TRUE(window->AnimateOn);
    EXPECT_EQ(window->TerminatorFlags(), TerminatorState::FlagAnimate);
    EXPECT_FALSE(window->BeaconsShown);
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
    window->mnBrowseCalendar->trigger();
    ASSERT_NE(seen, nullptr);
    EXPECT_EQ(context, 18);
    EXPECT_FALSE(window->BrowsingCalendar);
    EXPECT_TRUE(window->Timer1->isActive());
    EXPECT_TRUE(beaconsVisible());
}

TEST_F(MapMenuTest, DarknessLevelIsShownAtOnceAndSurvivesARestart) {
    window->Timer1Timer(nullptr);  // the terminator is drawn
    const QImage before = window->ImageDisplay->image();
    window->mnLevel[4]->trigger();
    EXPECT_EQ(window->NightShade, 4);
    EXPECT_NE(window->ImageDisplay->image(), before);  // re-rendered without waiting for a tick
    open();
    EXPECT_TRUE(window->mnLevel[4]->isChecked());

    window->close();
    start();
    EXPECT_EQ(window->NightShade, 4);
    open();
    EXPECT_TRUE(window->mnLevel[4]->isChecked());
}

TEST_F(MapMenuTest, WithoutASoundCardTheSimulationItemsStayDisabled) {
    ASSERT_FALSE(window->GotSoundCard);
    int setupShown = 0;
    window->setSimulationControl([](bool) {}, [&] { ++setupShown; });
    EXPECT_FALSE(window->mnSimulateBeacons->isEnabled());
    EXPECT_FALSE(window->mnSimulateBeaconsSetup->isEnabled());
    window->mnShowHideBeacons->trigger();
    window->mnShowHideBeacons->trigger();
    EXPECT_FALSE(window->mnSimulateBeacons->isEnabled());
    EXPECT_FALSE(window->mnSimulateBeaconsSetup->isEnabled());
    window->mnSimulateBeaconsSetupClick();  // reached anyway: nothing happens
    EXPECT_EQ(setupShown, 0);
}

TEST_F(MapMenuTest, SimulateBeaconsSwitchesTheStopRequest) {
    withSoundCard();
    ASSERT_TRUE(window->mnSimulateBeacons->isEnabled());
    open();
    window->mnSimulateBeacons->trigger();
    EXPECT_TRUE(window->SimulateOn);
    open();
    window->mnSimulateBeacons->trigger();
    EXPECT_FALSE(window->SimulateOn);
    EXPECT_EQ(stopRequests, (std::vector<bool>{false, true}));
}

TEST_F(MapMenuTest, HidingTheBeaconsStopsTheSimulationAndShowingDoesNotRestartIt) {
    withSoundCard();
    open();
    window->mnSimulateBeacons->trigger();
    ASSERT_TRUE(window->SimulateOn);
    window->mnShowHideBeacons->trigger();
    EXPECT_FALSE(window->SimulateOn);
    EXPECT_FALSE(window->mnSimulateBeacons->isEnabled());
    EXPECT_FALSE(window->mnSimulateBeaconsSetup->isEnabled());
    window->mnShowHideBeacons->trigger();
    EXPECT_FALSE(window->SimulateOn);
    EXPECT_TRUE(window->mnSimulateBeacons->isEnabled());
    EXPECT_TRUE(window->mnSimulateBeaconsSetup->isEnabled());
}

TEST_F(MapMenuTest, SimulateSetupPausesTheSimulationAndRestoresIt) {
    withSoundCard();
    open();
    window->mnSimulateBeacons->trigger();
    stopRequests.clear();
    window->mnSimulateBeaconsSetup->trigger();
    EXPECT_EQ(setupShownWithSimulateOn, std::vector<bool>{false});
    EXPECT_TRUE(window->SimulateOn);
    EXPECT_EQ(stopRequests, (std::vector<bool>{true, false}));

    setupFails = true;  // restored also when the dialog fails, and the error shown
    window->mnSimulateBeaconsSetup->trigger();
    EXPECT_TRUE(window->SimulateOn);
    EXPECT_EQ(stopRequests.back(), false);
    EXPECT_EQ(messages.errors, std::vector<std::string>{"no MIDI output"});
}

TEST_F(MapMenuTest, HighlightedItemsShowTheirHintInTheStatusBar) {
    window->puMenu->popup({10, 10});
    window->puMenu->setActiveAction(window->mnFake);
    EXPECT_EQ(window->statusPanelText(1), QStringLiteral("Recalculate every \"Animate Speed\" interval"));
    window->mnDarknessLevel->popup({20, 20});
    window->mnDarknessLevel->setActiveAction(window->mnLevel[0]);
    EXPECT_EQ(window->statusPanelText(1), QStringLiteral("Very light shading"));
    window->mnDarknessLevel->hide();
    window->puMenu->setActiveAction(window->mnHelp);  // an item without a hint
    EXPECT_EQ(window->statusPanelText(1), QString());
    window->puMenu->setActiveAction(window->mnAnimate);
    EXPECT_EQ(window->statusPanelText(1), QStringLiteral("Cause time to pass faster than normal"));
    window->puMenu->hide();
    EXPECT_EQ(window->statusPanelText(1), QString());
}

TEST_F(MapMenuTest, PopupHintsSwitchTheTooltipsButNotThoseThatAlwaysShow) {
    const auto* filter = window->findChild<PopupHintFilter*>();
    ASSERT_NE(filter, nullptr);
    EXPECT_FALSE(filter->showsHint(window->cbHost));
    EXPECT_FALSE(filter->showsHint(window->btnCredits));
    EXPECT_TRUE(filter->showsHint(window->lblSlot[0]));
    EXPECT_TRUE(filter->showsHint(window->lblSlot[17]));
    EXPECT_TRUE(filter->showsHint(window->Label11));
    EXPECT_TRUE(filter->showsHint(window->lblLocalTime));
    window->mnPopuphints->trigger();
    EXPECT_TRUE(window->PopupHintsOn);
    EXPECT_TRUE(filter->showsHint(window->cbHost));
    open();
    EXPECT_TRUE(window->mnPopuphints->isChecked());
    window->mnPopuphints->trigger();
    EXPECT_FALSE(filter->showsHint(window->cbHost));
}

TEST_F(MapMenuTest, HelpOpensTheContents) {
    window->mnHelp->trigger();
    EXPECT_EQ(help.requests, std::vector<int>{0});
}

}  // namespace
}  // namespace orvane::app::testing
