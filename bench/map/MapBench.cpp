// Goals: an ordinary tick (no projection, no move) well under 10 us at any
// size, and the tick whose column moves under 1 ms; RenderShadedMap under
// 1 ms at 480 x 240 and under 10 ms at 1920 x 960; a full redraw with
// twilight at 1920 x 960 (one-column move, graded composition) under 5 ms.
#include <benchmark/benchmark.h>

#include <vector>

#include "common/TimeTypes.h"
#include "common/image/PngFile.h"
#include "map/MapPictures.h"

using namespace orvane;
using namespace orvane::map;

namespace {

const UtcMoment kMoment = daysFromCivil(2026, 6, 21) * 86400 + 12 * 3600;

// A tick on which the displayed moment is held: the sun's position, the
// projection test and the column test, nothing drawn.
void BM_OrdinaryTick(benchmark::State& state) {
    const auto w = static_cast<int>(state.range(0));
    GreyLine line;
    line.InitTerminatorState(w, w / 2, kMoment, false);
    line.Recompute(kMoment, true);
    for (auto _ : state) benchmark::DoNotOptimize(line.Recompute(kMoment, true));
}
BENCHMARK(BM_OrdinaryTick)->Arg(480)->Arg(1920)->Arg(3840);

// A tick on which the sub-solar column moves (the clock 3 minutes / W later
// each time): the mask's edges flip, no picture composed.
void BM_MovingTick(benchmark::State& state) {
    const auto w = static_cast<int>(state.range(0));
    GreyLine line;
    line.InitTerminatorState(w, w / 2, kMoment, false);
    line.Recompute(kMoment, false);
    UtcMoment t = kMoment;
    const UtcMoment step = 86400 / w + 1;  // at least one column
    for (auto _ : state) {
        t += step;
        benchmark::DoNotOptimize(line.Recompute(t, false));
    }
}
BENCHMARK(BM_MovingTick)->Arg(480)->Arg(1920)->Arg(3840)->Unit(benchmark::kMicrosecond);

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

// The redraw of the displayed map when the column moves with twilight on:
// the tick's terminator work and the graded composition of the picture.
void BM_FullRedrawTwilight(benchmark::State& state) {
    const auto w = static_cast<int>(state.range(0));
    const int h = w / 2;
    MapPictures pictures;
    pictures.PrepareBaseMap(MapPictures::Source::Relief, QSize(w, h));
    GreyLine line;
    line.InitTerminatorState(w, h, kMoment, false);
    line.Recompute(kMoment, false);
    UtcMoment t = kMoment;
    const UtcMoment step = 86400 / w + 1;
    for (auto _ : state) {
        t += step;
        line.Recompute(t, false);
        pictures.RenderTwilight(line.twilight(), line.state().NoonColumn, 2);
        benchmark::DoNotOptimize(pictures.picture().constBits());
    }
    state.SetItemsProcessed(state.iterations() * w * h);
}
BENCHMARK(BM_FullRedrawTwilight)->Arg(480)->Arg(1920)->Arg(3840)->Unit(benchmark::kMicrosecond);

// The twilight edge tables, projected with the terminator every 600 s.
void BM_ProjectTwilight(benchmark::State& state) {
    const auto w = static_cast<int>(state.range(0));
    TwilightTables tables;
    for (auto _ : state) {
        ProjectTwilight(tables, w, w / 2, 23.44);
        benchmark::DoNotOptimize(tables.halfWidth[0].data());
    }
}
BENCHMARK(BM_ProjectTwilight)->Arg(1920)->Unit(benchmark::kMicrosecond);

// Rebuilding the lit map for a new size (a resize of the window): one
// resample from the fine relief. Sizes alternate so each is a new one.
void BM_RebuildMap(benchmark::State& state) {
    const auto w = static_cast<int>(state.range(0));
    MapPictures pictures;
    pictures.PrepareBaseMap(MapPictures::Source::Relief, kEarthSize);
    bool odd = false;
    for (auto _ : state) {
        odd = !odd;
        pictures.Rebuild(QSize(w + (odd ? 2 : 0), w / 2 + (odd ? 1 : 0)));
    }
}
BENCHMARK(BM_RebuildMap)->Arg(960)->Arg(1920)->Unit(benchmark::kMillisecond);

// The steps of `orvane-cli greyline --size 1920x960 --twilight` after
// start-up, one benchmark each: decoding the fine relief, resampling it to
// the size, composing the twilight picture once, and the PNG file.
void BM_GreylineDecodeRelief(benchmark::State& state) {
    for (auto _ : state) {
        QImage fine = LoadFineEarth().convertToFormat(QImage::Format_RGB32);
        benchmark::DoNotOptimize(fine.constBits());
    }
}
BENCHMARK(BM_GreylineDecodeRelief)->Unit(benchmark::kMillisecond);

void BM_GreylineResample(benchmark::State& state) {
    const QImage fine = LoadFineEarth().convertToFormat(QImage::Format_RGB32);
    for (auto _ : state) {
        QImage lit = StretchMap(fine, QSize(1920, 960));
        benchmark::DoNotOptimize(lit.constBits());
    }
}
BENCHMARK(BM_GreylineResample)->Unit(benchmark::kMillisecond);

void BM_GreylineComposeOnce(benchmark::State& state) {
    GreyLine line;
    line.InitTerminatorState(1920, 960, kMoment, false);
    line.Recompute(kMoment, true);
    MapPictures pictures;
    pictures.PrepareBaseMap(MapPictures::Source::Relief, QSize(1920, 960));
    for (auto _ : state) {
        state.PauseTiming();
        pictures.Rebuild(QSize(1920, 960));
        state.ResumeTiming();
        pictures.RenderTwilightOnce(line.twilight(), line.state().NoonColumn, 2);
        benchmark::DoNotOptimize(pictures.picture().constBits());
    }
}
BENCHMARK(BM_GreylineComposeOnce)->Unit(benchmark::kMillisecond);

void BM_GreylineEncodePng(benchmark::State& state) {
    GreyLine line;
    line.InitTerminatorState(1920, 960, kMoment, false);
    line.Recompute(kMoment, true);
    MapPictures pictures;
    pictures.PrepareBaseMap(MapPictures::Source::Relief, QSize(1920, 960));
    pictures.RenderTwilight(line.twilight(), line.state().NoonColumn, 2);
    std::int64_t bytes = 0;
    for (auto _ : state) {
        const QByteArray file = orvane::encodePng(pictures.picture());
        bytes = file.size();
        benchmark::DoNotOptimize(file.constData());
    }
    state.counters["file_bytes"] = static_cast<double>(bytes);
}
BENCHMARK(BM_GreylineEncodePng)->Unit(benchmark::kMillisecond);

}  // namespace
