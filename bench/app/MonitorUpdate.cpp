// monitor_update: what one slot costs the Monitor tab: showSlot (all five
// bands with bearings from a locator, the cycle grid, the countdown) over a
// day of slots on a fake clock, offscreen. Prints the median, mean and worst
// update in microseconds, for the update of the texts alone and with the
// repaint it causes.
//
//   monitor_update [SLOTS]     (default 8640, one day)
#include <QApplication>
#include <QElapsedTimer>

#include <algorithm>
#include <cstdio>
#include <vector>

#include "app/panels/MonitorPanel.h"
#include "common/FakeClock.h"

int main(int argc, char** argv) {
    qputenv("QT_QPA_PLATFORM", qgetenv("QT_QPA_PLATFORM").isEmpty() ? "offscreen" : qgetenv("QT_QPA_PLATFORM"));
    QApplication app(argc, argv);
    const int slotCount = argc > 1 ? std::max(1, std::atoi(argv[1])) : 8640;
    orvane::FakeClock clock(1'767'268'800'000);
    orvane::app::MonitorPanel panel(clock, nullptr);
    panel.resize(555, 323);
    panel.setStation(orvane::geo::LonLat{4.29, 52.1});
    panel.show();
    QApplication::processEvents();
    std::vector<qint64> update, withPaint;
    for (int i = 0; i < slotCount; ++i) {
        clock.advance(10'000);
        QElapsedTimer t;
        t.start();
        panel.showSlot(clock.nowUtcMs());
        update.push_back(t.nsecsElapsed());
        panel.repaint();  // the grid's paint is part of the cost
        withPaint.push_back(t.nsecsElapsed());
    }
    const auto report = [slotCount](const char* what, std::vector<qint64>& ns) {
        std::sort(ns.begin(), ns.end());
        double total = 0;
        for (qint64 v : ns) total += static_cast<double>(v);
        std::printf("%s, %d slots: median %.1f us, mean %.1f us, worst %.1f us\n", what, slotCount,
                    static_cast<double>(ns[ns.size() / 2]) / 1000.0, total / 1000.0 / slotCount,
                    static_cast<double>(ns.back()) / 1000.0);
    };
    report("showSlot", update);
    report("showSlot + repaint", withPaint);
    return 0;
}
