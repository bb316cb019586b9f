// How late the first note of a transmission reaches the real synthesiser and
// its audio stream, on the sound server PULSE_SERVER names
// (tools/measure-idle-cpu.sh starts one with a null sink), against the moment
// it was due (three units after the transmission began):
//   BM_FirstNoteAtTheServer/0  the output held open beforehand (as the
//                              program did before it opened on demand)
//   BM_FirstNoteAtTheServer/1  opened on demand as the transmission begins
// Counters (means over the runs): late_ms (note on sent minus due;
// worst_late_ms the most), open_ms (the audio stream's open), load_ms (the
// soundfont's, once). The stream's buffer, two periods of 512 frames
// (23 ms), comes after the note on in both cases alike.
#include <benchmark/benchmark.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdlib>
#include <optional>
#include <thread>

#include "cwsim/BeaconPlayer.h"
#include "cwsim/FluidSynthOutput.h"
#include "cwsim/SystemMidiOutputLayer.h"

namespace {

using namespace orvane::cwsim;
using Clock = std::chrono::steady_clock;

double msSince(Clock::time_point from, Clock::time_point to) {
    return std::chrono::duration<double, std::milli>(to - from).count();
}

// The real outputs, with the moment of the first note on and the length of
// each open noted.
class TimingLayer final : public MidiOutputLayer {
public:
    explicit TimingLayer(std::shared_ptr<SystemMidiOutputLayer> real) : real_(std::move(real)) {}
    unsigned midiOutGetNumDevs() override { return real_->midiOutGetNumDevs(); }
    std::string midiOutDeviceName(unsigned id) override { return real_->midiOutDeviceName(id); }
    MidiResult midiOutOpen(MidiOutHandle* handle, unsigned id) override {
        const auto t0 = Clock::now();
        const MidiResult result = real_->midiOutOpen(handle, id);
        openMs = msSince(t0, Clock::now());
        return result;
    }
    MidiResult midiOutShortMsg(MidiOutHandle handle, std::uint32_t msg) override {
        if ((shortMsgStatus(msg) & 0xF0) == 0x90 && !firstNoteOn) firstNoteOn = Clock::now();
        return real_->midiOutShortMsg(handle, msg);
    }
    MidiResult midiOutClose(MidiOutHandle handle) override { return real_->midiOutClose(handle); }
    void midiOutPrepare(unsigned id) override { real_->midiOutPrepare(id); }

    double openMs = 0;
    std::optional<Clock::time_point> firstNoteOn;

private:
    std::shared_ptr<SystemMidiOutputLayer> real_;
};

void BM_FirstNoteAtTheServer(benchmark::State& state) {
    if (std::getenv("PULSE_SERVER") == nullptr) {
        state.SkipWithError("PULSE_SERVER names no sound server (tools/measure-idle-cpu.sh starts one)");
        return;
    }
    const bool onDemand = state.range(0) != 0;
    auto real = std::make_shared<SystemMidiOutputLayer>(defaultSoundFontPath());
    if (real->midiOutGetNumDevs() == 0) {
        state.SkipWithError("the synthesiser cannot sound here");
        return;
    }
    const auto loadStart = Clock::now();
    real->midiOutPrepare(kMidiMapper);
    const double loadMs = msSince(loadStart, Clock::now());
    double late = 0, worst = 0, openMs = 0;
    int runs = 0;
    for (auto _ : state) {
        auto layer = std::make_shared<TimingLayer>(real);
        auto player = std::make_shared<BeaconPlayer>(layer, std::make_shared<SteadyPlayerClock>());
        player->setSpeedControl(48);
        player->setStopRequest(true);  // the first character is enough
        if (onDemand) {
            player->openOnDemand(kMidiMapper, std::chrono::milliseconds(0));
        } else {
            player->OpenIt();
        }
        player->Initialize(79);
        // Held open: a second to settle, as the stream ran for the whole run.
        if (!onDemand) std::this_thread::sleep_for(std::chrono::seconds(1));
        Clock::time_point begun;
        std::thread sound([&] {
            begun = Clock::now();
            player->PlayABeacon(10);
        });
        sound.join();
        player->shutdown(std::chrono::milliseconds(1000));
        if (!layer->firstNoteOn) {
            state.SkipWithError("no note was sent: the output did not open");
            return;
        }
        const auto due = begun + std::chrono::milliseconds(3 * 48);
        late += msSince(due, *layer->firstNoteOn);
        worst = std::max(worst, msSince(due, *layer->firstNoteOn));
        openMs += layer->openMs;
        ++runs;
    }
    if (runs == 0) return;
    state.counters["late_ms"] = late / runs;
    state.counters["worst_late_ms"] = worst;
    state.counters["open_ms"] = openMs / runs;
    state.counters["load_ms"] = loadMs;
}
BENCHMARK(BM_FirstNoteAtTheServer)->Arg(0)->Arg(1)->Iterations(3)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
