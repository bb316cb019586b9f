// Work handed to another thread's event loop and waited for.
#include <gtest/gtest.h>

#include <QObject>
#include <QThread>
#include <cstddef>
#include <stdexcept>
#include <thread>
#include <vector>

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
