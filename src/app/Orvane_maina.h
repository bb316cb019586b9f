#pragma once

#include <QMainWindow>
#include <QString>
#include <array>
#include <functional>
#include <memory>

#include "app/MainSettings.h"
#include "beacons/BeaconCollection.h"
#include "beacons/SlotTracker.h"
#include "beacons/Stations.h"
#include "common/AppPaths.h"
#include "common/Clock.h"
#include "common/HelpService.h"
#include "common/MessageService.h"
#include "common/TimeTypes.h"
#include "map/MapPictures.h"
#include "reports/PropSettings.h"
#include "timesync/HostList.h"
#include "timesync/TimeClient.h"

class QComboBox;
class QFrame;
class QLabel;
class QListWidget;
class QMenu;
class QProgressBar;
class QPushButton;
class QStatusBar;
class QTabWidget;
class QTimer;
class QWidget;

namespace orvane::reports {
class PropagationPage;
}

namespace orvane::app {

class MapImage;
class RadioGroup;

// Responsibilities: the main window "Orvane ++" with its four tabs (Map,
// Beacons, Propagation, About), the status bar, and the one clock tick,
// Timer1, that drives every time-dependent display: the grey-line map, the
// UTC and local time labels and the beacon schedule. It runs the start-up
// sequence that brings every subsystem into its first state and, on closing,
// saves the beacon table, the time-server list and the main settings.
//
// Collaborations: the clock, the message boxes and the help come in through
// the constructor. The beacon table (BeaconCollection) and the slot decision
// (SlotTracker) are plain classes this window only displays. The class is
// split by subsystem over several source files, each holding that
// subsystem's handlers:
//   Orvane_maina.cpp         layout, start-up, tick, time labels, closing
//   Orvane_mainaBeacons.cpp  schedule display, band groups, beacon check list
//   Orvane_mainaMap.cpp      map preparation, shading, grey line
//   Orvane_mainaMenu.cpp     the map's pop-up menu and view options
//   About.cpp                About tab (members in MapMenuMembers.inc)
//   Orvane_mainaTime.cpp     time-server list and "Get Time"
//   Orvane_mainaReports.cpp  Propagation tab, report settings, help contexts
//   Orvane_mainaSound.cpp    MIDI device count, sound simulation hand-over
//
// Controls and state carry the names users of the program's design know
// (lblUTC, rgFrequency, BeaconBand ...); they are public so the dialogs of
// the other subsystems and the tests can reach them, as those of a form are.
class TfrmTabbedOrvane : public QMainWindow {
    Q_OBJECT
public:
    TfrmTabbedOrvane(Clock& clock, MessageService& messages, HelpService* helpService, AppPaths paths,
                     QWidget* parent = nullptr);
    ~TfrmTabbedOrvane() override;

    // ---- Operations offered to the other windows -------------------------

    // One clock tick. Sender rgFrequency forces the beacon slot to be shown
    // again at once; nullptr is a tick asked for by code (SetDisplayTime).
    void Timer1Timer(QObject* Sender);
    // The calendar shows another moment: rebuilds the map, stores the moment
    // and runs one tick so map and labels show it at once.
    void SetDisplayTime(UtcMoment t);
    // Writes lblUTC (and lblLocalTime while the About tab is shown) from DisplayTime.
    void UpdateTimeLabels();

    // Hand-over to the sound simulation, wired by the entry once
    // frmBeaconSetup exists: play the transmission of beacon 1..18 (sets
    // BeaconNumber and starts one sound thread), and ask every playing
    // transmission to stop (StopRequest).
    void setBeaconSoundStarter(std::function<void(int beaconNumber)> start) { startBeaconSound_ = std::move(start); }
    void setStopRequest(std::function<void()> stop) { stopRequest_ = std::move(stop); }

    // The application's hint handler: the long hint (after a "|", if any)
    // goes to status-bar panel 1.
    void ShowAppHint(const QString& hint);
    // Text of status-bar panel 0 (time-service status) or 1 (hints).
    void setStatusPanelText(int panel, const QString& text);
    QString statusPanelText(int panel) const;

    // Tick interval in ms (the menu offers 1000, 750, 500, 250).
    void setAniSpeed(int milliseconds);

