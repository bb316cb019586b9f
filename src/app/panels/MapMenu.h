#pragma once

#include <QObject>
#include <QString>
#include <QUrl>
#include <functional>
#include <optional>

class QAction;
class QMenu;
class QWidget;

namespace orvane::app {

class TfrmTabbedOrvane;

// Responsibilities: the map's pop-up menu puMenu, every view option of the
// Map tab: animation and its speed, the calendar, Fake, showing the beacons,
// the darkness and twilight, the user's station, the map-only and
// full-screen views, the beep on redraw, the beacon sound simulation and its
// setup, pop-up hints and help. The menu only sets the options; the map
// panel and the main window's tick act on them.
//
// Collaborations: the main window (its tick, its panels, the sound
// simulation's state), which creates it at the end of start-up; the
// simulation dialog through setSimulationControl; the calendar dialog.
class MapMenu final : public QObject {
    Q_OBJECT
public:
    // Builds puMenu and attaches it to the Map tab `mapTab` and the map.
    // `soundAvailable`: an output that can sound was found.
    MapMenu(TfrmTabbedOrvane& main, QWidget* mapTab, bool soundAvailable);

    QMenu* menu() const { return puMenu; }
    // A menu item by its name ("mnFake", "mnLevel3" ...), or null.
    QAction* item(const QString& name) const;
    // A submenu by its name ("mnAnimateSpeed", "mnDarknessLevel", "mnView",
    // "mnRadio", "mnListenGroup"), or null.
    QMenu* submenu(const QString& name) const;

    bool animateOn() const { return AnimateOn; }
    bool fakeOn() const { return FakeOn; }
    // The main window shows pop-up hints (tooltips); off at start.
    bool popupHintsOn() const { return PopupHintsOn; }
    bool soundAvailable() const { return GotSoundCard; }
    // Whether an output that can sound exists; enables the simulation items.
    void setSoundAvailable(bool available);

    // Wired by the entry once frmBeaconSetup exists: sets its StopRequest, and
    // shows it modally.
    void setSimulationControl(std::function<void(bool on)> setStopRequest, std::function<void()> showSetupModal) {
        setSimStopRequest_ = std::move(setStopRequest);
        showSimSetup_ = std::move(showSetupModal);
    }
    // The calendar command's dialog: the "Calendar Toy" unless replaced (tests).
    void setCalendarDialog(std::function<void()> runModal) { runCalendar_ = std::move(runModal); }
    // The locator dialog: given the current locator, the text the user
    // entered, or nothing when cancelled. A line-edit box unless replaced.
    using LocatorDialog = std::function<std::optional<QString>(const QString& current)>;
    void setLocatorDialog(LocatorDialog ask) { askLocator_ = std::move(ask); }

    // ---- Handlers -------------------------------------------------------------
    // Each time puMenu opens: ticks, radio items and the show/hide caption from the state.
    void puMenuPopup();
    // "Animate", "Fake" and "Signal Change", told apart by the sender.
    void mnAnimateFake(QAction* Sender);
    void mnAniSpeedClick(QAction* Sender);
    void mnShowHideBeaconsClick();
    void mnBrowseCalendarClick();
    void mnDarkLevelClick(QAction* Sender);
    void mnSimulateBeaconsClick();
    void mnSimulateBeaconsSetupClick();
    void mnPopuphintsClick();
    void puHelpClick();
    void mnTwilightClick();
    void mnStationLocatorClick();
    void mnMapOnlyClick();
    void mnFullScreenClick();

private:
    void createMapMenu(QWidget* mapTab);
    // Shows the "Calendar Toy" dialog modally (help context 18) and returns
    // when it is closed; it drives the map through the main window's SetDisplayTime.
    void ExecCalendarDialog();
    void updateSimulationItems();

    TfrmTabbedOrvane& main_;
    QMenu* puMenu = nullptr;
    QAction* mnAnimate = nullptr;
    QMenu* mnAnimateSpeed = nullptr;
    QAction* mnAniSpeed1Sec = nullptr;
    QAction* mnBrowseCalendar = nullptr;
    QAction* mnFake = nullptr;
    QAction* mnShowHideBeacons = nullptr;
    QMenu* mnDarknessLevel = nullptr;
    QAction* mnLevel1 = nullptr;
    QMenu* mnView = nullptr;  // the added view options
    QMenu* mnRadio = nullptr;  // filled by the radio menu
    QMenu* mnListenGroup = nullptr;  // filled by the listen menu
    QAction* mnTwilight = nullptr;
    QAction* mnStationLocator = nullptr;
    QAction* mnMapOnly = nullptr;
    QAction* mnFullScreen = nullptr;
    QAction* mnSignalChange = nullptr;
    QAction* mnSimulateBeacons = nullptr;
    QAction* mnSimulateBeaconsSetup = nullptr;
    QAction* mnPopuphints = nullptr;
    QAction* mnHelp = nullptr;

    bool AnimateOn = false;
    bool FakeOn = false;
    bool PopupHintsOn = false;
    bool GotSoundCard = false;
    std::function<void(bool)> setSimStopRequest_;
    std::function<void()> showSimSetup_;
    std::function<void()> runCalendar_;
    LocatorDialog askLocator_;
};

}  // namespace orvane::app
