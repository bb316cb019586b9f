// slot_latency: how late after its UTC start each new beacon slot is shown,
// at every tick speed of the map menu. Runs the real main window on the
// system clock (offscreen), in a temporary folder, and prints one line per
// speed: the lateness of each slot shown at a boundary, in milliseconds.
//
//   slot_latency [SLOTS_PER_SPEED]     (default 3; 10 s per slot)
#include <QApplication>
#include <QTemporaryDir>
#include <QTimer>

#include <algorithm>
#include <cstdio>
#include <vector>

#include "app/Orvane_maina.h"
#include "common/Clock.h"

int main(int argc, char** argv) {
    qputenv("QT_QPA_PLATFORM", qgetenv("QT_QPA_PLATFORM").isEmpty() ? "offscreen" : qgetenv("QT_QPA_PLATFORM"));
    QApplication app(argc, argv);
    const int slotsPerSpeed = argc > 1 ? std::max(1, std::atoi(argv[1])) : 3;
    QTemporaryDir dir;
    orvane::SystemClock clock;
    orvane::RecordingMessageService messages;
    orvane::app::TfrmTabbedOrvane window(clock, messages, nullptr, orvane::AppPaths::inDirectory(dir.path()));

    const std::vector<int> speeds{1000, 750, 500, 250};
    std::size_t speedIndex = 0;
    std::vector<qint64> late;
    bool first = true;  // the slot shown at start-up is not at a boundary
    window.setAniSpeed(speeds[0]);
    QObject::connect(&window, &orvane::app::TfrmTabbedOrvane::slotShown, &app, [&](qint64 start, qint64 shownAt) {
        if (first) {
            first = false;
            return;
        }
        late.push_back(shownAt - start);
        if (static_cast<int>(late.size()) < slotsPerSpeed) return;
        std::sort(late.begin(), late.end());
        std::printf("tick %4d ms: slots %zu, late min %lld ms, median %lld ms, max %lld ms\n", speeds[speedIndex],
                    late.size(), static_cast<long long>(late.front()), static_cast<long long>(late[late.size() / 2]),
                    static_cast<long long>(late.back()));
        std::fflush(stdout);
        late.clear();
        if (++speedIndex == speeds.size()) {
            app.quit();
            return;
        }
        window.setAniSpeed(speeds[speedIndex]);
    });
    return app.exec();
}
