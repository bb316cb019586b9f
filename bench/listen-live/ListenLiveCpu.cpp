// The CPU that live listening takes: captures the sound system's default (or
// the named) input through Qt Multimedia, cuts it into slotCount and runs the
// detector on each, as the program does while "Listen" is on, for the given
// seconds; then prints the process's CPU time over the wall time.
//   listen_live_cpu SECONDS [DEVICE]   (tools/measure-listen-cpu.sh sets up a sound server)
#include <QCoreApplication>
#include <QElapsedTimer>
#include <QTimer>
#include <atomic>
#include <cstdlib>
#include <cstdio>
#include <sys/resource.h>

#include "beacons/StationTable.h"
#include "common/Clock.h"
#include "listen/SlotCutter.h"
#include "listen/live/QtAudioInput.h"

namespace {

double cpuSeconds() {
    rusage u{};
    getrusage(RUSAGE_SELF, &u);
    return static_cast<double>(u.ru_utime.tv_sec + u.ru_stime.tv_sec) +
           static_cast<double>(u.ru_utime.tv_usec + u.ru_stime.tv_usec) / 1e6;
}

}  // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    const QStringList args = app.arguments();
    const int seconds = args.size() > 1 ? args[1].toInt() : 60;
    if (seconds <= 0 || seconds > 86400) {
        std::fprintf(stderr, "usage: listen_live_cpu SECONDS [DEVICE]\n");
        return 2;
    }
    orvane::SystemClock clock;
    const orvane::beacons::StationTable stations;
    std::atomic<int> slotCount{0};
    std::atomic<long long> samples{0};
    orvane::listen::SlotCutter cutter(orvane::listen::DetectorSettings{},
                                      orvane::listen::expectOnBand(stations, 0),
                                      [&](const orvane::listen::SlotResult&) { ++slotCount; });
    orvane::listen::QtAudioInput input(clock, args.size() > 2 ? args[2] : QString());
    // Stamps that do not follow on from the block before by more than the
    // slot cutter allows: each drops a partial slot.
    std::atomic<int> jumps{0};
    std::int64_t expectedMs = 0;
    long long sinceAnchor = 0;
    std::int64_t anchorMs = 0;
    input.setBlockHandler([&](std::int64_t firstMs, int rate, std::span<const float> block) {
        expectedMs = anchorMs + sinceAnchor * 1000 / rate;
        if (sinceAnchor == 0 || std::llabs(firstMs - expectedMs) > orvane::listen::SlotCutter::kMaxStampJitterMs) {
            if (sinceAnchor != 0) {
                ++jumps;
                std::fprintf(stderr, "stamp jump of %lld ms after %.1f s\n", static_cast<long long>(firstMs - expectedMs),
                             static_cast<double>(samples.load()) / rate);
            }
            anchorMs = firstMs;
            sinceAnchor = 0;
        }
        sinceAnchor += static_cast<long long>(block.size());
        samples += static_cast<long long>(block.size());
        cutter.push(firstMs, rate, block);
    });
    QString reason;
    if (!input.open(&reason)) {
        std::fprintf(stderr, "%s\n", qPrintable(reason));
        return 1;
    }
    const double cpu0 = cpuSeconds();
    QElapsedTimer wall;
    wall.start();
    QTimer::singleShot(seconds * 1000, &app, &QCoreApplication::quit);
    app.exec();
    const int rate = input.sampleRate();
    input.stop();
    const double cpu = cpuSeconds() - cpu0;
    const double wallS = static_cast<double>(wall.elapsed()) / 1000;
    std::printf("live listening over %.1f s at %d Hz: %lld samples, %d slots, %d stamp jumps, CPU %.3f s = %.2f %% of one core\n", wallS,
                rate, samples.load(), slotCount.load(), jumps.load(), cpu, 100 * cpu / wallS);
    return 0;
}
