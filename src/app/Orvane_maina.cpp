// The main window: layout, start-up sequence, clock tick, time labels and
// closing. The subsystems' handlers live in the Orvane_maina*.cpp files
// named in the class header.
#include "app/Orvane_maina.h"

#include <QCloseEvent>
#include <QComboBox>
#include <QDir>
#include <QFontDatabase>
#include <QFrame>
#include <QLabel>
#include <QListWidget>
#include <QPushButton>
#include <QStatusBar>
#include <QStatusTipEvent>
#include <QTabWidget>
#include <QTimer>
#include <QVBoxLayout>
#include <algorithm>

#include "app/PopupHints.h"
#include "app/TimeLabels.h"
#include "app/help/ContextHelp.h"
#include "app/help/HelpContexts.h"
#include "app/widgets/MapImage.h"
#include "app/widgets/RadioGroup.h"
#include "beacons/BandPlan.h"
#include "beacons/Schedule.h"
#include "common/IniFile.h"

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
constexpr int kFreqPanelHeight = 46;
constexpr QRect kMapBevel{16, 33, 521, 244};
constexpr QRect kMapPanel{37, 35, 480, 240};

QStringList bandCaptions() {
    QStringList items;
    for (auto caption : beacons::kBandCaptions) items << QString::fromLatin1(caption.data(), static_cast<qsizetype>(caption.size()));
    return items;
}

// A panel 46 high along the bottom of a tab holding a band radio group.
QWidget* makeFreqPanel(QWidget* page, RadioGroup*& group) {
    auto* panel = new QFrame(page);
    panel->setGeometry(0, kPageHeight - kFreqPanelHeight, kPageWidth, kFreqPanelHeight);
    group = new RadioGroup(QStringLiteral("&Frequency MHz"), bandCaptions(), beacons::kBandCount, panel);
    // Design size 300 x 38 at (131, 3); wider when the desktop's font needs it.
    const int width = std::max(300, group->sizeHint().width());
    group->setGeometry(std::max(4, 131 - (width - 300) / 2), 3, width, 38);
    group->setToolTip(QStringLiteral("Select the beacon frequency"));
    group->setStatusTip(group->toolTip());
    return panel;
}

void setHint(QWidget* w, const QString& hint) {
    w->setToolTip(hint);
    w->setStatusTip(hint);
}

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

    // The window's creation position comes from the settings file.
    const WindowPosition pos = ReadWindowPosition(IniFile(paths_.iniFileName()));
    move(pos.Left, pos.Top);

    FormCreate();
}

TfrmTabbedOrvane::~TfrmTabbedOrvane() { ReleaseMapResources(); }

// ---- Layout ------------------------------------------------------------------

void TfrmTabbedOrvane::BuildControls() {
    StatusBar = new QStatusBar(this);
    StatusBar->setSizeGripEnabled(false);
    StatusBar->setFixedHeight(kStatusBarHeight);
    for (std::size_t i = 0; i < StatusPanels.size(); ++i) {
        StatusPanels[i] = new QLabel(StatusBar);
        StatusPanels[i]->setFrameShape(QFrame::StyledPanel);
        StatusPanels[i]->setFrameShadow(QFrame::Sunken);
    }
    StatusPanels[0]->setFixedWidth(kStatusPanel0Width);
    StatusPanels[1]->setMinimumWidth(50);
    StatusBar->addWidget(StatusPanels[0]);
    StatusBar->addWidget(StatusPanels[1], 1);
    setStatusBar(StatusBar);

    pcMain = new QTabWidget(this);
    pcMain->setStyleSheet(QStringLiteral("QTabBar::tab { min-width: %1px; }").arg(kTabWidth - 16));
    pcMain->tabBar()->setAttribute(Qt::WA_Hover);
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
    setCentralWidget(pcMain);

    BuildMapTab();
    BuildBeaconsTab();
    BuildPropagationTab();

    Timer1 = new QTimer(this);
    Timer1->setInterval(AniSpeed);
    connect(Timer1, &QTimer::timeout, this, [this] { guarded([this] { Timer1Timer(Timer1); }); });
    SlotTimer = new QTimer(this);
    SlotTimer->setSingleShot(true);
    SlotTimer->setTimerType(Qt::PreciseTimer);
    connect(SlotTimer, &QTimer::timeout, this, [this] { guarded([this] { SlotTimerTimer(); }); });

    connect(pcMain, &QTabWidget::currentChanged, this, [this](int index) { pcMainChange(index); });
    connect(rgFrequency, &RadioGroup::clicked, this, [this] { guarded([this] { rgFrequencyClick(rgFrequency); }); });
    connect(rgFrequency2, &RadioGroup::clicked, this, [this] { guarded([this] { rgFrequencyClick(rgFrequency2); }); });
    connect(cblBeacons, &QListWidget::itemChanged, this, [this] { guarded([this] { cblBeaconsClick(); }); });
    connect(btnGetTime, &QPushButton::clicked, this, [this] { guarded([this] { btnGetTimeClick(); }); });

    setFixedSize(kClientWidth, sizeHint().height());
}

