// spaceweather_bench: reading every space-weather product (wwv.txt, DSD.txt,
// DGD.txt and the four JSON products, a storm day's worth, from memory) and
// building the strip's figures; one update of the strip with a new state
// (the work on the GUI thread each minute). Goals: all products in 5 ms,
// the strip in 1 ms.
//
//   spaceweather_bench [--benchmark_...]
#include <benchmark/benchmark.h>

#include <QApplication>
#include <QFile>

#include "spaceweather/SpaceWeather.h"
#include "spaceweather/SpaceWeatherState.h"
#include "spaceweather/ui/SpaceWeatherStrip.h"

using namespace orvane::spaceweather;

namespace {

QByteArray read(const char* file) {
    QFile f(QStringLiteral(ORVANE_SPACEWX_DATA "/storm/") + QLatin1String(file));
    if (!f.open(QIODevice::ReadOnly)) qFatal("no fixture %s", file);
    return f.readAll();
}

struct Bytes {
    QByteArray wwv = read(kWwvFile), dsd = read(kDsdFile), dgd = read(kDgdFile), kp = read(kKpFile),
               scales = read(kScalesFile), xray = read(kXrayFile), protons = read(kProtonFile);
};

const orvane::UtcMoment kNow = orvane::daysFromCivil(2026, 9, 22) * 86400 + 6 * 3600 + 30 * 60;

Products parseAll(const Bytes& b) {
    Products p;
    p.wwv = parseWwv(QString::fromUtf8(b.wwv));
    p.dsd = parseDsd(QString::fromUtf8(b.dsd));
    p.dgd = parseDgd(QString::fromUtf8(b.dgd));
    p.kp = parseKpJson(b.kp);
    p.scales = parseScalesJson(b.scales);
    p.xray = parseXrayJson(b.xray);
    p.protons = parseProtonJson(b.protons);
    return p;
}

void BM_ParseAllProducts(benchmark::State& state) {
    const Bytes bytes;
    for (auto _ : state) {
        const State s = assemble(parseAll(bytes), kNow);
        benchmark::DoNotOptimize(s.figures[0].value);
    }
    state.SetBytesProcessed(state.iterations() * (bytes.wwv.size() + bytes.dsd.size() + bytes.dgd.size() +
                                                  bytes.kp.size() + bytes.scales.size() + bytes.xray.size() +
                                                  bytes.protons.size()));
}
BENCHMARK(BM_ParseAllProducts)->Unit(benchmark::kMillisecond);

void BM_StripUpdate(benchmark::State& state) {
    const State s = assemble(parseAll(Bytes()), kNow);
    SpaceWeatherStrip strip;
    strip.resize(1200, 24);
    strip.show();
    QApplication::processEvents();
    orvane::UtcMoment now = kNow;
    for (auto _ : state) {
        // A minute later: the ages move, so texts change as they do each minute.
        now += 60;
        strip.setState(s, now);
    }
}
BENCHMARK(BM_StripUpdate)->Unit(benchmark::kMicrosecond);

}  // namespace

int main(int argc, char** argv) {
    qputenv("QT_QPA_PLATFORM", qgetenv("QT_QPA_PLATFORM").isEmpty() ? "offscreen" : qgetenv("QT_QPA_PLATFORM"));
    QApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
