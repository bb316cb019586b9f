// The listener's analysis, one core: an hour of receive audio must take at
// most 1.8 s at 12 kHz (2000 times real time) and 3.6 s at 48 kHz (1000
// times), whatever it holds: beacons, noise alone, silence. A steady stream
// of slots allocates nothing: `allocs_per_slot` counts the heap allocations
// after the first cycle, when every buffer has reached its size and every
// call has been expected once.
#include <benchmark/benchmark.h>

#include <algorithm>
#include <atomic>
#include <cstdlib>
#include <new>
#include <vector>

#include "beacons/StationTable.h"
#include "listen/DelayedAir.h"
#include "listen/KeyedTone.h"
#include "listen/SlotCutter.h"

using namespace orvane;

namespace {

std::atomic<std::int64_t> allocations{0};

enum Audio { kBeacon, kNoiseOnly, kSilence };

// One slot: a beacon near the limit of hearing in noise, the noise alone, or
// digital silence (a receiver muted, a file of zeros).
std::vector<float> slotAudio(int rate, Audio audio) {
    KeyedTone tone;
    tone.call = "VK6RBP";
    tone.present = audio == kBeacon;
    if (audio == kSilence) tone.noiseSigma = 0;
    return tone.render(rate, 10'000, 1);
}

constexpr int kSlotsPerHour = 360;
// Buffers grow to their sizes in the first slot, and each call's keying is
// worked out the first time it is expected: the first cycle.
constexpr int kWarmSlots = 18;

}  // namespace

// Every allocation of the program counted (the benchmark's own are few and
// outside the timed loop's steady part).
void* operator new(std::size_t size) {
    allocations.fetch_add(1, std::memory_order_relaxed);
    if (void* p = std::malloc(size ? size : 1)) return p;
    throw std::bad_alloc();
}
void operator delete(void* p) noexcept { std::free(p); }
void operator delete(void* p, std::size_t) noexcept { std::free(p); }

static void BM_Hour(benchmark::State& state) {
    const int rate = static_cast<int>(state.range(0));
    const std::vector<float> slot = slotAudio(rate, static_cast<Audio>(state.range(1)));
    const std::int64_t startMs = 1'796'904'000'000;
    int heard = 0;
    std::int64_t steadyAllocations = 0, steadySlots = 0;
    for (auto _ : state) {
        listen::SlotCutter cutter({}, listen::expectOnBand(beacons::StationTable(), 0),
                                  [&](const listen::SlotResult& r) { heard += r.heard; });
        // An hour pushed in 4096-sample blocks, as the recording reader delivers them.
        for (int s = 0; s < kSlotsPerHour; ++s) {
            if (s == kWarmSlots) allocations = 0;
            for (std::size_t i = 0; i < slot.size(); i += 4096) {
                const auto n = std::min<std::size_t>(4096, slot.size() - i);
                const std::int64_t stamp = startMs + s * 10'000 + static_cast<std::int64_t>(i) * 1000 / rate;
                cutter.push(stamp, rate, std::span<const float>(slot.data() + i, n));
            }
        }
        steadyAllocations += allocations;
        steadySlots += kSlotsPerHour - kWarmSlots;
    }
    benchmark::DoNotOptimize(heard);
    // An hour per iteration over the CPU time of one.
    state.counters["realtime_x"] = benchmark::Counter(3600.0, benchmark::Counter::kIsIterationInvariantRate);
    state.counters["allocs_per_slot"] =
        static_cast<double>(steadyAllocations) / static_cast<double>(std::max<std::int64_t>(1, steadySlots));
}
BENCHMARK(BM_Hour)
    ->ArgNames({"rate", "audio"})
    ->ArgsProduct({{12000, 48000}, {kBeacon, kNoiseOnly, kSilence}})
    ->Unit(benchmark::kMillisecond)
    ->Iterations(2);

// An hour from a receiver 0.8 s behind the air (a cycle of the beacons due
// on 14.10 MHz at -10 dB, over and over) with the delay found (auto: the
// wide search until it locks, then the normal one) or set; and noise alone
// with the delay left to be found, searched wide all the hour (the worst
// case: nothing ever locks it).
enum DelayCase { kAutoOnBeacons, kAutoOnNoise, kFixedOnBeacons };
// With 17 calls heard, the buffers sized by where the dashes fall reach
// their largest within a few cycles (a dozen or two allocations in all);
// counted after that.
constexpr int kWarmCycles = 5;

static void BM_HourDelayed(benchmark::State& state) {
    const int rate = static_cast<int>(state.range(0));
    const auto which = static_cast<DelayCase>(state.range(1));
    DelayedAir air{.delayMs = 800, .snrDb = -10, .keyed = {}, .leadMs = 0, .lengthMs = 180'000};
    if (which != kAutoOnNoise)
        for (int s = 0; s < 17; ++s) air.keyed.push_back(s);  // the 18th would run past the cycle
    const std::int64_t cycleMs = 1'796'904'000'000;
    const std::vector<float> cycle = air.render(rate, cycleMs, 1);
    int heard = 0;
    std::int64_t steadyAllocations = 0, steadySlots = 0;
    for (auto _ : state) {
        listen::SlotCutter cutter({}, listen::expectOnBand(beacons::StationTable(), 0),
                                  [&](const listen::SlotResult& r) { heard += r.heard; });
        cutter.setDelay({which != kFixedOnBeacons, which == kFixedOnBeacons ? 800 : 0});
        for (int c = 0; c < kSlotsPerHour / 18; ++c) {
            if (c == kWarmCycles) allocations = 0;
            for (std::size_t i = 0; i < cycle.size(); i += 4096) {
                const auto n = std::min<std::size_t>(4096, cycle.size() - i);
                const std::int64_t stamp = cycleMs + c * 180'000 + static_cast<std::int64_t>(i) * 1000 / rate;
                cutter.push(stamp, rate, std::span<const float>(cycle.data() + i, n));
            }
        }
        steadyAllocations += allocations;
        steadySlots += kSlotsPerHour - kWarmCycles * 18;
    }
    benchmark::DoNotOptimize(heard);
    state.counters["realtime_x"] = benchmark::Counter(3600.0, benchmark::Counter::kIsIterationInvariantRate);
    state.counters["allocs_per_slot"] =
        static_cast<double>(steadyAllocations) / static_cast<double>(std::max<std::int64_t>(1, steadySlots));
    state.counters["heard_per_cycle"] = static_cast<double>(heard) / static_cast<double>(state.iterations()) / 20.0;
}
BENCHMARK(BM_HourDelayed)
    ->ArgNames({"rate", "case"})
    ->ArgsProduct({{12000, 48000}, {kAutoOnBeacons, kAutoOnNoise, kFixedOnBeacons}})
    ->Unit(benchmark::kMillisecond)
    ->Iterations(2);

static void BM_DetectSlot(benchmark::State& state) {
    const int rate = static_cast<int>(state.range(0));
    const std::vector<float> slot = slotAudio(rate, static_cast<Audio>(state.range(1)));
    listen::DetectorWorkspace workspace;  // as the slot cutter keeps one
    for (auto _ : state) benchmark::DoNotOptimize(listen::detectSlot(slot, rate, "VK6RBP", {}, 0, 0, 5, workspace));
}
BENCHMARK(BM_DetectSlot)
    ->ArgNames({"rate", "audio"})
    ->ArgsProduct({{8000, 12000, 44100, 48000}, {kBeacon, kNoiseOnly}})
    ->Unit(benchmark::kMillisecond);

BENCHMARK_MAIN();
