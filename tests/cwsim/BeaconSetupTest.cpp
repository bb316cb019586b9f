// The "Beacon Setup" dialog: settings with defaults and clamping, its
// handlers, the sound threads and a sound shutdown.
#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QLabel>
#include <QPushButton>
#include <QScrollBar>
#include <QThread>
#include <QTimer>

#include "cwsim/CwSettings.h"
#include "cwsim/CwTestSupport.h"
#include "cwsim/ui/Ncdxfcw.h"
#include "support/TempDir.h"

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
        return std::make_unique<TfrmBeaconSetup>(output, gotSoundCard, ini(), messages, nullptr, clock);
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

TEST_F(SetupTest, FirstStartUsesTheDefaultsAndSendsThePatch) {
    auto d = make();
    EXPECT_EQ(d->windowTitle(), "Beacon Setup");
    EXPECT_EQ(d->lblSpeed->text(), "Speed: 48");
    EXPECT_EQ(d->lblPatch->text(), "Patch: 79");
    EXPECT_EQ(d->lblTone->text(), "Tone: 74");
    EXPECT_EQ(d->lblVolume->text(), "Volume: 127");
    EXPECT_EQ(d->lblTimeUsed->text(), "");
    EXPECT_EQ(d->player()->DotTime, 48);
    EXPECT_EQ(d->player()->DahsGap, 288);
    EXPECT_TRUE(output->isOpen());
    EXPECT_EQ(sentMessages(), std::vector<std::uint32_t>{packShortMsg(0xC0, 79, 0)});
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
    EXPECT_TRUE(output->sent().empty()) << "a patch of 1 sends no program change at start";
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
    EXPECT_EQ(d->Patch, d->sbPatch->value());
    EXPECT_EQ(d->player()->DotTime, d->sbSpeed->value());
}

INSTANTIATE_TEST_SUITE_P(Settings, ClampTest,
                         ::testing::Values(ClampCase{"SpeedAbove", "cwSpeed", 200, 75},
                                           ClampCase{"SpeedBelow", "cwSpeed", 3, 27},
                                           ClampCase{"PatchBelow", "cwPatch", 0, 1},
                                           ClampCase{"PatchAbove", "cwPatch", 500, 128},
                                           ClampCase{"ToneBelow", "cwTone", -5, 40},
                                           ClampCase{"ToneAbove", "cwTone", 300, 108},
                                           ClampCase{"VolumeBelow", "cwVolume", 10, 80}),
                         [](const auto& row) { return std::string(row.param.name); });

TEST_F(SetupTest, APatchOf128SelectsTheLastProgram) {
    store(kCwSection, "cwPatch", 128);
    auto d = make();
    EXPECT_EQ(d->lblPatch->text(), "Patch: 128");
    EXPECT_EQ(sentMessages(), std::vector<std::uint32_t>{packShortMsg(0xC0, 127, 0)});
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
    EXPECT_EQ(sentMessages().back(), packShortMsg(0xB0, 123, 0));
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
    EXPECT_EQ(d->sbSpeed->value(), 75);
    EXPECT_EQ(d->lblSpeed->text(), "Speed:");
    EXPECT_EQ(d->x(), 60);
    d->FormActivate();
    QPointer<TBeaconSoundThread> thread = d->startBeaconSound(4);
    ASSERT_TRUE(thread->wait(5000));
    d->FormDestroy();
    EXPECT_TRUE(output->sent().empty());
    EXPECT_TRUE(messages.messages.empty());
    EXPECT_FALSE(ini().hasKey(kCwSection, "cwPatch"));
}

TEST_F(SetupTest, AFailedOpenIsShownOnceAndTheButtonsStillTakeTheirTime) {
    failOpen = true;
    auto d = make();
    ASSERT_EQ(messages.messages.size(), 1u);
    EXPECT_EQ(messages.messages[0], midiErrorText(midierr::kAllocated));
    d->beaconButtons[0]->click();
    EXPECT_EQ(d->lblTimeUsed->text(), "Approximate Time Used: 7584 ms");
    EXPECT_EQ(d->lblSendingCall->text(), "Call");
    EXPECT_EQ(messages.messages.size(), 1u);
}

