// The termination signals: one close per burst, and a handler that leaves
// errno as it found it.
#include <gtest/gtest.h>

#include <cerrno>
#include <csignal>

#include "app/TerminationSignals.h"
#include "support/WaitUntil.h"

using orvane::app::TerminationSignals;

// A signal arriving between a failing call and its look at errno must not
// change errno, also when the handler's own write fails because the pipe to
// the event loop is full (nothing reads it while this test runs).
TEST(TerminationSignals, TheHandlerKeepsErrnoAlsoWhenItsPipeIsFull) {
    int closes = 0;
    const TerminationSignals termination([&closes] { ++closes; });
    // Far more signals than a socket pair holds one-byte writes.
    constexpr int kSignals = 20000;
    for (int i = 0; i < kSignals; ++i) {
        errno = EDOM;
        ASSERT_EQ(::raise(SIGHUP), 0);
        ASSERT_EQ(errno, EDOM) << "after signal " << i;
    }
    // The event loop then sees the burst and closes.
    EXPECT_TRUE(waitUntil([&closes] { return closes > 0; }));
}
