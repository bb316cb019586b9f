// Cost and timing of beacon transmissions on sound threads, measured at the
// MIDI output layer (the synthesiser's own rendering is not included):
//   BM_TransmissionCpu     CPU time of the thread per wall time of one transmission
//   BM_NoteLateness        how late each note on/off leaves against its ideal
//                          time over all eighteen beacons (one at a time; all at once)
//   BM_RenderTransmission  offline rendering of one transmission to samples
// Run through tools/measure-cwsim.sh, which keeps the other core busy.
#include <benchmark/benchmark.h>

#include <QFile>
#include <algorithm>
#include <ctime>
#include <thread>
#include <vector>

#include "cwsim/BeaconCalls.h"
#include "cwsim/BeaconPlayer.h"
#include "cwsim/FluidSynthOutput.h"
#include "cwsim/RecordingMidiOutputLayer.h"
#include "cwsim/ThreadPriority.h"
#include "cwsim/Transmission.h"

namespace {

using namespace orvane::cwsim;

std::int64_t threadCpuUs() {
    timespec ts{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &ts);
    return static_cast<std::int64_t>(ts.tv_sec) * 1'000'000 + ts.tv_nsec / 1000;
}

struct Played {
    std::int64_t startUs = 0;
    std::int64_t endUs = 0;
    std::int64_t cpuUs = 0;
    std::vector<RecordingMidiOutputLayer::Sent> sent;
};

// One transmission on its own thread, as a sound thread plays it.
Played playOnThread(int beacon, int speedMs, bool raised = false) {
    auto clock = std::make_shared<SteadyPlayerClock>();
    auto output = std::make_shared<RecordingMidiOutputLayer>([clock] { return clock->nowUs(); });
    BeaconPlayer player(output, clock);
    player.OpenIt();
    player.setSpeedControl(speedMs);
    Played result;
    std::thread thread([&] {
        if (raised) raiseSoundThreadPriority();
        const std::int64_t cpu0 = threadCpuUs();
        result.startUs = clock->nowUs();
        player.PlayABeacon(beacon);
        result.endUs = clock->nowUs();
        result.cpuUs = threadCpuUs() - cpu0;
    });
    thread.join();
    result.sent = output->sent();
    return result;
}

void BM_TransmissionCpu(benchmark::State& state) {
    const int beacon = static_cast<int>(state.range(0));
    double cpuPercent = 0;
    for (auto _ : state) {
        const Played p = playOnThread(beacon, 48);
        state.SetIterationTime(static_cast<double>(p.endUs - p.startUs) / 1e6);
        cpuPercent = 100.0 * static_cast<double>(p.cpuUs) / static_cast<double>(p.endUs - p.startUs);
        state.counters["thread_cpu_us"] = static_cast<double>(p.cpuUs);
    }
    state.counters["cpu_percent_of_core"] = cpuPercent;
}
BENCHMARK(BM_TransmissionCpu)->Arg(7)->Iterations(1)->UseManualTime()->Unit(benchmark::kMillisecond);

// First arg 1: the eighteen beacons one after another, as the slots play
// them; 18: all at once, a stress far beyond the two overlapping
// transmissions that slow speeds or a band change can cause. Second arg 1:
// the threads raise their priority as the program's sound threads do.
void BM_NoteLateness(benchmark::State& state) {
    const auto concurrent = static_cast<std::size_t>(state.range(0));
    const bool raised = state.range(1) != 0;
    std::vector<double> lateUs;
    for (auto _ : state) {
        std::vector<Played> played(kBeaconCount);
        for (std::size_t first = 0; first < played.size(); first += concurrent) {
            std::vector<std::thread> threads;
            for (std::size_t i = first; i < std::min(first + concurrent, played.size()); ++i)
                threads.emplace_back([&played, i, raised] { played[i] = playOnThread(static_cast<int>(i) + 1, 48, raised); });
            for (auto& t : threads) t.join();
        }
        for (int b = 1; b <= kBeaconCount; ++b) {
            const Played& p = played[static_cast<std::size_t>(b - 1)];
            auto ideal = transmissionMessages(b, {48, 74, 127, 79});
            ideal.erase(ideal.begin());  // the program change is not part of a transmission
            if (ideal.size() != p.sent.size()) state.SkipWithError("message count differs from the timeline");
            for (std::size_t i = 0; i < std::min(ideal.size(), p.sent.size()); ++i)
                lateUs.push_back(static_cast<double>(p.sent[i].timeUs - p.startUs - ideal[i].timeUs));
        }
    }
    std::sort(lateUs.begin(), lateUs.end());
    auto at = [&](double q) { return lateUs[static_cast<std::size_t>(q * static_cast<double>(lateUs.size() - 1))]; };
    state.counters["messages"] = static_cast<double>(lateUs.size());
    state.counters["late_p50_us"] = at(0.5);
    state.counters["late_p99_us"] = at(0.99);
    state.counters["late_max_us"] = lateUs.back();
    state.counters["early_min_us"] = lateUs.front();
}
BENCHMARK(BM_NoteLateness)->Args({1, 1})->Args({1, 0})->Args({18, 1})->Args({18, 0})->Iterations(1)->Unit(benchmark::kMillisecond);

void BM_RenderTransmission(benchmark::State& state) {
    if (!QFile::exists(defaultSoundFontPath())) {
        state.SkipWithError("no soundfont");
        return;
    }
    FluidRenderer renderer(defaultSoundFontPath());
    const auto messages = transmissionMessages(7, {48, 74, 127, 79});
    for (auto _ : state) benchmark::DoNotOptimize(renderer.render(messages, 300'000));
    state.counters["audio_seconds"] = static_cast<double>(messages.back().timeUs + 300'000) / 1e6;
}
BENCHMARK(BM_RenderTransmission)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
