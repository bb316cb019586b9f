// The time panel of the Map tab: the UTC label, the time-server list in
// cbHost and the "Get Time" button.
#include "app/panels/TimeServicePanel.h"

#include <QAction>
#include <QApplication>
#include <QClipboard>
#include <QComboBox>
#include <QEvent>
#include <QFocusEvent>
#include <QFontMetrics>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTimer>
#include <algorithm>
#include <cmath>

#include "app/Guarded.h"
#include "app/PopupHints.h"
#include "app/TimeLabels.h"
#include "app/help/ContextHelp.h"
#include "app/help/HelpContexts.h"
#include "app/widgets/TextGrowth.h"
#include "timesync/ClockAdjust.h"

namespace orvane::app {

namespace {

const QString kGetTimeCaption = QStringLiteral("&Get Time");
const QString kStopCaption = QStringLiteral("&Stop");

// Feeds the host box's key presses (before they change the text) and its
// loss of focus to the window, and keeps typing within the length limit.
// Longer entries read from the file stay whole: the limit holds for typing
// and pasting only, not for text the program puts in the box. An editable
// combo box holds the focus itself and hands keys to its line edit, so the
// combo box is the one watched.
class HostBoxWatcher final : public QObject {
public:
    HostBoxWatcher(QComboBox* box, std::function<void(int)> keyDown, std::function<void()> exit)
        : box_(box), edit_(box->lineEdit()), keyDown_(std::move(keyDown)), exit_(std::move(exit)) {
        box_->installEventFilter(this);
    }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override {
        if (watched != box_) return false;
        if (event->type() == QEvent::KeyPress) return keyPress(static_cast<QKeyEvent*>(event));
        if (event->type() == QEvent::FocusOut) {
            // Opening the drop-down list or switching to another program does
            // not leave the box.
            const Qt::FocusReason reason = static_cast<QFocusEvent*>(event)->reason();
            if (reason != Qt::PopupFocusReason && reason != Qt::ActiveWindowFocusReason) exit_();
        }
        return false;
    }

private:
    bool keyPress(QKeyEvent* key) {
        keyDown_(key->key());
        // Enter changes nothing in the box; the combo box's own handling
        // would pick a case-insensitive match from the list instead.
        if (key->key() == Qt::Key_Return || key->key() == Qt::Key_Enter) return true;
        const qsizetype room = timesync::HostList::kMaxTypedLength - (edit_->text().size() - edit_->selectedText().size());
        if (key->matches(QKeySequence::Paste)) {
            const QString pasted = QApplication::clipboard()->text().section(QLatin1Char('\n'), 0, 0);
            if (pasted.size() > room) {
                if (room > 0) edit_->insert(pasted.left(room));
                return true;
            }
            return false;
        }
        const QString typed = key->text();
        const bool inserts = !typed.isEmpty() && typed.at(0).isPrint() &&
                             !(key->modifiers() & (Qt::ControlModifier | Qt::AltModifier | Qt::MetaModifier));
        return inserts && typed.size() > room;
    }