void TfrmTabbedOrvane::BuildMapTab() {
    pnlTime = new QFrame(tsMap);
    pnlTime->setFrameStyle(QFrame::Panel | QFrame::Sunken);
    pnlTime->setGeometry(0, 0, kPageWidth, kTimePanelHeight);
    lblUTC = new QLabel(pnlTime);
    lblUTC->setText(QStringLiteral("00:00:00, Wed 28 Mar 1998"));
    lblUTC->setGeometry(39, 6, std::max(156, lblUTC->sizeHint().width() + 4), 20);
    setHint(lblUTC, QStringLiteral("Coordinated Universal Time/Greenwich Mean Time"));
    lblHost = new QLabel(QStringLiteral("Host"), pnlTime);
    lblHost->setGeometry(228, 8, 30, 16);
    cbHost = new QComboBox(pnlTime);
    cbHost->setEditable(true);
    cbHost->setInsertPolicy(QComboBox::InsertAlphabetically);
    cbHost->setGeometry(260, 4, 180, 24);
    btnGetTime = new QPushButton(QStringLiteral("&Get Time"), pnlTime);
    btnGetTime->setGeometry(450, 4, 90, 24);

    bvlMap = new QFrame(tsMap);
    bvlMap->setFrameStyle(QFrame::Box | QFrame::Sunken);
    bvlMap->setGeometry(kMapBevel);
    pnlMap = new QWidget(tsMap);
    pnlMap->setGeometry(kMapPanel);
    ImageDisplay = new MapImage(pnlMap);
    ImageDisplay->setGeometry(0, 0, kMapPanel.width(), kMapPanel.height());
    setHint(ImageDisplay, QStringLiteral("Right click for menu"));

    QFont labelFont = font();
    labelFont.setPixelSize(11);  // "MS Sans Serif" 8 pt
    for (std::size_t i = 0; i < lblSlot.size(); ++i) {
        const beacons::Station& st = beacons::kStations[i];
        auto* l = new QLabel(QString::fromLatin1(st.labelCaption.data(), static_cast<qsizetype>(st.labelCaption.size())), pnlMap);
        l->setObjectName(QStringLiteral("lblSlot%1").arg(st.slotNumber));
        l->setFont(labelFont);
        l->setAutoFillBackground(true);
        l->setContentsMargins(1, 0, 1, 0);
        setHint(l, QString::fromLatin1(st.labelHint.data(), static_cast<qsizetype>(st.labelHint.size())));
        // The caret marks the site: keep that side where the design puts it
        // even when the desktop's font is wider than the design's.
        const int width = std::max(st.width, l->sizeHint().width());
        const int left = st.labelCaption.front() == '^' ? st.left : st.left + st.width - width;
        l->setGeometry(left, st.top, width, beacons::kLabelHeight);
        l->setProperty(kAlwaysShowHintProperty, true);  // whatever the pop-up hint setting
        lblSlot[i] = l;
        applyLabelLook(l, false, true);
    }
    lblBeaconSlot = new QLabel(QStringLiteral("Slot: 00"), pnlMap);
    QFont bold = labelFont;
    bold.setBold(true);
    lblBeaconSlot->setFont(bold);
    lblBeaconSlot->setAutoFillBackground(true);
    QPalette pal = lblBeaconSlot->palette();
    pal.setColor(QPalette::Window, Qt::white);
    pal.setColor(QPalette::WindowText, Qt::black);
    lblBeaconSlot->setPalette(pal);
    lblBeaconSlot->setContentsMargins(1, 0, 1, 0);
    lblBeaconSlot->move(5, 221);
    lblBeaconSlot->setMinimumSize(45, beacons::kLabelHeight);
    lblBeaconSlot->adjustSize();
    setHint(lblBeaconSlot, QStringLiteral("The current beacon station"));

    pnlFreqControl = makeFreqPanel(tsMap, rgFrequency);
}

void TfrmTabbedOrvane::BuildBeaconsTab() {
    cblBeacons = new QListWidget(tsBeacons);
    cblBeacons->setGeometry(102, 10, 350, 256);
    QFont fixed = QFontDatabase::systemFont(QFontDatabase::FixedFont);
    fixed.setPixelSize(12);
    cblBeacons->setFont(fixed);
    cblBeacons->setUniformItemSizes(true);
    setHint(cblBeacons, QStringLiteral("The beacon stations. Status is relative to frequency"));
    for (const beacons::Station& st : beacons::kStations) {
        auto* item = new QListWidgetItem(
            QString::fromLatin1(st.checkListItem.data(), static_cast<qsizetype>(st.checkListItem.size())), cblBeacons);
        item->setFlags(Qt::ItemIsEnabled | Qt::ItemIsSelectable | Qt::ItemIsUserCheckable);
        item->setCheckState(Qt::Unchecked);
        item->setSizeHint(QSize(0, 14));
    }
    pnlFreqControl2 = makeFreqPanel(tsBeacons, rgFrequency2);
}

