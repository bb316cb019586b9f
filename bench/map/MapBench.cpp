// Goals: an ordinary tick (no projection, no move) well under 10 us;
// RenderShadedMap under 1 ms at 480 x 240 and under 10 ms at 1920 x 960.
#include <benchmark/benchmark.h>

#include <vector>

#include "common/TimeTypes.h"
#include "map/MapPictures.h"

using namespace orvane;
using namespace orvane::map;

namespace {

const UtcMoment kMoment = daysFromCivil(2026, 6, 21) * 86400 + 12 * 3600;

// A tick on which the displayed moment is held: the sun's position, the
// projection test and the column test, nothing drawn.
void BM_OrdinaryTick(benchmark::State& state) {
    GreyLine line;
    line.InitTerminatorState(480, 240, kMoment, false);
    line.Recompute(kMoment, true);
    for (auto _ : state) benchmark::DoNotOptimize(line.Recompute(kMoment, true));
}
BENCHMARK(BM_OrdinaryTick);

void BM_ProjectIllumination(benchmark::State& state) {
    const auto w = static_cast<int>(state.range(0));
    std::vector<std::int32_t> table(static_cast<std::size_t>(w / 2));
    for (auto _ : state) {
        ProjectIllumination(table.data(), w, w / 2, 23.44);
        benchmark::DoNotOptimize(table.data());
    }
}
BENCHMARK(BM_ProjectIllumination)->Arg(480)->Arg(1920);

// The sub-solar point moves one column: only the pixels at the two edges
// of every lit span flip.
void BM_MoveOneColumn(benchmark::State& state) {
    const auto w = static_cast<int>(state.range(0));
    const int h = w / 2;
    IlluminationMask mask(w, h);
    std::vector<std::int32_t> table(static_cast<std::size_t>(h)), shown(static_cast<std::size_t>(h), kRowDark);
    ProjectIllumination(table.data(), w, h, 10.0);
    MoveTerminator(mask, table.data(), 0, shown.data(), -1);
    int noon = 0;
    for (auto _ : state) {
        const int next = (noon + w - 1) % w;
        MoveTerminator(mask, table.data(), next, shown.data(), noon);
        noon = next;
    }
}
BENCHMARK(BM_MoveOneColumn)->Arg(480)->Arg(1920);

void BM_RenderShadedMap(benchmark::State& state) {
    const auto w = static_cast<int>(state.range(0));
    const int h = w / 2;
    MapPictures pictures;
    pictures.PrepareBaseMap(MapPictures::Source::Relief, QSize(w, h));
    GreyLine line;
    line.InitTerminatorState(w, h, kMoment, false);
    line.Recompute(kMoment, true);
    for (auto _ : state) {
        pictures.Render(line.mask(), 2);
        benchmark::DoNotOptimize(pictures.picture().constBits());
    }
    state.SetItemsProcessed(state.iterations() * w * h);
}
BENCHMARK(BM_RenderShadedMap)->Arg(480)->Arg(1920)->Unit(benchmark::kMicrosecond);

// Rebuilding the lit map for a new size (a resize of the window).
void BM_RebuildMap(benchmark::State& state) {
    MapPictures pictures;
    pictures.PrepareBaseMap(MapPictures::Source::Relief, kEarthSize);
    for (auto _ : state) pictures.Rebuild(QSize(960, 480));
}
BENCHMARK(BM_RebuildMap)->Unit(benchmark::kMicrosecond);

}  // namespace