    QComboBox* box_;
    QLineEdit* edit_;
    std::function<void(int)> keyDown_;
    std::function<void()> exit_;
};

}  // namespace

TimeServicePanel::TimeServicePanel(timesync::CorrectedClock& clock, MessageService& messages, QLabel& statusPanel,
                                   QWidget* parent)
    : QFrame(parent), clock_(clock), pcClock_(clock.pcClock()), messages_(messages), statusPanel_(statusPanel) {
    setFrameStyle(QFrame::Panel | QFrame::Sunken);
    help::setHelpContext(this, help::ctx::kTimePanel);
    lblUTC = new QLabel(this);
    lblUTC->setText(QStringLiteral("00:00:00, Wed 28 Mar 1998"));
    setHint(lblUTC, QStringLiteral("Coordinated Universal Time/Greenwich Mean Time"));
    lblHost = new QLabel(QStringLiteral("Host"), this);
    cbHost = new QComboBox(this);
    cbHost->setEditable(true);
    cbHost->setInsertPolicy(QComboBox::InsertAlphabetically);
    help::setHelpContext(cbHost, help::ctx::kHostBox);
    btnGetTime = new QPushButton(kGetTimeCaption, this);
    // One row from the left: the UTC label, "Host", the box and the button,
    // at the design's places and sizes times the text scale.
    row_ = new QHBoxLayout(this);
    row_->setSpacing(0);
    row_->addSpacerItem(leadGap_ = new QSpacerItem(0, 0, QSizePolicy::Fixed, QSizePolicy::Minimum));
    row_->addWidget(lblUTC);
    row_->addSpacerItem(hostGap_ = new QSpacerItem(0, 0, QSizePolicy::Fixed, QSizePolicy::Minimum));
    row_->addWidget(lblHost);
    row_->addSpacerItem(boxGap_ = new QSpacerItem(0, 0, QSizePolicy::Fixed, QSizePolicy::Minimum));
    row_->addWidget(cbHost);
    row_->addSpacerItem(buttonGap_ = new QSpacerItem(0, 0, QSizePolicy::Fixed, QSizePolicy::Minimum));
    row_->addWidget(btnGetTime);
    row_->addStretch(1);
    setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Fixed);
    layoutRow();
    connect(btnGetTime, &QPushButton::clicked, this, [this] { runGuarded(messages_, [this] { btnGetTimeClick(); }); });

    // The correction is dropped from the UTC label's menu, and by itself
    // when it turns 24 hours old (a timer, not a look on every tick).
    acClearCorrection = new QAction(QStringLiteral("Clear Clock Correction"), this);
    acClearCorrection->setEnabled(false);
    lblUTC->setContextMenuPolicy(Qt::ActionsContextMenu);
    lblUTC->addAction(acClearCorrection);
    connect(acClearCorrection, &QAction::triggered, this, [this] { clearClockCorrection(); });
    correctionExpiry_ = new QTimer(this);
    correctionExpiry_->setSingleShot(true);
    connect(correctionExpiry_, &QTimer::timeout, this, [this] { setClockCorrection(clock_.correction()); });
}

TimeServicePanel::~TimeServicePanel() = default;

void TimeServicePanel::setStatus(const QString& text) { statusPanel_.setText(text); }

QString TimeServicePanel::hostText() const { return cbHost->currentText(); }

void TimeServicePanel::setHostText(const QString& text) {
    cbHost->setCurrentText(text);
    HostIndex = FindHost(cbHost->currentText());
}

void TimeServicePanel::showUtc(UtcMoment t) {
    const QString text = QString::fromStdString(formatUtcLabel(t));
    if (const auto& correction = clock_.correction()) {
        // The date goes to the tip, to leave room for the mark.
        lblUTC->setText(text.section(QLatin1Char(','), 0, 0) + QLatin1Char(' ') + timesync::correctionMark(correction->offsetMs));
        lblUTC->setToolTip(text);
    } else {
        lblUTC->setText(text);
    }
}

void TimeServicePanel::setClockCorrection(std::optional<timesync::ClockCorrection> correction) {
    const UtcMs now = pcClock_.nowUtcMs();
    if (correction && correction->expiredAt(now)) correction.reset();
    clock_.setCorrection(correction);
    acClearCorrection->setEnabled(correction.has_value());
    correctionExpiry_->stop();
    if (correction) {
        correctionExpiry_->start(static_cast<int>(
            std::clamp<UtcMs>(correction->measuredAtMs + timesync::ClockCorrection::kMaxAgeMs - now + 1, 1,
                              timesync::ClockCorrection::kMaxAgeMs + 1)));
    } else {
        lblUTC->setToolTip(QStringLiteral("Coordinated Universal Time/Greenwich Mean Time"));
    }
    // With a correction the label starts at the left edge, to make room
    // for the mark up to the "Host" label.
    layoutRow();
    showUtc(clock_.nowMoment());
}

void TimeServicePanel::setTextScale(double scale) {
    if (scale == textScale_) return;
    textScale_ = scale;
    growText(this, scale);
    layoutRow();
}

