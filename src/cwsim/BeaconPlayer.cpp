#include "cwsim/BeaconPlayer.h"

#include <algorithm>
#include <bitset>
#include <string_view>

#include "cwsim/BeaconCalls.h"

namespace orvane::cwsim {

// The place of one transmission on its own timeline. Kept on the stack of
// the thread that plays it; a beacon played inside another one's wait (GUI
// thread) stacks its own.
struct BeaconPlayer::Run {
    const BeaconPlayer* player;
    std::int64_t cursorUs;        // the ideal moment the next element starts
    std::bitset<256> reported;    // send errors shown once per transmission
    Run* outer;
};

namespace {
thread_local BeaconPlayer::Run* tCurrentRun = nullptr;
}  // namespace

class BeaconPlayer::RunScope {
public:
    explicit RunScope(BeaconPlayer& player) : player_(player) {
        run_.player = &player;
        run_.cursorUs = player.clock_->nowUs();
        run_.outer = tCurrentRun;
        tCurrentRun = &run_;
        {
            std::lock_guard lock(player_.runMutex_);
            ++player_.runs_[std::this_thread::get_id()];
        }
        // The timeline started above: the time the open takes comes out of
        // the lead-in silence, not on top of it.
        player_.beginUse();
    }
    ~RunScope() {
        tCurrentRun = run_.outer;
        player_.endUse();
        {
            std::lock_guard lock(player_.runMutex_);
            auto it = player_.runs_.find(std::this_thread::get_id());
            if (--it->second == 0) player_.runs_.erase(it);
        }
        player_.runEnded_.notify_all();
    }
    RunScope(const RunScope&) = delete;
    RunScope& operator=(const RunScope&) = delete;

private:
    BeaconPlayer& player_;
    Run run_{};
};

BeaconPlayer::BeaconPlayer(std::shared_ptr<MidiOutputLayer> midi, std::shared_ptr<PlayerClock> clock)
    : midi_(std::move(midi)), clock_(std::move(clock)) {}

BeaconPlayer::~BeaconPlayer() {
    stopCloser();
    {
        std::lock_guard lock(prepareMutex_);
        if (prepared_.valid()) prepared_.wait();
    }
    std::unique_lock lock(outputMutex_);
    if (handle_ != nullptr) midi_->midiOutClose(handle_);
}

void BeaconPlayer::setErrorSink(ErrorSink sink) {
    auto shared = sink ? std::make_shared<const ErrorSink>(std::move(sink)) : nullptr;
    std::lock_guard lock(sinkMutex_);
    sink_ = std::move(shared);
}

BeaconPlayer::Run* BeaconPlayer::currentRun() const {
    for (Run* run = tCurrentRun; run != nullptr; run = run->outer)
        if (run->player == this) return run;
    return nullptr;
}

// --- The output -------------------------------------------------------------

MidiResult BeaconPlayer::openOutput(unsigned deviceId) {
    MidiResult result;
    {
        std::unique_lock lock(outputMutex_);
        if (handle_ != nullptr) return midierr::kNoError;
        MidiOutHandle handle = nullptr;
        result = midi_->midiOutOpen(&handle, deviceId);
        if (result == midierr::kNoError) handle_ = handle;
    }
    midiError_ = result;
    return result;
}

bool BeaconPlayer::OpenIt(unsigned deviceId) {
    const MidiResult result = openOutput(deviceId);
    if (result != midierr::kNoError) {
        ShowError(result);
        return false;
    }
    return true;
}

// --- The output on demand ---------------------------------------------------

void BeaconPlayer::openOnDemand(unsigned deviceId, std::chrono::milliseconds hold) {
    std::lock_guard lock(demandMutex_);
    if (closerStop_) return;  // after shutdown
    onDemand_ = true;
    demandDevice_ = deviceId;
    preparedDevice_ = deviceId;
    hold_ = std::max(hold, std::chrono::milliseconds(0));
}

// Not under demandMutex_: a transmission may hold it through a long first
// open, and the GUI thread asks for this.
void BeaconPlayer::prepareOutput() {
    const std::int64_t device = preparedDevice_;
    if (device < 0) return;
    std::lock_guard lock(prepareMutex_);
    if (prepared_.valid()) return;
    prepared_ = std::async(std::launch::async,
                           [midi = midi_, device] { midi->midiOutPrepare(static_cast<unsigned>(device)); });
}

// A transmission starts: the first one opens the output. The lock is held
// through the open, so the closer cannot close what this one is about to
// use; errors are shown after it is let go (a message box runs events, and
// a beacon button pressed meanwhile begins a transmission of its own).
void BeaconPlayer::beginUse() {
    MidiResult failure = midierr::kNoError;
    bool opened = false;
    {
        std::lock_guard lock(demandMutex_);
        ++users_;
        closeAt_.reset();
        if (!onDemand_ || isOpen()) return;
        const MidiResult result = openOutput(demandDevice_);
        // A failure is shown once, not at every slot while it lasts.
        if (result != midierr::kNoError && result != lastDemandFailure_) failure = result;
        lastDemandFailure_ = result;
        opened = result == midierr::kNoError;
    }
    if (failure != midierr::kNoError) ShowError(failure);
    if (opened && patch_ >= 0) Initialize(patch_);
}

// A transmission ended: the last one closes the output, after the hold.
void BeaconPlayer::endUse() {
    MidiResult result = midierr::kNoError;
    {
        std::lock_guard lock(demandMutex_);
        if (--users_ > 0 || !onDemand_) return;
        if (hold_.count() == 0) {
            result = closeOutput();
        } else {
            closeAt_ = std::chrono::steady_clock::now() + hold_;
            if (!closer_.joinable()) closer_ = std::thread([this] { runCloser(); });
        }
    }
    demandChanged_.notify_all();
    if (result != midierr::kNoError) ShowError(result);
}

// Sleeps until a close is due (or shutdown); a transmission that starts
// meanwhile cancels it.
void BeaconPlayer::runCloser() {
    std::unique_lock lock(demandMutex_);
    while (!closerStop_) {
        if (!closeAt_) {
            demandChanged_.wait(lock);
            continue;
        }
        const auto due = *closeAt_;
        demandChanged_.wait_until(lock, due);
        if (closerStop_ || !closeAt_ || std::chrono::steady_clock::now() < *closeAt_ || users_ > 0) continue;
        closeAt_.reset();
        const MidiResult result = closeOutput();
        if (result == midierr::kNoError) continue;
        lock.unlock();
        ShowError(result);
        lock.lock();
    }
}

void BeaconPlayer::stopCloser() {
    {
        std::lock_guard lock(demandMutex_);
        closerStop_ = true;
        onDemand_ = false;
        preparedDevice_ = -1;
        closeAt_.reset();
    }
    demandChanged_.notify_all();
    if (closer_.joinable()) closer_.join();
}

MidiResult BeaconPlayer::closeOutput() {
    MidiResult result;
    {
        std::unique_lock lock(outputMutex_);
        if (handle_ == nullptr) return midierr::kNoError;
        result = midi_->midiOutClose(handle_);
        handle_ = nullptr;  // released whatever the result
    }
    midiError_ = result;
    return result;
}

void BeaconPlayer::CloseIt() {
    const MidiResult result = closeOutput();
    if (result != midierr::kNoError) ShowError(result);
}

bool BeaconPlayer::isOpen() const {
    std::shared_lock lock(outputMutex_);
    return handle_ != nullptr;
}

MidiResult BeaconPlayer::send(std::uint8_t status, std::uint8_t data1, std::uint8_t data2, bool* sent) {
    std::shared_lock lock(outputMutex_);
    if (sent) *sent = handle_ != nullptr;
    if (handle_ == nullptr) return midierr::kNoError;  // no output: silent, nothing to report
    return midi_->midiOutShortMsg(handle_, packShortMsg(status, data1, data2));
}

// A send error is shown once per transmission: a device that went away would
// otherwise raise a box for every element.
void BeaconPlayer::sendReporting(std::uint8_t status, std::uint8_t data1, std::uint8_t data2) {
    const MidiResult result = send(status, data1, data2);
    if (result == midierr::kNoError) return;
    if (Run* run = currentRun()) {
        const std::size_t slot = result % run->reported.size();
        if (run->reported.test(slot)) return;
        run->reported.set(slot);
    }
    ShowError(result);
}

std::uint8_t BeaconPlayer::programByte(int patch) {
    return static_cast<std::uint8_t>(patch < 0 ? 0 : patch > 127 ? 127 : patch);
}

void BeaconPlayer::Initialize(int patch) {
    patch_ = patch;
    if (send(kChannelStatusProgram, programByte(patch), 0) != midierr::kNoError) report("Error setting Instrument");
}

void BeaconPlayer::PlayNote(int note, int velocity) {
    sendReporting(kChannelStatusNoteOn, static_cast<std::uint8_t>(note), static_cast<std::uint8_t>(velocity));
}

void BeaconPlayer::EndNote(int note) { sendReporting(kChannelStatusNoteOff, static_cast<std::uint8_t>(note), 0); }

void BeaconPlayer::CtrlChange(int controller, int value) {
    bool sent = false;
    const MidiResult result =
        send(kChannelStatusControl, static_cast<std::uint8_t>(controller), static_cast<std::uint8_t>(value), &sent);
    if (!sent) return;
    midiError_ = result;
    if (result != midierr::kNoError) ShowError(result);
}

void BeaconPlayer::PlayTNote(int note, int velocity, int milliseconds) {
    PlayNote(note, velocity);
    Pause(milliseconds);
    EndNote(note);  // also after a velocity of 0 or a cut-short wait
}

void BeaconPlayer::Pause(int milliseconds) {
    Run* run = currentRun();
    const std::int64_t start = run ? run->cursorUs : clock_->nowUs();
    const std::int64_t deadline = start + static_cast<std::int64_t>(milliseconds < 0 ? 0 : milliseconds) * 1000;
    // Every pause runs to its deadline, also the gap before a check point: a
    // stop request is looked at only when the gap is over, so one that is
    // set and cleared again within the gap (opening the setup dialog during
    // a transmission) lets the transmission play on. Only the program's end
    // cuts a pause short.
    clock_->waitUntil(deadline, [this] { return aborting_.load(); });
    if (run) {
        const std::int64_t now = clock_->nowUs();
        run->cursorUs = now - deadline > kRebaseAfterUs ? now : deadline;
    }
}

void BeaconPlayer::ShowError(MidiResult code) {
    char text[201];  // the system's text: at most 200 characters
    midiGetErrorText(code, text, sizeof text);
    report(text);
}

void BeaconPlayer::report(const std::string& text) {
    std::shared_ptr<const ErrorSink> sink;
    {
        std::lock_guard lock(sinkMutex_);
        sink = sink_;
    }
    if (sink) (*sink)(text);
}

// --- The sequencer ----------------------------------------------------------

void BeaconPlayer::setDotTime(int dotTimeMs) {
    DotTime = dotTimeMs;
    LetterGap = 2 * dotTimeMs;
    DashTime = 3 * dotTimeMs;
    DahsGap = 6 * dotTimeMs;
}

// An element reads the timing once, when it starts: a speed change during
// a dot applies from the next element, its trailing unit included.
void BeaconPlayer::Dot() {
    const int unit = DotTime;
    PlayTNote(Tone, Volume, unit);
    Pause(unit);
}

void BeaconPlayer::Dash() {
    const int unit = DotTime;
    PlayTNote(Tone, Volume, 3 * unit);
    Pause(unit);
}

void BeaconPlayer::setCallMorse(const std::array<std::string, kBeaconCount>& morse) {
    const std::lock_guard lock(callMorseMutex_);
    callMorse_ = morse;
}

void BeaconPlayer::PlayABeacon(int n) {
    RunScope scope(*this);
    setDotTime(speedControl_);
    CtrlChange(kAllNotesOff, 0);
    Pause(DashTime);
    std::string override;
    if (n >= 1 && n <= kBeaconCount) {
        const std::lock_guard lock(callMorseMutex_);
        override = callMorse_[static_cast<std::size_t>(n - 1)];
    }
    if (const BeaconCall* call = beaconCall(n)) {
        const std::string_view morse = override.empty() ? call->morse : std::string_view(override);
        for (std::size_t i = 0; i < morse.size(); ++i) {
            const char c = morse[i];
            if (c == '.') Dot();
            if (c == '-') Dash();
            const bool endOfCharacter = i + 1 == morse.size() || morse[i + 1] == ' ';
            if (!endOfCharacter) continue;
            if (i + 1 < morse.size()) {
                Pause(LetterGap);
                if (StopRequest()) return;
            } else if (n == 1 && StopRequest()) {
                return;  // 4U1UN alone is checked after its last character too
            }
        }
    }
    BeaconDahs();
}

void BeaconPlayer::BeaconDahs() {
    static constexpr int kDropOfDash[] = {0, 20, 50, 80};
    Pause(DahsGap);
    for (int dash = 0; dash < 4; ++dash) {
        // Velocities are 8-bit: Volume is 80..127, so they stay within 0..127.
        const int unit = DotTime;
        PlayTNote(Tone, static_cast<std::uint8_t>(Volume - kDropOfDash[dash]), kLongDashUnits * unit);
        if (dash == 3) return;  // no silence after the last dash
        Pause(3 * unit);
        if (StopRequest()) return;
    }
}

void BeaconPlayer::setStopRequest(bool on) { stopRequest_ = on; }

int BeaconPlayer::runsOnOtherThreads() const {
    std::lock_guard lock(runMutex_);
    int count = 0;
    for (const auto& [id, n] : runs_)
        if (id != std::this_thread::get_id()) count += n;
    return count;
}

bool BeaconPlayer::shutdown(std::chrono::milliseconds bound) {
    stopRequest_ = true;
    aborting_ = true;
    clock_->wake();
    bool settled;
    {
        std::unique_lock lock(runMutex_);
        settled = runEnded_.wait_for(lock, bound, [this] {
            for (const auto& [id, n] : runs_)
                if (id != std::this_thread::get_id()) return false;
            return true;
        });
    }
    stopCloser();
    CloseIt();
    return settled;
}

}  // namespace orvane::cwsim
