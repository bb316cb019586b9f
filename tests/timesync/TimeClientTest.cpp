// The time client over real loopback UDP against a scripted server: what is
// sent, which datagram is taken as the answer, and the host lookup.
#include <gtest/gtest.h>

#include <sys/resource.h>

#include <cerrno>
#include <memory>

#include "support/ScriptedResolver.h"
#include "support/TempDir.h"
#include "timesync/NetTestSupport.h"
#include "timesync/TimeClient.h"

using namespace orvane;
using namespace orvane::timesync;
using namespace timesync_test;
using Datagram = ScriptedTimeServer::Datagram;

namespace {

HostResolver::Result loopback() { return ScriptedResolver::loopback(); }
HostResolver::Result failure() { return ScriptedResolver::notFound(); }

const QByteArray kTime = QByteArray::fromHex("eb1f3a7c");

class TimeClientTest : public ::testing::Test {
protected:
    void SetUp() override {
        endpoint.Loaded();
        endpoint.setRemotePort(server.port());
        QObject::connect(&client, &TimeClient::replyReceived, [this](int n, const QString& ip, int port) {
            replies.push_back({n, ip, port});
            char bytes[4] = {};
            endpoint.ReadBuffer(bytes, 4);
            lastReply = QByteArray(bytes, 4);
        });
        QObject::connect(&client, &TimeClient::datagramIgnored, [this](int, const QString&, int) { ++ignored; });
        QObject::connect(&client, &TimeClient::requestFailed, [this](const QString& m) { failures.push_back(m); });
    }
    // Asks the server and waits until the client has taken an answer.
    void askAndWaitForReply(const QString& host = QStringLiteral("127.0.0.1")) {
        ASSERT_TRUE(client.request(host));
        ASSERT_TRUE(waitUntil([this] { return !replies.empty(); }));
    }

    struct Reply {
        int length;
        QString fromIP;
        int port;
    };
    std::unique_ptr<HostResolver> systemResolver = makeSystemHostResolver();
    TNMUDP endpoint{*systemResolver};
    TimeClient client{endpoint};
    ScriptedTimeServer server;
    std::vector<Reply> replies;
    std::vector<QString> failures;
    QByteArray lastReply;
    int ignored = 0;
};

}  // namespace

TEST_F(TimeClientTest, SendsOneZeroByteAndTakesTheFourByteAnswer) {
    server.answerWith({{kTime}});
    askAndWaitForReply();
    ASSERT_EQ(server.requests.size(), 1u);
    EXPECT_EQ(server.requests[0], QByteArray(1, '\0'));
    EXPECT_EQ(server.lastClientPort, endpoint.boundPort());
    ASSERT_EQ(replies.size(), 1u);
    EXPECT_EQ(replies[0].length, 4);
    EXPECT_EQ(replies[0].fromIP, QStringLiteral("127.0.0.1"));
    EXPECT_EQ(replies[0].port, server.port());
    EXPECT_EQ(lastReply, kTime);
    EXPECT_EQ(client.state(), TimeClient::State::Idle);
}

TEST_F(TimeClientTest, AnswersOfOtherLengthsEndTheRequestWithTheirLength) {
    for (const int length : {0, 3, 5, 4000}) {
        replies.clear();
        server.answerWith({{QByteArray(length, '\x01')}});
        askAndWaitForReply();
        EXPECT_EQ(replies[0].length, length);  // the full length, even beyond the receive buffer
        EXPECT_FALSE(client.AwaitingTime());
    }
}

TEST_F(TimeClientTest, TakesOnlyTheFirstAnswerFromTheServersAddressAndPort) {
    // A datagram from another port comes first, then the answer, then a copy:
    // only the answer counts. The copy is known to be processed once the next
    // request's answer is in, as datagrams arrive in order.
    server.answerWith({{QByteArray::fromHex("00000001"), true}, {kTime}, {QByteArray::fromHex("00000002")}});
    askAndWaitForReply();
    EXPECT_EQ(lastReply, kTime);

    server.answerWith({{kTime}});
    replies.clear();
    askAndWaitForReply();
    EXPECT_EQ(replies.size(), 1u);
    EXPECT_EQ(lastReply, kTime);
    EXPECT_EQ(ignored, 2);
}

TEST_F(TimeClientTest, DatagramsWithoutARequestAreIgnored) {
    server.sendUnasked(endpoint.boundPort(), kTime);
    ASSERT_TRUE(waitUntil([this] { return ignored == 1; }));
    // One still queued when the request goes out is not its answer either.
    server.sendUnasked(endpoint.boundPort(), QByteArray::fromHex("00000003"));
    server.answerWith({{kTime}});
    askAndWaitForReply();
    EXPECT_EQ(replies.size(), 1u);
    EXPECT_EQ(lastReply, kTime);
    EXPECT_EQ(ignored, 2);
}

TEST_F(TimeClientTest, AnAnswerAfterStopIsIgnored) {
    server.answerWith({});
    ASSERT_TRUE(client.request(QStringLiteral("127.0.0.1")));
    ASSERT_TRUE(waitUntil([this] { return !server.requests.empty(); }));
    EXPECT_TRUE(client.AwaitingTime());
    client.stop();
    server.sendUnasked(server.lastClientPort, kTime);
    ASSERT_TRUE(waitUntil([this] { return ignored == 1; }));
    EXPECT_TRUE(replies.empty());
}