// ---- Start-up ------------------------------------------------------------------

void TfrmTabbedOrvane::FormCreate() {
    // (The screen's resolution is looked at by the map preparation itself.)
    // The hint handler is event(): status tips go to status panel 1.
    setupAboutTab();
    IniFileName = paths_.iniFileName();
    slotTracker_.reset();
    BeaconBand = 0;
    HostsFileName = QDir::current().absoluteFilePath(QStringLiteral("Hosts.txt"));
    guarded([this] { LoadHostList(); });
    guarded([this] { beaconCollection_.SetupBeaconCollection(); });
    LoadBandChecks();
    // The labels take their ticks' colours from the start, not only after
    // the first band or check-list click.
    ColourBeaconLabels();
    NightShade = 1;
    guarded([this] { ReadMainIni(); });
    HostIndex = FindHost(cbHost->currentText());
    pcMain->setCurrentWidget(tsMap);
    help::setHelpContext(pcMain, help::ctx::kMapTab);
    // The cycle's minute sets are the schedule rule itself (beacons/Schedule.h).
    guarded([this] { LoadShadeBrushes(); });
    // Local times follow the system's zone rules for each moment shown, so a
    // date on the other side of a daylight-saving change shows its own offset.
    TimeZoneName = QString::fromStdString(localZoneName(clock_.nowMoment()));
    guarded([this] { PrepareBaseMap(); });
    guarded([this] { RebuildMap(); });
    rgFrequency->setItemIndex(BeaconBand);
    rgFrequency2->setItemIndex(BeaconBand);
    if (BeaconBand != 0) guarded([this] { rgFrequencyClick(rgFrequency); });
    guarded([this] { AssignHelpContexts(); });
    guarded([this] { ReadPropSettings(); });
    guarded([this] { ShowReportTabs(); });
    guarded([this] {
        MidiDeviceCount = CountMidiDevices();
        GotSoundCard = MidiDeviceCount > 0;
    });
    guarded([this] { createMapMenu(); });
    Timer1->start();
    // Show the time and the beacon now rather than one tick interval later.
    guarded([this] { Timer1Timer(nullptr); });
}

void TfrmTabbedOrvane::ReadMainIni() {
    settings_ = app::ReadMainIni(IniFile(IniFileName));
    cbHost->setCurrentText(settings_.HostsText);
    BeaconBand = settings_.BeaconBand;
    NightShade = settings_.NightShade;
    MonoMap = settings_.MonoMap;
}

void TfrmTabbedOrvane::SaveMainIni() {
    settings_.HostsText = cbHost->currentText();
    settings_.BeaconBand = BeaconBand;
    settings_.NightShade = NightShade;
    // Left and Top are those of the normal window, also when closed minimised.
    if (isMinimized()) setWindowState(windowState() & ~Qt::WindowMinimized);
    IniFile ini(IniFileName);
    app::SaveMainIni(ini, settings_, WindowPosition{x(), y()});
}

// ---- Tick ----------------------------------------------------------------------

void TfrmTabbedOrvane::Timer1Timer(QObject* Sender) {
    RecomputeGreyLine();
    UpdateTimeLabels();
    UpdateBeaconSlot(Sender != nullptr && Sender == rgFrequency);
}

void TfrmTabbedOrvane::SlotTimerTimer() { UpdateBeaconSlot(false); }

void TfrmTabbedOrvane::ArmSlotTimer(UtcMs now) {
    if (closing_) return;
    // Due at the boundary itself. Should it fire a hair early by the wall
    // clock, the slot has not changed yet and it is simply armed again.
    const UtcMs delay = beacons::nextSlotBoundaryMs(now) - now;
    SlotTimer->start(static_cast<int>(delay));
}

void TfrmTabbedOrvane::SetDisplayTime(UtcMoment t) {
    RebuildMap();
    DisplayTime = t;
    Timer1Timer(nullptr);
}

void TfrmTabbedOrvane::UpdateTimeLabels() {
    lblUTC->setText(QString::fromStdString(formatUtcLabel(DisplayTime)));
    if (pcMain->currentWidget() == tsAbout && lblLocalTime)
        lblLocalTime->setText(QString::fromStdString(formatLocalTimeLabel(DisplayTime)));
}

void TfrmTabbedOrvane::setAniSpeed(int milliseconds) {
    AniSpeed = milliseconds;
    Timer1->setInterval(milliseconds);
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
    if (!FirstResizeSeen) {
        FirstResizeSeen = true;
        return;
    }
    guarded([this] { RebuildMap(); });
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
    guarded([this] { SaveHostList(); });
    if (beacons::isValidBand(rgFrequency->itemIndex())) BeaconBand = rgFrequency->itemIndex();
    guarded([this] { SaveMainIni(); });
}

}  // namespace orvane::app
