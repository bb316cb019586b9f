// The Morse player on a virtual clock: timelines against the beacon table,
// the stop check points, speed changes, the short messages and failures.
#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QTimer>
#include <thread>

#include "cwsim/BeaconPlayer.h"
#include "cwsim/FluidSynthOutput.h"
#include "cwsim/SystemMidiOutputLayer.h"
#include "cwsim/Transmission.h"
#include "cwsim/CwTestSupport.h"
#include "support/WaitUntil.h"

namespace orvane::cwsim {
namespace {

using test::Note;
using test::notesOf;

constexpr std::int64_t kUnitUs = 48'000;  // the default speed

class PlayerTest : public ::testing::Test {
protected:
    PlayerTest() {
        player.setErrorSink([this](const std::string& text) { errors.push_back(text); });
        player.setSpeedControl(48);
    }
    std::vector<Note> notes() const { return notesOf(output->sent()); }

    std::shared_ptr<VirtualPlayerClock> clock = std::make_shared<VirtualPlayerClock>();
    std::shared_ptr<RecordingMidiOutputLayer> output =
        std::make_shared<RecordingMidiOutputLayer>([c = clock] { return c->nowUs(); });
    BeaconPlayer player{output, clock};
    std::vector<std::string> errors;
};

// Each beacon's whole timeline, checked against the Morse rules rather than
// the code: element lengths 1 and 3 units, 1 unit within a character, 3
// between characters, 7 before the long dashes, 3 between them; the table's
// total length; every note ended.
TEST_F(PlayerTest, EveryBeaconFollowsTheMorseTimingAndTheTableTotal) {
    ASSERT_TRUE(player.OpenIt());
    for (const BeaconCall& call : kBeaconCalls) {
        SCOPED_TRACE(std::string(call.callSign));
        output->clear();
        const std::int64_t start = clock->nowUs();
        player.PlayABeacon(call.number);
        const auto sent = output->sent();
        ASSERT_FALSE(sent.empty());
        EXPECT_EQ(sent.front().msg, packShortMsg(0xB0, 123, 0));
        EXPECT_EQ(sent.front().timeUs, start);
        EXPECT_EQ(clock->nowUs() - start, totalUnits(call.number) * kUnitUs);
        EXPECT_EQ(sent.back().timeUs - start, totalUnits(call.number) * kUnitUs);

        const std::vector<Note> n = notes();
        const std::vector<int> units = test::elementUnits(call.morse);
        ASSERT_EQ(n.size(), units.size() + 4);
        std::int64_t expectedOn = start + 3 * kUnitUs;
        std::size_t element = 0;
        for (std::size_t i = 0; i < call.morse.size(); ++i) {
            if (call.morse[i] == ' ') {
                expectedOn += 2 * kUnitUs;
                continue;
            }
            EXPECT_EQ(n[element].onUs, expectedOn) << "element " << element;
            EXPECT_EQ(n[element].offUs - n[element].onUs, units[element] * kUnitUs);
            EXPECT_EQ(n[element].velocity, 127);
            expectedOn += (units[element] + 1) * kUnitUs;
            ++element;
        }
        expectedOn += 6 * kUnitUs;
        const int velocities[] = {127, 107, 77, 47};
        for (int d = 0; d < 4; ++d) {
            const Note& dash = n[units.size() + static_cast<std::size_t>(d)];
            EXPECT_EQ(dash.onUs, expectedOn);
            EXPECT_EQ(dash.offUs - dash.onUs, 20 * kUnitUs);
            EXPECT_EQ(dash.velocity, velocities[d]);
            expectedOn += 23 * kUnitUs;
        }
    }
}

// The built-in calls' Morse is what morseOf writes for them.
TEST(BeaconMorse, MorseOfMatchesTheTableAndSkipsOtherCharacters) {
    for (const BeaconCall& call : kBeaconCalls) EXPECT_EQ(morseOf(call.callSign), call.morse) << call.callSign;
    EXPECT_EQ(morseOf("kh6rs"), "-.- .... -.... .-. ...");
    EXPECT_EQ(morseOf("G/X"), "--. -..-. -..-");
    EXPECT_EQ(morseOf("A-B"), ".- -...");
    EXPECT_EQ(morseOf(""), "");
}

// A renamed beacon keys its new call with the same timing rules.
TEST_F(PlayerTest, ARenamedBeaconKeysItsNewCall) {
    ASSERT_TRUE(player.OpenIt());
    std::array<std::string, kBeaconCount> morse;
    morse[3] = morseOf("KH6RS");
    player.setCallMorse(morse);
    const std::int64_t start = clock->nowUs();
    player.PlayABeacon(4);
    EXPECT_EQ(notes().size(), test::elementUnits(morse[3]).size() + 4);
    EXPECT_EQ(clock->nowUs() - start, (kLeadInUnits + callUnits(morse[3]) + kDahsUnits) * kUnitUs);
    // Beacons without an override keep the built-in call.
    output->clear();
    player.PlayABeacon(5);
    EXPECT_EQ(notes().size(), test::elementUnits(kBeaconCalls[4].morse).size() + 4);
}

TEST_F(PlayerTest, TransmissionMessagesMatchThePlayerAndListTheProgramFirst) {
    const auto messages = transmissionMessages(7, {48, 74, 127, 79});
    ASSERT_GE(messages.size(), 2u);
    EXPECT_EQ(messages[0].msg, packShortMsg(0xC0, 79, 0));
    EXPECT_EQ(messages[1].msg, packShortMsg(0xB0, 123, 0));
    EXPECT_EQ(messages.back().timeUs, 172 * kUnitUs);  // JA2IGY, 8256 ms
    EXPECT_EQ(transmissionMessages(1, {75, 74, 127, 79}).back().timeUs, 158 * 75'000);  // slowest: over 10 s
}

TEST_F(PlayerTest, NumbersOutsideTheTablePlayTheLeadInAndTheLongDashesOnly) {
    ASSERT_TRUE(player.OpenIt());
    for (int n : {0, 19, -1}) {
        output->clear();
        const std::int64_t start = clock->nowUs();
        player.PlayABeacon(n);
        EXPECT_EQ(notes().size(), 4u);
        EXPECT_EQ(notes().front().onUs - start, 9 * kUnitUs);  // 3 lead-in + 6 before the dashes
        EXPECT_EQ(clock->nowUs() - start, 98 * kUnitUs);
    }
}

TEST_F(PlayerTest, ShortMessagesArePackedStatusFirst) {
    ASSERT_TRUE(player.OpenIt());
    player.PlayNote(74, 127);
    player.EndNote(74);
    player.CtrlChange(123, 0);
    player.Initialize(79);
    player.Initialize(128);  // the control's maximum: no data byte holds it
    player.Initialize(1);
    const auto sent = output->sent();
    ASSERT_EQ(sent.size(), 6u);
    EXPECT_EQ(sent[0].msg, 0x007F4A90u);
    EXPECT_EQ(sent[1].msg, 0x00004A80u);
    EXPECT_EQ(sent[2].msg, 0x00007BB0u);
    EXPECT_EQ(sent[3].msg, 0x00004FC0u);
    EXPECT_EQ(sent[4].msg, 0x00007FC0u);
    EXPECT_EQ(sent[5].msg, 0x000001C0u);
    EXPECT_TRUE(errors.empty());
}

TEST_F(PlayerTest, VolumeEightyMakesTheLastDashSilentButItsNoteIsEndedAndItsTimePasses) {
    ASSERT_TRUE(player.OpenIt());
    player.Volume = 80;
    const std::int64_t start = clock->nowUs();
    player.PlayABeacon(2);
    const auto n = notes();
    EXPECT_EQ(n.back().velocity, 0);
    EXPECT_EQ(n.back().offUs - n.back().onUs, 20 * kUnitUs);
    EXPECT_EQ(clock->nowUs() - start, 144 * kUnitUs);
    EXPECT_EQ(n[n.size() - 2].velocity, 30);
}

// Where a stop request takes effect. Times are in units from the start of
// the transmission; the transmission's element count tells what was sent.
// The pause before a check point always runs to its end: a stop is looked at
// only then, so the end times are exact.
struct StopCase {
    const char* name;
    int beacon;
    double stopAtUnits;   // -1: set before the transmission starts
    double clearAtUnits;  // -1: never cleared
    std::size_t notesSent;
    std::int64_t endsAtUnits;  // the transmission returns then
};

void PrintTo(const StopCase& row, std::ostream* os) { *os << row.name; }

class StopTest : public PlayerTest, public ::testing::WithParamInterface<StopCase> {};

TEST_P(StopTest, EndsAtTheNextCheckPointAfterItsWholeGap) {
    const StopCase& c = GetParam();
    ASSERT_TRUE(player.OpenIt());
    const std::int64_t start = clock->nowUs();
    const auto at = [start](double units) { return start + static_cast<std::int64_t>(units * kUnitUs); };
    if (c.stopAtUnits < 0)
        player.setStopRequest(true);
    else
        clock->setAlarm(at(c.stopAtUnits), [this] { player.setStopRequest(true); });
    if (c.clearAtUnits >= 0) clock->setAlarm(at(c.clearAtUnits), [this] { player.setStopRequest(false); });
    player.PlayABeacon(c.beacon);
    const auto n = notes();
    EXPECT_EQ(n.size(), c.notesSent);
    for (const Note& note : n) EXPECT_GE(note.offUs, note.onUs) << "a note was left sounding";
    EXPECT_EQ(clock->nowUs() - start, c.endsAtUnits * kUnitUs);
}

// JA2IGY .--- .- ..--- .. --. -.-- : 3 lead-in, J ends at 17 (+2 gap), A at 25,
// the last character Y (4 elements) ends at 74 + 3 = 77 units; 20 elements,
// 172 units in all. VE8AT's call ends at 49 units.
INSTANTIATE_TEST_SUITE_P(
    CheckPoints, StopTest,
    ::testing::Values(StopCase{"BeforeTheStartSoundsTheFirstCharacter", 7, -1, -1, 4, 19},
                      StopCase{"InTheFirstCharacterEndsAfterIt", 7, 5, -1, 4, 19},
                      StopCase{"InTheGapEndsAfterTheWholeGap", 7, 17.5, -1, 4, 19},
                      // The menu sets the stop, the dialog's activation clears it.
                      StopCase{"SetAndClearedWithinAGapPlaysOn", 7, 17.2, 18.8, 20 + 4, 172},
                      StopCase{"SetAndClearedWithinALongDashGapPlaysOn", 2, 49 + 6 + 20.5, 49 + 6 + 22.5, 13 + 4, 144},
                      StopCase{"InTheSecondCharacterEndsAfterIt", 7, 20, -1, 6, 27},
                      StopCase{"InTheLastCharacterPlaysTheFirstLongDash", 7, 70, -1, 20 + 1, 77 + 6 + 20 + 3},
                      StopCase{"In4U1UNsLastCharacterEndsAtOnce", 1, 58, -1, 18, 63},
                      StopCase{"InTheSecondLongDashEndsAfterItsGap", 2, 49 + 6 + 30, -1, 13 + 2, 49 + 6 + 43 + 3},
                      StopCase{"InTheFourthLongDashChangesNothing", 2, 140, -1, 13 + 4, 144}),
    [](const auto& row) { return std::string(row.param.name); });

TEST_F(PlayerTest, ASpeedChangeAppliesFromTheNextElement) {
    ASSERT_TRUE(player.OpenIt());
    const std::int64_t start = clock->nowUs();
    // Inside the first dot of 4U1UN (3..4 units): that dot keeps 48 ms.
    clock->setAlarm(start + 3 * kUnitUs + 10'000, [this] { player.setDotTime(30); });
    player.PlayABeacon(1);
    const auto n = notes();
    EXPECT_EQ(n[0].offUs - n[0].onUs, 48'000);
    EXPECT_EQ(n[1].onUs - n[0].offUs, 48'000);  // the dot's own trailing unit was already waiting
    EXPECT_EQ(n[1].offUs - n[1].onUs, 30'000);
    EXPECT_EQ(n.back().offUs - n.back().onUs, 20 * 30'000);
}

// A hold-up longer than a moment (a message box on the GUI thread, another
// beacon played inside a wait) moves the rest of the transmission later
// instead of rushing its elements out back to back.
TEST_F(PlayerTest, AfterAHoldUpTheRestKeepsItsSpacing) {
    ASSERT_TRUE(player.OpenIt());
    const std::int64_t start = clock->nowUs();
    clock->setAlarm(start + 3 * kUnitUs + 10'000, [this] { clock->advance(500'000); });
    player.PlayABeacon(1);
    const auto n = notes();
    EXPECT_EQ(n[0].offUs - n[0].onUs, 10'000 + 500'000);  // held up 500 ms into the dot: ends late, but ends
    for (std::size_t i = 1; i + 1 < n.size(); ++i) EXPECT_GE(n[i + 1].onUs - n[i].offUs, 48'000) << i;
    EXPECT_EQ(n[1].onUs - n[0].offUs, 48'000);
}

TEST_F(PlayerTest, AFailedOpenIsShownOnceAndTheTransmissionKeepsItsTimeInSilence) {
    output->failOpensWith(midierr::kAllocated);
    EXPECT_FALSE(player.OpenIt());
    EXPECT_EQ(player.MidiError(), midierr::kAllocated);
    const std::int64_t start = clock->nowUs();
    player.PlayABeacon(8);
    player.Initialize(12);
    EXPECT_EQ(clock->nowUs() - start, 150 * kUnitUs);
    EXPECT_TRUE(output->sent().empty());
    ASSERT_EQ(errors.size(), 1u);
    EXPECT_EQ(errors[0], midiErrorText(midierr::kAllocated));
}

TEST_F(PlayerTest, SendErrorsAreShownOncePerTransmissionAndItPlaysOn) {
    ASSERT_TRUE(player.OpenIt());
    output->failSendsWith(0x90, midierr::kNoDevice);
    const std::int64_t start = clock->nowUs();
    player.PlayABeacon(3);
    EXPECT_EQ(clock->nowUs() - start, 148 * kUnitUs);
    EXPECT_EQ(errors, std::vector<std::string>{midiErrorText(midierr::kNoDevice)});
    output->failSendsWith(0xC0, midierr::kError);
    player.Initialize(79);
    EXPECT_EQ(errors.back(), "Error setting Instrument");
}

TEST_F(PlayerTest, CloseFailureIsShownAndTheHandleIsReleasedAnyway) {
    ASSERT_TRUE(player.OpenIt());
    output->failClosesWith(midierr::kError);
    player.CloseIt();
    EXPECT_FALSE(player.isOpen());
    EXPECT_EQ(player.MidiError(), midierr::kError);
    EXPECT_EQ(errors.size(), 1u);
    player.PlayNote(74, 127);  // closed: nothing sent, nothing reported
    EXPECT_EQ(output->sendsWhileClosed(), 0);
    EXPECT_EQ(errors.size(), 1u);
}

TEST(MidiErrorText, FitsTheCallersBufferAndNamesUnknownCodes) {
    char small[8];
    EXPECT_EQ(midiGetErrorText(midierr::kAllocated, small, sizeof small), midierr::kNoError);
    EXPECT_EQ(std::string(small), midiErrorText(midierr::kAllocated).substr(0, 7));
    EXPECT_EQ(midiGetErrorText(midierr::kAllocated, nullptr, 10), midierr::kInvalidParam);
    EXPECT_EQ(midiErrorText(999), "MIDI error 999.");
    EXPECT_FALSE(isValidShortMsg(packShortMsg(0xC0, 128, 0)));
    EXPECT_TRUE(isValidShortMsg(packShortMsg(0x90, 127, 127)));
}

// The real outputs report what this machine has; with none (no sound card,
// no sequencer, as on a build server) nothing opens and the count says so.
TEST(SystemMidiOutputLayer, CountsOnlyOutputsThatCanSoundAndRefusesTheRest) {
    SystemMidiOutputLayer layer(defaultSoundFontPath());
    const unsigned count = layer.midiOutGetNumDevs();
    MidiOutHandle handle = nullptr;
    EXPECT_EQ(layer.midiOutOpen(&handle, count), midierr::kBadDeviceId);
    EXPECT_EQ(layer.midiOutDeviceName(count), "");
    EXPECT_EQ(layer.midiOutClose(nullptr), midierr::kInvalidHandle);
    EXPECT_EQ(layer.midiOutShortMsg(nullptr, packShortMsg(0x90, 74, 127)), midierr::kInvalidHandle);
    if (count == 0) {
        EXPECT_EQ(layer.midiOutOpen(&handle, kMidiMapper), midierr::kNoDevice);
    }
    SystemMidiOutputLayer missingFont(QStringLiteral("/nonexistent/none.sf2"));
    for (unsigned d = 0; d < missingFont.midiOutGetNumDevs(); ++d) {
        EXPECT_NE(missingFont.midiOutDeviceName(d), SystemMidiOutputLayer::kSynthName);
    }
}

// The real clock on the GUI thread: a wait of 0 still runs pending events.
TEST(SteadyPlayerClock, AZeroPauseOnTheGuiThreadRunsPendingEventsOnce) {
    auto clock = std::make_shared<SteadyPlayerClock>();
    auto output = std::make_shared<RecordingMidiOutputLayer>([clock] { return clock->nowUs(); });
    BeaconPlayer player(output, clock);
    bool ran = false;
    QTimer::singleShot(0, QCoreApplication::instance(), [&ran] { ran = true; });
    player.Pause(0);
    EXPECT_TRUE(ran);
}

// Program end while two sound threads play at the slowest speed: the waits
// end at once, each transmission stops at its next check point with its
// sounding note ended, and only then is the output closed. The deadlines
// only bound a failure.
TEST(SteadyPlayerClock, ShutdownEndsRunningTransmissionsBeforeClosingTheOutput) {
    auto clock = std::make_shared<SteadyPlayerClock>();
    auto output = std::make_shared<RecordingMidiOutputLayer>([clock] { return clock->nowUs(); });
    auto player = std::make_shared<BeaconPlayer>(output, clock);
    ASSERT_TRUE(player->OpenIt());
    player->setSpeedControl(75);
    std::vector<std::thread> threads;
    for (int b : {7, 13}) threads.emplace_back([player, b] { player->PlayABeacon(b); });
    // Sent from the sound threads: looked at every few milliseconds.
    const bool playing = waitUntil([&output] { return output->sent().size() >= 4; }, 10000, 5);
    EXPECT_TRUE(playing);
    EXPECT_TRUE(player->shutdown(std::chrono::milliseconds(10000)));
    EXPECT_FALSE(output->isOpen());
    for (auto& t : threads) t.join();
    EXPECT_EQ(output->sendsWhileClosed(), 0);
    const auto notes = notesOf(output->sent());
    for (const Note& n : notes) EXPECT_GE(n.offUs, n.onUs);
    // Whole, JA2IGY and 4X6TU would sound 24 + 22 notes; each stopped within
    // its first characters.
    EXPECT_LT(notes.size(), 24u + 22u);
}

}  // namespace
}  // namespace orvane::cwsim
