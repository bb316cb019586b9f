#pragma once

#include <QMetaObject>
#include <QObject>
#include <condition_variable>
#include <exception>
#include <mutex>
#include <utility>

namespace orvane {

// Runs `work` on the thread of `context`, from its event loop, unless
// `context` is destroyed first. The one way the program hands work to
// another thread's queue. The queued call, holding the work's captures, is
// built in here: the race checker's suppressions name this function, because
// Qt (not built with the checker) passes the call over under a lock the
// checker cannot see.
template <typename Work>
void postToThreadOf(QObject* context, Work&& work) {
    QMetaObject::invokeMethod(context, std::forward<Work>(work), Qt::QueuedConnection);
}

namespace detail {
// A one-shot gate on a mutex and a condition variable: the race checker sees
// these (unlike a future, whose wait runs inside the C++ library).
class HandOffGate {
public:
    void open(std::exception_ptr error = nullptr) {
        {
            const std::lock_guard lock(mutex_);
            error_ = std::move(error);
            open_ = true;
        }
        opened_.notify_all();
    }
    // Waits until open() and rethrows what it was given.
    void pass() {
        std::unique_lock lock(mutex_);
        opened_.wait(lock, [this] { return open_; });
        if (error_) std::rethrow_exception(error_);
    }

private:
    std::mutex mutex_;
    std::condition_variable opened_;
    bool open_ = false;
    std::exception_ptr error_;
};
}  // namespace detail

// Runs `work` on the thread of `context` and waits until it has run; an
// exception it throws is thrown here. The thread's event loop must be
// running (as for a blocking queued call). Both hand-overs go through gates
// the race checker sees: everything written here before the call is visible
// to `work`, and everything `work` writes is visible after it.
template <typename Work>
void postToThreadOfAndWait(QObject* context, Work&& work) {
    detail::HandOffGate posted;
    detail::HandOffGate done;
    postToThreadOf(context, [work = std::forward<Work>(work), &posted, &done]() mutable {
        posted.pass();
        try {
            work();
        } catch (...) {
            done.open(std::current_exception());
            return;
        }
        done.open();
    });
    posted.open();
    done.pass();
}

}  // namespace orvane
