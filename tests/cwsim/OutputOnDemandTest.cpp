// The output opened on demand: nothing open while idle, opened by the first
// transmission, closed when the last one has ended (after the hold), the
// program sent again at each open, the time of the open taken out of the
// lead-in so the first note still starts on time, a failing open shown once.
#include <gtest/gtest.h>

#include <QFile>
#include <cmath>
#include <thread>

#include "cwsim/BeaconPlayer.h"
#include "cwsim/CwTestSupport.h"
#include "cwsim/FluidSynthOutput.h"
#include "support/WaitUntil.h"

namespace orvane::cwsim {
namespace {

using test::notesOf;

constexpr std::int64_t kUnitUs = 48'000;  // the default speed

// A recording layer whose open takes time on the player's clock, as the
// synthesiser's audio stream does (connecting to the sound server).
class SlowOpeningLayer final : public MidiOutputLayer {
public:
    SlowOpeningLayer(std::shared_ptr<VirtualPlayerClock> clock, std::int64_t openUs)
        : clock_(std::move(clock)), openUs_(openUs), recorder([c = clock_] { return c->nowUs(); }) {}
    unsigned midiOutGetNumDevs() override { return recorder.midiOutGetNumDevs(); }
    std::string midiOutDeviceName(unsigned id) override { return recorder.midiOutDeviceName(id); }
    MidiResult midiOutOpen(MidiOutHandle* handle, unsigned id) override {
        clock_->advance(openUs_);
        return recorder.midiOutOpen(handle, id);
    }
    MidiResult midiOutShortMsg(MidiOutHandle handle, std::uint32_t msg) override {
        return recorder.midiOutShortMsg(handle, msg);
    }
    MidiResult midiOutClose(MidiOutHandle handle) override { return recorder.midiOutClose(handle); }

private:
    std::shared_ptr<VirtualPlayerClock> clock_;
    std::int64_t openUs_;

public:
    RecordingMidiOutputLayer recorder;
};

class OnDemandTest : public ::testing::Test {
protected:
    OnDemandTest() {
        player.setErrorSink([this](const std::string& text) { errors.push_back(text); });
        player.setSpeedControl(48);
    }

