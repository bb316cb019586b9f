// The listener's analysis: one hour of 12 kHz receive audio must take at
// most 2 s on one core (1800 times real time), so a long recording is quick
// and live listening costs next to nothing.
#include <benchmark/benchmark.h>

#include <vector>

#include "beacons/StationTable.h"
#include "listen/KeyedTone.h"
#include "listen/SlotCutter.h"

using namespace orvane;

namespace {

// One slot of the typical case: a beacon near the limit of hearing in noise.
std::vector<float> slotAudio(int rate) {
    KeyedTone tone;
    tone.call = "VK6RBP";
    return tone.render(rate, 10'000, 1);
}

}  // namespace

static void BM_HourAt12kHz(benchmark::State& state) {
    constexpr int kRate = 12000;
    const std::vector<float> slot = slotAudio(kRate);
    const std::int64_t startMs = 1'796'904'000'000;
    int heard = 0;
    for (auto _ : state) {
        listen::SlotCutter cutter({}, listen::expectOnBand(beacons::StationTable(), 0),
                                  [&](const listen::SlotResult& r) { heard += r.heard; });
        // 360 slots pushed in 4096-sample blocks, as the WAV reader delivers them.
        for (int s = 0; s < 360; ++s) {
            for (std::size_t i = 0; i < slot.size(); i += 4096) {
                const auto n = std::min<std::size_t>(4096, slot.size() - i);
                const std::int64_t stamp = startMs + s * 10'000 + static_cast<std::int64_t>(i) * 1000 / kRate;
                cutter.push(stamp, kRate, std::span<const float>(slot.data() + i, n));
            }
        }
    }
    benchmark::DoNotOptimize(heard);
    state.counters["realtime_x"] =
        benchmark::Counter(3600.0 * static_cast<double>(state.iterations()), benchmark::Counter::kIsRate);
}
BENCHMARK(BM_HourAt12kHz)->Unit(benchmark::kMillisecond)->Iterations(3);

static void BM_DetectSlot(benchmark::State& state) {
    const int rate = static_cast<int>(state.range(0));
    const std::vector<float> slot = slotAudio(rate);
    for (auto _ : state) benchmark::DoNotOptimize(listen::detectSlot(slot, rate, "VK6RBP", {}, 0, 0, 5));
}
BENCHMARK(BM_DetectSlot)->Arg(8000)->Arg(12000)->Arg(44100)->Arg(48000)->Unit(benchmark::kMillisecond);

BENCHMARK_MAIN();
