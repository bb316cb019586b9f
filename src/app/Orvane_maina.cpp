// The main window: the tabs and their panels, start-up, the clock tick, the
// band choice and closing.
#include "app/Orvane_maina.h"

#include <QAction>
#include <QCloseEvent>
#include <QDir>
#include <QGuiApplication>
#include <QLabel>
#include <QScreen>
#include <QStatusBar>
#include <QStatusTipEvent>
#include <QTabBar>
#include <QTabWidget>
#include <QTimer>
#include <QVBoxLayout>

#include "app/BeaconSound.h"
#include "app/TimeLabels.h"
#include "app/help/ContextHelp.h"
#include "app/help/HelpContexts.h"
#include "app/panels/AboutPage.h"
#include "app/panels/BeaconListPanel.h"
#include "app/panels/MapMenu.h"
#include "app/panels/MapPanel.h"
#include "app/panels/TimeServicePanel.h"
#include "app/widgets/RadioGroup.h"
#include "beacons/BandPlan.h"
#include "beacons/Schedule.h"
#include "common/IniFile.h"
#include "cwsim/MidiOutputLayer.h"
#include "reports/ui/PropagationPage.h"

namespace orvane::app {
namespace {

// Design sizes of the window and its parts, in pixels.
constexpr int kClientWidth = 563;
constexpr int kStatusBarHeight = 22;
constexpr int kStatusPanel0Width = 180;
constexpr int kTabWidth = 140;
constexpr int kPageWidth = 555;
constexpr int kPageHeight = 323;
constexpr int kTimePanelHeight = 32;

}  // namespace

TfrmTabbedOrvane::TfrmTabbedOrvane(Clock& clock, MessageService& messages, HelpService* helpService, AppPaths paths,
                                   QWidget* parent)
    : QMainWindow(parent),
      clock_(clock),
      messages_(messages),
      help_(helpService),
      paths_(std::move(paths)),
      beaconCollection_(paths_.beaconFileName()) {
    setObjectName(QStringLiteral("frmTabbedOrvane"));
    setWindowTitle(QStringLiteral("Orvane ++"));
    // Fixed single border, system menu and minimise box, no maximise.
    setWindowFlags(Qt::Window | Qt::WindowTitleHint | Qt::WindowSystemMenuHint | Qt::WindowMinimizeButtonHint |
                   Qt::WindowCloseButtonHint | Qt::MSWindowsFixedSizeDialogHint);
    BuildControls();

    // The window's creation position comes from the settings file, brought
    // onto a screen when it lies off all of them (the primary screen first).
    QList<QRect> screens;
    if (const QScreen* primary = QGuiApplication::primaryScreen()) screens << primary->availableGeometry();
    for (const QScreen* screen : QGuiApplication::screens())
        if (screen != QGuiApplication::primaryScreen()) screens << screen->availableGeometry();
    const WindowPosition pos =
        PlaceOnScreens(ReadWindowPosition(IniFile(paths_.iniFileName())), frameGeometry().size(), screens);
    move(pos.Left, pos.Top);

    FormCreate();
}

TfrmTabbedOrvane::~TfrmTabbedOrvane() = default;

// ---- Layout ------------------------------------------------------------------

void TfrmTabbedOrvane::BuildControls() {
    auto* statusBar = new QStatusBar(this);
    statusBar->setSizeGripEnabled(false);
    statusBar->setFixedHeight(kStatusBarHeight);
    for (std::size_t i = 0; i < StatusPanels.size(); ++i) {
        StatusPanels[i] = new QLabel(statusBar);
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

    QWidget* tsBeacons = nullptr;
    QWidget* tsPropagation = nullptr;
    struct Page {
        QWidget*& page;
        const char* caption;
    };
    for (const Page& p : {Page{tsMap, "Map"}, Page{tsBeacons, "Beacons"}, Page{tsPropagation, "Propagation"},
                          Page{tsAbout, "About"}}) {
        p.page = new QWidget(pcMain);
        p.page->setFixedSize(kPageWidth, kPageHeight);
        pcMain->addTab(p.page, QString::fromLatin1(p.caption));
    }
    // The panels go onto pages already in the tab control, so that the tab
    // control's style leaves the colours they set alone.
    timePanel_ = new TimeServicePanel(clock_, messages_, *StatusPanels[0], tsMap);
    timePanel_->setGeometry(0, 0, kPageWidth, kTimePanelHeight);
    mapPanel_ = new MapPanel(clock_, tsMap);
    mapPanel_->setGeometry(0, kTimePanelHeight, kPageWidth, kPageHeight - kTimePanelHeight);
    beaconList_ = new BeaconListPanel(beaconCollection_, tsBeacons);
    beaconList_->setGeometry(0, 0, kPageWidth, kPageHeight);
    propSettings_ = reports::defaultPropSettings();
    auto* layout = new QVBoxLayout(tsPropagation);
    layout->setContentsMargins(0, 0, 0, 0);
    reportsPage_ = new reports::PropagationPage(propSettings_, clock_, tsPropagation);
    layout->addWidget(reportsPage_);
    aboutPage_ = new AboutPage(messages_, tsAbout);
    aboutPage_->setGeometry(0, 0, kPageWidth, kPageHeight);
    setCentralWidget(pcMain);

    Timer1 = new QTimer(this);
    Timer1->setInterval(AniSpeed);
    connect(Timer1, &QTimer::timeout, this, [this] { guarded([this] { Timer1Timer(Timer1); }); });
    SlotTimer = new QTimer(this);
    SlotTimer->setSingleShot(true);
    SlotTimer->setTimerType(Qt::PreciseTimer);
    connect(SlotTimer, &QTimer::timeout, this, [this] { guarded([this] { SlotTimerTimer(); }); });

    connect(pcMain, &QTabWidget::currentChanged, this, [this](int index) { pcMainChange(index); });
    connect(mapPanel_, &MapPanel::bandClicked, this,
            [this] { guarded([this] { rgFrequencyClick(mapPanel_->frequencyGroup()); }); });
    connect(beaconList_, &BeaconListPanel::bandClicked, this,
            [this] { guarded([this] { rgFrequencyClick(beaconList_->frequencyGroup()); }); });
    connect(beaconList_, &BeaconListPanel::ticksChanged, this, [this] { guarded([this] { ColourBeaconLabels(); }); });
    connect(reportsPage_->puConfigPropReports, &QAction::triggered, this, [this] { puConfigPropReportsClick(); });
    connect(reportsPage_->puGetLatestReports, &QAction::triggered, this, [this] { puGetLatestReportsClick(); });
    connect(reportsPage_->puHelp, &QAction::triggered, this, [this] {
        if (help_) help_->showContents();
    });

    setFixedSize(kClientWidth, sizeHint().height());
}

// ---- Start-up ------------------------------------------------------------------

void TfrmTabbedOrvane::FormCreate() {
    // The hint handler is event(): status tips go to status panel 1.
    IniFileName = paths_.iniFileName();
    slotTracker_.reset();
    BeaconBand = 0;
    guarded([this] { timePanel_->LoadHostList(QDir::current().absoluteFilePath(QStringLiteral("Hosts.txt"))); });
    guarded([this] { beaconCollection_.SetupBeaconCollection(); });
    beaconList_->LoadBandChecks(BeaconBand);
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
    // The map menu enables the sound simulation only when an output can sound.
    bool soundAvailable = false;
    guarded([this, &soundAvailable] { soundAvailable = midiOutputs(paths_)->midiOutGetNumDevs() > 0; });
    mapMenu_ = new MapMenu(*this, tsMap, soundAvailable);
    Timer1->start();
    // Show the time and the beacon now rather than one tick interval later.
    guarded([this] { Timer1Timer(nullptr); });
}

void TfrmTabbedOrvane::ReadMainIni() {
    settings_ = app::ReadMainIni(IniFile(IniFileName));
    timePanel_->setHostText(settings_.HostsText);
    BeaconBand = settings_.BeaconBand;
    mapPanel_->SetNightShade(settings_.NightShade);
    MonoMap = settings_.MonoMap;
}

void TfrmTabbedOrvane::SaveMainIni() {
    settings_.HostsText = timePanel_->hostText();
    settings_.BeaconBand = BeaconBand;
    settings_.NightShade = mapPanel_->nightShade();
    // Left and Top are those of the normal window's frame, also when closed
    // minimised; the window is not restored to read them.
    const QPoint frameOffset = pos() - geometry().topLeft();
    const QRect normal = normalGeometry().isValid() ? normalGeometry() : geometry();
    const QPoint topLeft = normal.topLeft() + frameOffset;
    IniFile ini(IniFileName);
    app::SaveMainIni(ini, settings_, WindowPosition{topLeft.x(), topLeft.y()});
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
}

void TfrmTabbedOrvane::startTick() {
    tickStopped_ = false;
    Timer1->start();
    ArmSlotTimer(clock_.nowUtcMs());
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
    // Played whether or not the beacon is ticked; stopping goes through StopRequest.
    if (SimulateOn && startBeaconSound_) startBeaconSound_(index + 1);
}

void TfrmTabbedOrvane::ColourBeaconLabels() { mapPanel_->ColourBeaconLabels(beaconList_->ticks()); }

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
    static constexpr std::array<int, 4> kTabHelpContexts{help::ctx::kMapTab, help::ctx::kBeaconsTab,
                                                         help::ctx::kPropagationTab, help::ctx::kAboutTab};
    if (index >= 0 && index < static_cast<int>(kTabHelpContexts.size()))
        help::setHelpContext(pcMain, kTabHelpContexts[static_cast<std::size_t>(index)]);
    // The local time appears at once rather than at the next tick.
    if (pcMain->widget(index) == tsAbout) UpdateTimeLabels();
}

void TfrmTabbedOrvane::ShowAppHint(const QString& hint) {
    const qsizetype bar = hint.indexOf(QLatin1Char('|'));
    setStatusPanelText(1, bar >= 0 ? hint.mid(bar + 1) : hint);
}

void TfrmTabbedOrvane::setStatusPanelText(int panel, const QString& text) {
    StatusPanels[static_cast<std::size_t>(panel)]->setText(text);
}

QString TfrmTabbedOrvane::statusPanelText(int panel) const {
    return StatusPanels[static_cast<std::size_t>(panel)]->text();
}

bool TfrmTabbedOrvane::event(QEvent* e) {
    // Status tips of controls and menu items (their long hints) go to panel 1.
    if (e->type() == QEvent::StatusTip) {
        ShowAppHint(static_cast<QStatusTipEvent*>(e)->tip());
        return true;
    }
    return QMainWindow::event(e);
}

void TfrmTabbedOrvane::resizeEvent(QResizeEvent* e) {
    QMainWindow::resizeEvent(e);
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
    if (stopRequest_) stopRequest_();
    guarded([this] { beaconCollection_.SaveBeaconCollection(); });
    guarded([this] { timePanel_->SaveHostList(); });
    if (beacons::isValidBand(mapPanel_->bandIndex())) BeaconBand = mapPanel_->bandIndex();
    guarded([this] { SaveMainIni(); });
}

}  // namespace orvane::app
