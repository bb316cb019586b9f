// The "Beacon Setup" dialog: settings with defaults and clamping, its
// handlers, the sound threads and a sound shutdown.
#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QLabel>
#include <QPushButton>
#include <QScrollBar>
#include <QThread>
#include <QTimer>
#include <condition_variable>
#include <mutex>

#include "cwsim/CwSettings.h"
#include "cwsim/CwTestSupport.h"
#include "cwsim/ui/Ncdxfcw.h"
#include "support/TempDir.h"
#include "support/WaitUntil.h"

namespace orvane::cwsim {
namespace {

// Records on which thread each message was shown.
class ThreadCheckingMessages final : public MessageService {
public:
    void showMessage(const std::string& text) override {
        messages.push_back(text);
        onGuiThread = onGuiThread && QThread::currentThread() == QCoreApplication::instance()->thread();
    }
    void showError(const std::string& text) override { errors.push_back(text); }
    std::vector<std::string> messages, errors;
    bool onGuiThread = true;
};

class SetupTest : public ::testing::Test {
protected:
    IniFile ini() const { return IniFile(dir.file("orvane.INI")); }
    void store(const QString& section, const QString& key, int value) { ini().writeInteger(section, key, value); }

    std::unique_ptr<TfrmBeaconSetup> make(bool gotSoundCard = true,
                                          std::shared_ptr<PlayerClock> clock = std::make_shared<VirtualPlayerClock>()) {
        auto c = clock;
        output = std::make_shared<RecordingMidiOutputLayer>([c] { return c->nowUs(); });
        if (failOpen) output->failOpensWith(midierr::kAllocated);
        // The output closes as soon as the last transmission ends.
        return std::make_unique<TfrmBeaconSetup>(output, gotSoundCard, ini(), messages, nullptr, clock,
                                                 std::chrono::milliseconds(0));
    }
    std::vector<std::uint32_t> programChanges() const {
        std::vector<std::uint32_t> m;
        for (const auto& s : output->sent())
            if (shortMsgStatus(s.msg) == 0xC0) m.push_back(s.msg);
        return m;
    }
    std::vector<std::uint32_t> sentMessages() const {
        std::vector<std::uint32_t> m;
        for (const auto& s : output->sent()) m.push_back(s.msg);
        return m;
    }

