#pragma once

#include <QMainWindow>
#include <QString>
#include <array>
#include <functional>
#include <memory>

#include "app/Guarded.h"
#include "app/MainSettings.h"
#include "beacons/BeaconCollection.h"
#include "beacons/SlotTracker.h"
#include "beacons/StationTable.h"
#include "common/AppPaths.h"
#include "common/Clock.h"
#include "common/HelpService.h"
#include "common/MessageService.h"
#include "common/TimeTypes.h"
#include "reports/PropSettings.h"
#include "timesync/CorrectedClock.h"

class QLabel;
class QTabWidget;
class QTimer;

namespace orvane::reports {
class PropagationPage;
}
namespace orvane::spaceweather {
class SpaceWeatherDisplay;
class SpaceWeatherStrip;
}
namespace orvane::rig {
class RigFollower;
}

namespace orvane::app {

class AboutPage;
class BeaconListPanel;
class HintPanel;
class MapMenu;
class MapPanel;
class MonitorPanel;
class ListenMenu;
class RadioMenu;
class TimeServicePanel;

// Responsibilities: the main window "Orvane ++": its five tabs (Map,
// Monitor, Beacons, Propagation, About), the status bar, and the one clock tick,
// Timer1, with the slot timer beside it, that drives every time-dependent
// display: the grey-line map, the UTC and local time labels and the beacon
// schedule. It creates the panels, brings them into their first state at
// start-up, routes the tick and the band choice to them and, on closing,
// saves the beacon table, the time-server list and the main settings.
//
// Collaborations: the clock, the message boxes and the help come in through
// the constructor. The panels own their controls: the map (MapPanel), the
// time service (TimeServicePanel), the map menu (MapMenu), the beacon list
// (BeaconListPanel), the report tabs (reports::PropagationPage) and the
// About tab (AboutPage). The beacon table (BeaconCollection) and the slot
// decision (SlotTracker) are plain classes this window only displays.
class TfrmTabbedOrvane : public QMainWindow {
    Q_OBJECT
public:
    TfrmTabbedOrvane(Clock& clock, MessageService& messages, HelpService* helpService, AppPaths paths,
                     QWidget* parent = nullptr);
    ~TfrmTabbedOrvane() override;

    // One clock tick. Sender rgFrequency forces the beacon slot to be shown
    // again at once; nullptr is a tick asked for by code (SetDisplayTime).
    void Timer1Timer(QObject* Sender);
    // The calendar shows another moment: rebuilds the map, stores the moment
    // and runs one tick so map and labels show it at once.
    void SetDisplayTime(UtcMoment t);
    // Writes lblUTC (and lblLocalTime while the About tab is shown) from the
    // displayed moment.
    void UpdateTimeLabels();
    // Reads the clock and shows a new slot when one began (or when forced).
    // Re-arms the slot timer.
    void UpdateBeaconSlot(bool forced);
    // Stops the tick and the slot timer while the calendar holds the map (a
    // tick run by code then arms no slot timer either), and starts both again.
    void stopTick();
    void startTick();

    // Hand-over to the sound simulation, wired by the entry once
    // frmBeaconSetup exists: play the transmission of beacon 1..18 (sets
    // BeaconNumber and starts one sound thread), and ask every playing
    // transmission to stop (StopRequest).
    void setBeaconSoundStarter(std::function<void(int beaconNumber)> start) { startBeaconSound_ = std::move(start); }
    void setStopRequest(std::function<void()> stop) { stopRequest_ = std::move(stop); }
    // "Simulate Beacons": each new slot's beacon is played.
    bool simulateOn() const { return SimulateOn; }
    void setSimulateOn(bool on) { SimulateOn = on; }
    // An output that can sound was found at start-up.
    bool gotSoundCard() const;

