#include "app/panels/ListenMenu.h"

#include <QAction>
#include <QComboBox>
#include <QDialog>
#include <QFileDialog>
#include <QHBoxLayout>
#include <QMenu>
#include <QPushButton>
#include <QVBoxLayout>
#include <algorithm>
#include <cmath>

#include "app/Guarded.h"
#include "app/Orvane_maina.h"
#include "app/help/ContextHelp.h"
#include "app/help/HelpContexts.h"
#include "app/panels/MapPanel.h"
#include "app/panels/MonitorPanel.h"
#include "beacons/BandPlan.h"
#include "common/IniFile.h"
#include "history/HistorySettings.h"
#include "history/ui/HistoryPanel.h"
#include "listen/live/QtAudioInput.h"
#include "listen/ui/ListenDialog.h"
#include "listen/ui/OpeningChart.h"
#include "rig/RigFollower.h"

namespace orvane::app {

namespace {

// What the status says of the delay as listening starts: searching, when an
// input's delay is automatic.
QString searchingStatus(const listen::ListenSettings& settings) {
    for (const listen::ListenInput& in : listen::listenInputs(settings))
        if (settings.delayOf(in).automatic) return QStringLiteral("; finding the audio delay");
    return {};
}

// The map marks a beacon heard within the last cycle on any band.
constexpr std::int64_t kMapHeardMs = 3 * 60'000;

}  // namespace

ListenMenu::ListenMenu(TfrmTabbedOrvane& main, QMenu* menu, QAction* before) : QObject(&main), main_(main) {
    Clock& clock = main_.clock();
    listener_ = std::make_unique<listen::LiveListener>(
        [&clock](const listen::ListenSettings& s) {
            return std::make_unique<listen::QtAudioInput>(clock, s.Device, s.DeviceId);
        });
    mnListen = new QAction(QStringLiteral("Listen"), menu);
    mnListen->setObjectName(QStringLiteral("mnListen"));
    mnListen->setCheckable(true);
    mnListen->setStatusTip(QStringLiteral("Hear the beacons in the radio's receive audio and show which come through"));
    mnListenSettings = new QAction(QStringLiteral("Listen settings..."), menu);
    mnListenSettings->setObjectName(QStringLiteral("mnListenSettings"));
    mnListenSettings->setStatusTip(QStringLiteral("The audio inputs, the band of each and the pitch of the beacon's tone"));
    mnOpeningChart = new QAction(QStringLiteral("Openings chart..."), menu);
    mnOpeningChart->setObjectName(QStringLiteral("mnOpeningChart"));
    mnOpeningChart->setStatusTip(QStringLiteral("Which beacons came through over the last 24 hours, band by band"));
    menu->insertAction(before, mnListen);
    menu->insertAction(before, mnListenSettings);
    mnHistory = new QAction(QStringLiteral("History..."), menu);
    mnHistory->setObjectName(QStringLiteral("mnHistory"));
    mnHistory->setStatusTip(
        QStringLiteral("When each beacon came through, by band and UTC hour, over a day, a week, a month or a year"));
    menu->insertAction(before, mnOpeningChart);
    menu->insertAction(before, mnHistory);
    menu->insertSeparator(before);

    connect(mnListen, &QAction::triggered, this, [this] { runGuarded(main_.messages(), [this] { mnListenClick(); }); });
    connect(mnListenSettings, &QAction::triggered, this,
            [this] { runGuarded(main_.messages(), [this] { mnListenSettingsClick(); }); });
    connect(mnOpeningChart, &QAction::triggered, this,
            [this] { runGuarded(main_.messages(), [this] { mnOpeningChartClick(); }); });
    connect(mnHistory, &QAction::triggered, this,
            [this] { runGuarded(main_.messages(), [this] { mnHistoryClick(); }); });
    connectListener();
    connect(&main_, &TfrmTabbedOrvane::slotShown, this, [this] {
        updateTarget();
        // The map's frames age out also when no result comes (listening
        // stopped); the grid ages its cells itself as it is drawn.
        markHeardOnMap();
    });
}

// The menu's items may be gone already (the menu is destroyed before this
// object when the window goes): only the listening ends here, and what the
// history has queued is written (one try) before the window goes.
ListenMenu::~ListenMenu() {
    listener_->stop();
    database_.reset();
}

void ListenMenu::setSourceFactory(listen::LiveListener::SourceFactory factory) {
    stop();
    listener_ = std::make_unique<listen::LiveListener>(std::move(factory));
    connectListener();
}

void ListenMenu::connectListener() {
    connect(listener_.get(), &listen::LiveListener::heard, this,
            [this](const listen::SlotResult& r, const QString& call, const QString& input) {
                runGuarded(main_.messages(), [&] { showResult(r, call, input); });
            });
    connect(listener_.get(), &listen::LiveListener::failed, this, [this](const QString& message) {
        listener_->stop();
        mnListen->setChecked(false);
        main_.monitorPanel().setListening(false);
        main_.setStatusPanelText(1, QStringLiteral("Listen: ") + message);
    });
    connect(listener_.get(), &listen::LiveListener::delayEstimated, this,
            [this](double ms, bool locked, const QString& inputKey) {
                runGuarded(main_.messages(), [&] { showDelay(ms, locked, inputKey); });
            });
}

void ListenMenu::showDelay(double delayMs, bool locked, const QString& inputKey) {
    const auto ms = static_cast<int>(std::lround(delayMs));
    const QString text = QStringLiteral("%1%2 ms").arg(ms > 0 ? QStringLiteral("+") : QString()).arg(ms);
    // With several inputs, the status says whose delay it is.
    const listen::ListenSettings& running = listener_->settings();
    const std::vector<listen::ListenInput> inputs = listen::listenInputs(running);
    QString whose;
    if (inputs.size() > 1)
        for (const listen::ListenInput& in : inputs)
            if (in.key() == inputKey) whose = QStringLiteral(" (%1)").arg(in.Device.isEmpty() ? in.DeviceId : in.Device);
    delayStatus_ = locked ? QStringLiteral("; audio delay ") + text + whose
                          : QStringLiteral("; finding the audio delay") + whose;
    main_.setStatusPanelText(1, locked ? QStringLiteral("Listen: audio delay ") + text + whose
                                       : QStringLiteral("Listen: audio delay lost; finding it again") + whose);
    if (!locked) return;
    // Kept for the input, as where the estimate starts next time, unless
    // its delay has been set otherwise meanwhile.
    IniFile ini(main_.paths().iniFileName());
    listen::ListenSettings stored = listen::ReadListenIni(ini);
    const auto kept = stored.Delays.find(inputKey);
    if (kept == stored.Delays.end() || !kept->second.automatic) return;
    kept->second = {true, std::clamp(ms, listen::ReceiveDelay::kMinMs, listen::ReceiveDelay::kMaxMs)};
    listen::SaveListenIni(ini, stored);
}

void ListenMenu::mnListenClick() {
    if (listener_->listening()) {
        stop();
        main_.setStatusPanelText(1, QStringLiteral("Listen: stopped"));
        return;
    }
    listener_->setSettings(listen::ReadListenIni(IniFile(main_.paths().iniFileName())));
    delayStatus_ = searchingStatus(listener_->settings());
    listener_->setStations(main_.stations());
    if (!log_) log_ = std::make_unique<listen::ListenLog>(main_.paths().heardLogFileName(), QByteArray(listen::kHeardLogHeader));
    if (!database_) openDatabase();
    logFailureShown_ = false;
    updateTarget();
    mnListen->setChecked(true);
    main_.monitorPanel().setListening(true);
    // Before start(): a source may deliver (and report results) at once.
    main_.setStatusPanelText(1, QStringLiteral("Listen: listening"));
    listener_->start();
}

// Opened once, at the first start: the writer opens the file on its own
// thread and says at once if it cannot.
void ListenMenu::openDatabase() {
    const IniFile ini(main_.paths().iniFileName());
    database_ = std::make_unique<history::HistoryRecorder>(history::historyDatabaseUrl(ini, main_.paths()),
                                                           history::historyReceiver(ini, main_.mapPanel().station()));
    connect(database_.get(), &history::HistoryRecorder::statusChanged, this,
            [this](const QString& text, bool) { main_.setStatusPanelText(1, text); });
}

void ListenMenu::mnListenSettingsClick() {
    IniFile ini(main_.paths().iniFileName());
    const listen::ListenSettings current = listen::ReadListenIni(ini);
    std::optional<listen::ListenSettings> choice;
    if (askSettings_) {
        choice = askSettings_(QStringList(), current);
    } else {
        listen::ui::ListenDialog dialog(listen::QtAudioInput::inputDevices(), current, &main_);
        if (dialog.exec() == QDialog::Accepted) choice = dialog.settings();
    }
    if (!choice) return;
    listen::SaveListenIni(ini, *choice);
    // Listening goes on with the new input and pitch.
    if (listener_->listening()) {
        listener_->stop();
        listener_->setSettings(*choice);
        delayStatus_ = searchingStatus(*choice);
        listener_->start();
    }
}

void ListenMenu::buildChartWindow() {
    chartWindow_ = new QDialog(&main_);
    chartWindow_->setObjectName(QStringLiteral("frmOpeningChart"));
    chartWindow_->setWindowTitle(QStringLiteral("Openings"));
    auto* layout = new QVBoxLayout(chartWindow_);
    auto* top = new QHBoxLayout;
    auto* band = new QComboBox(chartWindow_);
    band->setObjectName(QStringLiteral("cbChartBand"));
    for (const std::string_view caption : beacons::kBandCaptions)
        band->addItem(QString::fromLatin1(caption.data(), static_cast<qsizetype>(caption.size())) + QStringLiteral(" MHz"));
    auto* save = new QPushButton(QStringLiteral("Save PNG..."), chartWindow_);
    save->setObjectName(QStringLiteral("btSavePng"));
    top->addWidget(band);
    top->addStretch(1);
    top->addWidget(save);
    layout->addLayout(top);
    chart_ = new listen::ui::OpeningChart(main_.clock(), history_, chartWindow_);
    layout->addWidget(chart_);
    connect(band, &QComboBox::currentIndexChanged, chart_, &listen::ui::OpeningChart::setBand);
    connect(save, &QPushButton::clicked, this, [this] {
        runGuarded(main_.messages(), [this] {
            const QString name = QFileDialog::getSaveFileName(chartWindow_, QStringLiteral("Save the chart"),
                                                              QStringLiteral("openings.png"),
                                                              QStringLiteral("PNG pictures (*.png)"));
            if (name.isEmpty()) return;
            QString reason;
            if (!chart_->exportPng(name, &reason))
                main_.messages().showError(
                    QStringLiteral("Unable to write to %1: %2").arg(name, reason).toStdString());
        });
    });
}

void ListenMenu::mnOpeningChartClick() {
    if (!chartWindow_) buildChartWindow();
    std::array<QString, beacons::kBeaconListCount> calls;
    for (int i = 0; i < beacons::kBeaconListCount; ++i)
        calls[static_cast<std::size_t>(i)] = QString::fromStdString(main_.stations().entry(i).call);
    chart_->setCalls(calls);
    chartWindow_->show();
    chartWindow_->raise();
}

// The database and this station's name as the settings give them when the
// window is first opened.
void ListenMenu::buildHistoryWindow() {
    const IniFile ini(main_.paths().iniFileName());
    historyWindow_ = new QDialog(&main_);
    historyWindow_->setObjectName(QStringLiteral("frmHistory"));
    historyWindow_->setWindowTitle(QStringLiteral("History of openings"));
    auto* layout = new QVBoxLayout(historyWindow_);
    historyPanel_ = new history::ui::HistoryPanel(
        main_.clock(), history::historyDatabaseUrl(ini, main_.paths()),
        history::historyReceiver(ini, main_.mapPanel().station()).name, history::BeaconCalls{}, main_.beaconBand(),
        historyWindow_);
    layout->addWidget(historyPanel_);
    help::setHelpContext(historyWindow_, help::ctx::kHistoryView);
}

void ListenMenu::mnHistoryClick() {
    if (!historyWindow_) buildHistoryWindow();
    history::BeaconCalls calls;
    for (int i = 0; i < beacons::kBeaconListCount; ++i)
        calls[static_cast<std::size_t>(i)] = QString::fromStdString(main_.stations().entry(i).call);
    historyPanel_->setCalls(calls);
    historyPanel_->refresh();
    historyWindow_->show();
    historyWindow_->raise();
}

void ListenMenu::updateTarget() {
    const rig::RigFollower& follower = main_.follower();
    if (follower.following()) listener_->listenFollowing(follower.followedIndex());
    else listener_->listenOnBand(main_.beaconBand());
}

void ListenMenu::stop() {
    if (listener_) listener_->stop();
    if (mnListen) {
        mnListen->setChecked(false);
        main_.monitorPanel().setListening(false);
    }
}

void ListenMenu::markHeardOnMap() {
    main_.mapPanel().MarkHeardBeacons(heard_.heardSince(main_.clock().nowUtcMs() - kMapHeardMs));
}

void ListenMenu::showResult(const listen::SlotResult& result, const QString& call, const QString& input) {
    heard_.add(result);
    history_.add(result);
    main_.monitorPanel().setHeard(heard_);
    markHeardOnMap();
    if (chart_) chart_->update();
    const std::string_view caption = beacons::kBandCaptions[static_cast<std::size_t>(result.band)];
    const QString band = QString::fromLatin1(caption.data(), static_cast<qsizetype>(caption.size()));
    const QString what = result.heard ? QStringLiteral("heard, %1 of 4 dashes").arg(listen::heardLevel(result))
                         : result.otherCall.isEmpty() ? QStringLiteral("not heard")
                                                      : QStringLiteral("other ") + result.otherCall;
    // While the history fails, the status keeps saying so.
    const QString database =
        database_ && !database_->failure().isEmpty() ? QStringLiteral("; ") + database_->failure() : QString();
    main_.setStatusPanelText(1, QStringLiteral("Listen: %1 %2 %3%4%5").arg(call, band, what, delayStatus_, database));
    // Stored under the input it came in on (the settings' one input when not said).
    if (database_) database_->add(result, input.isNull() ? listener_->settings().Device : input);
    if (log_) {
        QString reason;
        if (!log_->append(listen::heardLogLine(result, call), &reason) && !logFailureShown_) {
            logFailureShown_ = true;
            main_.messages().showError(
                QStringLiteral("Unable to write to %1: %2").arg(log_->fileName(), reason).toStdString());
        }
    }
}

}  // namespace orvane::app