    TempDir dir;
    ThreadCheckingMessages messages;
    std::shared_ptr<RecordingMidiOutputLayer> output;
    bool failOpen = false;
};

// Nothing is opened at start: the output (the synthesiser's soundfont and
// audio stream) opens when something plays, and the instrument goes first.
TEST_F(SetupTest, FirstStartUsesTheDefaultsAndTheFirstPlaySendsThePatch) {
    auto d = make();
    EXPECT_EQ(d->windowTitle(), "Beacon Setup");
    EXPECT_EQ(d->lblSpeed->text(), "Speed: 48");
    EXPECT_EQ(d->lblPatch->text(), "Patch: 79");
    EXPECT_EQ(d->lblTone->text(), "Tone: 74");
    EXPECT_EQ(d->lblVolume->text(), "Volume: 127");
    EXPECT_EQ(d->lblTimeUsed->text(), "");
    EXPECT_EQ(d->player()->DotTime, 48);
    EXPECT_EQ(d->player()->DahsGap, 288);
    EXPECT_EQ(output->opens(), 0);
    EXPECT_EQ(output->prepares(), 0) << "no soundfont loaded at start";
    EXPECT_TRUE(output->sent().empty());
    d->beaconButtons[0]->click();
    ASSERT_GE(sentMessages().size(), 2u);
    EXPECT_EQ(sentMessages()[0], packShortMsg(0xC0, 79, 0));
    EXPECT_EQ(sentMessages()[1], packShortMsg(0xB0, 123, 0));
    EXPECT_EQ(output->opens(), 1);
    EXPECT_FALSE(output->isOpen()) << "closed after the transmission";
    EXPECT_EQ(d->pos(), QPoint(197, 213));
    // Three rows of six, in beacon order, tagged with the number.
    EXPECT_EQ(d->beaconButtons[6]->objectName(), "sbJA2IGY");
    EXPECT_EQ(d->beaconButtons[6]->property("Tag").toInt(), 7);
    EXPECT_EQ(d->beaconButtons[6]->x(), d->beaconButtons[0]->x());
    EXPECT_GT(d->beaconButtons[6]->y(), d->beaconButtons[5]->y());
}

TEST_F(SetupTest, StoredValuesAtTheDesignPositionsRunNoHandler) {
    store(kCwSection, "cwTone", 60);
    store(kCwSection, "cwPatch", 1);
    auto d = make();
    EXPECT_EQ(d->lblTone->text(), "Tone:");
    EXPECT_EQ(d->player()->Tone, 60);
    EXPECT_EQ(d->lblPatch->text(), "Patch: 1");
    EXPECT_TRUE(output->sent().empty());
    d->beaconButtons[1]->click();
    EXPECT_TRUE(programChanges().empty()) << "a patch of 1 sends no program change";
}

struct ClampCase {
    const char* name;
    const char* key;
    int stored;
    int position;
};

class ClampTest : public SetupTest, public ::testing::WithParamInterface<ClampCase> {};

TEST_P(ClampTest, OutOfRangeSettingsAreClampedToTheControl) {
    const ClampCase& c = GetParam();
    store(kCwSection, QString::fromLatin1(c.key), c.stored);
    auto d = make();
    const std::map<std::string, QScrollBar*> bars = {
        {"cwSpeed", d->sbSpeed}, {"cwPatch", d->sbPatch}, {"cwTone", d->sbTone}, {"cwVolume", d->sbVolume}};
    EXPECT_EQ(bars.at(c.key)->value(), c.position);
    EXPECT_EQ(d->player()->Tone, d->sbTone->value());
    EXPECT_EQ(d->player()->Volume, d->sbVolume->value());
    EXPECT_EQ(d->player()->DotTime, d->sbSpeed->value());
}

INSTANTIATE_TEST_SUITE_P(Settings, ClampTest,
                         ::testing::Values(ClampCase{"SpeedAbove", "cwSpeed", 200, 75},
                                           ClampCase{"SpeedBelow", "cwSpeed", 3, 27},
                                           ClampCase{"ToneBelow", "cwTone", -5, 40},
                                           ClampCase{"ToneAbove", "cwTone", 300, 108},
                                           ClampCase{"VolumeBelow", "cwVolume", 10, 80}),
                         [](const auto& row) { return std::string(row.param.name); });

// The patch label shows Patch as the start-up left it: the stored value,
// or the control's new position when setting it ran the change handler.
struct PatchCase {
    const char* name;
    int stored;
    int position;
    const char* label;
    int programSent;  // -1: no program change at start
};

void PrintTo(const PatchCase& row, std::ostream* os) { *os << row.name; }

class PatchTest : public SetupTest, public ::testing::WithParamInterface<PatchCase> {};

TEST_P(PatchTest, TheLabelShowsTheStoredPatchAsStartUpLeftIt) {
    const PatchCase& c = GetParam();
    store(kCwSection, "cwPatch", c.stored);
    auto d = make();
    EXPECT_EQ(d->sbPatch->value(), c.position);
    EXPECT_EQ(d->lblPatch->text(), QString::fromLatin1(c.label));
    const std::vector<std::uint32_t> expected =
        c.programSent < 0 ? std::vector<std::uint32_t>{}
                          : std::vector<std::uint32_t>{packShortMsg(0xC0, static_cast<std::uint8_t>(c.programSent), 0)};
    EXPECT_TRUE(output->sent().empty()) << "nothing is sent before something plays";
    d->beaconButtons[1]->click();
    EXPECT_EQ(programChanges(), expected);
    // What is saved is the control's position.
    d->FormDestroy();
    EXPECT_EQ(ini().readInteger(kCwSection, "cwPatch", -99), c.position);
}

INSTANTIATE_TEST_SUITE_P(Settings, PatchTest,
                         ::testing::Values(PatchCase{"ZeroClampsToTheDesignPositionAndShowsZero", 0, 1, "Patch: 0", -1},
                                           PatchCase{"NegativeShowsAsStored", -5, 1, "Patch: -5", -1},
                                           PatchCase{"OneIsTheDesignPosition", 1, 1, "Patch: 1", -1},
                                           PatchCase{"InRange", 40, 40, "Patch: 40", 40},
                                           PatchCase{"AboveClampsAndShowsThePosition", 500, 128, "Patch: 128", 127}),
                         [](const auto& row) { return std::string(row.param.name); });

TEST_F(SetupTest, APatchOf128SelectsTheLastProgram) {
    store(kCwSection, "cwPatch", 128);
    auto d = make();
    EXPECT_EQ(d->lblPatch->text(), "Patch: 128");
    d->beaconButtons[1]->click();
    EXPECT_EQ(programChanges(), std::vector<std::uint32_t>{packShortMsg(0xC0, 127, 0)});
    EXPECT_TRUE(messages.messages.empty());
}

TEST_F(SetupTest, ClosingBringsTheSpeedTo48AndThatIsSavedWithThePosition) {
    store(kCwSection, "cwSpeed", 75);
    store(kBeaconWinSection, "Left", 40);
    store(kBeaconWinSection, "Top", 50);
    auto d = make();
    EXPECT_EQ(d->player()->DotTime, 75);
    d->FormActivate();
    EXPECT_FALSE(d->StopRequest());
    // Nothing sounds, so nothing is sent; the soundfont is asked for, the
    // buttons are about to be used.
    EXPECT_TRUE(output->sent().empty());
    EXPECT_TRUE(waitUntil([this] { return output->prepares() == 1; }, 10000, 5));
    d->sbTone->setValue(90);
    d->reject();  // any close runs FormClose
    EXPECT_EQ(d->sbSpeed->value(), 48);
    EXPECT_EQ(d->player()->DotTime, 48);
    EXPECT_EQ(d->player()->DashTime, 144);
    EXPECT_TRUE(d->StopRequest());
    d->FormDestroy();
    EXPECT_FALSE(output->isOpen());
    const IniFile saved = ini();
    EXPECT_EQ(saved.readInteger(kCwSection, "cwSpeed", 0), 48);
    EXPECT_EQ(saved.readInteger(kCwSection, "cwTone", 0), 90);
    EXPECT_EQ(saved.readInteger(kCwSection, "cwPatch", 0), 79);
    EXPECT_EQ(saved.readInteger(kCwSection, "cwVolume", 0), 127);
    EXPECT_EQ(saved.readInteger(kBeaconWinSection, "Left", 0), 40);
    EXPECT_EQ(saved.readInteger(kBeaconWinSection, "Top", 0), 50);
}

TEST_F(SetupTest, WithoutASoundCardNothingOpensNothingPlaysAndNoSettingsAreWritten) {
    store(kCwSection, "cwSpeed", 30);
    store(kBeaconWinSection, "Left", 60);
    auto d = make(false);
    EXPECT_EQ(output->opens(), 0);
    d->prepareSound();
    EXPECT_EQ(d->sbSpeed->value(), 75);
    EXPECT_EQ(d->lblSpeed->text(), "Speed:");
    EXPECT_EQ(d->x(), 60);
    d->FormActivate();
    QPointer<TBeaconSoundThread> thread = d->startBeaconSound(4);
    ASSERT_TRUE(thread->wait(5000));
    d->FormDestroy();
    EXPECT_TRUE(output->sent().empty());
    EXPECT_TRUE(messages.messages.empty());
    EXPECT_EQ(output->prepares(), 0);
    EXPECT_FALSE(ini().hasKey(kCwSection, "cwPatch"));
}

TEST_F(SetupTest, AFailedOpenIsShownOnceAndTheButtonsStillTakeTheirTime) {
    failOpen = true;
    auto d = make();
    EXPECT_TRUE(messages.messages.empty()) << "nothing is opened before something plays";
    d->beaconButtons[0]->click();
    ASSERT_EQ(messages.messages.size(), 1u);
    EXPECT_EQ(messages.messages[0], midiErrorText(midierr::kAllocated));
    EXPECT_EQ(d->lblTimeUsed->text(), "Approximate Time Used: 7584 ms");
    EXPECT_EQ(d->lblSendingCall->text(), "Call");
    d->beaconButtons[0]->click();
    EXPECT_EQ(output->opens(), 2);
    EXPECT_EQ(messages.messages.size(), 1u);
}

// A real sound thread on the real clock, stopped at its first check point.
// The stop is set before the thread starts, so where it ends does not depend
// on how fast this machine is; the waits' deadlines only bound a failure.
TEST_F(SetupTest, ASoundThreadTakesItsBeaconAtCreationAndReportsErrorsOnTheGuiThread) {
    store(kCwSection, "cwSpeed", 27);
    auto d = make(true, std::make_shared<SteadyPlayerClock>());
    output->failSendsWith(0x90, midierr::kNoDevice);
    d->FormActivate();
    output->clear();
    d->setStopRequest(true);
    QPointer<TBeaconSoundThread> thread = d->startBeaconSound(5);
    d->BeaconNumber = 9;
    EXPECT_EQ(thread->beaconNumber(), 5);
    EXPECT_EQ(thread->priority(), QThread::HighPriority);
    ASSERT_TRUE(thread->wait(10000));
    EXPECT_TRUE(messages.messages.empty()) << "shown only through the GUI thread's event loop";
    EXPECT_TRUE(waitUntil([&] {
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        return !messages.messages.empty() && thread.isNull();
    }, 10000));
    EXPECT_EQ(messages.messages, std::vector<std::string>{midiErrorText(midierr::kNoDevice)});
    EXPECT_TRUE(messages.onGuiThread);
    EXPECT_TRUE(thread.isNull()) << "the thread frees itself";
    // ZL6B "--.." was stopped after its first character: the program change
    // of the open, the lead-in's All Notes Off and one note off per dash/dot
    // of Z (the note-ons failed); then the output was closed.
    EXPECT_EQ(output->sent().size(), 1u + 1u + 4u);
    EXPECT_EQ(output->opens(), 1);
    EXPECT_FALSE(output->isOpen());
}

// Played from a button on the GUI thread: the dialog stays live during the
// waits (a close posted before the click runs inside the first one), and
// closing it ends the transmission at its next check point, after the whole
// gap before it.
TEST_F(SetupTest, ShownModallyItActivatesAndClosingEndsTheButtonsTransmission) {
    store(kCwSection, "cwSpeed", 27);
    auto d = make(true, std::make_shared<SteadyPlayerClock>());
    output->clear();
    bool closed = false;
    bool clickReturned = false;
    QTimer::singleShot(0, d.get(), [&] {
        // Activation clears the stop request; it must come before the close.
        EXPECT_TRUE(waitUntil([&] { return d->isActiveWindow(); }, 10000));
        QTimer::singleShot(0, d.get(), [&] {
            d->reject();
            closed = true;
        });
        d->beaconButtons[0]->click();  // 4U1UN, 158 units = 4266 ms if it played out
        clickReturned = true;
    });
    d->showSetupModal();
    EXPECT_TRUE(closed);
    EXPECT_TRUE(clickReturned);
    ASSERT_GE(output->sent().size(), 2u);
    EXPECT_EQ(output->sent()[0].msg, packShortMsg(0xC0, 79, 0)) << "the click opened the output";
    EXPECT_EQ(output->sent()[1].msg, packShortMsg(0xB0, 123, 0));
    // Stopped after the first character "....-" and its gap: 3 + 12 + 2 units.
    const QString used = d->lblTimeUsed->text();
    ASSERT_TRUE(used.startsWith("Approximate Time Used: ")) << used.toStdString();
    EXPECT_GE(used.section(' ', 3, 3).toInt(), 17 * 27);
    EXPECT_EQ(test::notesOf(output->sent()).size(), 5u);
    for (const auto& n : test::notesOf(output->sent())) EXPECT_GE(n.offUs, n.onUs);
}

TEST_F(SetupTest, ProgramEndWaitsForPlayingThreadsBeforeClosingTheOutput) {
    store(kCwSection, "cwSpeed", 75);
    auto d = make(true, std::make_shared<SteadyPlayerClock>());
    d->FormActivate();
    d->startBeaconSound(7);
    d->startBeaconSound(8);
    // Sent from the sound threads: looked at every few milliseconds.
    EXPECT_TRUE(waitUntil([this] { return output->sent().size() >= 4; }, 10000, 5));
    d->setStopRequest(true);
    d->FormDestroy();
    EXPECT_FALSE(output->isOpen());
    EXPECT_EQ(d->liveSoundThreads(), 0);
    EXPECT_EQ(output->sendsWhileClosed(), 0);
    const auto notes = test::notesOf(output->sent());
    for (const auto& n : notes) EXPECT_GE(n.offUs, n.onUs);
    // Whole, JA2IGY and RR9O would sound 24 + 19 notes; both were cut short.
    EXPECT_LT(notes.size(), 24u + 19u);
    d.reset();
}

// A clock whose waits end only when the test lets them: sound threads that
// take no notice of the program's end.
class StuckPlayerClock final : public PlayerClock {
public:
    std::int64_t nowUs() const override { return steady_.nowUs(); }
    void waitUntil(std::int64_t, const std::function<bool()>&) override {
        std::unique_lock lock(mutex_);
        ++waiting_;
        released_.wait(lock, [this] { return free_; });
    }
    void wake() override {}
    int waiting() const {
        std::lock_guard lock(mutex_);
        return waiting_;
    }
    void release() {
        {
            std::lock_guard lock(mutex_);
            free_ = true;
        }
        released_.notify_all();
    }

private:
    SteadyPlayerClock steady_;
    mutable std::mutex mutex_;
    std::condition_variable released_;
    int waiting_ = 0;
    bool free_ = false;
};

// Program end with threads that do not end: one bound for all of them,
// each one left running is named in the log, and frees itself once it ends.
TEST_F(SetupTest, ProgramEndLeavesAndLogsThreadsThatOutlastTheBound) {
    auto clock = std::make_shared<StuckPlayerClock>();
    auto d = make(true, clock);
    d->setShutdownBound(std::chrono::milliseconds(200));
    QPointer<TBeaconSoundThread> first = d->startBeaconSound(7);
    QPointer<TBeaconSoundThread> second = d->startBeaconSound(8);
    ASSERT_TRUE(waitUntil([&clock] { return clock->waiting() == 2; }, 10000, 5));

    static std::vector<QString> warnings;
    warnings.clear();
    const QtMessageHandler previous = qInstallMessageHandler([](QtMsgType type, const QMessageLogContext&, const QString& text) {
        if (type == QtWarningMsg) warnings.push_back(text);
    });
    d->FormDestroy();
    qInstallMessageHandler(previous);
    EXPECT_FALSE(output->isOpen());
    ASSERT_EQ(warnings.size(), 2u);
    EXPECT_TRUE(warnings[0].contains(QStringLiteral("beacon 7"))) << warnings[0].toStdString();
    EXPECT_TRUE(warnings[1].contains(QStringLiteral("beacon 8"))) << warnings[1].toStdString();
    ASSERT_FALSE(first.isNull());
    ASSERT_FALSE(second.isNull());

    clock->release();
    EXPECT_TRUE(waitUntil([&] {
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        return first.isNull() && second.isNull();
    }, 10000, 5));
    EXPECT_EQ(output->sendsWhileClosed(), 0);
    d.reset();
}

}  // namespace
}  // namespace orvane::cwsim