    // Wired by the entry once frmSolarFtpSetup exists: "Configure Reports"
    // shows the dialog, "Get Latest Reports" runs its Get Latest action.
    void setReportActions(std::function<void()> showSetup, std::function<void()> getLatest) {
        showReportSetup_ = std::move(showSetup);
        getLatestReports_ = std::move(getLatest);
    }
    // The report retrieval settings of the whole run, shared with frmSolarFtpSetup.
    reports::PropSettings& propSettings() { return propSettings_; }
    // Fills the report tabs from the settings and the report files; shows an
    // unreadable file's error.
    void ShowReportTabs();

    // The application's hint handler: the long hint (after a "|", if any)
    // goes to status-bar panel 1.
    void ShowAppHint(const QString& hint);
    // Text of status-bar panel 0 (time-service status) or 1 (hints; a hint
    // of several lines reads as one, cut to the panel with the whole hint
    // as the panel's tooltip).
    void setStatusPanelText(int panel, const QString& text);
    QString statusPanelText(int panel) const;
    const HintPanel& hintPanel() const { return *hintPanel_; }

    // "Map Only": the map alone fills the window (Esc returns); saved.
    void SetMapOnly(bool on);
    bool mapOnly() const { return MapOnlyOn; }
    // "Full Screen" (Esc returns); not saved.
    void SetFullScreen(bool on);
    // Esc: back from full screen and from the map-only view.
    void LeaveSpecialViews();

    // Tick interval in ms (the menu offers 1000, 750, 500, 250).
    void setAniSpeed(int milliseconds);
    int aniSpeed() const { return AniSpeed; }

    // The band shown (0..4), the slot index shown (0..17, -1 none), and the
    // UTC reading of the last tick, seconds cut to the slot's start.
    int beaconBand() const { return BeaconBand; }
    int currentSlot() const { return CurrentSlot; }
    SystemTime utcNow() const { return UtcNow; }

    // ---- Panels --------------------------------------------------------------
    MapPanel& mapPanel() const { return *mapPanel_; }
    TimeServicePanel& timePanel() const { return *timePanel_; }
    MapMenu& mapMenu() const { return *mapMenu_; }
    BeaconListPanel& beaconList() const { return *beaconList_; }
    reports::PropagationPage& reportsPage() const { return *reportsPage_; }
    spaceweather::SpaceWeatherDisplay& spaceWeather() const { return *spaceWeather_; }
    AboutPage& aboutPage() const { return *aboutPage_; }
    // The space-weather strips below the Map and the Monitor.
    spaceweather::SpaceWeatherStrip& mapStrip() const { return *mapStrip_; }
    spaceweather::SpaceWeatherStrip& monitorStrip() const { return *monitorStrip_; }
    MonitorPanel& monitorPanel() const { return *monitorPanel_; }
    RadioMenu& radioMenu() const { return *radioMenu_; }
    ListenMenu& listenMenu() const { return *listenMenu_; }
    rig::RigFollower& follower() const { return *follower_; }
    // The stations of the run: built in, or as the stations file beside the
    // settings file (<name>.STN) overrides them.
    const beacons::StationTable& stations() const { return stations_; }
    // Reads the stations file (a refused line is shown with its number) and
    // shows the table's calls, sites and, from the user's station, bearings
    // and distances everywhere.
    void LoadStations();
    void ShowStations();
    void ShowStationOffsets(UtcMs now);
    // The tab control; tests switch tabs through it.
    QTabWidget* tabs() const { return pcMain; }
    // The tick and the slot timer; tests stop them and drive the ticks.
    QTimer* tickTimer() const { return Timer1; }
    QTimer* slotTimer() const { return SlotTimer; }

