#pragma once

#include <QString>

namespace orvane::timesync {

// Responsibilities: tells whether the system keeps its own time (the
// kernel's clock discipline reports the clock synchronised, or a sync daemon
// such as chronyd or systemd-timesyncd is running), so that "Get Time" does
// not fight it. Tests hand in a fixed answer.
class TimeSyncMonitor {
public:
    virtual ~TimeSyncMonitor() = default;
    // Empty when no sync is active; otherwise who keeps the time, for the
    // status text ("chronyd", "systemd-timesyncd", "the kernel").
    virtual QString activeSync() const = 0;
};

// adjtimex and the process table under /proc (read, bounded).
class SystemTimeSyncMonitor final : public TimeSyncMonitor {
public:
    QString activeSync() const override;
};

// A fixed answer, for tests and for tools that never set the clock.
class FixedTimeSyncMonitor final : public TimeSyncMonitor {
public:
    explicit FixedTimeSyncMonitor(QString who = {}) : who_(std::move(who)) {}
    QString activeSync() const override { return who_; }
    void set(QString who) { who_ = std::move(who); }

private:
    QString who_;
};

}  // namespace orvane::timesync