    // ---- Grey-line map (Orvane_mainaMap.cpp), for the map menu ---------------
    // Composes the shaded picture from the mask at the current NightShade and
    // shows it; beeps when SignalChangeOn.
    void RenderShadedMap();
    // "Darkness Level": NightShade := level (0..4) and re-render at once.
    void SetNightShade(int level);
    // The terminator's Flags (map::TerminatorState::FlagFake = 1,
    // FlagAnimate = 2): read, replace (calendar save/restore), toggle one
    // (returns whether it is now set). AnimateOn/FakeOn are the caller's.
    int TerminatorFlags() const;
    void SetTerminatorFlags(int flags);
    bool ToggleTerminatorFlag(int flag);
    // Shows the "Calendar Toy" dialog modally (help context 18) and returns
    // when it is closed; it drives the map through SetDisplayTime.
    void ExecCalendarDialog();
    const map::GreyLine& greyLine() const { return greyLine_; }
    const map::MapPictures& mapPictures() const { return mapPictures_; }

    beacons::BeaconCollection& beaconCollection() { return beaconCollection_; }
    Clock& clock() { return clock_; }
    MessageService& messages() { return messages_; }
    HelpService* help() { return help_; }
    const AppPaths& paths() const { return paths_; }

    // ---- Controls ---------------------------------------------------------
    QStatusBar* StatusBar = nullptr;
    std::array<QLabel*, 2> StatusPanels{};
    QTabWidget* pcMain = nullptr;
    QWidget* tsMap = nullptr;
    QWidget* tsBeacons = nullptr;
    QWidget* tsPropagation = nullptr;
    QWidget* tsAbout = nullptr;

    // Map tab
    QFrame* pnlTime = nullptr;
    QLabel* lblUTC = nullptr;
    QLabel* lblHost = nullptr;
    QComboBox* cbHost = nullptr;
    QPushButton* btnGetTime = nullptr;
    QFrame* bvlMap = nullptr;
    QWidget* pnlMap = nullptr;
    MapImage* ImageDisplay = nullptr;
    std::array<QLabel*, beacons::kBeaconListCount> lblSlot{};  // lblSlot[0] is "lblSlot1"
    QLabel* lblBeaconSlot = nullptr;
    QWidget* pnlFreqControl = nullptr;
    RadioGroup* rgFrequency = nullptr;

    // Beacons tab
    QListWidget* cblBeacons = nullptr;
    QWidget* pnlFreqControl2 = nullptr;
    RadioGroup* rgFrequency2 = nullptr;

    // Propagation tab (filled by Orvane_mainaReports.cpp): pcReports and
    // ProgressBar1 belong to reportsPage.
    reports::PropagationPage* reportsPage = nullptr;
    QTabWidget* pcReports = nullptr;
    QProgressBar* ProgressBar1 = nullptr;
    // The report retrieval settings of the whole run, shared with frmSolarFtpSetup.
    reports::PropSettings propSettings;
    // Wired by the entry once frmSolarFtpSetup exists: "Configure Reports"
    // shows the dialog, "Get Latest Reports" runs its Get Latest action.
    void setReportActions(std::function<void()> showSetup, std::function<void()> getLatest) {
        showReportSetup_ = std::move(showSetup);
        getLatestReports_ = std::move(getLatest);
    }

    // About tab (laid out by setupAboutTab)
    QLabel* Label11 = nullptr;
    QLabel* lblLocalTime = nullptr;
    QPushButton* btnWebSite = nullptr;
    QPushButton* btnCredits = nullptr;

    // The map's pop-up menu (built by createMapMenu)
    QMenu* puMenu = nullptr;

    QTimer* Timer1 = nullptr;
    // One-shot tick armed for the next 10-second boundary, so that a new
    // slot is shown as it begins whatever the tick interval.
    QTimer* SlotTimer = nullptr;

