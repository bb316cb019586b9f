#include "timesync/TimeSyncMonitor.h"

#include <sys/timex.h>

#include <QDir>
#include <QFile>

namespace orvane::timesync {

namespace {

// Process names as /proc/PID/comm has them (cut to 15 characters).
struct Daemon {
    const char* comm;
    const char* name;
};
constexpr Daemon kDaemons[] = {{"chronyd", "chronyd"},
                               {"systemd-timesyn", "systemd-timesyncd"},
                               {"ntpd", "ntpd"},
                               {"openntpd", "openntpd"}};
// A process table larger than this is not searched further.
constexpr int kMaxProcesses = 65536;

QString runningDaemon() {
    const QStringList pids = QDir(QStringLiteral("/proc")).entryList(QDir::Dirs | QDir::NoDotAndDotDot);
    int seen = 0;
    for (const QString& pid : pids) {
        if (pid.isEmpty() || !pid.at(0).isDigit()) continue;
        if (++seen > kMaxProcesses) break;
        QFile comm(QStringLiteral("/proc/") + pid + QStringLiteral("/comm"));
        if (!comm.open(QIODevice::ReadOnly)) continue;
        const QByteArray name = comm.read(32).trimmed();
        for (const Daemon& d : kDaemons)
            if (name == d.comm) return QString::fromLatin1(d.name);
    }
    return {};
}

}  // namespace

QString SystemTimeSyncMonitor::activeSync() const {
    // The daemon's name says more than the kernel's flag, so it comes first.
    if (const QString daemon = runningDaemon(); !daemon.isEmpty()) return daemon;
    timex tx{};  // modes 0: read only
    const int state = ::adjtimex(&tx);
    if (state != -1 && state != TIME_ERROR && !(tx.status & STA_UNSYNC)) return QStringLiteral("the kernel");
    return {};
}

}  // namespace orvane::timesync
