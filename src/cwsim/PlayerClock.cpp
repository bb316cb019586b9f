#include "cwsim/PlayerClock.h"

#include <QCoreApplication>
#include <QEventLoop>
#include <QThread>
#include <QTimer>
#include <chrono>

namespace orvane::cwsim {
namespace {

bool onGuiThread() {
    const QCoreApplication* app = QCoreApplication::instance();
    return app != nullptr && QThread::currentThread() == app->thread();
}

}  // namespace

std::int64_t SteadyPlayerClock::nowUs() const {
    using namespace std::chrono;
    return duration_cast<microseconds>(steady_clock::now().time_since_epoch()).count();
}

void SteadyPlayerClock::waitUntil(std::int64_t deadlineUs, const std::function<bool()>& giveUp) {
    if (onGuiThread()) {
        waitOnEventLoop(deadlineUs, giveUp);
        return;
    }
    using namespace std::chrono;
    const steady_clock::time_point deadline{duration_cast<steady_clock::duration>(microseconds(deadlineUs))};
    std::unique_lock lock(mutex_);
    woken_.wait_until(lock, deadline, giveUp);
}

// The GUI thread must keep handling input while it waits (the dialog's
// controls stay usable, a second beacon button plays inside this wait), so it
// runs a nested event loop until a precise timer ends it. The first pass
// always runs pending events, also for a wait of 0.
void SteadyPlayerClock::waitOnEventLoop(std::int64_t deadlineUs, const std::function<bool()>& giveUp) {
    QCoreApplication::processEvents(QEventLoop::AllEvents);
    for (;;) {
        const std::int64_t remainingUs = deadlineUs - nowUs();
        if (remainingUs <= 0 || giveUp()) return;
        QEventLoop loop;
        QTimer timer;
        timer.setSingleShot(true);
        timer.setTimerType(Qt::PreciseTimer);
        QObject::connect(&timer, &QTimer::timeout, &loop, &QEventLoop::quit);
        // Rounded up: the timer must not end the wait before its deadline.
        timer.start(static_cast<int>((remainingUs + 999) / 1000));
        QEventLoop* outer = innermostLoop_;
        innermostLoop_ = &loop;
        loop.exec();
        innermostLoop_ = outer;
    }
}

void SteadyPlayerClock::wake() {
    {
        std::lock_guard lock(mutex_);
    }
    woken_.notify_all();
    if (!onGuiThread()) return;
    if (QEventLoop* loop = innermostLoop_) QMetaObject::invokeMethod(loop, &QEventLoop::quit, Qt::QueuedConnection);
}

void VirtualPlayerClock::waitUntil(std::int64_t deadlineUs, const std::function<bool()>& giveUp) {
    ++waits_;
    while (!alarms_.empty() && alarms_.begin()->first <= deadlineUs) {
        if (giveUp()) return;
        const auto first = alarms_.begin();
        const std::int64_t at = first->first;
        std::function<void()> action = std::move(first->second);
        alarms_.erase(first);
        if (at > nowUs_) nowUs_ = at;
        action();
    }
    if (giveUp()) return;
    if (deadlineUs > nowUs_) nowUs_ = deadlineUs;
}

}  // namespace orvane::cwsim