// The design's row at scale 1: the label at x 39 (4 with a correction), "Host"
// at 228, the box at 260 (180 wide), the button at 450 (90 wide), all 24 high
// in a 32-pixel panel. Wider where the text needs it.
void TimeServicePanel::layoutRow() {
    const auto px = [this](int design) { return static_cast<int>(std::lround(design * textScale_)); };
    const bool corrected = clock_.correction().has_value();
    const int margin = std::max(0, px(4) - frameWidth());  // the layout starts inside the frame
    row_->setContentsMargins(margin, margin, margin, margin);
    const int lead = corrected ? 0 : px(35);
    leadGap_->changeSize(lead, 0, QSizePolicy::Fixed, QSizePolicy::Minimum);
    // The widest text the label shows without a correction; with one, the
    // room up to "Host".
    const QFontMetrics metrics(lblUTC->font());
    const int needed = metrics.horizontalAdvance(QStringLiteral("00:00:00, Wed 28 Mar 1998")) + px(4);
    lblUTC->setFixedWidth(corrected ? std::max(px(222), needed) : std::max(px(187), needed));
    hostGap_->changeSize(px(2), 0, QSizePolicy::Fixed, QSizePolicy::Minimum);
    lblHost->setFixedWidth(std::max(px(30), lblHost->sizeHint().width()));
    boxGap_->changeSize(px(2), 0, QSizePolicy::Fixed, QSizePolicy::Minimum);
    cbHost->setFixedSize(std::max(px(180), cbHost->minimumSizeHint().width()), std::max(px(24), cbHost->sizeHint().height()));
    buttonGap_->changeSize(px(10), 0, QSizePolicy::Fixed, QSizePolicy::Minimum);
    btnGetTime->setFixedSize(std::max(px(90), btnGetTime->sizeHint().width()), std::max(px(24), btnGetTime->sizeHint().height()));
    row_->invalidate();
}

void TimeServicePanel::keepCorrection(UtcMs offsetMs) {
    setClockCorrection(timesync::ClockCorrection{offsetMs, pcClock_.nowUtcMs()});
}

void TimeServicePanel::setTimePorts(quint16 ntpPort, quint16 timePort) {
    if (timeQuery_) timeQuery_->setPorts(ntpPort, timePort);
}

void TimeServicePanel::setNtpTimeoutMs(int ms) {
    if (timeQuery_) timeQuery_->setNtpTimeoutMs(ms);
}

// The endpoint, the request and the host box's wiring. A socket that cannot
// be made is reported after the host list is loaded, and again on each
// "Get Time".
void TimeServicePanel::SetupTimeService() {
    if (hostBoxWatcher_) return;
    try {
        udpEndpoint_ = std::make_unique<timesync::TNMUDP>(*systemResolver_);
        udpEndpoint_->setRemotePort(timesync::kTimeProtocolPort);
        udpEndpoint_->setLocalPort(0);
        udpEndpoint_->Loaded();
        NMUDP_Time = udpEndpoint_.get();
        timeQuery_ = std::make_unique<timesync::TimeQuery>(*udpEndpoint_, pcClock_);
        connect(timeQuery_.get(), &timesync::TimeQuery::requestSent, this, [this] { onTimeRequestSent(); });
        connect(timeQuery_.get(), &timesync::TimeQuery::requestFailed, this,
                [this](const QString& message) { onTimeRequestFailed(message); });
        connect(timeQuery_.get(), &timesync::TimeQuery::timeAnswered, this, [this](int n, const QString& ip) {
            runGuarded(messages_, [&] { NMUDP_TimeDataReceived(n, ip, 0); });
        });
        connect(timeQuery_.get(), &timesync::TimeQuery::ntpAnswered, this,
                [this](const timesync::NtpReply& r, const timesync::NtpMeasurement& m, const QString& ip) {
                    runGuarded(messages_, [&] { ntpAnswered(r, m, ip); });
                });
        connect(timeQuery_.get(), &timesync::TimeQuery::failed, this,
                [this](const QString& message) { timeQueryFailed(message); });
    } catch (const timesync::UDPSockError& e) {
        udpStartError_ = e.what();
        timeQuery_.reset();
        udpEndpoint_.reset();
        NMUDP_Time = nullptr;
    }

    cbHost->setInsertPolicy(QComboBox::NoInsert);  // the list is kept by HostList
    cbHost->setCompleter(nullptr);                 // no silent completion to another entry
    cbHost->setEditText(timesync::HostList::defaultServer());
    for (const auto& [widget, hint] :
         {std::pair<QWidget*, QString>{cbHost, QStringLiteral("Server to use with the \"Get Time\" button")},
          std::pair<QWidget*, QString>{btnGetTime, QStringLiteral("Get the time and adjust local system clock")}}) {
        widget->setToolTip(hint);
        widget->setStatusTip(hint);
    }
    auto watcher = std::make_unique<HostBoxWatcher>(
        cbHost, [this](int key) { cbHostKeyDown(key); }, [this] { cbHostExit(); });
    connect(cbHost, &QComboBox::editTextChanged, watcher.get(), [this](const QString& text) { cbHostChange(text); });
    hostBoxWatcher_ = std::move(watcher);
}

