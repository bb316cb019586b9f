#pragma once

#include "cwsim/BeaconCalls.h"

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <functional>
#include <future>
#include <map>
#include <memory>
#include <mutex>
#include <optional>
#include <shared_mutex>
#include <string>
#include <thread>

#include "cwsim/MidiOutputLayer.h"
#include "cwsim/PlayerClock.h"

namespace orvane::cwsim {

// Responsibilities: plays beacon transmissions (the call sign in Morse, then
// four long dashes at falling velocity) through one MIDI output:
// - the output itself: held open from OpenIt to CloseIt, or opened on demand
//   (openOnDemand) only while a transmission plays, so that an idle program
//   keeps no audio stream running; the four kinds of short message on
//   channel 1; a failed open is reported once and the player then runs
//   silently with its timing intact;
// - the Morse sequencer (PlayABeacon, Dot, Dash, BeaconDahs) with its stop
//   check points;
// - the waits: each element ends at an absolute deadline on the
//   transmission's own timeline, so call overhead never adds up.
//
// Collaborations: MidiOutputLayer (the device), PlayerClock (time and waits),
// an error sink that shows a text to the user (the setup dialog routes it to
// the GUI thread).
//
// Threads: the GUI thread and any number of sound threads may play at once.
// They share only the atomics below and the output; each transmission keeps
// its place on its own stack. shutdown() ends them all before the output is
// closed, so no thread sends to a closed output. On demand, the first
// transmission to start opens the output and the last to end closes it
// after a hold, on a closer thread of the player's own that sleeps until
// then; an open and a close never cross (one lock).
class BeaconPlayer {
public:
    using ErrorSink = std::function<void(const std::string& text)>;

    static constexpr int kChannelStatusNoteOn = 0x90;
    static constexpr int kChannelStatusNoteOff = 0x80;
    static constexpr int kChannelStatusControl = 0xB0;
    static constexpr int kChannelStatusProgram = 0xC0;
    static constexpr int kAllNotesOff = 123;
    static constexpr int kLongDashUnits = 20;
    // A wait that ends later than this behind its deadline (a modal message
    // box, a beacon played inside another on the GUI thread) restarts the
    // timeline from now instead of rushing the following elements.
    static constexpr std::int64_t kRebaseAfterUs = 20'000;

    // After the last transmission the output stays open this long: the
    // synthesiser's release and the sound server's buffer still play out.
    static constexpr std::chrono::milliseconds kOutputHold{300};

    BeaconPlayer(std::shared_ptr<MidiOutputLayer> midi, std::shared_ptr<PlayerClock> clock);
    ~BeaconPlayer();
    BeaconPlayer(const BeaconPlayer&) = delete;
    BeaconPlayer& operator=(const BeaconPlayer&) = delete;

    void setErrorSink(ErrorSink sink);

    // --- The output --------------------------------------------------------
    bool OpenIt(unsigned deviceId = kMidiMapper);
    void CloseIt();
    bool isOpen() const;
    MidiResult MidiError() const { return midiError_.load(); }

    // From now on every transmission opens deviceId when none is playing
    // yet (sending the last Initialize's program again) and the last one to
    // end closes it `hold` later (at once for 0). A failed open is shown
    // once; it is tried again at the next transmission, silently while it
    // fails the same way. Before this call, and after shutdown(), nothing
    // opens on demand.
    void openOnDemand(unsigned deviceId, std::chrono::milliseconds hold = kOutputHold);
    // Loads what the on-demand open needs (the soundfont) on a worker
    // thread, once, so that the first transmission starts on time.
    void prepareOutput();

    void Initialize(int patch);
    void PlayNote(int note, int velocity);
    void EndNote(int note);
    void CtrlChange(int controller, int value);
    void PlayTNote(int note, int velocity, int milliseconds);
    void Pause(int milliseconds);
    void ShowError(MidiResult code);