    std::shared_ptr<VirtualPlayerClock> clock = std::make_shared<VirtualPlayerClock>(1'000'000);
    std::shared_ptr<RecordingMidiOutputLayer> output =
        std::make_shared<RecordingMidiOutputLayer>([c = clock] { return c->nowUs(); });
    BeaconPlayer player{output, clock};
    std::vector<std::string> errors;
};

// Idle: nothing open and nothing sent, also for the instrument chosen at
// start. A transmission opens the output as it begins, sends the program
// first, and closes it when it ends; the next one does the same again.
TEST_F(OnDemandTest, EachTransmissionOpensTheOutputAndTheLastOneClosesIt) {
    player.openOnDemand(kMidiMapper, std::chrono::milliseconds(0));
    player.Initialize(79);
    EXPECT_FALSE(player.isOpen());
    EXPECT_EQ(output->opens(), 0);
    EXPECT_TRUE(output->sent().empty());

    bool openWhilePlaying = false;
    clock->setAlarm(2'000'000, [&] { openWhilePlaying = output->isOpen(); });
    const std::int64_t start = clock->nowUs();
    player.PlayABeacon(8);
    const std::int64_t end = clock->nowUs();
    EXPECT_TRUE(openWhilePlaying);
    EXPECT_FALSE(output->isOpen());
    EXPECT_EQ(output->openTimesUs(), std::vector<std::int64_t>{start});
    EXPECT_EQ(output->closeTimesUs(), std::vector<std::int64_t>{end});
    const auto sent = output->sent();
    ASSERT_GE(sent.size(), 3u);
    EXPECT_EQ(sent[0].msg, packShortMsg(0xC0, 79, 0)) << "the instrument, before anything else";
    EXPECT_EQ(sent[1].msg, packShortMsg(0xB0, 123, 0));
    EXPECT_EQ(notesOf(sent).front().onUs, start + 3 * kUnitUs);

    clock->advance(3'000'000);
    output->clear();
    player.PlayABeacon(2);
    EXPECT_EQ(output->opens(), 2);
    EXPECT_EQ(output->closes(), 2);
    EXPECT_EQ(output->sent().front().msg, packShortMsg(0xC0, 79, 0)) << "sent again at the new open";
    EXPECT_EQ(output->sendsWhileClosed(), 0);
    EXPECT_TRUE(errors.empty());
}

// Two transmissions that overlap (the second played inside a wait of the
// first, as a beacon button inside another on the GUI thread): one open, and
// the close only after the outer one, the last, has ended.
TEST_F(OnDemandTest, OverlappingTransmissionsShareOneOpenAndTheLastToEndClosesIt) {
    player.openOnDemand(kMidiMapper, std::chrono::milliseconds(0));
    bool openAfterInner = false;
    clock->setAlarm(1'500'000, [&] {
        player.PlayABeacon(2);
        openAfterInner = output->isOpen();
    });
    player.PlayABeacon(7);
    EXPECT_TRUE(openAfterInner) << "the outer transmission still plays";
    EXPECT_EQ(output->opens(), 1);
    EXPECT_EQ(output->closes(), 1);
    EXPECT_FALSE(output->isOpen());
    EXPECT_EQ(output->sendsWhileClosed(), 0);
    // Every note of both: JA2IGY's and VE8AT's calls and their long dashes.
    const std::size_t calls = test::elementUnits(beaconCall(7)->morse).size() + test::elementUnits(beaconCall(2)->morse).size();
    EXPECT_EQ(notesOf(output->sent()).size(), calls + 4u + 4u);
}

// Opening the synthesiser's stream takes time: it comes out of the lead-in
// silence, so the first note still starts three units after the
// transmission began, and in the rendered sound the note is at its place.
TEST(OnDemand, TheTimeTheOpenTakesComesOutOfTheLeadInSoTheFirstNoteIsOnTime) {
    auto clock = std::make_shared<VirtualPlayerClock>(5'000'000);
    constexpr std::int64_t kOpenUs = 90'000;  // less than the lead-in of 144 ms
    auto layer = std::make_shared<SlowOpeningLayer>(clock, kOpenUs);
    BeaconPlayer player(layer, clock);
    player.setSpeedControl(48);
    player.openOnDemand(kMidiMapper, std::chrono::milliseconds(0));
    player.Initialize(79);
    const std::int64_t start = clock->nowUs();
    player.PlayABeacon(8);
    const auto sent = layer->recorder.sent();
    const auto notes = notesOf(sent);
    ASSERT_FALSE(notes.empty());
    EXPECT_EQ(layer->recorder.openTimesUs(), std::vector<std::int64_t>{start + kOpenUs});
    EXPECT_EQ(notes.front().onUs, start + 3 * kUnitUs) << "late by the open";

    if (!QFile::exists(defaultSoundFontPath())) GTEST_SKIP() << "no GM soundfont installed";
    // What the synthesiser makes of it, on the transmission's timeline.
    std::vector<TimedMessage> messages;
    for (const auto& s : sent) messages.push_back({s.timeUs - start, s.msg});
    constexpr int kRate = 44100;
    FluidRenderer renderer(defaultSoundFontPath(), kRate);
    const auto samples = renderer.render(messages, 0);
    std::size_t first = 0;
    while (first < samples.size() / 2 && std::abs(samples[2 * first]) < 64) ++first;
    const double firstMs = 1000.0 * static_cast<double>(first) / kRate;
    // The note starts at 144 ms; the synthesiser begins it within its next
    // 64-sample block and the instrument's attack takes a few milliseconds.
    EXPECT_GE(firstMs, 144.0);
    EXPECT_LT(firstMs, 144.0 + 20.0);
}

// A device that cannot be opened: said once, not at every slot; tried again
// at each transmission, which keeps its time in silence; once it opens, a
// later failure is news again and is shown.
TEST_F(OnDemandTest, AFailingOpenIsShownOnceAndTriedAgainAtEachTransmission) {
    player.openOnDemand(kMidiMapper, std::chrono::milliseconds(0));
    output->failOpensWith(midierr::kAllocated);
    for (int i = 0; i < 3; ++i) {
        const std::int64_t start = clock->nowUs();
        player.PlayABeacon(1);
        EXPECT_EQ(clock->nowUs() - start, 158 * kUnitUs);
    }
    EXPECT_EQ(output->opens(), 3);
    EXPECT_EQ(errors, std::vector<std::string>{midiErrorText(midierr::kAllocated)});
    output->failOpensWith(midierr::kNoError);
    player.PlayABeacon(1);
    EXPECT_FALSE(output->sent().empty());
    output->failOpensWith(midierr::kAllocated);
    player.PlayABeacon(1);
    EXPECT_EQ(errors.size(), 2u);
}

// Without openOnDemand (no sound card) nothing opens and nothing is loaded;
// after program end nothing opens any more.
TEST_F(OnDemandTest, NothingOpensBeforeItIsAskedForOrAfterProgramEnd) {
    player.prepareOutput();
    player.PlayABeacon(3);
    EXPECT_EQ(output->opens(), 0);
    EXPECT_EQ(output->prepares(), 0);
    player.openOnDemand(kMidiMapper, std::chrono::milliseconds(0));
    player.shutdown(std::chrono::milliseconds(1000));
    player.setStopRequest(false);
    player.openOnDemand(kMidiMapper, std::chrono::milliseconds(0));
    player.PlayABeacon(3);
    EXPECT_EQ(output->opens(), 0);
    EXPECT_TRUE(errors.empty());
}

// The real clock: after the last transmission the output stays open for the
// hold (a transmission within it uses it as it is) and is then closed by the
// player's own closer; the soundfont is asked for once, on a worker thread.
TEST(OnDemandHold, TheOutputClosesAfterTheHoldAndATransmissionWithinItReusesIt) {
    auto clock = std::make_shared<SteadyPlayerClock>();
    auto output = std::make_shared<RecordingMidiOutputLayer>([clock] { return clock->nowUs(); });
    auto player = std::make_shared<BeaconPlayer>(output, clock);
    player->setSpeedControl(27);
    player->setStopRequest(true);  // each transmission ends after its first character
    player->openOnDemand(kMidiMapper, std::chrono::hours(1));
    player->prepareOutput();
    player->prepareOutput();
    EXPECT_TRUE(waitUntil([&] { return output->prepares() == 1; }, 10000, 5));
    std::thread([player] { player->PlayABeacon(5); }).join();
    EXPECT_TRUE(output->isOpen()) << "within the hold";
    std::thread([player] { player->PlayABeacon(5); }).join();
    EXPECT_EQ(output->opens(), 1);
    EXPECT_EQ(output->prepares(), 1);
    player->shutdown(std::chrono::milliseconds(1000));
    EXPECT_FALSE(output->isOpen());

    auto shortHold = std::make_shared<BeaconPlayer>(output, clock);
    shortHold->setSpeedControl(27);
    shortHold->setStopRequest(true);
    shortHold->openOnDemand(kMidiMapper, std::chrono::milliseconds(20));
    std::thread([shortHold] { shortHold->PlayABeacon(5); }).join();
    EXPECT_TRUE(waitUntil([&] { return !output->isOpen(); }, 10000, 5));
    EXPECT_EQ(output->opens(), 2);
    EXPECT_EQ(output->closes(), 2);
    EXPECT_EQ(output->sendsWhileClosed(), 0);
}

}  // namespace
}  // namespace orvane::cwsim