void TimeServicePanel::LoadHostList(const QString& hostsFileName) {
    HostsFileName = hostsFileName;
    SetupTimeService();
    const QString text = hostList_.LoadHostList(HostsFileName);
    showHostListInBox();
    if (!text.isEmpty()) {
        const QSignalBlocker block(cbHost);
        cbHost->setEditText(text);
    }
    if (!udpEndpoint_) throw timesync::UDPSockError(udpStartError_);
}

void TimeServicePanel::SaveHostList() { hostList_.SaveHostList(HostsFileName); }

int TimeServicePanel::FindHost(const QString& host) const { return hostList_.FindHost(host); }

bool TimeServicePanel::AwaitingTime() const { return timeQuery_ && timeQuery_->awaiting(); }

void TimeServicePanel::setTimeHostResolver(HostResolver& resolver) {
    if (udpEndpoint_) udpEndpoint_->setHostResolver(resolver);
}

void TimeServicePanel::btnGetTimeClick() {
    if (!timeQuery_) throw timesync::UDPSockError(udpStartError_);
    btnGetTime->setEnabled(false);
    ShowTimeMessage(QString());
    if (timeQuery_->awaiting()) {
        timeQuery_->stop();  // an answer that still comes is ignored
        ShowTimeMessage(QString());
        btnGetTime->setText(kGetTimeCaption);
        btnGetTime->setEnabled(true);
        return;
    }
    // A shortcut press leaves the focus in the box: a new name typed there
    // joins the list before it is asked, as when the button is clicked.
    if (cbHost->hasFocus()) cbHostExit();
    window()->setCursor(Qt::BusyCursor);
    // The button stays disabled until the name is looked up and the request
    // sent (onTimeRequestSent) or given up (onTimeRequestFailed); the window
    // stays live meanwhile.
    if (!timeQuery_->start(timesync::parseHostEntry(cbHost->currentText()))) {
        window()->unsetCursor();
        btnGetTime->setEnabled(true);
    }
}

void TimeServicePanel::onTimeRequestSent() {
    btnGetTime->setText(kStopCaption);
    btnGetTime->setEnabled(true);
}

void TimeServicePanel::onTimeRequestFailed(const QString& message) {
    window()->unsetCursor();
    btnGetTime->setText(kGetTimeCaption);
    btnGetTime->setEnabled(true);
    messages_.showError(message.toStdString());
}

// The answer to the outstanding request (TimeQuery lets no other datagram through).
void TimeServicePanel::NMUDP_TimeDataReceived(int NumberBytes, const QString& FromIP, int /*Port*/) {
    btnGetTime->setText(kGetTimeCaption);
    setStatus(QStringLiteral("Reading time"));
    TimeReply.fill(0);
    NMUDP_Time->ReadBuffer(TimeReply.data(), static_cast<int>(TimeReply.size()));
    if (NumberBytes == timesync::kTimeReplyBytes) {
        setStatus(QStringLiteral("Time from: ") + FromIP);
        window()->unsetCursor();
        AdjustClock();
    } else {
        ShowTimeMessage(QStringLiteral("Did not receive 4 bytes"));
    }
}

