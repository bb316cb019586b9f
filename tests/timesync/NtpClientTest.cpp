// The NTP client over real loopback UDP: hostile replies from a scripted
// server of the test's own, the fallback of a bare host to the Time
// protocol, and Debian's chronyd as a real server. The clock is a FakeClock:
// nothing here reads the wall clock for the measurement or sets any clock.
#include <gtest/gtest.h>

#include <memory>

#include "common/FakeClock.h"
#include "timesync/NetTestSupport.h"
#include "timesync/TimeQuery.h"
#include "timesync/TimeSyncMonitor.h"

using namespace orvane;
using namespace orvane::timesync;
using namespace timesync_test;
using Datagram = ScriptedTimeServer::Datagram;

namespace {

constexpr UtcMs kPcMs = kNoonMs;
constexpr std::int64_t kEra1StartUnix = 2'085'978'496;  // 2036-02-07 06:28:16 UTC

class NtpClientTest : public ::testing::Test {
protected:
    void SetUp() override {
        endpoint.Loaded();
        query.setPorts(server.port(), server.port());
        QObject::connect(&query, &TimeQuery::ntpAnswered,
                         [this](const NtpReply& r, const NtpMeasurement& m, const QString& ip) {
                             answers.push_back({r.stratum, m, ip});
                         });
        QObject::connect(&query, &TimeQuery::timeAnswered, [this](int n, const QString&) { timeAnswers.push_back(n); });
        QObject::connect(&query, &TimeQuery::failed, [this](const QString& m) { failures.push_back(m); });
    }

    struct Answer {
        int stratum;
        NtpMeasurement m;
        QString fromIP;
    };
    std::unique_ptr<HostResolver> resolver = makeSystemHostResolver();
    TNMUDP endpoint{*resolver};
    FakeClock clock{kPcMs};
    TimeQuery query{endpoint, clock};
    ScriptedTimeServer server;
    std::vector<Answer> answers;
    std::vector<int> timeAnswers;
    std::vector<QString> failures;
};

}  // namespace

TEST_F(NtpClientTest, HostileDatagramsAreCountedAndTheRealReplyIsTakenOnce) {
    server.respondWith([](const QByteArray& request) {
        const auto hostile = [&](auto change) {
            NtpReplyFields s;
            s.serverMs = kPcMs + 100'000'000.0;  // a forger's time, never to be believed
            change(s);
            return ntpReply(request, s);
        };
        return std::vector<Datagram>{
            {hostile([](NtpReplyFields& s) { s.echo = false; })},                        // wrong originate
            {hostile([](NtpReplyFields&) {}), true},                                     // wrong source port
            {hostile([](NtpReplyFields& s) { s.first = 0x23; })},                        // mode 3
            {hostile([](NtpReplyFields& s) { s.first = 0xE4; })},                        // leap 3
            {hostile([](NtpReplyFields& s) { s.size = 47; })},                           // 47 bytes
            {hostile([](NtpReplyFields& s) { s.stratum = 0; s.refid = "RATE"; s.echo = false; })},  // someone else's kiss
            {ntpReply(request, NtpReplyFields{})},                                       // the real one: +2 s
            {hostile([](NtpReplyFields&) {})},                                           // a second reply
        };
    });
    query.setNtpTimeoutMs(0);  // only the real reply ends this wait
    ASSERT_TRUE(query.start({TimeProto::Ntp, QStringLiteral("127.0.0.1")}));
    ASSERT_TRUE(waitUntil([&] { return !answers.empty(); }));
    runEventsFor(100);  // the second reply, had it been taken, would show now
    ASSERT_EQ(answers.size(), 1u);
    EXPECT_NEAR(answers[0].m.offsetMs, 2000.0, 0.01);
    EXPECT_EQ(answers[0].stratum, 2);
    EXPECT_EQ(answers[0].fromIP, QStringLiteral("127.0.0.1"));
    EXPECT_EQ(query.ntp().refusedCount(), 6);
    EXPECT_TRUE(failures.empty());
    ASSERT_EQ(server.requests.size(), 1u);
    EXPECT_EQ(server.requests[0].size(), 48);
}

TEST_F(NtpClientTest, TwoRequestsCarryDifferentRandomTimestamps) {
    server.respondWith([](const QByteArray& request) { return std::vector<Datagram>{{ntpReply(request, NtpReplyFields{})}}; });
    for (int i = 0; i < 2; ++i) {
        ASSERT_TRUE(query.start({TimeProto::Ntp, QStringLiteral("127.0.0.1")}));
        ASSERT_TRUE(waitUntil([&] { return answers.size() == static_cast<size_t>(i + 1); }));
    }
    ASSERT_EQ(server.requests.size(), 2u);
    EXPECT_NE(server.requests[0].mid(40), server.requests[1].mid(40));
}

TEST_F(NtpClientTest, AKissOfDeathForOurRequestEndsTheWaitWithItsCode) {
    server.respondWith([](const QByteArray& request) {
        NtpReplyFields s;
        s.stratum = 0;
        s.refid = "RATE";
        return std::vector<Datagram>{{ntpReply(request, s)}};
    });
    ASSERT_TRUE(query.start({TimeProto::Ntp, QStringLiteral("127.0.0.1")}));
    ASSERT_TRUE(waitUntil([&] { return !failures.empty(); }));
    EXPECT_TRUE(failures[0].contains(QStringLiteral("\"RATE\""))) << failures[0].toStdString();
    EXPECT_TRUE(answers.empty());
    EXPECT_FALSE(query.busy());
}

