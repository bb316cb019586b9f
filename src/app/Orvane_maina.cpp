// The main window: the tabs and their panels, start-up, the clock tick, the
// band choice and closing.
#include "app/Orvane_maina.h"

#include <QAction>
#include <QCloseEvent>
#include <QDir>
#include <QFileInfo>
#include <QGuiApplication>
#include <QLabel>
#include <QScreen>
#include <QShortcut>
#include <QStatusBar>
#include <QStatusTipEvent>
#include <QTabBar>
#include <QTabWidget>
#include <QTimer>
#include <QVBoxLayout>
#include <cmath>

#include "app/BeaconSound.h"
#include "app/TimeLabels.h"
#include "app/help/ContextHelp.h"
#include "app/help/HelpContexts.h"
#include "app/panels/AboutPage.h"
#include "app/panels/BeaconListPanel.h"
#include "app/panels/MapMenu.h"
#include "app/panels/MapPanel.h"
#include "app/panels/MonitorPanel.h"
#include "app/panels/ListenMenu.h"
#include "app/panels/RadioMenu.h"
#include "app/panels/TimeServicePanel.h"
#include "app/widgets/HintPanel.h"
#include "app/widgets/RadioGroup.h"
#include "app/widgets/TextGrowth.h"
#include "beacons/BandPlan.h"
#include "beacons/Schedule.h"
#include "common/IniFile.h"
#include "cwsim/MidiOutputLayer.h"
#include "reports/ui/PropagationPage.h"
#include "spaceweather/ui/SpaceWeatherDisplay.h"
#include "spaceweather/ui/SpaceWeatherStrip.h"
#include "spaceweather/ui/SpaceWeatherView.h"
#include "rig/RadioSettings.h"
#include "rig/RigFollower.h"