void TimeServicePanel::AdjustClock() {
    setStatus(QStringLiteral("Working..."));
    const auto seconds = timesync::decodeTimeReply(QByteArray(TimeReply.data(), timesync::kTimeReplyBytes));
    const timesync::ClockAdjustment result = timesync::AdjustClock(seconds.value_or(0), pcClock_);
    if (result.setAttempted && !result.clockSet)
        keepCorrection((result.comparison.ahead ? -1 : 1) * static_cast<UtcMs>(result.comparison.TimeDiff) * 1000);
    else
        clearClockCorrection();
    QString status = result.statusText();
    // Never fight a running sync silently.
    if (const QString sync = syncMonitor_->activeSync(); result.setAttempted && !sync.isEmpty())
        status += QStringLiteral("; %1 keeps the time").arg(sync);
    setStatus(status);
    // Panel 0 is narrow; the whole text (with a refusal's reason) is its tip.
    statusPanel_.setToolTip(status);
}

void TimeServicePanel::ntpAnswered(const timesync::NtpReply& reply, const timesync::NtpMeasurement& measurement,
                                   const QString& fromIP) {
    btnGetTime->setText(kGetTimeCaption);
    window()->unsetCursor();
    setStatus(QStringLiteral("Time from: ") + fromIP);
    const timesync::NtpAdjustment result =
        timesync::AdjustClockNtp(measurement, reply.stratum, syncMonitor_->activeSync(), pcClock_);
    // A clock that could not be set is corrected on the display instead; a
    // clock set, matching, or kept by the system's sync needs no correction.
    if (result.setAttempted && !result.clockSet)
        keepCorrection(std::llround(measurement.offsetMs));
    else
        clearClockCorrection();
    const QString status = result.statusText();
    setStatus(status);
    statusPanel_.setToolTip(status);
}

// No answer, or the server refused: the wait ends and the status says why.
void TimeServicePanel::timeQueryFailed(const QString& message) {
    window()->unsetCursor();
    btnGetTime->setText(kGetTimeCaption);
    btnGetTime->setEnabled(true);
    setStatus(message);
    statusPanel_.setToolTip(message);
}

void TimeServicePanel::ShowTimeMessage(const QString& text) {
    window()->unsetCursor();
    if (!text.isEmpty()) messages_.showMessage(text.toStdString());
    setStatus(QString());
    statusPanel_.setToolTip(QString());
}

// ---- The host box ----------------------------------------------------------------

void TimeServicePanel::cbHostKeyDown(int key) {
    const bool commitsChange = key == Qt::Key_Delete || key == Qt::Key_Return || key == Qt::Key_Enter;
    hostList_.keyDown(commitsChange ? timesync::HostList::Key::DeleteOrEnter : timesync::HostList::Key::Other,
                      cbHost->currentText());
}

void TimeServicePanel::cbHostChange(const QString& /*text*/) {
    setStatus(QString());
    if (hostList_.changeCommits()) cbHostExit();
}

void TimeServicePanel::cbHostExit() { applyHostCommit(hostList_.commit(cbHost->currentText())); }

void TimeServicePanel::showHostListInBox() {
    const QSignalBlocker block(cbHost);
    const QString text = cbHost->currentText();
    cbHost->clear();
    cbHost->addItems(hostList_.entries());
    cbHost->setEditText(text);
}

// Mirrors a commit in the box. Programmatic changes raise no change handler.
void TimeServicePanel::applyHostCommit(const timesync::HostList::CommitOutcome& outcome) {
    using Kind = timesync::HostList::CommitOutcome::Kind;
    const QSignalBlocker block(cbHost);
    const QString text = cbHost->currentText();
    if (outcome.kind == Kind::Added) {
        cbHost->insertItem(outcome.index, text);
        cbHost->setEditText(text);
    } else if (outcome.kind == Kind::Removed) {
        cbHost->removeItem(outcome.index);
        cbHost->setEditText(text);
    }
    if (outcome.selectFirst && cbHost->count() > 0) {
        cbHost->setCurrentIndex(0);
        cbHost->setEditText(cbHost->itemText(0));
    }
}

}  // namespace orvane::app
