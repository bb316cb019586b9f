// The schedule rule and the beacon file loader: the rule runs on every
// clock reading; the loader must stay cheap and bounded on hostile input.
#include <benchmark/benchmark.h>

#include "beacons/BeaconFile.h"
#include "beacons/Schedule.h"

using namespace orvane::beacons;

static void BM_SlotIndexAt(benchmark::State& state) {
    std::int64_t t = 1'765'368'000'000;
    for (auto _ : state) {
        benchmark::DoNotOptimize(slotIndexAt(t, 3));
        t += 250;
    }
}
BENCHMARK(BM_SlotIndexAt);

static void BM_DecodeDefaultFile(benchmark::State& state) {
    const std::string bytes = encodeBeaconFile(defaultBeaconContainer());
    for (auto _ : state) {
        BeaconContainer c;
        decodeBeaconFile(bytes, c);
        benchmark::DoNotOptimize(c);
    }
}
BENCHMARK(BM_DecodeDefaultFile);

// A 1 MiB file of records (the most the program reads): time and memory grow
// with the bytes actually there, never with a length a file claims.
static void BM_DecodeLargestFile(benchmark::State& state) {
    BeaconContainer big;
    for (std::int32_t i = 0; i < 1024 * 1024 / 14; ++i) big.records[i * 1000] = TBeaconRecord{"01", {true}};
    const std::string bytes = encodeBeaconFile(big);
    for (auto _ : state) {
        BeaconContainer c;
        decodeBeaconFile(bytes, c);
        benchmark::DoNotOptimize(c);
    }
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations()) * static_cast<std::int64_t>(bytes.size()));
}
BENCHMARK(BM_DecodeLargestFile)->Unit(benchmark::kMillisecond);

static void BM_RejectHugeLengthClaim(benchmark::State& state) {
    std::string bytes("\x0c\xff\xff\xff\x7fTStCollection", 18);
    for (auto _ : state) {
        BeaconContainer c;
        try {
            decodeBeaconFile(bytes, c);
        } catch (const BeaconFileError&) {
        }
    }
}
BENCHMARK(BM_RejectHugeLengthClaim);

BENCHMARK_MAIN();