    // The data byte sent for a patch setting of 1..128: the setting itself,
    // except 128, which does not fit a data byte and selects the last
    // program, 127.
    static std::uint8_t programByte(int patch);

    // --- The sequencer -----------------------------------------------------
    void PlayABeacon(int n);
    // The Morse keyed for beacon 1..18 instead of kBeaconCalls' (a stations
    // file that renames a beacon); an empty text keeps the built-in call.
    void setCallMorse(const std::array<std::string, kBeaconCount>& morse);
    void Dot();
    void Dash();
    void BeaconDahs();

    // The speed control's position, read at the start of every transmission.
    void setSpeedControl(int dotTimeMs) { speedControl_ = dotTimeMs; }
    int speedControl() const { return speedControl_.load(); }
    // DotTime := dotTimeMs and the three lengths derived from it.
    void setDotTime(int dotTimeMs);

    std::atomic<int> DotTime{48};
    std::atomic<int> LetterGap{96};
    std::atomic<int> DashTime{144};
    std::atomic<int> DahsGap{288};
    std::atomic<int> Tone{74};
    std::atomic<int> Volume{127};

    // Set: every playing transmission ends at its next check point, when
    // the pause before it is over. Clearing it before then lets them play on.
    void setStopRequest(bool on);
    bool StopRequest() const { return stopRequest_.load(); }

    // Program end: sets the stop request, lets every wait end at once (a
    // sounding note is ended, not held), waits up to `bound` for the
    // transmissions of other threads to return, then closes the output.
    // False when some transmission was still running at the bound; its later
    // sends then go nowhere.
    bool shutdown(std::chrono::milliseconds bound);
    int runsOnOtherThreads() const;

    // One transmission's place on its timeline (internal).
    struct Run;

private:
    class RunScope;

    MidiResult openOutput(unsigned deviceId);
    MidiResult closeOutput();
    void beginUse();
    void endUse();
    void runCloser();
    void stopCloser();
    MidiResult send(std::uint8_t status, std::uint8_t data1, std::uint8_t data2, bool* sent = nullptr);
    void sendReporting(std::uint8_t status, std::uint8_t data1, std::uint8_t data2);
    void report(const std::string& text);
    Run* currentRun() const;

    std::shared_ptr<MidiOutputLayer> midi_;
    std::shared_ptr<PlayerClock> clock_;

    mutable std::shared_mutex outputMutex_;  // sends shared, open/close exclusive
    mutable std::mutex callMorseMutex_;      // the table is set on the GUI thread, read by sound threads
    std::array<std::string, kBeaconCount> callMorse_;
    MidiOutHandle handle_ = nullptr;
    std::atomic<MidiResult> midiError_{midierr::kNoError};

    std::mutex sinkMutex_;
    std::shared_ptr<const ErrorSink> sink_;

    std::atomic<int> speedControl_{48};
    std::atomic<bool> stopRequest_{false};
    std::atomic<bool> aborting_{false};

    // On demand: users_ counts the transmissions playing; closeAt_ is when
    // the closer closes the output, if none starts before.
    std::mutex demandMutex_;
    std::condition_variable demandChanged_;
    bool onDemand_ = false;
    unsigned demandDevice_ = kMidiMapper;
    std::chrono::milliseconds hold_{0};
    int users_ = 0;
    std::optional<std::chrono::steady_clock::time_point> closeAt_;
    MidiResult lastDemandFailure_ = midierr::kNoError;
    bool closerStop_ = false;
    std::thread closer_;
    std::atomic<std::int64_t> preparedDevice_{-1};  // what prepareOutput loads; -1: nothing
    std::atomic<int> patch_{-1};  // the last Initialize, sent again after each open
    std::mutex prepareMutex_;
    std::future<void> prepared_;

    mutable std::mutex runMutex_;
    std::condition_variable runEnded_;
    std::map<std::thread::id, int> runs_;
};

}  // namespace orvane::cwsim
