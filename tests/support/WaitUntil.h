#pragma once

#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QEventLoop>
#include <QTimer>

#include <algorithm>
#include <functional>

// The one way tests wait for something the event loop brings: runs the
// calling thread's event loop until `done` holds or `timeoutMs` has passed,
// and returns done(). It sleeps in the event loop between events and looks at
// the condition after each batch, so it costs nothing while idle and is never
// late on a loaded machine; the deadline only ends a wait that failed.
//
// A condition that changes without an event on this thread (another thread
// sets a flag) needs `pollMs`: the condition is then also looked at every
// pollMs. Prefer a signal or a condition variable where the code offers one.
inline bool waitUntil(const std::function<bool()>& done, int timeoutMs = 5000, int pollMs = 0) {
    if (done()) return true;
    const QDeadlineTimer deadline(timeoutMs);
    // Timers that only wake the loop: one at the deadline, one per poll step.
    // The deadline's timer is precise and re-armed while time is left: a
    // coarse timer may fire a little early, and a loop that then waits for
    // more events with no timer left would wait for ever.
    QTimer wakeAtDeadline;
    wakeAtDeadline.setSingleShot(true);
    wakeAtDeadline.setTimerType(Qt::PreciseTimer);
    QTimer poll;
    if (pollMs > 0) poll.start(pollMs);
    while (!done()) {
        if (deadline.hasExpired()) return false;
        if (!wakeAtDeadline.isActive())
            wakeAtDeadline.start(static_cast<int>(std::max<qint64>(1, deadline.remainingTime())));
        QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
    }
    return true;
}

// Runs the event loop for `ms` without waiting for anything: for tests that
// show that something does NOT happen within a time (no second reply taken,
// no tick fired). Never use it to wait for something that should happen.
inline void runEventsFor(int ms) {
    waitUntil([] { return false; }, ms);
}
