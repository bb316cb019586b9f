// Work handed to another thread's event loop and waited for.
#include <gtest/gtest.h>

#include <QAbstractEventDispatcher>
#include <QObject>
#include <QThread>
#include <condition_variable>
#include <cstddef>
#include <memory>
#include <mutex>
#include <stdexcept>
#include <string>
#include <thread>
#include <vector>

#include "common/OrvaneError.h"
#include "common/ThreadHandOff.h"

namespace orvane {
namespace {

class WorkerThread : public ::testing::Test {
protected:
    void SetUp() override {
        receiver_.moveToThread(&thread_);
        thread_.start();
    }
    void TearDown() override {
        QThread* const here = QThread::currentThread();
        postToThreadOfAndWait(&receiver_, [this, here] { receiver_.moveToThread(here); });
        thread_.quit();
        thread_.wait();
    }
    QThread thread_;
    QObject receiver_;
};

TEST(ThreadHandOff, ACallToTheOwnThreadRunsAtOnce) {
    QObject here;
    int runs = 0;
    postToThreadOfAndWait(&here, [&] { ++runs; });
    EXPECT_EQ(runs, 1);
    EXPECT_THROW(postToThreadOfAndWait(&here, [] { throw std::runtime_error("no"); }), std::runtime_error);
}

// An event dispatcher that dispatches nothing and tells when an event is
// posted to its thread (Qt wakes the dispatcher once the event is queued).
class PostWatcher final : public QAbstractEventDispatcher {
public:
    // Waits until something was posted.
    void waitForPost() {
        std::unique_lock lock(mutex_);
        postedCv_.wait(lock, [this] { return posted_; });
    }
    void wakeUp() override {
        const std::lock_guard lock(mutex_);
        posted_ = true;
        postedCv_.notify_all();
    }
    bool processEvents(QEventLoop::ProcessEventsFlags) override { return false; }
    void registerSocketNotifier(QSocketNotifier*) override {}
    void unregisterSocketNotifier(QSocketNotifier*) override {}
    void registerTimer(int, qint64, Qt::TimerType, QObject*) override {}
    bool unregisterTimer(int) override { return false; }
    bool unregisterTimers(QObject*) override { return false; }
    QList<TimerInfo> registeredTimers(QObject*) const override { return {}; }
    int remainingTime(int) override { return -1; }
    void interrupt() override {}

private:
    std::mutex mutex_;
    std::condition_variable postedCv_;
    bool posted_ = false;
};

// A thread that runs no event loop until it is let go: what is posted to
// its objects waits in the queue.
class ThreadWithoutLoop final : public QThread {
public:
    ~ThreadWithoutLoop() override {
        letGo();
        wait();
        // QThread::wait() is not seen by the race checker; taking the lock
        // once more orders the thread's last touch before this object goes.
        const std::lock_guard lock(mutex_);
    }
    void letGo() {
        const std::lock_guard lock(mutex_);
        go_ = true;
        goCv_.notify_all();
    }

protected:
    void run() override {
        std::unique_lock lock(mutex_);
        goCv_.wait(lock, [this] { return go_; });
    }

private:
    std::mutex mutex_;
    std::condition_variable goCv_;
    bool go_ = false;
};

// The receiver is destroyed while the call waits in its thread's queue: the
// work never runs and the caller gets an error instead of waiting forever.
TEST(ThreadHandOff, AReceiverDestroyedBeforeTheCallRanReleasesTheCallerWithAnError) {
    ThreadWithoutLoop thread;
    auto* watcher = new PostWatcher;  // the thread owns it and deletes it when it ends
    thread.setEventDispatcher(watcher);
    auto receiver = std::make_unique<QObject>();
    receiver->moveToThread(&thread);
    thread.start();

    bool ran = false;
    std::string error;
    std::thread caller([&, target = receiver.get()] {
        try {
            postToThreadOfAndWait(target, [&] { ran = true; });
        } catch (const OrvaneError& e) {
            error = e.what();
        }
    });
    watcher->waitForPost();
    receiver.reset();  // its thread handles no events: nothing runs it meanwhile
    caller.join();

    EXPECT_FALSE(ran);
    EXPECT_EQ(error, "The receiver of a call to another thread was gone before the call ran.");
}

// Many short hand-overs from several threads at once: each sees what its
// caller wrote before, its writes are seen after, its errors come back, and
// no gate is touched after its caller has returned (the thread pass checks).
TEST_F(WorkerThread, ManyHandOversFromSeveralThreadsPassValuesAndErrors) {
    constexpr std::size_t kCallers = 3;
    constexpr int kCalls = 400;
    std::vector<int> failures(kCallers, 0);
    std::vector<std::thread> callers;
    long long onWorker = 0;  // touched only on the worker thread
    for (std::size_t c = 0; c < kCallers; ++c) {
        callers.emplace_back([&, c] {
            for (int i = 0; i < kCalls; ++i) {
                int in = i * 7 + static_cast<int>(c);
                int out = -1;
                try {
                    postToThreadOfAndWait(&receiver_, [&] {
                        onWorker += in;
                        out = in + 1;
                        if (i % 5 == 0) throw std::runtime_error("thrown on the worker");
                    });
                } catch (const std::runtime_error&) {
                    if (i % 5 != 0) ++failures[c];
                    continue;
                }
                if (i % 5 == 0 || out != in + 1) ++failures[c];
            }
        });
    }
    for (auto& t : callers) t.join();
    for (std::size_t c = 0; c < kCallers; ++c) EXPECT_EQ(failures[c], 0) << "caller " << c;
    long long expected = 0;
    for (std::size_t c = 0; c < kCallers; ++c)
        for (int i = 0; i < kCalls; ++i) expected += i * 7 + static_cast<int>(c);
    long long seen = 0;
    postToThreadOfAndWait(&receiver_, [&] { seen = onWorker; });
    EXPECT_EQ(seen, expected);
}

}  // namespace
}  // namespace orvane
