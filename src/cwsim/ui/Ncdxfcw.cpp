#include "cwsim/ui/Ncdxfcw.h"

#include <QAbstractButton>
#include <QDeadlineTimer>
#include <QApplication>
#include <QEvent>
#include <QGroupBox>
#include <QLabel>
#include <QPushButton>
#include <QScrollBar>

#include <algorithm>

#include "common/ThreadHandOff.h"
#include "cwsim/BeaconCalls.h"
#include "cwsim/CwSettings.h"
#include "cwsim/SoundNames.h"
#include "cwsim/ThreadPriority.h"

namespace orvane::cwsim {
namespace {

QScrollBar* makeScrollBar(QWidget* parent, const char* name, int y, const ControlRange& range, const char* hint) {
    auto* bar = new QScrollBar(Qt::Horizontal, parent);
    bar->setObjectName(QLatin1String(name));
    bar->setGeometry(14, y, 243, 14);
    bar->setRange(range.minimum, range.maximum);
    bar->setValue(range.designPosition);
    bar->setPageStep(range.largeStep);
    bar->setSingleStep(1);
    bar->setToolTip(QString::fromLatin1(hint));
    bar->setStatusTip(QString::fromLatin1(hint));
    return bar;
}

QLabel* makeLabel(QWidget* parent, const char* name, int x, int y, const char* caption, const char* hint = nullptr) {
    auto* label = new QLabel(QString::fromLatin1(caption), parent);
    label->setObjectName(QLatin1String(name));
    label->move(x, y);
    label->resize(x == 264 ? 80 : 240, 16);
    if (hint) {
        label->setToolTip(QString::fromLatin1(hint));
        label->setStatusTip(QString::fromLatin1(hint));
    }
    return label;
}

// The column of meanings right of the classic captions.
constexpr int kMeaningLeft = 340;
constexpr int kDialogWidth = 560;

bool onGuiThread() { return QThread::currentThread() == QCoreApplication::instance()->thread(); }

}  // namespace

TfrmBeaconSetup::TfrmBeaconSetup(std::shared_ptr<MidiOutputLayer> midi, bool gotSoundCard, IniFile settings,
                                 MessageService& messages, QWidget* parent, std::shared_ptr<PlayerClock> clock,
                                 std::chrono::milliseconds outputHold)
    : QDialog(parent),
      player_(std::make_shared<BeaconPlayer>(std::move(midi), clock)),
      clock_(std::move(clock)),
      gotSoundCard_(gotSoundCard),
      settings_(std::move(settings)),
      messages_(messages),
      outputHold_(outputHold) {
    // MIDI errors: shown at once on the GUI thread; from a sound thread they
    // are posted to it (the thread plays on meanwhile). Posted to the
    // application object, which outlives the dialog; the dialog is looked up
    // again when the message arrives.
    QPointer<TfrmBeaconSetup> self(this);
    MessageService* service = &messages_;
    player_->setErrorSink([self, service](const std::string& text) {
        if (onGuiThread()) {
            if (!self.isNull()) service->showMessage(text);
            return;
        }
        postToThreadOf(QCoreApplication::instance(), [self, service, text] {
            if (!self.isNull()) service->showMessage(text);
        });
    });
    buildControls();
    CreateParams();
    FormCreate();
}

// The window's place: the stored position, else the design one (also without
// a sound card).
void TfrmBeaconSetup::CreateParams() {
    move(settings_.readInteger(kBeaconWinSection, QStringLiteral("Left"), kDesignLeft),
         settings_.readInteger(kBeaconWinSection, QStringLiteral("Top"), kDesignTop));
}

TfrmBeaconSetup::~TfrmBeaconSetup() {
    if (!destroyed_) shutdownPlayer();
}

void TfrmBeaconSetup::buildControls() {
    setWindowTitle(QStringLiteral("Beacon Setup"));
    // Wider than the classic 347 x 230 by the column of meanings.
    setFixedSize(kDialogWidth, 230);
    setSizeGripEnabled(false);
    setWindowFlag(Qt::WindowContextHelpButtonHint, false);

    sbSpeed = makeScrollBar(this, "sbSpeed", 8, kSpeedRange, "Adjust the speed used for CW in this window");
    sbPatch = makeScrollBar(this, "sbPatch", 32, kPatchRange, "Change the MIDI instrument used");
    sbTone = makeScrollBar(this, "sbTone", 56, kToneRange, "Adjust the frequency of the note used");
    sbVolume = makeScrollBar(this, "sbVolume", 80, kVolumeRange, "Adjust the volume used");
    lblSpeed = makeLabel(this, "lblSpeed", 264, 7, "Speed:");
    lblPatch = makeLabel(this, "lblPatch", 264, 31, "Patch:");
    lblTone = makeLabel(this, "lblTone", 264, 55, "Tone:");
    lblVolume = makeLabel(this, "lblVolume", 264, 79, "Volume:");
    const auto meaning = [this](const char* name, int y, const char* hint) {
        auto* label = makeLabel(this, name, kMeaningLeft, y, "", hint);
        label->resize(kDialogWidth - kMeaningLeft - 8, 16);
        label->setForegroundRole(QPalette::PlaceholderText);
        return label;
    };
    lblSpeedMeaning = meaning("lblSpeedMeaning", 7, "The speed in words per minute (PARIS): 1200 / the dot time in ms");
    lblPatchMeaning = meaning("lblPatchMeaning", 31, "The General MIDI instrument of this patch");
    lblToneMeaning = meaning("lblToneMeaning", 55, "The note's name and pitch");
    lblSendingCall = makeLabel(this, "lblSendingCall", 16, 104, "Call", "The call sign of the beacon sent using the buttons");
    lblSendingCall->resize(70, 16);
    lblTimeUsed = makeLabel(this, "lblTimeUsed", 88, 104, "Time Used: 0",
                            "The number of milliseconds used by the current beacon at the current speed");

    gbBeaconButtons = new QGroupBox(QStringLiteral("NCDXF/IARU Beacons"), this);
    gbBeaconButtons->setObjectName(QStringLiteral("gbBeaconButtons"));
    gbBeaconButtons->setGeometry(14, 128, 321, 94);
    const QString groupHint = QStringLiteral("Click a button to hear the associated beacon sound");
    gbBeaconButtons->setToolTip(groupHint);
    gbBeaconButtons->setStatusTip(groupHint);
    for (const BeaconCall& call : kBeaconCalls) {
        const int index = call.number - 1;
        const QString callSign = QString::fromLatin1(call.callSign.data(), static_cast<qsizetype>(call.callSign.size()));
        auto* button = new QPushButton(callSign, gbBeaconButtons);
        button->setObjectName(QStringLiteral("sb") + callSign);
        button->setProperty("Tag", call.number);
        button->setAutoDefault(false);
        button->setGeometry(8 + (index % 6) * 51, 18 + (index / 6) * 24, 49, 22);
        button->setToolTip(groupHint);
        connect(button, &QPushButton::clicked, this, [this, button] { sbBeaconsClick(button); });
        beaconButtons[static_cast<std::size_t>(index)] = button;
    }

    connect(sbSpeed, &QScrollBar::valueChanged, this, &TfrmBeaconSetup::sbSpeedChange);
    connect(sbPatch, &QScrollBar::valueChanged, this, &TfrmBeaconSetup::sbPatchChange);
    connect(sbTone, &QScrollBar::valueChanged, this, &TfrmBeaconSetup::sbToneChange);
    connect(sbVolume, &QScrollBar::valueChanged, this, &TfrmBeaconSetup::sbVolumeChange);
    // The player starts from the controls' design positions.
    player_->setSpeedControl(sbSpeed->value());
    player_->setDotTime(sbSpeed->value());
    player_->Tone = sbTone->value();
    player_->Volume = sbVolume->value();
    showMeanings();
}

void TfrmBeaconSetup::showMeanings() {
    lblSpeedMeaning->setText(speedMeaning(sbSpeed->value()));
    lblPatchMeaning->setText(patchMeaning(Patch));
    lblToneMeaning->setText(toneMeaning(sbTone->value()));
}

void TfrmBeaconSetup::ReadUserIni() {
    const CwSettings s = CwSettings::read(settings_);
    Speed = s.speed;
    Patch = s.patch;
    player_->Tone = s.tone;
    player_->Volume = s.volume;
}

void TfrmBeaconSetup::SaveUserIni() {
    settings_.writeInteger(kBeaconWinSection, QStringLiteral("Left"), x());
    settings_.writeInteger(kBeaconWinSection, QStringLiteral("Top"), y());
    CwSettings s;
    s.speed = sbSpeed->value();
    s.patch = sbPatch->value();
    s.tone = sbTone->value();
    s.volume = sbVolume->value();
    s.write(settings_);
}

// Setting a scroll bar clamps to its range and runs its change handler only
// when the position changes (QScrollBar::setValue does exactly that).
void TfrmBeaconSetup::FormCreate() {
    ReadUserIni();
    if (!gotSoundCard_) {
        // No output, and the controls keep their design values.
        player_->Tone = sbTone->value();
        player_->Volume = sbVolume->value();
        return;
    }
    sbTone->setValue(player_->Tone);
    // A stored tone outside the range has been clamped by the control; one
    // equal to the design position ran no handler and stays as read.
    player_->Tone = sbTone->value();
    sbSpeed->setValue(Speed);
    player_->setDotTime(sbSpeed->value());
    // The output (for the synthesiser: its soundfont and an audio stream) is
    // opened when a transmission plays and closed after it, so the idle
    // program holds no stream open; a failure is shown at the first play.
    player_->openOnDemand(kMidiMapper, outputHold_);
    // A position change sends the program change (kept by the player for
    // each open) and takes the position into Patch; a stored value the
    // control clamps to the position it already has (0 to 1) changes
    // nothing, and the label below shows it as stored.
    sbPatch->setValue(Patch);
    sbVolume->setValue(player_->Volume);
    player_->Volume = sbVolume->value();
    lblPatch->setText(QStringLiteral("Patch: %1").arg(Patch));
    lblSpeed->setText(QStringLiteral("Speed: %1").arg(player_->DotTime.load()));
    lblVolume->setText(QStringLiteral("Volume: %1").arg(sbVolume->value()));
    lblTimeUsed->setText(QString());
    showMeanings();
}

void TfrmBeaconSetup::FormActivate() {
    player_->setStopRequest(false);
    if (!gotSoundCard_) return;
    player_->CtrlChange(BeaconPlayer::kAllNotesOff, 0);
    // The buttons play at once: have the soundfont ready.
    player_->prepareOutput();
}

void TfrmBeaconSetup::prepareSound() {
    if (gotSoundCard_ && !destroyed_) player_->prepareOutput();
}

void TfrmBeaconSetup::FormClose() {
    if (sbSpeed->value() > kSlotSafeSpeed) {
        sbSpeed->setValue(kSlotSafeSpeed);
        player_->setDotTime(sbSpeed->value());
        player_->Tone = sbTone->value();
        player_->Volume = sbVolume->value();
    }
    player_->setStopRequest(true);
}

void TfrmBeaconSetup::sbSpeedChange() {
    const int position = sbSpeed->value();
    player_->setSpeedControl(position);
    player_->setDotTime(position);
    lblSpeed->setText(QStringLiteral("Speed: %1").arg(position));
    showMeanings();
}

void TfrmBeaconSetup::sbPatchChange() {
    Patch = sbPatch->value();
    lblPatch->setText(QStringLiteral("Patch: %1").arg(Patch));
    player_->Initialize(Patch);
    showMeanings();
}

void TfrmBeaconSetup::sbToneChange() {
    player_->Tone = sbTone->value();
    lblTone->setText(QStringLiteral("Tone: %1").arg(sbTone->value()));
    showMeanings();
}

void TfrmBeaconSetup::sbVolumeChange() {
    player_->Volume = sbVolume->value();
    lblVolume->setText(QStringLiteral("Volume: %1").arg(sbVolume->value()));
}

void TfrmBeaconSetup::sbBeaconsClick(QAbstractButton* sender) {
    if (sender == nullptr || destroyed_) return;
    lblTimeUsed->setText(QString());
    lblSendingCall->setText(sender->text());
    // Measured on the monotonic clock: a play across midnight or a clock
    // change still reports its own length.
    const std::int64_t startUs = clock_->nowUs();
    player_->PlayABeacon(sender->property("Tag").toInt());
    const std::int64_t usedMs = (clock_->nowUs() - startUs) / 1000;
    lblTimeUsed->setText(QStringLiteral("Approximate Time Used: %1 ms").arg(usedMs));
    lblSendingCall->setText(QStringLiteral("Call"));
}

void TfrmBeaconSetup::done(int result) {
    FormClose();
    QDialog::done(result);
}

bool TfrmBeaconSetup::event(QEvent* e) {
    if (e->type() == QEvent::WindowActivate) FormActivate();
    return QDialog::event(e);
}

TBeaconSoundThread* TfrmBeaconSetup::startBeaconSound(int beaconNumber) {
    BeaconNumber = beaconNumber;
    if (destroyed_) return nullptr;  // the output is closed for good
    auto* thread = new TBeaconSoundThread(*this);
    std::erase_if(threads_, [](const QPointer<TBeaconSoundThread>& t) { return t.isNull(); });
    threads_.emplace_back(thread);
    return thread;
}

int TfrmBeaconSetup::liveSoundThreads() {
    std::erase_if(threads_, [](const QPointer<TBeaconSoundThread>& t) { return t.isNull() || t->isFinished(); });
    return static_cast<int>(threads_.size());
}

void TfrmBeaconSetup::FormDestroy() {
    if (destroyed_) return;
    if (gotSoundCard_) SaveUserIni();
    shutdownPlayer();
}

// No sound thread may send to a closed output: the stop request ends every
// transmission at once (a sounding note gets its note off), the threads are
// waited for, then the output is closed. One deadline bounds the whole wait,
// however many threads there are. A thread still running at it is left to
// end on its own (it frees itself when it does, and its sends then go
// nowhere), and said so in the log.
void TfrmBeaconSetup::shutdownPlayer() {
    destroyed_ = true;
    player_->setErrorSink(nullptr);
    const QDeadlineTimer deadline(shutdownBound_);
    player_->shutdown(std::chrono::milliseconds(std::max<qint64>(0, deadline.remainingTime())));
    for (const QPointer<TBeaconSoundThread>& pointer : threads_) {
        TBeaconSoundThread* thread = pointer.data();
        if (thread == nullptr) continue;
        if (thread->wait(deadline) && thread->ended()) {
            delete thread;
            continue;
        }
        qWarning("Beacon Setup: the sound thread of beacon %d was still playing after %lld ms at program end; "
                 "it is left to end on its own",
                 thread->beaconNumber(), static_cast<long long>(shutdownBound_.count()));
    }
    threads_.clear();
}

TBeaconSoundThread::TBeaconSoundThread(TfrmBeaconSetup& setup)
    : player_(setup.player()), beaconNumber_(setup.BeaconNumber), gotSoundCard_(setup.GotSoundCard()) {
    connect(this, &QThread::finished, this, &QObject::deleteLater);
    start(QThread::HighPriority);
}

void TBeaconSoundThread::Execute() {
    raiseSoundThreadPriority();
    if (gotSoundCard_) player_->PlayABeacon(beaconNumber_);
}

}  // namespace orvane::cwsim
