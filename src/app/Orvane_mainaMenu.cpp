// The map's pop-up menu, puMenu: every view option of the Map tab. The menu
// only sets the options; the map (Orvane_mainaMap.cpp) and the tick read them.
#include <QAction>
#include <QActionGroup>
#include <QApplication>
#include <QLabel>
#include <QListWidget>
#include <QMenu>
#include <QTimer>
#include <exception>

#include "app/Orvane_maina.h"
#include "app/PopupHints.h"
#include "app/help/ContextHelp.h"
#include "app/help/HelpContexts.h"
#include "app/widgets/MapImage.h"
#include "app/widgets/RadioGroup.h"
#include "map/Terminator.h"

namespace orvane::app {

namespace {

using map::TerminatorState;

// Menu items that form a choice carry their value in the tag.
int tagOf(const QAction* item) { return item->data().toInt(); }

// Selects the item of an exclusive group whose tag is `tag`, or none when no
// item has it.
void selectByTag(QActionGroup* group, int tag) {
    group->setExclusive(false);
    for (QAction* item : group->actions()) item->setChecked(tagOf(item) == tag);
    group->setExclusive(true);
}

}  // namespace

void TfrmTabbedOrvane::createMapMenu() {
    puMenu = new QMenu(this);
    puMenu->setObjectName(QStringLiteral("puMenu"));
    help::setHelpContext(puMenu, help::ctx::kMapMenu);

    const auto addItem = [this](QMenu* menu, const char* name, const QString& caption, const QString& hint,
                                int helpContext, bool checkable) {
        QAction* item = menu->addAction(caption);
        item->setObjectName(QString::fromLatin1(name));
        item->setStatusTip(hint);
        item->setCheckable(checkable);
        if (helpContext > 0) help::setHelpContext(item, helpContext);
        return item;
    };
    const auto addSubmenu = [this](const char* name, const QString& caption, int helpContext) {
        QMenu* sub = puMenu->addMenu(caption);
        sub->setObjectName(QString::fromLatin1(name));
        sub->menuAction()->setObjectName(QString::fromLatin1(name));
        help::setHelpContext(sub->menuAction(), helpContext);
        return sub;
    };
    const auto addChoice = [&addItem](QMenu* menu, QActionGroup* group, const char* name, const QString& caption,
                                      const QString& hint, int tag) {
        QAction* item = addItem(menu, name, caption, hint, 0, true);
        item->setData(tag);
        group->addAction(item);
        return item;
    };

    mnAnimate = addItem(puMenu, "mnAnimate", QStringLiteral("Animate"),
                        QStringLiteral("Cause time to pass faster than normal"), help::ctx::kAnimate, true);

    mnAnimateSpeed = addSubmenu("mnAnimateSpeed", QStringLiteral("Animate Speed"), help::ctx::kAnimateSpeed);
    auto* speeds = new QActionGroup(mnAnimateSpeed);
    mnAniSpeed1Sec = addChoice(mnAnimateSpeed, speeds, "mnAniSpeed1Sec", QStringLiteral("1 Second"),
                               QStringLiteral("Update display every second"), 1000);
    mnAniSpeed750ms = addChoice(mnAnimateSpeed, speeds, "mnAniSpeed750ms", QStringLiteral("750 ms"),
                                QStringLiteral("Update display every 750 miliseconds"), 750);
    mnAniSpeed500ms = addChoice(mnAnimateSpeed, speeds, "mnAniSpeed500ms", QStringLiteral("500 ms"),
                                QStringLiteral("Update display every 500 miliseconds"), 500);
    mnAniSpeed250ms = addChoice(mnAnimateSpeed, speeds, "mnAniSpeed250ms", QStringLiteral("250 ms"),
                                QStringLiteral("Update display every 250 miliseconds"), 250);
    puMenu->addSeparator();

    mnBrowseCalendar = addItem(puMenu, "mnBrowseCalendar", QStringLiteral("Browse Calendar..."),
                               QStringLiteral("Display a calender and allow date changes for effect viewing"),
                               help::ctx::kBrowseCalendar, true);
    mnFake = addItem(puMenu, "mnFake", QStringLiteral("Fake"),
                     QStringLiteral("Recalculate every \"Animate Speed\" interval"), help::ctx::kFake, true);
    puMenu->addSeparator();

    mnShowHideBeacons = addItem(puMenu, "mnShowHideBeacons", QStringLiteral("Hide Beacons"),
                                QStringLiteral("Show/Hide the beacon lables"), help::ctx::kShowHideBeacons, false);
    puMenu->addSeparator();

    mnDarknessLevel = addSubmenu("mnDarknessLevel", QStringLiteral("Darkness Level"), help::ctx::kDarknessLevel);
    auto* levels = new QActionGroup(mnDarknessLevel);
    static constexpr const char* kLevelHints[] = {"Very light shading", "Light shading", "Medium shading",
                                                  "Dark shading", "Very dark shading"};
    for (int tag = 0; tag < 5; ++tag) {
        const QString name = QStringLiteral("mnLevel%1").arg(tag + 1);
        mnLevel[static_cast<std::size_t>(tag)] =
            addChoice(mnDarknessLevel, levels, name.toLatin1().constData(), QStringLiteral("Level %1").arg(tag + 1),
                      QString::fromLatin1(kLevelHints[tag]), tag);
    }
    puMenu->addSeparator();

    mnSignalChange = addItem(puMenu, "mnSignalChange", QStringLiteral("Signal Change"),
                             QStringLiteral("Beep whenever the display is recalculated"), help::ctx::kSignalChange,
                             true);
    puMenu->addSeparator();

    mnSimulateBeacons = addItem(puMenu, "mnSimulateBeacons", QStringLiteral("Simulate Beacons"),
                                QStringLiteral("Generate sound of beacons using sound card"),
                                help::ctx::kSimulateBeacons, true);
    mnSimulateBeaconsSetup = addItem(puMenu, "mnSimulateBeaconsSetup", QStringLiteral("Simulate Setup"),
                                     QStringLiteral("Display beacon simulate setup dialog"), help::ctx::kSimulateSetup,
                                     false);
    puMenu->addSeparator();

    mnPopuphints = addItem(puMenu, "mnPopuphints", QStringLiteral("Popup Hints"),
                           QStringLiteral("Display popup hints"), help::ctx::kPopupHints, true);
    mnHelp = addItem(puMenu, "mnHelp", QStringLiteral("Help"), QString(), 0, false);

    // Handlers. An error that leaves one is shown and the program goes on.
    for (QAction* item : {mnAnimate, mnFake, mnSignalChange}) {
        connect(item, &QAction::triggered, this, [this, item] { guarded([this, item] { mnAnimateFake(item); }); });
    }
    for (QAction* item : speeds->actions()) {
        connect(item, &QAction::triggered, this, [this, item] { guarded([this, item] { mnAniSpeedClick(item); }); });
    }
    for (QAction* item : levels->actions()) {
        connect(item, &QAction::triggered, this, [this, item] { guarded([this, item] { mnDarkLevelClick(item); }); });
    }
    const auto on = [this](QAction* item, void (TfrmTabbedOrvane::*handler)()) {
        connect(item, &QAction::triggered, this, [this, handler] { guarded([this, handler] { (this->*handler)(); }); });
    };
    on(mnBrowseCalendar, &TfrmTabbedOrvane::mnBrowseCalendarClick);
    on(mnShowHideBeacons, &TfrmTabbedOrvane::mnShowHideBeaconsClick);
    on(mnSimulateBeacons, &TfrmTabbedOrvane::mnSimulateBeaconsClick);
    on(mnSimulateBeaconsSetup, &TfrmTabbedOrvane::mnSimulateBeaconsSetupClick);
    on(mnPopuphints, &TfrmTabbedOrvane::mnPopuphintsClick);
    on(mnHelp, &TfrmTabbedOrvane::puHelpClick);

    // The highlighted item's hint goes to the status bar (empty for an item
    // without one), and is cleared when the menu closes.
    for (QMenu* menu : {puMenu, mnAnimateSpeed, mnDarknessLevel}) {
        connect(menu, &QMenu::hovered, this, [this](QAction* item) { ShowAppHint(item->statusTip()); });
        connect(menu, &QMenu::aboutToHide, this, [this] { ShowAppHint(QString()); });
    }
    connect(puMenu, &QMenu::aboutToShow, this, [this] { guarded([this] { puMenuPopup(); }); });

    // The menu of the whole Map tab: the map, its labels and panels.
    for (QWidget* area : {static_cast<QWidget*>(tsMap), static_cast<QWidget*>(ImageDisplay)}) {
        area->setContextMenuPolicy(Qt::CustomContextMenu);
        connect(area, &QWidget::customContextMenuRequested, this,
                [this, area](const QPoint& pos) { puMenu->popup(area->mapToGlobal(pos)); });
    }

    mnSimulateBeacons->setEnabled(GotSoundCard && BeaconsShown);
    mnSimulateBeaconsSetup->setEnabled(GotSoundCard && BeaconsShown);

    // "Popup Hints": the beacon labels always show their hints.
    for (QLabel* label : lblSlot) {
        if (label) label->setProperty(kAlwaysShowHintProperty, true);
    }
    qApp->installEventFilter(new PopupHintFilter(this, [this] { return PopupHintsOn; }, this));
}

void TfrmTabbedOrvane::puMenuPopup() {
    mnAnimate->setChecked(AnimateOn);
    mnFake->setChecked(FakeOn);
    mnSignalChange->setChecked(SignalChangeOn);
    mnBrowseCalendar->setChecked(BrowsingCalendar);
    mnSimulateBeacons->setChecked(SimulateOn);
    mnPopuphints->setChecked(PopupHintsOn);
    mnShowHideBeacons->setText(BeaconsShown ? QStringLiteral("Hide Beacons") : QStringLiteral("Show Beacons"));
    selectByTag(mnLevel[0]->actionGroup(), NightShade);
    selectByTag(mnAniSpeed1Sec->actionGroup(), AniSpeed);
}

void TfrmTabbedOrvane::mnAnimateFake(QAction* Sender) {
    if (Sender == mnAnimate) {
        AnimateOn = ToggleTerminatorFlag(TerminatorState::FlagAnimate);
        // The schedule follows the real clock, not the animated one.
        if (AnimateOn && BeaconsShown) mnShowHideBeaconsClick();
    } else if (Sender == mnFake) {
        FakeOn = ToggleTerminatorFlag(TerminatorState::FlagFake);
    } else if (Sender == mnSignalChange) {
        SignalChangeOn = !SignalChangeOn;
    }
}

void TfrmTabbedOrvane::mnAniSpeedClick(QAction* Sender) {
    // The interval of every tick, animated or not.
    setAniSpeed(tagOf(Sender));
}

void TfrmTabbedOrvane::mnShowHideBeaconsClick() {
    if (AnimateOn && !BeaconsShown) mnAnimateFake(mnAnimate);
    BeaconsShown = !BeaconsShown;
    if (!BeaconsShown) SimulateOn = false;
    const bool simulationAvailable = BeaconsShown && GotSoundCard;
    mnSimulateBeacons->setEnabled(simulationAvailable);
    mnSimulateBeaconsSetup->setEnabled(simulationAvailable);
    rgFrequency->setEnabled(BeaconsShown);
    cblBeacons->setEnabled(BeaconsShown);
    lblBeaconSlot->setVisible(BeaconsShown);
    for (QLabel* label : lblSlot) label->setVisible(BeaconsShown);
}

void TfrmTabbedOrvane::mnBrowseCalendarClick() {
    const bool beaconsWereShown = BeaconsShown;
    const int flags = TerminatorFlags();
    Timer1->stop();
    SetTerminatorFlags(0);  // no animation, no forced recalculation while browsing
    BrowsingCalendar = true;
    if (BeaconsShown) mnShowHideBeaconsClick();

    std::exception_ptr failure;
    try {
        if (runCalendar_) {
            runCalendar_();
        } else {
            ExecCalendarDialog();
        }
    } catch (...) {
        failure = std::current_exception();
    }

    // Back to the clock, also when the dialog could not be shown. A failing
    // rebuild is reported but must not keep the tick stopped.
    SetTerminatorFlags(flags);
    guarded([this] { RebuildMap(); });
    BrowsingCalendar = false;
    Timer1->start();
    if (beaconsWereShown && !BeaconsShown) mnShowHideBeaconsClick();
    if (failure) std::rethrow_exception(failure);
}

void TfrmTabbedOrvane::mnDarkLevelClick(QAction* Sender) {
    // Redrawn at once with the new darkness.
    SetNightShade(tagOf(Sender));
}

void TfrmTabbedOrvane::mnSimulateBeaconsClick() {
    // The item's tick was inverted by the menu.
    SimulateOn = mnSimulateBeacons->isChecked();
    // Switching off lets a playing transmission end at its next check point.
    if (setSimStopRequest_) setSimStopRequest_(!SimulateOn);
}

void TfrmTabbedOrvane::mnSimulateBeaconsSetupClick() {
    if (!GotSoundCard) return;
    const bool wasOn = SimulateOn;
    SimulateOn = false;
    if (setSimStopRequest_) setSimStopRequest_(true);
    // The dialog clears StopRequest as it becomes active, so a transmission
    // already playing is not cut short by opening it.
    std::exception_ptr failure;
    try {
        if (showSimSetup_) showSimSetup_();
    } catch (...) {
        failure = std::current_exception();
    }
    SimulateOn = wasOn;
    if (setSimStopRequest_) setSimStopRequest_(!wasOn);
    if (failure) std::rethrow_exception(failure);
}

void TfrmTabbedOrvane::mnPopuphintsClick() { PopupHintsOn = mnPopuphints->isChecked(); }

void TfrmTabbedOrvane::puHelpClick() {
    if (help_) help_->showContents();
}

}  // namespace orvane::app