namespace orvane::app {
namespace {

// Design sizes of the window and its parts, in pixels.
constexpr int kClientWidth = 563;
constexpr int kStatusBarHeight = 22;
constexpr int kStatusPanel0Width = 180;
// Five tabs share the classic width (four of 140 pixels did before the
// Monitor tab), so none hides behind scroll arrows.
constexpr int kTabWidth = 111;
constexpr int kPageWidth = 555;
constexpr int kPageHeight = 323;
constexpr int kTimePanelHeight = 32;

}  // namespace

TfrmTabbedOrvane::TfrmTabbedOrvane(Clock& clock, MessageService& messages, HelpService* helpService, AppPaths paths,
                                   QWidget* parent)
    : QMainWindow(parent),
      displayClock_(clock),
      clock_(displayClock_),
      messages_(messages),
      help_(helpService),
      paths_(std::move(paths)),
      beaconCollection_(paths_.beaconFileName()) {
    setObjectName(QStringLiteral("frmTabbedOrvane"));
    setWindowTitle(QStringLiteral("Orvane ++"));
    // Resizable down to the classic size, which is also where it starts.
    setWindowFlags(Qt::Window | Qt::WindowTitleHint | Qt::WindowSystemMenuHint | Qt::WindowMinimizeButtonHint |
                   Qt::WindowMaximizeButtonHint | Qt::WindowCloseButtonHint);
    BuildControls();

    // The window's creation size and position come from the settings file,
    // the size no larger than the first screen and the place brought onto a
    // screen when it lies off all of them (the primary screen first).
    QList<QRect> screens;
    if (const QScreen* primary = QGuiApplication::primaryScreen()) screens << primary->availableGeometry();
    for (const QScreen* screen : QGuiApplication::screens())
        if (screen != QGuiApplication::primaryScreen()) screens << screen->availableGeometry();
    const IniFile ini(paths_.iniFileName());
    const WindowSize stored = ReadWindowSize(ini, minimumSize());
    QSize size(stored.Width, stored.Height);
    if (!screens.isEmpty()) size = size.boundedTo(screens.front().size()).expandedTo(minimumSize());
    resize(size);
    const QSize frame = size + (frameGeometry().size() - geometry().size());
    const WindowPosition pos = PlaceOnScreens(ReadWindowPosition(ini), frame, screens);
    move(pos.Left, pos.Top);

    FormCreate();
}

TfrmTabbedOrvane::~TfrmTabbedOrvane() = default;

// ---- Layout ------------------------------------------------------------------

void TfrmTabbedOrvane::BuildControls() {
    auto* statusBar = new QStatusBar(this);
    statusBar->setSizeGripEnabled(false);
    statusBar->setFixedHeight(kStatusBarHeight);
    hintPanel_ = new HintPanel(statusBar);
    StatusPanels[0] = new QLabel(statusBar);
    StatusPanels[1] = hintPanel_;
    for (std::size_t i = 0; i < StatusPanels.size(); ++i) {
        StatusPanels[i]->setFrameShape(QFrame::StyledPanel);
        StatusPanels[i]->setFrameShadow(QFrame::Sunken);
    }
    StatusPanels[0]->setFixedWidth(kStatusPanel0Width);
    StatusPanels[1]->setMinimumWidth(50);
    statusBar->addWidget(StatusPanels[0]);
    statusBar->addWidget(StatusPanels[1], 1);
    setStatusBar(statusBar);

    pcMain = new QTabWidget(this);
    pcMain->setStyleSheet(QStringLiteral("QTabBar::tab { min-width: %1px; }").arg(kTabWidth - 16));
    pcMain->tabBar()->setAttribute(Qt::WA_Hover);
    pcMain->tabBar()->setUsesScrollButtons(true);  // only should the captions alone not fit

    struct Page {
        QWidget*& page;
        const char* caption;
    };
    for (const Page& p : {Page{tsMap, "Map"}, Page{tsMonitor, "Monitor"}, Page{tsBeacons, "Beacons"},
                          Page{tsPropagation, "Propagation"}, Page{tsAbout, "About"}}) {
        p.page = new QWidget(pcMain);
        p.page->setMinimumSize(kPageWidth, kPageHeight);
        pcMain->addTab(p.page, QString::fromLatin1(p.caption));
    }
    // The panels go onto pages already in the tab control, so that the tab
    // control's style leaves the colours they set alone.
    // On the Map tab the time panel runs along the top, the map panel takes
    // the rest of the page above the space-weather strip. Their text grows
    // with the page (growPageText); their least widths are the classic
    // page's, whatever the text's size, so a window made large can be made
    // small again.
    timePanel_ = new TimeServicePanel(displayClock_, messages_, *StatusPanels[0], tsMap);
    timePanel_->setMinimumWidth(kPageWidth);
    mapPanel_ = new MapPanel(clock_, tsMap);
    mapPanel_->setMinimumSize(kPageWidth, kPageHeight - kTimePanelHeight);
    auto* mapLayout = new QVBoxLayout(tsMap);
    mapLayout->setContentsMargins(0, 0, 0, 0);
    mapLayout->setSpacing(0);
    mapLayout->addWidget(timePanel_);
    mapLayout->addWidget(mapPanel_, 1);
    spaceWeather_ = new spaceweather::SpaceWeatherDisplay(clock_, QDir::currentPath(), this);
    mapStrip_ = spaceWeather_->addStrip(tsMap);
    mapStrip_->setMinimumWidth(1);
    mapLayout->addWidget(mapStrip_);
    tsMap->installEventFilter(this);
    // The Monitor tab: all five bands at a glance, beside the map rather
    // than below it, so the map keeps its room.
    monitorPanel_ = new MonitorPanel(clock_, tsMonitor);
    auto* monitorLayout = new QVBoxLayout(tsMonitor);
    monitorLayout->setContentsMargins(0, 0, 0, 0);
    monitorLayout->addWidget(monitorPanel_);
    monitorStrip_ = spaceWeather_->addStrip(tsMonitor);
    monitorStrip_->setMinimumWidth(1);
    monitorLayout->addWidget(monitorStrip_);
    tsMonitor->installEventFilter(this);
    follower_ = std::make_unique<rig::RigFollower>(clock_, rig::makeHamlibRig);
    beaconList_ = new BeaconListPanel(beaconCollection_, tsBeacons);
    auto* beaconsLayout = new QVBoxLayout(tsBeacons);
    beaconsLayout->setContentsMargins(0, 0, 0, 0);
    beaconsLayout->addWidget(beaconList_);
    propSettings_ = reports::defaultPropSettings();
    auto* layout = new QVBoxLayout(tsPropagation);
    layout->setContentsMargins(0, 0, 0, 0);
    reportsPage_ = new reports::PropagationPage(propSettings_, clock_, tsPropagation);
    layout->addWidget(reportsPage_);
    pcMain->insertTab(pcMain->indexOf(tsPropagation) + 1, spaceWeather_->addView(pcMain), QStringLiteral("Space Weather"));
    connect(spaceWeather_, &spaceweather::SpaceWeatherDisplay::showPage, this,
            [this] { pcMain->setCurrentIndex(pcMain->indexOf(tsPropagation) + 1); });
    aboutPage_ = new AboutPage(messages_, tsAbout);
    auto* aboutLayout = new QVBoxLayout(tsAbout);
    aboutLayout->setContentsMargins(0, 0, 0, 0);
    aboutLayout->addWidget(aboutPage_);
    setCentralWidget(pcMain);

    Timer1 = new QTimer(this);
    Timer1->setInterval(AniSpeed);
    connect(Timer1, &QTimer::timeout, this, [this] { guarded([this] { Timer1Timer(Timer1); }); });
    SlotTimer = new QTimer(this);
    SlotTimer->setSingleShot(true);
    SlotTimer->setTimerType(Qt::PreciseTimer);
    connect(SlotTimer, &QTimer::timeout, this, [this] { guarded([this] { SlotTimerTimer(); }); });

    // Esc returns from the map-only view and from full screen, whichever
    // control has the focus.
    auto* escape = new QShortcut(QKeySequence(Qt::Key_Escape), this);
    connect(escape, &QShortcut::activated, this, [this] { guarded([this] { LeaveSpecialViews(); }); });

    connect(pcMain, &QTabWidget::currentChanged, this, [this](int index) { pcMainChange(index); });
    connect(mapPanel_, &MapPanel::bandClicked, this,
            [this] { guarded([this] { rgFrequencyClick(mapPanel_->frequencyGroup()); }); });
    connect(beaconList_, &BeaconListPanel::bandClicked, this,
            [this] { guarded([this] { rgFrequencyClick(beaconList_->frequencyGroup()); }); });
    connect(beaconList_, &BeaconListPanel::ticksChanged, this, [this] {
        guarded([this] {
            ColourBeaconLabels();
            ShowInService();
        });
    });
    connect(mapPanel_, &MapPanel::stationChanged, this, [this] { guarded([this] { ShowStations(); }); });
    connect(reportsPage_->puConfigPropReports, &QAction::triggered, this, [this] { puConfigPropReportsClick(); });
    connect(reportsPage_->puGetLatestReports, &QAction::triggered, this, [this] { puGetLatestReportsClick(); });
    connect(reportsPage_->puHelp, &QAction::triggered, this, [this] {
        if (help_) help_->showContents();
    });

    setMinimumSize(kClientWidth, sizeHint().height());
    resize(minimumSize());
}

// ---- Start-up ------------------------------------------------------------------

void TfrmTabbedOrvane::FormCreate() {
    // The hint handler is event(): status tips go to status panel 1.
    IniFileName = paths_.iniFileName();
    slotTracker_.reset();
    BeaconBand = 0;
    guarded([this] { timePanel_->LoadHostList(QDir::current().absoluteFilePath(QStringLiteral("Hosts.txt"))); });
    guarded([this] { beaconCollection_.SetupBeaconCollection(); });
    guarded([this] { LoadStations(); });
    beaconList_->LoadBandChecks(BeaconBand);
    ShowInService();
    // The labels take their ticks' colours from the start, not only after
    // the first band or check-list click.
    ColourBeaconLabels();
    guarded([this] { ReadMainIni(); });
    pcMain->setCurrentWidget(tsMap);
    help::setHelpContext(pcMain, help::ctx::kMapTab);
    // Local times follow the system's zone rules for each moment shown, so a
    // date on the other side of a daylight-saving change shows its own offset.
    TimeZoneName = QString::fromStdString(localZoneName(clock_.nowMoment()));
    // The screen's colour depth is looked at by the map preparation itself.
    guarded([this] { mapPanel_->PrepareBaseMap(MonoMap); });
    guarded([this] { mapPanel_->RebuildMap(); });
    mapPanel_->setBandIndex(BeaconBand);
    beaconList_->setBandIndex(BeaconBand);
    if (BeaconBand != 0) guarded([this] { rgFrequencyClick(mapPanel_->frequencyGroup()); });
    guarded([this] { reportsPage_->AssignHelpContexts(); });
    guarded([this] { propSettings_ = reports::ReadPropSettings(IniFile(IniFileName)); });
    guarded([this] { ShowReportTabs(); });
    // The products already kept; fetching them is the program's own choice (main).
    guarded([this] { spaceWeather_->start(false); });
    // The map menu enables the sound simulation only when an output can sound.
    bool soundAvailable = false;
    guarded([this, &soundAvailable] { soundAvailable = midiOutputs(paths_)->midiOutGetNumDevs() > 0; });
    mapMenu_ = new MapMenu(*this, tsMap, soundAvailable);
    radioMenu_ = new RadioMenu(*this, *follower_, mapMenu_->submenu(QStringLiteral("mnRadio")), nullptr);
    listenMenu_ = new ListenMenu(*this, mapMenu_->submenu(QStringLiteral("mnListenGroup")), nullptr);
    Timer1->start();
    // Show the time and the beacon now rather than one tick interval later.
    guarded([this] { Timer1Timer(nullptr); });
}

void TfrmTabbedOrvane::ReadMainIni() {
    settings_ = app::ReadMainIni(IniFile(IniFileName));
    timePanel_->setHostText(settings_.HostsText);
    timePanel_->setClockCorrection(timesync::parseCorrection(settings_.ClockCorrection));
    BeaconBand = settings_.BeaconBand;
    mapPanel_->SetNightShade(settings_.NightShade);
    MonoMap = settings_.MonoMap;
    mapPanel_->SetTwilight(settings_.Twilight);
    mapPanel_->SetStation(settings_.Locator);
    if (settings_.MapOnly) SetMapOnly(true);
    follower_->setSettings(rig::ReadRadioIni(IniFile(IniFileName)));
}

void TfrmTabbedOrvane::SaveMainIni() {
    settings_.HostsText = timePanel_->hostText();
    const auto& correction = timePanel_->clockCorrection();
    settings_.ClockCorrection = correction ? timesync::formatCorrection(*correction) : QString();
    settings_.BeaconBand = BeaconBand;
    settings_.NightShade = mapPanel_->nightShade();
    settings_.Twilight = mapPanel_->twilight();
    settings_.MapOnly = MapOnlyOn;
    settings_.Locator = mapPanel_->station();
    // Left, Top, Width and Height are those of the normal window, also when
    // closed minimised, maximised or full screen; the window is not
    // restored to read them.
    const QPoint frameOffset = pos() - geometry().topLeft();
    const QRect normal = normalGeometry().isValid() ? normalGeometry() : geometry();
    const QPoint topLeft = normal.topLeft() + frameOffset;
    IniFile ini(IniFileName);
    app::SaveMainIni(ini, settings_, WindowPosition{topLeft.x(), topLeft.y()},
                     WindowSize{normal.width(), normal.height()});
}

bool TfrmTabbedOrvane::gotSoundCard() const { return mapMenu_->soundAvailable(); }

// ---- Tick ----------------------------------------------------------------------

void TfrmTabbedOrvane::Timer1Timer(QObject* Sender) {
    mapPanel_->RecomputeGreyLine();
    UpdateTimeLabels();
    UpdateBeaconSlot(Sender != nullptr && Sender == mapPanel_->frequencyGroup());
}

void TfrmTabbedOrvane::SlotTimerTimer() { UpdateBeaconSlot(false); }

void TfrmTabbedOrvane::ArmSlotTimer(UtcMs now) {
    if (closing_ || tickStopped_) return;
    // Due at the boundary itself. Should it fire a hair early by the wall
    // clock, the slot has not changed yet and it is simply armed again.
    const UtcMs delay = beacons::nextSlotBoundaryMs(now) - now;
    SlotTimer->start(static_cast<int>(delay));
}

void TfrmTabbedOrvane::stopTick() {
    tickStopped_ = true;
    Timer1->stop();
    SlotTimer->stop();
    monitorPanel_->stop();
}

void TfrmTabbedOrvane::startTick() {
    tickStopped_ = false;
    Timer1->start();
    const UtcMs now = clock_.nowUtcMs();
    ArmSlotTimer(now);
    monitorPanel_->showSlot(now);
}

void TfrmTabbedOrvane::SetDisplayTime(UtcMoment t) {
    mapPanel_->RebuildMap();
    mapPanel_->setDisplayTime(t);
    Timer1Timer(nullptr);
}

void TfrmTabbedOrvane::UpdateTimeLabels() {
    timePanel_->showUtc(mapPanel_->displayTime());
    if (pcMain->currentWidget() == tsAbout) aboutPage_->showLocalTime(mapPanel_->displayTime());
}

void TfrmTabbedOrvane::setAniSpeed(int milliseconds) {
    AniSpeed = milliseconds;
    Timer1->setInterval(milliseconds);
}

// ---- Beacon schedule -------------------------------------------------------------

void TfrmTabbedOrvane::UpdateBeaconSlot(bool forced) {
    const UtcMs now = clock_.nowUtcMs();
    UtcNow = systemTimeFromMs(now);
    ArmSlotTimer(now);
    if (floorDiv(now, kOffsetRefreshMs) != offsetsQuarter_) ShowStationOffsets(now);
    // The monitor follows the real slot whatever the map shows.
    if (!tickStopped_ && !closing_ &&
        (!monitorPanel_->hasShown() ||
         monitorPanel_->shownPeriodStartMs() != beacons::slotPeriodStartMs(beacons::slotPeriodOf(now))))
        monitorPanel_->showSlot(now);
    if (!mapPanel_->beaconsShown()) return;
    UtcNow.second = static_cast<std::uint16_t>(UtcNow.second - UtcNow.second % 10);
    if (const auto index = slotTracker_.onClock(now, BeaconBand, forced)) {
        CurrentSlot = *index;
        ShowCurrentBeacon(*index);
        emit slotShown(beacons::slotPeriodStartMs(beacons::slotPeriodOf(now)), now);
    }
}

void TfrmTabbedOrvane::ShowCurrentBeacon(int index) {
    mapPanel_->ShowCurrentBeacon(index, beaconList_->isTicked(index));
    const beacons::StationEntry& e = stations_.entry(index);
    mapPanel_->ShowPath(geo::LonLat{e.lonDeg, e.latDeg});
    // Played whether or not the beacon is ticked; stopping goes through StopRequest.
    if (SimulateOn && startBeaconSound_) startBeaconSound_(index + 1);
}

void TfrmTabbedOrvane::ColourBeaconLabels() { mapPanel_->ColourBeaconLabels(beaconList_->ticks()); }

void TfrmTabbedOrvane::ShowInService() {
    MonitorPanel::InService flags{};
    const auto& table = beaconCollection_.beacons();
    for (std::size_t i = 0; i < flags.size(); ++i) flags[i] = table[i].OnBand;
    monitorPanel_->setInService(flags);
}

// ---- Stations ----------------------------------------------------------------------

void TfrmTabbedOrvane::LoadStations() {
    const QString file = paths_.stationFileName();
    // A file that cannot be read is reported; the built-in stations are shown.
    if (QFileInfo(file).exists()) {
        guarded([&] {
            const auto problems = stations_.load(file);
            if (!problems.empty()) messages_.showError(beacons::describeProblems(file, problems).toStdString());
        });
    }
    ShowStations();
}

void TfrmTabbedOrvane::ShowStations() {
    const std::optional<geo::LonLat> place = mapPanel_->stationPlace();
    MapPanel::BeaconTexts captions, hints, extras, bearings;
    for (int i = 0; i < beacons::kBeaconListCount; ++i) {
        const auto k = static_cast<std::size_t>(i);
        const beacons::StationEntry& e = stations_.entry(i);
        captions[k] = QString::fromStdString(stations_.labelCaption(i));
        hints[k] = QString::fromStdString(stations_.labelHint(i));
        if (!place) continue;
        const geo::Path p = geo::pathBetween(*place, {e.lonDeg, e.latDeg});
        const auto degrees = [](double d) { return static_cast<int>(std::lround(d)) % 360; };
        bearings[k] = QStringLiteral("SP %1  LP %2 %3 km")
                          .arg(degrees(p.spBearingDeg), 3)
                          .arg(degrees(p.lpBearingDeg), 3)
                          .arg(std::lround(p.spDistanceKm), 6);
        extras[k] = QStringLiteral("Short path %1°, long path %2°, %3 km")
                        .arg(p.spBearingDeg, 0, 'f', 1)
                        .arg(p.lpBearingDeg, 0, 'f', 1)
                        .arg(p.spDistanceKm, 0, 'f', 0);
    }
    std::array<std::optional<geo::LonLat>, beacons::kBeaconListCount> sites{};
    for (int i = 0; i < beacons::kBeaconListCount; ++i)
        if (stations_.siteMoved(i))
            sites[static_cast<std::size_t>(i)] = geo::LonLat{stations_.entry(i).lonDeg, stations_.entry(i).latDeg};
    mapPanel_->SetLabelSites(sites);
    mapPanel_->SetBeaconTexts(captions, hints, extras);
    ShowStationOffsets(clock_.nowUtcMs());
    beaconList_->ShowBearings(bearings);
    monitorPanel_->setStations(stations_);
    monitorPanel_->setStation(place);
    if (CurrentSlot >= 0) {
        const beacons::StationEntry& e = stations_.entry(CurrentSlot);
        mapPanel_->ShowPath(geo::LonLat{e.lonDeg, e.latDeg});
    }
}

// The Beacons tab's items carry each site's UTC offset now. Zones change
// their offsets on whole minutes, so the items are made again when a new
// quarter of an hour begins (the slot boundary that starts it).
void TfrmTabbedOrvane::ShowStationOffsets(UtcMs now) {
    offsetsQuarter_ = floorDiv(now, kOffsetRefreshMs);
    MapPanel::BeaconTexts items;
    for (int i = 0; i < beacons::kBeaconListCount; ++i)
        items[static_cast<std::size_t>(i)] = QString::fromStdString(stations_.checkListItem(i, now));
    beaconList_->SetItemTexts(items);
}

// Either band group: both show the same band, and the new band's beacon
// is shown at once.
void TfrmTabbedOrvane::rgFrequencyClick(QObject* Sender) {
    if (Sender == mapPanel_->frequencyGroup())
        beaconList_->setBandIndex(mapPanel_->bandIndex());
    else
        mapPanel_->setBandIndex(beaconList_->bandIndex());
    if (beacons::isValidBand(mapPanel_->bandIndex())) BeaconBand = mapPanel_->bandIndex();
    beaconList_->LoadBandChecks(BeaconBand);
    ColourBeaconLabels();
    Timer1Timer(mapPanel_->frequencyGroup());
}

// ---- Reports ---------------------------------------------------------------------

void TfrmTabbedOrvane::ShowReportTabs() { guarded([this] { reportsPage_->ShowReportTabs(); }); }

void TfrmTabbedOrvane::puConfigPropReportsClick() {
    if (showReportSetup_) showReportSetup_();
    ShowReportTabs();
}

void TfrmTabbedOrvane::puGetLatestReportsClick() {
    if (getLatestReports_) getLatestReports_();
}

// ---- Tabs, hints, status bar -------------------------------------------------------

void TfrmTabbedOrvane::pcMainChange(int index) {
    const QWidget* page = pcMain->widget(index);
    const int context = page == tsMap                      ? help::ctx::kMapTab
                        : page == tsMonitor                ? help::ctx::kMonitorTab
                        : page == tsBeacons                ? help::ctx::kBeaconsTab
                        : page == tsPropagation            ? help::ctx::kPropagationTab
                        : page == tsAbout                  ? help::ctx::kAboutTab
                                                           : 0;
    if (context > 0) help::setHelpContext(pcMain, context);
    // The local time appears at once rather than at the next tick.
    if (pcMain->widget(index) == tsAbout) UpdateTimeLabels();
}

void TfrmTabbedOrvane::ShowAppHint(const QString& hint) {
    const qsizetype bar = hint.indexOf(QLatin1Char('|'));
    setStatusPanelText(1, bar >= 0 ? hint.mid(bar + 1) : hint);
}

void TfrmTabbedOrvane::setStatusPanelText(int panel, const QString& text) {
    if (panel == 1)
        hintPanel_->setHint(text);
    else
        StatusPanels[static_cast<std::size_t>(panel)]->setText(text);
}

// Panel 1 as it reads when wide enough: the hint on one line.
QString TfrmTabbedOrvane::statusPanelText(int panel) const {
    return panel == 1 ? hintPanel_->oneLine() : StatusPanels[static_cast<std::size_t>(panel)]->text();
}

// ---- Views ----------------------------------------------------------------------

// The map alone: no tabs, time panel, band choice or status bar; the Map
// tab is brought forward first.
void TfrmTabbedOrvane::SetMapOnly(bool on) {
    MapOnlyOn = on;
    if (on) pcMain->setCurrentWidget(tsMap);
    pcMain->tabBar()->setVisible(!on);
    pcMain->setDocumentMode(on);  // no frame round the page
    timePanel_->setVisible(!on);
    statusBar()->setVisible(!on);
    mapPanel_->SetMapOnly(on);
}

void TfrmTabbedOrvane::SetFullScreen(bool on) {
    if (on)
        showFullScreen();
    else
        showNormal();
}

void TfrmTabbedOrvane::LeaveSpecialViews() {
    if (isFullScreen()) SetFullScreen(false);
    if (MapOnlyOn) SetMapOnly(false);
}

bool TfrmTabbedOrvane::event(QEvent* e) {
    // Status tips of controls and menu items (their long hints) go to panel 1.
    if (e->type() == QEvent::StatusTip) {
        ShowAppHint(static_cast<QStatusTipEvent*>(e)->tip());
        return true;
    }
    return QMainWindow::event(e);
}

// The classic tabs are 111 pixels wide; six of them do not fit the classic
// window, so where the window is too narrow they give up that width (never
// their captions) until the bar fits and no longer scrolls.
void TfrmTabbedOrvane::fitTabs() {
    QTabBar* bar = pcMain->tabBar();
    for (int minWidth = kTabWidth - 16;; minWidth -= 4) {
        minWidth = std::max(minWidth, 0);
        if (minWidth != tabMinWidth_) {
            tabMinWidth_ = minWidth;
            bar->setStyleSheet(QStringLiteral("QTabBar::tab { min-width: %1px; }").arg(minWidth));
        }
        if (minWidth == 0 || bar->sizeHint().width() <= pcMain->width()) return;
    }
}

bool TfrmTabbedOrvane::eventFilter(QObject* watched, QEvent* e) {
    if (e->type() == QEvent::Resize && (watched == tsMap || watched == tsMonitor)) growPageText(static_cast<QWidget*>(watched));
    return QMainWindow::eventFilter(watched, e);
}

// The Map tab's time row, band choice and space-weather strip, and the
// Monitor tab's strip, grow with their page as far as the map's labels do.
void TfrmTabbedOrvane::growPageText(QWidget* page) {
    const double scale = textScale(page->size(), QSize(kPageWidth, kPageHeight), kMaxLabelScale);
    if (page == tsMap) {
        timePanel_->setTextScale(scale);
        guarded([this, scale] { mapPanel_->setTextScale(scale); });
        growText(mapStrip_, scale);
    } else {
        growText(monitorStrip_, scale);
    }
}

void TfrmTabbedOrvane::resizeEvent(QResizeEvent* e) {
    QMainWindow::resizeEvent(e);
    fitTabs();
    if (!mapPanel_->windowShown()) {
        mapPanel_->setWindowShown();
        return;
    }
    guarded([this] { mapPanel_->RebuildMap(); });
}

// ---- Closing --------------------------------------------------------------------

void TfrmTabbedOrvane::closeEvent(QCloseEvent* e) {
    if (!closing_) {
        closing_ = true;
        FormCloseQuery();
        FormClose();
    }
    e->accept();
}

void TfrmTabbedOrvane::FormCloseQuery() {
    if (stopRequest_) stopRequest_();
}

void TfrmTabbedOrvane::FormClose() {
    // Each save runs even if an earlier one failed; a failure is shown and
    // never keeps the user from quitting.
    Timer1->stop();
    SlotTimer->stop();
    monitorPanel_->stop();
    // Following ends; the radio stays where it is.
    follower_->stop();
    listenMenu_->stop();
    // A space-weather fetch under way is given up.
    spaceWeather_->watch().stop();
    if (stopRequest_) stopRequest_();
    guarded([this] { beaconCollection_.SaveBeaconCollection(); });
    guarded([this] { timePanel_->SaveHostList(); });
    if (beacons::isValidBand(mapPanel_->bandIndex())) BeaconBand = mapPanel_->bandIndex();
    guarded([this] { SaveMainIni(); });
}

}  // namespace orvane::app