    beacons::BeaconCollection& beaconCollection() { return beaconCollection_; }
    Clock& clock() { return clock_; }
    MessageService& messages() { return messages_; }
    HelpService* help() { return help_; }
    const AppPaths& paths() const { return paths_; }

signals:
    // A new beacon slot is shown: the slot's period start (ms since 1970,
    // UTC) and the clock reading at which it was shown. For measurements.
    void slotShown(qint64 periodStartMs, qint64 shownAtMs);

protected:
    bool event(QEvent* e) override;
    void closeEvent(QCloseEvent* e) override;
    void resizeEvent(QResizeEvent* e) override;
    bool eventFilter(QObject* watched, QEvent* e) override;
    void fitTabs();
    void growPageText(QWidget* page);

private:
    void BuildControls();
    void FormCreate();
    void ReadMainIni();
    void SaveMainIni();
    void FormCloseQuery();
    void FormClose();
    void pcMainChange(int index);
    void ArmSlotTimer(UtcMs now);
    void SlotTimerTimer();
    void ShowCurrentBeacon(int index);
    void ColourBeaconLabels();
    void ShowInService();
    void rgFrequencyClick(QObject* Sender);
    void puConfigPropReportsClick();
    void puGetLatestReportsClick();
    // Runs one step; an error it raises is shown and the next step still runs.
    template <typename Step>
    void guarded(Step&& step) {
        runGuarded(messages_, std::forward<Step>(step));
    }

    // The displays' clock: the PC clock plus the correction the time panel
    // keeps when it could not set the PC clock.
    timesync::CorrectedClock displayClock_;
    Clock& clock_;
    MessageService& messages_;
    HelpService* help_;
    AppPaths paths_;

    std::array<QLabel*, 2> StatusPanels{};
    HintPanel* hintPanel_ = nullptr;  // StatusPanels[1]
    QTabWidget* pcMain = nullptr;
    QWidget* tsMap = nullptr;
    QWidget* tsAbout = nullptr;
    QWidget* tsMonitor = nullptr;
    QWidget* tsBeacons = nullptr;
    QWidget* tsPropagation = nullptr;
    MonitorPanel* monitorPanel_ = nullptr;
    RadioMenu* radioMenu_ = nullptr;
    ListenMenu* listenMenu_ = nullptr;
    std::unique_ptr<rig::RigFollower> follower_;
    TimeServicePanel* timePanel_ = nullptr;
    MapPanel* mapPanel_ = nullptr;
    BeaconListPanel* beaconList_ = nullptr;
    reports::PropagationPage* reportsPage_ = nullptr;
    spaceweather::SpaceWeatherDisplay* spaceWeather_ = nullptr;
    AboutPage* aboutPage_ = nullptr;
    spaceweather::SpaceWeatherStrip* mapStrip_ = nullptr;
    spaceweather::SpaceWeatherStrip* monitorStrip_ = nullptr;
    MapMenu* mapMenu_ = nullptr;
    QTimer* Timer1 = nullptr;
    // One-shot tick armed for the next 10-second boundary, so that a new
    // slot is shown as it begins whatever the tick interval.
    QTimer* SlotTimer = nullptr;

    QString IniFileName;
    int BeaconBand = 0;
    bool MonoMap = false;
    bool MapOnlyOn = false;
    int CurrentSlot = -1;
    // The quarter hour whose UTC offsets the Beacons tab shows.
    static constexpr UtcMs kOffsetRefreshMs = 15 * 60 * 1000;
    std::int64_t offsetsQuarter_ = 0;
    bool SimulateOn = false;
    int AniSpeed = 1000;
    int tabMinWidth_ = -1;
    SystemTime UtcNow;
    QString TimeZoneName;
    beacons::BeaconCollection beaconCollection_;
    beacons::StationTable stations_;
    beacons::SlotTracker slotTracker_;
    MainSettings settings_;
    reports::PropSettings propSettings_;
    bool closing_ = false;
    bool tickStopped_ = false;  // stopTick: ticks asked for by code arm no slot timer
    std::function<void(int)> startBeaconSound_;
    std::function<void()> stopRequest_;
    std::function<void()> showReportSetup_;
    std::function<void()> getLatestReports_;
};

}  // namespace orvane::app
