#pragma once

#include <QMetaObject>
#include <QObject>
#include <QThread>
#include <condition_variable>
#include <exception>
#include <memory>
#include <mutex>
#include <type_traits>
#include <utility>

#include "common/OrvaneError.h"

namespace orvane {

namespace detail {
#if defined(__SANITIZE_THREAD__)
extern "C" void __tsan_acquire(void* address);
extern "C" void __tsan_release(void* address);
inline void handOffPublished(void* call) { __tsan_release(call); }
inline void handOffReceived(void* call) { __tsan_acquire(call); }
#else
inline void handOffPublished(void*) {}
inline void handOffReceived(void*) {}
#endif

// The queued call object. Qt moves it into its own call object and passes
// that over under a lock the race checker cannot see (Qt is not built with
// it), so the hand-over is told to the checker on the object's own address:
// published once it is built in its final place and again after it has run,
// received before it is run and before it is destroyed (which Qt may do on
// either thread). Everything the work reaches stays checked.
template <typename Work>
class QueuedWork {
public:
    explicit QueuedWork(Work&& work) : work_(std::move(work)) { handOffPublished(this); }
    QueuedWork(QueuedWork&& other) noexcept(std::is_nothrow_move_constructible_v<Work>)
        : work_(std::move(other.work_)) {
        handOffPublished(this);
    }
    QueuedWork(const QueuedWork&) = delete;
    QueuedWork& operator=(const QueuedWork&) = delete;
    QueuedWork& operator=(QueuedWork&&) = delete;
    ~QueuedWork() { handOffReceived(this); }
    void operator()() {
        handOffReceived(this);
        struct Ran {
            void* call;
            ~Ran() { handOffPublished(call); }
        } ran{this};
        work_();
    }

private:
    Work work_;
};
}  // namespace detail

// Runs `work` on the thread of `context`, from its event loop, unless
// `context` is destroyed first. The one way the program hands work to
// another thread's queue.
template <typename Work>
void postToThreadOf(QObject* context, Work&& work) {
    QMetaObject::invokeMethod(context, detail::QueuedWork<std::decay_t<Work>>(std::decay_t<Work>(std::forward<Work>(work))),
                              Qt::QueuedConnection);
}

namespace detail {
// A one-shot gate on a mutex and a condition variable: the race checker sees
// these (unlike a future, whose wait runs inside the C++ library). It is
// owned jointly by both sides of a hand-over (see postToThreadOfAndWait), so
// the side that opens it may still be inside open() when the other returns.
class HandOffGate {
public:
    void open(std::exception_ptr error = nullptr) {
        const std::lock_guard lock(mutex_);
        if (open_) return;
        error_ = std::move(error);
        open_ = true;
        opened_.notify_all();
    }
    // Waits until open() and rethrows what it was given. The error is taken
    // out of the gate, so the waiting side holds the last reference to it:
    // the exception is never freed on another thread while this one reads
    // it (its count lives in the C++ library, where the race checker does
    // not look).
    void pass() {
        std::unique_lock lock(mutex_);
        opened_.wait(lock, [this] { return open_; });
        if (!error_) return;
        std::exception_ptr error = std::move(error_);
        error_ = nullptr;
        lock.unlock();
        std::rethrow_exception(std::move(error));
    }

private:
    std::mutex mutex_;
    std::condition_variable opened_;
    bool open_ = false;
    std::exception_ptr error_;
};

struct HandOff {
    HandOffGate posted;
    HandOffGate done;
};

// The queued side's hold on a hand-over. If the queued call is thrown away
// without running (its receiver was destroyed first), the waiting side is
// released with an error instead of waiting forever.
class HandOffHold {
public:
    explicit HandOffHold(std::shared_ptr<HandOff> handOff) : handOff_(std::move(handOff)) {}
    HandOffHold(HandOffHold&&) noexcept = default;
    HandOffHold& operator=(HandOffHold&&) = delete;
    HandOffHold(const HandOffHold&) = delete;
    HandOffHold& operator=(const HandOffHold&) = delete;
    ~HandOffHold() {
        if (!handOff_) return;
        // Made in full first: the temporary error shares its text with the
        // one thrown, and must be gone before the other side can see it.
        std::exception_ptr error =
            std::make_exception_ptr(OrvaneError("The receiver of a call to another thread was gone before the call ran."));
        handOff_->done.open(std::move(error));
    }
    HandOff& operator*() const { return *handOff_; }

private:
    std::shared_ptr<HandOff> handOff_;
};
}  // namespace detail

// Runs `work` on the thread of `context` and waits until it has run; an
// exception it throws is thrown here. Called on `context`'s own thread, the
// work runs at once. If `context` is destroyed before the work runs, an
// OrvaneError is thrown here and the work never runs. The thread's event loop
// must be running (as for a blocking queued call). Both hand-overs go through
// gates the race checker sees: everything written here before the call is
// visible to `work`, and everything `work` writes is visible after it.
template <typename Work>
void postToThreadOfAndWait(QObject* context, Work&& work) {
    if (context->thread() == QThread::currentThread()) {
        work();
        return;
    }
    auto handOff = std::make_shared<detail::HandOff>();
    postToThreadOf(context, [work = std::forward<Work>(work), hold = detail::HandOffHold(handOff)]() mutable {
        (*hold).posted.pass();
        // Handed over once the handler has ended, so this side keeps no
        // reference to the exception.
        std::exception_ptr error;
        try {
            work();
        } catch (...) {
            error = std::current_exception();
        }
        (*hold).done.open(std::move(error));
    });
    handOff->posted.open();
    handOff->done.pass();
}

}  // namespace orvane