    // ---- Window state ------------------------------------------------------
    QString IniFileName;
    QString HostsFileName;
    int BeaconBand = 0;
    int NightShade = 1;
    bool MonoMap = false;
    int CurrentSlot = -1;                 // index 0..17 now shown, -1 none
    QLabel* CurrentBeaconLabel = nullptr;
    bool CurrentBeaconActive = false;
    bool BeaconsShown = true;
    bool SimulateOn = false;
    bool AnimateOn = false;
    bool FakeOn = false;
    bool SignalChangeOn = false;
    bool BrowsingCalendar = false;
    int AniSpeed = 1000;
    SystemTime UtcNow;
    QString TimeZoneName;
    bool FirstResizeSeen = false;
    int MidiDeviceCount = 0;
    bool GotSoundCard = false;
    // The displayed moment. Moves into the terminator state of the map once
    // that exists; the beacon schedule never uses it.
    UtcMoment DisplayTime = 0;

    // ---- Beacon schedule display (Orvane_mainaBeacons.cpp) -------------------
    void ShowCurrentBeacon(int index);
    void ColourBeaconLabels();
    void LoadBandChecks();
    void rgFrequencyClick(QObject* Sender);
    void cblBeaconsClick();
    // Steps 3 to 7 of the tick: reads the clock and shows a new slot when one
    // began (or when forced). Re-arms SlotTimer.
    void UpdateBeaconSlot(bool forced);

signals:
    // A new beacon slot is shown: the slot's period start (ms since 1970,
    // UTC) and the clock reading at which it was shown. For measurements.
    void slotShown(qint64 periodStartMs, qint64 shownAtMs);

protected:
    bool event(QEvent* e) override;
    void closeEvent(QCloseEvent* e) override;
    void resizeEvent(QResizeEvent* e) override;

private:
    // ---- Start-up (Orvane_maina.cpp), in order ------------------------------
    void BuildControls();
    void BuildMapTab();
    void BuildBeaconsTab();
    void FormCreate();
    void ReadMainIni();
    void SaveMainIni();
    void FormCloseQuery();
    void FormClose();
    void pcMainChange(int index);
    void ArmSlotTimer(UtcMs now);
    void SlotTimerTimer();
    // Runs one step; an error it raises is shown and the next step still runs.
    template <typename Step>
    void guarded(Step&& step);

    // ---- Time service (Orvane_mainaTime.cpp) --------------------------------
#include "app/TimeServiceMembers.inc"

private:

    // ---- Map (Orvane_mainaMap.cpp) ------------------------------------------
    void PrepareBaseMap();  // start-up steps 17 to 19
    void RebuildMap();
    void LoadShadeBrushes();
    void RecomputeGreyLine();
    void ReleaseMapResources();
    QSize MapPixelSize() const;  // ImageDisplay's size in device pixels
    map::GreyLine greyLine_;       // terminator state and illumination mask
    map::MapPictures mapPictures_; // base map, lit map, shaded picture
    QSize mapSize_;                // size of the last build, device pixels

    // ---- Reports (Orvane_mainaReports.cpp) ----------------------------------
    void BuildPropagationTab();
    void AssignHelpContexts();
    void ReadPropSettings();
public:
    // Fills the report tabs from propSettings and the report files; shows an
    // unreadable file's error.
    void ShowReportTabs();

private:
    void puConfigPropReportsClick();
    void puGetLatestReportsClick();

    // ---- Sound (Orvane_mainaSound.cpp) --------------------------------------
    int CountMidiDevices();

    // ---- Map menu and About tab (Orvane_mainaMenu.cpp, About.cpp) -------------
#include "app/MapMenuMembers.inc"

    // Colours of the beacon labels.
    void applyLabelLook(QLabel* label, bool current, bool ticked);

    Clock& clock_;
    MessageService& messages_;
    HelpService* help_;
    AppPaths paths_;
    beacons::BeaconCollection beaconCollection_;
    beacons::SlotTracker slotTracker_;
    MainSettings settings_;
    bool closing_ = false;
    std::function<void(int)> startBeaconSound_;
    std::function<void()> stopRequest_;
    std::function<void()> showReportSetup_;
    std::function<void()> getLatestReports_;
};

template <typename Step>
void TfrmTabbedOrvane::guarded(Step&& step) {
    try {
        step();
    } catch (const std::exception& e) {
        messages_.showError(e.what());
    }
}

}  // namespace orvane::app