TEST_F(TimeClientTest, OneRequestAtATime) {
    server.answerWith({});
    ASSERT_TRUE(client.request(QStringLiteral("127.0.0.1")));
    EXPECT_FALSE(client.request(QStringLiteral("127.0.0.1")));
}

// The resolver itself tries a failed name once more (HostResolverTest); the
// endpoint takes its one answer.
TEST_F(TimeClientTest, NamesAreLookedUpLater) {
    struct Case {
        const char* name;
        std::vector<HostResolver::Result> script;
        std::size_t lookups;
        const char* failure;  // nullptr: sent
    };
    const Case cases[] = {
        {"LookupWorks", {loopback()}, 1, nullptr},
        {"LookupFails", {failure()}, 1, "Host Lookup Canceled"},
        {"NullAddress", {ScriptedResolver::address(0)}, 1, "Null Remote Address"},
    };
    server.answerWith({{kTime}});
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        ScriptedResolver resolver(c.script);
        endpoint.setHostResolver(resolver);
        replies.clear();
        failures.clear();
        ASSERT_TRUE(client.request(QStringLiteral("time.example")));
        EXPECT_EQ(client.state(), TimeClient::State::Sending);  // the answer comes later
        ASSERT_TRUE(waitUntil([&] { return !replies.empty() || !failures.empty(); }));
        EXPECT_EQ(static_cast<std::size_t>(resolver.lookups), c.lookups);
        EXPECT_EQ(resolver.names[0], QStringLiteral("time.example"));
        if (c.failure) {
            EXPECT_EQ(failures, std::vector<QString>{QString::fromLatin1(c.failure)});
            EXPECT_EQ(client.state(), TimeClient::State::Idle);
        } else {
            EXPECT_EQ(replies.size(), 1u);
        }
        endpoint.setHostResolver(*systemResolver);
    }
}

TEST_F(TimeClientTest, DottedAddressesAreNotLookedUp) {
    ScriptedResolver resolver({failure(), failure()});
    endpoint.setHostResolver(resolver);
    server.answerWith({{kTime}});
    askAndWaitForReply(QStringLiteral("127.0.0.1"));
    EXPECT_EQ(resolver.lookups, 0);

    ASSERT_TRUE(client.request(QStringLiteral("0.0.0.0")));
    EXPECT_EQ(failures, std::vector<QString>{QStringLiteral("Null Remote Address")});
    endpoint.setHostResolver(*systemResolver);
}

TEST_F(TimeClientTest, ASendTheSystemRefusesIsReportedNotAwaited) {
    // Broadcast needs SO_BROADCAST, which the endpoint never asks for.
    ASSERT_TRUE(client.request(QStringLiteral("255.255.255.255")));
    ASSERT_EQ(failures.size(), 1u);
    EXPECT_EQ(failures[0], QStringLiteral("10013:Permission denied"));
    EXPECT_EQ(client.state(), TimeClient::State::Idle);
}

TEST_F(TimeClientTest, TheSystemResolverFindsLocalhost) {
    server.answerWith({{kTime}});
    askAndWaitForReply(QStringLiteral("localhost"));
    EXPECT_EQ(client.serverAddress(), QStringLiteral("127.0.0.1"));
}

TEST(TimeEndpoint, SocketErrorsReadAsTheSocketErrorTable) {
    ScriptedResolver resolver;
    LoopbackSocket taken;
    TNMUDP endpoint(resolver);
    endpoint.setLocalPort(taken.port());
    try {
        endpoint.Loaded();
        FAIL() << "bound a port in use";
    } catch (const UDPSockError& e) {
        EXPECT_EQ(std::string(e.what()), "10048:Address already in use");
    }

    rlimit limit{};
    ASSERT_EQ(::getrlimit(RLIMIT_NOFILE, &limit), 0);
    rlimit none = limit;
    none.rlim_cur = 0;  // no new descriptor at all
    ASSERT_EQ(::setrlimit(RLIMIT_NOFILE, &none), 0);
    std::string error;
    try {
        TNMUDP noSocket(resolver);
    } catch (const UDPSockError& e) {
        error = e.what();
    }
    ::setrlimit(RLIMIT_NOFILE, &limit);
    EXPECT_EQ(error, "10024:Too many open files");
}

// Endpoints that go away while their lookups run: no answer reaches them
// (none of them sends its request), and the resolver serves the next one.
TEST(TimeEndpoint, GoingAwayDuringALookupIsSafe) {
    const auto resolver = makeSystemHostResolver();
    ScriptedTimeServer server;
    server.answerWith({{kTime}});
    for (int i = 0; i < 20; ++i) {
        auto endpoint = std::make_unique<TNMUDP>(*resolver);
        endpoint->Loaded();
        endpoint->setRemotePort(server.port());
        endpoint->setRemoteHost(QStringLiteral("localhost"));
        endpoint->SendBuffer(QByteArray(1, '\0'));
    }
    TNMUDP endpoint(*resolver);
    endpoint.Loaded();
    endpoint.setRemotePort(server.port());
    TimeClient client(endpoint);
    int replies = 0;
    QObject::connect(&client, &TimeClient::replyReceived, [&replies](int, const QString&, int) { ++replies; });
    ASSERT_TRUE(client.request(QStringLiteral("localhost")));
    ASSERT_TRUE(waitUntil([&replies] { return replies == 1; }));
    // Give any stray answer of the abandoned lookups time to show itself.
    runEventsFor(200);
    EXPECT_EQ(server.requests.size(), 1u);
    EXPECT_EQ(replies, 1);
}