TEST_F(NtpClientTest, AnEra1ReplyMeasuresAgainstAPcInEra1) {
    clock.set((kEra1StartUnix + 86'400) * 1000);
    server.respondWith([this](const QByteArray& request) {
        NtpReplyFields s;
        s.serverMs = static_cast<double>(clock.nowUtcMs()) + 1500.0;
        return std::vector<Datagram>{{ntpReply(request, s)}};
    });
    ASSERT_TRUE(query.start({TimeProto::Ntp, QStringLiteral("127.0.0.1")}));
    ASSERT_TRUE(waitUntil([&] { return !answers.empty(); }));
    EXPECT_NEAR(answers[0].m.offsetMs, 1500.0, 0.01);
}

TEST_F(NtpClientTest, NoAnswerEndsWithAClearTextThatCountsTheRefused) {
    server.respondWith([](const QByteArray& request) {
        NtpReplyFields s;
        s.first = 0xE4;  // leap 3
        return std::vector<Datagram>{{ntpReply(request, s)}};
    });
    query.setNtpTimeoutMs(300);
    ASSERT_TRUE(query.start({TimeProto::Ntp, QStringLiteral("127.0.0.1")}));
    ASSERT_TRUE(waitUntil([&] { return !failures.empty(); }));
    EXPECT_EQ(failures[0], QStringLiteral("No answer from 127.0.0.1 (NTP) within 300 ms; 1 datagram(s) refused, the "
                                          "last: server clock not synchronised"));
    EXPECT_TRUE(answers.empty());
}

TEST_F(NtpClientTest, ABareHostFallsBackToTheTimeProtocolWhenNtpIsSilent) {
    // An RFC 868 server only: it answers a one-byte request and ignores NTP.
    server.respondWith([](const QByteArray& request) {
        return request.size() == 1 ? std::vector<Datagram>{{QByteArray::fromHex("eb1f3a7c")}} : std::vector<Datagram>{};
    });
    query.setNtpTimeoutMs(300);
    ASSERT_TRUE(query.start(parseHostEntry(QStringLiteral("127.0.0.1"))));
    ASSERT_TRUE(waitUntil([&] { return !timeAnswers.empty(); }));
    EXPECT_EQ(timeAnswers[0], 4);
    ASSERT_EQ(server.requests.size(), 2u);
    EXPECT_EQ(server.requests[0].size(), 48);
    EXPECT_EQ(server.requests[1], QByteArray(1, '\0'));
    EXPECT_TRUE(failures.empty());
}

TEST(HostEntries, TheProtocolPrefixes) {
    struct Case {
        const char* entry;
        TimeProto proto;
        const char* host;
    };
    const Case cases[] = {
        {"ntp:pool.ntp.org", TimeProto::Ntp, "pool.ntp.org"},
        {"NTP:Pool.ntp.org", TimeProto::Ntp, "Pool.ntp.org"},
        {"time:time.nist.gov", TimeProto::Time, "time.nist.gov"},
        {"time.nist.gov", TimeProto::Auto, "time.nist.gov"},
        {" ntp: 10.0.0.1 ", TimeProto::Ntp, "10.0.0.1"},
        {"ntp:", TimeProto::Ntp, ""},
        {"", TimeProto::Auto, ""},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.entry);
        EXPECT_EQ(parseHostEntry(QString::fromLatin1(c.entry)), (HostEntry{c.proto, QString::fromLatin1(c.host)}));
    }
}

TEST(Chronyd, TheOffsetToARealServerIsMeasured) {
    ChronydServer chronyd;
    ASSERT_TRUE(chronyd.waitReady()) << chronyd.log().toStdString();
    std::unique_ptr<HostResolver> resolver = makeSystemHostResolver();
    TNMUDP endpoint{*resolver};
    endpoint.Loaded();
    // The fake clock is 5 s behind the real one that chronyd serves, and
    // stands still while the question is out.
    FakeClock clock{SystemClock().nowUtcMs() - 5000};
    TimeQuery query{endpoint, clock};
    query.setPorts(chronyd.port(), chronyd.port());
    std::optional<std::pair<NtpReply, NtpMeasurement>> answer;
    QObject::connect(&query, &TimeQuery::ntpAnswered,
                     [&](const NtpReply& r, const NtpMeasurement& m, const QString&) { answer.emplace(r, m); });
    ASSERT_TRUE(query.start({TimeProto::Ntp, QStringLiteral("127.0.0.1")}));
    ASSERT_TRUE(waitUntil([&] { return answer.has_value(); }, 10000));
    EXPECT_EQ(answer->first.stratum, 8);
    EXPECT_EQ(answer->first.leap, 0);
    // At least the 5 s; more only by the time the question took (bounded by the wait).
    EXPECT_GE(answer->second.offsetMs, 4999.0);
    EXPECT_LE(answer->second.offsetMs, 5000.0 + 10000.0);
    EXPECT_TRUE(clock.recordedSets().empty());
}

// The process table is read: a running chronyd (the test's own) is a sync
// that keeps the time.
TEST(Chronyd, ARunningDaemonIsSeenAsTheSystemsOwnSync) {
    ChronydServer chronyd;
    ASSERT_TRUE(chronyd.waitReady()) << chronyd.log().toStdString();
    EXPECT_EQ(SystemTimeSyncMonitor().activeSync(), QStringLiteral("chronyd"));
}
