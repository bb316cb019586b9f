// The map's pop-up menu, puMenu: every view option of the Map tab.
#include "app/panels/MapMenu.h"

#include <QAction>
#include <QActionGroup>
#include <QApplication>
#include <QInputDialog>
#include <QLineEdit>
#include <QMenu>
#include <exception>

#include "app/Guarded.h"
#include "app/Orvane_maina.h"
#include "app/PopupHints.h"
#include "app/help/ContextHelp.h"
#include "app/help/HelpContexts.h"
#include "app/widgets/MapImage.h"
#include "app/panels/BeaconListPanel.h"
#include "app/panels/MapPanel.h"
#include "map/Terminator.h"
#include "map/ui/Ccalunit.h"

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

MapMenu::MapMenu(TfrmTabbedOrvane& main, QWidget* mapTab, bool soundAvailable)
    : QObject(&main), main_(main), GotSoundCard(soundAvailable) {
    createMapMenu(mapTab);
}

QAction* MapMenu::item(const QString& name) const { return puMenu->findChild<QAction*>(name); }

QMenu* MapMenu::submenu(const QString& name) const { return puMenu->findChild<QMenu*>(name); }

void MapMenu::createMapMenu(QWidget* mapTab) {
    puMenu = new QMenu(&main_);
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
    addChoice(mnAnimateSpeed, speeds, "mnAniSpeed750ms", QStringLiteral("750 ms"),
                                QStringLiteral("Update display every 750 miliseconds"), 750);
    addChoice(mnAnimateSpeed, speeds, "mnAniSpeed500ms", QStringLiteral("500 ms"),
                                QStringLiteral("Update display every 500 miliseconds"), 500);
    addChoice(mnAnimateSpeed, speeds, "mnAniSpeed250ms", QStringLiteral("250 ms"),
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
        QAction* level =
            addChoice(mnDarknessLevel, levels, name.toLatin1().constData(), QStringLiteral("Level %1").arg(tag + 1),
                      QString::fromLatin1(kLevelHints[tag]), tag);
        if (tag == 0) mnLevel1 = level;
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

    // The options added beside the classic ones, in three submenus after
    // them, so the classic items keep their order: the view, the radio
    // (filled by the radio menu) and listening (filled by the listen menu).
    puMenu->addSeparator();
    const auto addGroup = [this](const char* name, const QString& caption) {
        QMenu* sub = puMenu->addMenu(caption);
        sub->setObjectName(QString::fromLatin1(name));
        sub->menuAction()->setObjectName(QString::fromLatin1(name));
        return sub;
    };
    mnView = addGroup("mnView", QStringLiteral("View"));
    mnTwilight = addItem(mnView, "mnTwilight", QStringLiteral("Twilight"),
                         QStringLiteral("Shade civil, nautical and astronomical twilight between day and night"), 0,
                         true);
    mnStationLocator = addItem(mnView, "mnStationLocator", QStringLiteral("Station Locator..."),
                               QStringLiteral("Mark your station on the map by its Maidenhead locator"), 0, false);
    mnView->addSeparator();
    mnMapOnly = addItem(mnView, "mnMapOnly", QStringLiteral("Map Only"),
                        QStringLiteral("Show only the map in the window (Esc returns)"), 0, true);
    mnFullScreen = addItem(mnView, "mnFullScreen", QStringLiteral("Full Screen"),
                           QStringLiteral("Fill the screen with the window (Esc returns)"), 0, true);
    mnRadio = addGroup("mnRadio", QStringLiteral("Radio"));
    mnListenGroup = addGroup("mnListenGroup", QStringLiteral("Listen"));

    // Handlers. An error that leaves one is shown and the program goes on.
    for (QAction* item : {mnAnimate, mnFake, mnSignalChange}) {
        connect(item, &QAction::triggered, this, [this, item] { runGuarded(main_.messages(), [this, item] { mnAnimateFake(item); }); });
    }
    for (QAction* item : speeds->actions()) {
        connect(item, &QAction::triggered, this, [this, item] { runGuarded(main_.messages(), [this, item] { mnAniSpeedClick(item); }); });
    }
    for (QAction* item : levels->actions()) {
        connect(item, &QAction::triggered, this, [this, item] { runGuarded(main_.messages(), [this, item] { mnDarkLevelClick(item); }); });
    }
    const auto on = [this](QAction* item, void (MapMenu::*handler)()) {
        connect(item, &QAction::triggered, this, [this, handler] { runGuarded(main_.messages(), [this, handler] { (this->*handler)(); }); });
    };
    on(mnBrowseCalendar, &MapMenu::mnBrowseCalendarClick);
    on(mnShowHideBeacons, &MapMenu::mnShowHideBeaconsClick);
    on(mnSimulateBeacons, &MapMenu::mnSimulateBeaconsClick);
    on(mnSimulateBeaconsSetup, &MapMenu::mnSimulateBeaconsSetupClick);
    on(mnPopuphints, &MapMenu::mnPopuphintsClick);
    on(mnHelp, &MapMenu::puHelpClick);
    on(mnTwilight, &MapMenu::mnTwilightClick);
    on(mnStationLocator, &MapMenu::mnStationLocatorClick);
    on(mnMapOnly, &MapMenu::mnMapOnlyClick);
    on(mnFullScreen, &MapMenu::mnFullScreenClick);

    // The highlighted item's hint goes to the status bar (empty for an item
    // without one), and is cleared when the menu closes.
    for (QMenu* menu : {puMenu, mnAnimateSpeed, mnDarknessLevel, mnView, mnRadio, mnListenGroup}) {
        connect(menu, &QMenu::hovered, this, [this](QAction* item) { main_.ShowAppHint(item->statusTip()); });
        connect(menu, &QMenu::aboutToHide, this, [this] { main_.ShowAppHint(QString()); });
    }
    connect(puMenu, &QMenu::aboutToShow, this, [this] { runGuarded(main_.messages(), [this] { puMenuPopup(); }); });

    // The menu of the whole Map tab: the map, its labels and panels.
    for (QWidget* area : {mapTab, static_cast<QWidget*>(main_.mapPanel().imageDisplay())}) {
        area->setContextMenuPolicy(Qt::CustomContextMenu);
        connect(area, &QWidget::customContextMenuRequested, this,
                [this, area](const QPoint& pos) { puMenu->popup(area->mapToGlobal(pos)); });
    }

    updateSimulationItems();

    // "Popup Hints" (the beacon labels always show theirs).
    qApp->installEventFilter(new PopupHintFilter(&main_, [this] { return PopupHintsOn; }, this));
}

void MapMenu::setSoundAvailable(bool available) {
    GotSoundCard = available;
    updateSimulationItems();
}

void MapMenu::updateSimulationItems() {
    const bool simulationAvailable = GotSoundCard && main_.mapPanel().beaconsShown();
    mnSimulateBeacons->setEnabled(simulationAvailable);
    mnSimulateBeaconsSetup->setEnabled(simulationAvailable);
}

void MapMenu::puMenuPopup() {
    mnAnimate->setChecked(AnimateOn);
    mnFake->setChecked(FakeOn);
    mnSignalChange->setChecked(main_.mapPanel().signalChangeOn());
    mnBrowseCalendar->setChecked(main_.mapPanel().browsingCalendar());
    mnSimulateBeacons->setChecked(main_.simulateOn());
    mnPopuphints->setChecked(PopupHintsOn);
    mnShowHideBeacons->setText(main_.mapPanel().beaconsShown() ? QStringLiteral("Hide Beacons")
                                                               : QStringLiteral("Show Beacons"));
    selectByTag(mnLevel1->actionGroup(), main_.mapPanel().nightShade());
    mnTwilight->setChecked(main_.mapPanel().twilight());
    mnMapOnly->setChecked(main_.mapOnly());
    mnFullScreen->setChecked(main_.isFullScreen());
    selectByTag(mnAniSpeed1Sec->actionGroup(), main_.aniSpeed());
}

void MapMenu::mnAnimateFake(QAction* Sender) {
    if (Sender == mnAnimate) {
        AnimateOn = main_.mapPanel().ToggleTerminatorFlag(TerminatorState::FlagAnimate);
        // The schedule follows the real clock, not the animated one.
        if (AnimateOn && main_.mapPanel().beaconsShown()) mnShowHideBeaconsClick();
    } else if (Sender == mnFake) {
        FakeOn = main_.mapPanel().ToggleTerminatorFlag(TerminatorState::FlagFake);
    } else if (Sender == mnSignalChange) {
        main_.mapPanel().setSignalChange(!main_.mapPanel().signalChangeOn());
    }
}

void MapMenu::mnAniSpeedClick(QAction* Sender) {
    // The interval of every tick, animated or not.
    main_.setAniSpeed(tagOf(Sender));
}

void MapMenu::mnShowHideBeaconsClick() {
    const bool show = !main_.mapPanel().beaconsShown();
    if (AnimateOn && show) mnAnimateFake(mnAnimate);
    if (!show) main_.setSimulateOn(false);
    main_.mapPanel().setBeaconsShown(show);
    main_.beaconList().setListEnabled(show);
    updateSimulationItems();
}

void MapMenu::mnBrowseCalendarClick() {
    MapPanel& map = main_.mapPanel();
    const bool beaconsWereShown = map.beaconsShown();
    const int flags = map.TerminatorFlags();
    main_.stopTick();
    map.SetTerminatorFlags(0);  // no animation, no forced recalculation while browsing
    map.setBrowsingCalendar(true);
    if (map.beaconsShown()) mnShowHideBeaconsClick();

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
    map.SetTerminatorFlags(flags);
    runGuarded(main_.messages(), [&map] { map.RebuildMap(); });
    map.setBrowsingCalendar(false);
    main_.startTick();
    if (beaconsWereShown && !map.beaconsShown()) mnShowHideBeaconsClick();
    if (failure) std::rethrow_exception(failure);
}

void MapMenu::mnDarkLevelClick(QAction* Sender) {
    // Redrawn at once with the new darkness.
    main_.mapPanel().SetNightShade(tagOf(Sender));
}

void MapMenu::mnSimulateBeaconsClick() {
    // The item's tick was inverted by the menu.
    main_.setSimulateOn(mnSimulateBeacons->isChecked());
    // Switching off lets a playing transmission end at its next check point.
    if (setSimStopRequest_) setSimStopRequest_(!main_.simulateOn());
}

void MapMenu::mnSimulateBeaconsSetupClick() {
    if (!GotSoundCard) return;
    const bool wasOn = main_.simulateOn();
    main_.setSimulateOn(false);
    if (setSimStopRequest_) setSimStopRequest_(true);
    // The dialog clears StopRequest as it becomes active, so a transmission
    // already playing is not cut short by opening it.
    std::exception_ptr failure;
    try {
        if (showSimSetup_) showSimSetup_();
    } catch (...) {
        failure = std::current_exception();
    }
    main_.setSimulateOn(wasOn);
    if (setSimStopRequest_) setSimStopRequest_(!wasOn);
    if (failure) std::rethrow_exception(failure);
}

void MapMenu::mnPopuphintsClick() { PopupHintsOn = mnPopuphints->isChecked(); }

void MapMenu::puHelpClick() {
    if (HelpService* help = main_.help()) help->showContents();
}

void MapMenu::mnTwilightClick() { main_.mapPanel().SetTwilight(mnTwilight->isChecked()); }

void MapMenu::mnMapOnlyClick() { main_.SetMapOnly(mnMapOnly->isChecked()); }

void MapMenu::mnFullScreenClick() { main_.SetFullScreen(mnFullScreen->isChecked()); }

// An empty answer removes the station; text that is no locator is refused
// with a message and the station stays as it was.
void MapMenu::mnStationLocatorClick() {
    const QString current = main_.mapPanel().station();
    std::optional<QString> answer;
    if (askLocator_) {
        answer = askLocator_(current);
    } else {
        bool ok = false;
        const QString text = QInputDialog::getText(&main_, QStringLiteral("Station Locator"),
                                                   QStringLiteral("Maidenhead locator of your station (as JO22, "
                                                                  "JO22dc or JO22dc45; empty for none):"),
                                                   QLineEdit::Normal, current, &ok);
        if (ok) answer = text;
    }
    if (!answer) return;
    if (answer->size() > 64 || !main_.mapPanel().SetStation(*answer))
        main_.messages().showMessage(QStringLiteral("\"%1\" is not a Maidenhead locator: 4, 6 or 8 characters, as "
                                                    "JO22, JO22dc or JO22dc45.")
                                         .arg(answer->left(64))
                                         .toStdString());
}

void MapMenu::ExecCalendarDialog() {
    map::ui::TfrmCalendar::Hooks hooks;
    hooks.utcNow = [this] { return main_.utcNow(); };
    // Called from the dialog's controls: an error is shown here and never
    // leaves through the button's signal.
    hooks.setDisplayTime = [this](UtcMoment t) { runGuarded(main_.messages(), [this, t] { main_.SetDisplayTime(t); }); };
    hooks.localToday = map::ui::TfrmCalendar::localTodayFrom(main_.clock());
    map::ui::TfrmCalendar dialog(std::move(hooks), &main_);
    dialog.setProperty("helpContext", help::ctx::kBrowseCalendar);
    dialog.exec();
}

}  // namespace orvane::app
