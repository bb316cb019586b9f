// rig_latency: how the radio's frequency change lies against the slot it is
// for, with the follower on the system clock and rigctld's dummy rig on
// 127.0.0.1 (started here, stopped by its PID). Follows the beacon that
// starts on 14.100 at the next boundary through its five bands and prints,
// per tuning, when the rig confirmed the frequency relative to the slot's
// start (negative: set ahead) and how long the rig call took from the
// moment it was due.
//
//   rig_latency [TUNINGS]     (default 5; one per 10 s)
#include <QCoreApplication>
#include <QEventLoop>
#include <QProcess>
#include <QTcpServer>
#include <QTcpSocket>
#include <QTimer>

#include <algorithm>
#include <cstdio>
#include <vector>

#include "beacons/Schedule.h"
#include "common/Clock.h"
#include "rig/RigFollower.h"

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    const int wanted = argc > 1 ? std::max(1, std::atoi(argv[1])) : 5;
    quint16 port = 0;
    {
        QTcpServer probe;
        if (!probe.listen(QHostAddress::LocalHost, 0)) return 1;
        port = probe.serverPort();
    }
    QProcess rigctld;
    rigctld.start(QStringLiteral("/usr/bin/rigctld"), {QStringLiteral("-m"), QStringLiteral("1"), QStringLiteral("-T"),
                                                     QStringLiteral("127.0.0.1"), QStringLiteral("-t"),
                                                     QString::number(port)});
    if (!rigctld.waitForStarted(5000)) return 1;
    // Wait for it to listen: try to connect every 50 ms, for 10 s at most.
    {
        QTcpSocket s;
        QEventLoop loop;
        QTimer retry, giveUp;
        QObject::connect(&s, &QTcpSocket::connected, &loop, &QEventLoop::quit);
        QObject::connect(&retry, &QTimer::timeout, &s, [&] {
            if (s.state() == QAbstractSocket::UnconnectedState) s.connectToHost(QHostAddress::LocalHost, port);
        });
        QObject::connect(&giveUp, &QTimer::timeout, &loop, &QEventLoop::quit);
        retry.start(50);
        giveUp.start(10'000);
        s.connectToHost(QHostAddress::LocalHost, port);
        loop.exec();
        if (s.state() != QAbstractSocket::ConnectedState) return 1;
    }

    orvane::SystemClock clock;
    orvane::rig::RigFollower follower(clock, orvane::rig::makeHamlibRig);
    follower.setSettings({2, QStringLiteral("127.0.0.1:%1").arg(port), 0, 2000});
    std::vector<qint64> ahead, call;
    qint64 dueAt = 0;
    bool first = true;
    QObject::connect(&follower, &orvane::rig::RigFollower::tuned, &app, [&](qint64 slot, double hz, int, qint64 done) {
        if (!first) {
            ahead.push_back(done - slot);
            call.push_back(done - dueAt);
            std::printf("%.3f MHz: set %lld ms after the slot began, rig call %lld ms after it was due\n", hz / 1e6,
                        static_cast<long long>(done - slot), static_cast<long long>(done - dueAt));
            std::fflush(stdout);
        }
        first = false;
        dueAt = follower.nextTuneAtMs();
        if (static_cast<int>(ahead.size()) == wanted) app.quit();
    });
    QObject::connect(&follower, &orvane::rig::RigFollower::failed, &app, [&](const QString& m) {
        std::fprintf(stderr, "%s\n", m.toLocal8Bit().constData());
        app.exit(1);
    });
    const orvane::UtcMs now = clock.nowUtcMs();
    follower.follow(orvane::beacons::slotIndexAt(orvane::beacons::nextSlotBoundaryMs(now), 0));
    const int status = app.exec();
    follower.stop();
    rigctld.terminate();
    rigctld.waitForFinished(5000);
    if (!ahead.empty()) {
        std::sort(ahead.begin(), ahead.end());
        std::sort(call.begin(), call.end());
        std::printf("tunings %zu: set vs slot start min %lld, max %lld ms; rig call median %lld, max %lld ms\n",
                    ahead.size(), static_cast<long long>(ahead.front()), static_cast<long long>(ahead.back()),
                    static_cast<long long>(call[call.size() / 2]), static_cast<long long>(call.back()));
    }
    return status;
}
