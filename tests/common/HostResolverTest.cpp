// The one host-name resolver: answers later through the event loop, tries a
// failed name once more, and drops an answer once cancelled.
#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <memory>
#include <optional>

#include "common/HostResolver.h"
#include "common/SocketErrors.h"
#include "support/WaitUntil.h"

using namespace orvane;

namespace {

constexpr uint32_t kAddress = 0xC0000207u;  // 192.0.2.7

struct RetryCase {
    const char* name;
    std::vector<HostResolver::Result> attempts;  // what the name service says, in turn
    HostResolver::Result expected;
    int calls;
};

class Retry : public ::testing::TestWithParam<RetryCase> {};

TEST_P(Retry, AFailedNameIsTriedOnceMore) {
    const RetryCase& c = GetParam();
    auto calls = std::make_shared<std::atomic<int>>(0);
    const auto resolver = makeSystemHostResolver([calls, attempts = c.attempts](const std::string& name) {
        EXPECT_EQ(name, "time.example");
        const int n = (*calls)++;
        return attempts[static_cast<size_t>(std::min<int>(n, static_cast<int>(attempts.size()) - 1))];
    });
    std::optional<HostResolver::Result> answer;
    resolver->start(QStringLiteral("time.example"), [&](const HostResolver::Result& r) { answer = r; });
    EXPECT_FALSE(answer.has_value());  // never inside start()
    ASSERT_TRUE(waitUntil([&] { return answer.has_value(); }, 10000));
    EXPECT_EQ(answer->errorNo, c.expected.errorNo);
    EXPECT_EQ(answer->ipv4HostOrder, c.expected.ipv4HostOrder);
    EXPECT_EQ(calls->load(), c.calls);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, Retry,
    ::testing::Values(RetryCase{"FirstTry", {{0, kAddress}}, {0, kAddress}, 1},
                      RetryCase{"SecondTry", {{11002, 0}, {0, kAddress}}, {0, kAddress}, 2},
                      RetryCase{"BothFail", {{11002, 0}, {11001, 0}}, {11001, 0}, 2}),
    [](const auto& row) { return std::string(row.param.name); });

TEST(HostResolver, TheSystemOneFindsLocalhostAndNotABadName) {
    const auto resolver = makeSystemHostResolver();
    struct Case {
        const char* name;
        bool found;
    };
    for (const Case& c : {Case{"localhost", true}, Case{"no-such-host.invalid", false}}) {
        std::optional<HostResolver::Result> answer;
        resolver->start(QString::fromLatin1(c.name), [&](const HostResolver::Result& r) { answer = r; });
        ASSERT_TRUE(waitUntil([&] { return answer.has_value(); }, 20000)) << c.name;
        EXPECT_EQ(answer->ok(), c.found) << c.name;
        if (c.found) EXPECT_EQ(answer->ipv4HostOrder >> 24, 127u);
        else EXPECT_GE(answer->errorNo, WSAHOST_NOT_FOUND);
    }
}

TEST(HostResolver, ACancelledLookupNeverAnswers) {
    auto finished = std::make_shared<std::atomic<bool>>(false);
    const auto resolver = makeSystemHostResolver([finished](const std::string&) {
        finished->store(true);
        return HostResolver::Result{0, kAddress};
    });
    bool answered = false;
    resolver->start(QStringLiteral("time.example"), [&](const HostResolver::Result&) { answered = true; });
    resolver->cancel();  // before the event loop could deliver anything
    // The worker sets a flag and no event: look at it every 10 ms.
    ASSERT_TRUE(waitUntil([&] { return finished->load(); }, 10000, 10));
    runEventsFor(50);  // the worker's answer, had it been kept, would arrive now
    EXPECT_FALSE(answered);
}

}  // namespace