// A real sound thread on the real clock, stopped at its first check point.
TEST_F(SetupTest, ASoundThreadTakesItsBeaconAtCreationAndReportsErrorsOnTheGuiThread) {
    store(kCwSection, "cwSpeed", 27);
    auto d = make(true, std::make_shared<SteadyPlayerClock>());
    output->failSendsWith(0x90, midierr::kNoDevice);
    d->FormActivate();
    output->clear();
    QPointer<TBeaconSoundThread> thread = d->startBeaconSound(5);
    d->BeaconNumber = 9;
    EXPECT_EQ(thread->beaconNumber(), 5);
    EXPECT_EQ(thread->priority(), QThread::HighPriority);
    d->setStopRequest(true);
    ASSERT_TRUE(thread->wait(5000));
    EXPECT_TRUE(messages.messages.empty()) << "shown only through the GUI thread's event loop";
    QElapsedTimer t;
    t.start();
    while ((messages.messages.empty() || !thread.isNull()) && t.elapsed() < 5000) {
        QCoreApplication::processEvents();
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    }
    EXPECT_EQ(messages.messages, std::vector<std::string>{midiErrorText(midierr::kNoDevice)});
    EXPECT_TRUE(messages.onGuiThread);
    EXPECT_TRUE(thread.isNull()) << "the thread frees itself";
    // ZL6B "--.." was stopped after its first character: the lead-in's All
    // Notes Off and one note off per dash/dot of Z (the note-ons failed).
    EXPECT_EQ(output->sent().size(), 1u + 4u);
}

// Played from a button on the GUI thread: the dialog stays live during the
// waits, and closing it ends the transmission at its next check point.
TEST_F(SetupTest, ShownModallyItActivatesAndClosingEndsTheButtonsTransmission) {
    store(kCwSection, "cwSpeed", 27);
    auto d = make(true, std::make_shared<SteadyPlayerClock>());
    output->clear();
    bool closed = false;
    QTimer::singleShot(0, d.get(), [&] {
        QTimer::singleShot(60, d.get(), [&] {
            d->reject();
            closed = true;
        });
        d->beaconButtons[0]->click();  // 4U1UN, 158 units = 4266 ms if it played out
    });
    d->showSetupModal();
    EXPECT_TRUE(closed);
    EXPECT_EQ(output->sent().front().msg, packShortMsg(0xB0, 123, 0)) << "FormActivate sent All Notes Off";
    // Stopped after the first character and its gap: 3 + 12 + 2 units.
    const QString used = d->lblTimeUsed->text();
    ASSERT_TRUE(used.startsWith("Approximate Time Used: ")) << used.toStdString();
    const int ms = used.section(' ', 3, 3).toInt();
    EXPECT_GE(ms, 15 * 27);
    EXPECT_LT(ms, 1500);
    EXPECT_EQ(test::notesOf(output->sent()).size(), 5u);
}

TEST_F(SetupTest, ProgramEndWaitsForPlayingThreadsBeforeClosingTheOutput) {
    store(kCwSection, "cwSpeed", 75);
    auto d = make(true, std::make_shared<SteadyPlayerClock>());
    d->FormActivate();
    d->startBeaconSound(7);
    d->startBeaconSound(8);
    QElapsedTimer t;
    t.start();
    while (output->sent().size() < 4 && t.elapsed() < 5000) QThread::yieldCurrentThread();
    d->setStopRequest(true);
    d->FormDestroy();
    EXPECT_LT(t.elapsed(), 3000);
    EXPECT_FALSE(output->isOpen());
    EXPECT_EQ(d->liveSoundThreads(), 0);
    EXPECT_EQ(output->sendsWhileClosed(), 0);
    for (const auto& n : test::notesOf(output->sent())) EXPECT_GE(n.offUs, n.onUs);
    d.reset();
}

}  // namespace
}  // namespace orvane::cwsim
