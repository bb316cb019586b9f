// The stream socket session against scripted peers on 127.0.0.1: lines over
// arrivals, replies, refused and timed-out connections, host lookups.
#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QTimer>

#include "net/Psock.h"
#include "support/ErrorOf.h"
#include "common/SocketErrors.h"
#include "support/ScriptedResolver.h"
#include "net/ScriptedServer.h"

using namespace orvane;
using namespace orvane::net;
using orvane::net::test::ScriptedPeer;
using orvane::net::test::ScriptedServer;

namespace {

constexpr int kShortTimeOutMs = 300;

HostResolver::Result loopback() { return ScriptedResolver::loopback(); }
HostResolver::Result notFound() { return ScriptedResolver::notFound(); }

TEST(Psock, ReadsLinesSplitOverArrivalsAndTwoInOne) {
    ScriptedServer server([](ScriptedPeer& peer) {
        peer.send("220 one\r\n221 two\r\n");  // two lines in one arrival
        peer.readLine();                     // wait until the client asks again
        peer.send("22");                     // a line split over two arrivals
        std::this_thread::sleep_for(std::chrono::milliseconds(30));
        peer.send("6 done\r\n");
        peer.send("no digits\r\n");
        peer.waitForClose();
    });
    TPowersock sock;
    sock.Host = QStringLiteral("127.0.0.1");
    sock.Port = server.port();
    sock.TimeOut = 5000;
    sock.Connect();
    EXPECT_EQ(sock.ReadLn(), QByteArray("220 one\r\n"));
    EXPECT_EQ(sock.ReadLn(), QByteArray("221 two\r\n"));
    EXPECT_EQ(sock.Transaction(QStringLiteral("NEXT")), QStringLiteral("226 done"));
    EXPECT_EQ(sock.ReplyNumber(), 226);
    EXPECT_EQ(sock.Transaction(QStringLiteral("MORE")), QStringLiteral("no digits"));
    EXPECT_EQ(sock.ReplyNumber(), 0);
    sock.Disconnect();
    server.join();
    EXPECT_EQ(server.lines(), (std::vector<std::string>{"NEXT", "MORE"}));
}

TEST(Psock, RefusesACommandThatHidesASecondOne) {
    ScriptedServer server([](ScriptedPeer& peer) { peer.readLine(1000); });
    TPowersock sock;
    sock.Host = QStringLiteral("127.0.0.1");
    sock.Port = server.port();
    sock.Connect();
    EXPECT_EQ(errorOf([&] { sock.Transaction(QStringLiteral("CWD a\r\nDELE b")); }),
              "Invalid command: it contains a line break");
    sock.Disconnect();
    server.join();
    EXPECT_TRUE(server.lines().empty());
}

TEST(Psock, RefusedConnectionFailsAtOnceWithTheTableNumber) {
    TPowersock sock;
    sock.Host = QStringLiteral("127.0.0.1");
    sock.Port = test::unusedLoopbackPort();
    sock.TimeOut = 60000;  // the refusal must not wait for this
    int failed = 0;
    sock.OnConnectionFailed = [&] { ++failed; };
    // The host and port as set, and the system's reason.
    EXPECT_EQ(errorOf([&] { sock.Connect(); }),
              "Connection Failed: 127.0.0.1:" + std::to_string(sock.Port) + " could not be reached (Connection refused)");
    EXPECT_EQ(failed, 1);
    EXPECT_EQ(SocketErrorStr(sock.LastErrorNo()), QStringLiteral("10061:Connection refused"));
    EXPECT_FALSE(sock.Connected());
}

TEST(Psock, ConnectWhileConnectedIsRefused) {
    ScriptedServer server([](ScriptedPeer& peer) { peer.waitForClose(); });
    TPowersock sock;
    sock.Host = QStringLiteral("127.0.0.1");
    sock.Port = server.port();
    sock.Connect();
    EXPECT_EQ(errorOf([&] { sock.Connect(); }), "Already connected");
}

struct LookupCase {
    const char* name;
    std::vector<HostResolver::Result> answers;
    bool handleInvalidHost;
    const char* error;  // "" = connects
    int invalidHostEvents;
};

class Lookup : public ::testing::TestWithParam<LookupCase> {};

TEST_P(Lookup, EndsAsTheTableSays) {
    const LookupCase& c = GetParam();
    ScriptedServer server([](ScriptedPeer& peer) { peer.waitForClose(1000); });
    TPowersock sock(std::make_unique<ScriptedResolver>(c.answers));
    sock.Host = QStringLiteral("reports.example.net");
    sock.Port = server.port();
    sock.TimeOut = kShortTimeOutMs;
    int invalid = 0, resolved = 0;
    sock.OnInvalidHost = [&](bool& handled) {
        ++invalid;
        handled = c.handleInvalidHost;
    };
    sock.OnHostResolved = [&] { ++resolved; };
    EXPECT_EQ(errorOf([&] { sock.Connect(); }), *c.error ? c.error : "(no error)");
    EXPECT_EQ(invalid, c.invalidHostEvents);
    EXPECT_EQ(sock.Connected(), *c.error == 0);
    EXPECT_EQ(resolved, *c.error == 0 ? 1 : 0);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, Lookup,
    ::testing::Values(LookupCase{"Resolves", {loopback()}, false, "", 0},
                      LookupCase{"NeverAnswers", {}, false, "Host Lookup Timed Out: reports.example.net could not be resolved", 0},
                      LookupCase{"NotFound", {notFound()}, false, "Null Remote Address: reports.example.net could not be resolved", 1},
                      LookupCase{"NotFoundTwice", {notFound(), notFound()}, true, "Null Remote Address: reports.example.net could not be resolved", 1},
                      LookupCase{"HandledThenFound", {notFound(), loopback()}, true, "", 1}),
    [](const auto& row) { return std::string(row.param.name); });

TEST(Psock, LookupCanBeCancelledWithoutATimeOut) {
    TPowersock sock(std::make_unique<ScriptedResolver>(std::vector<HostResolver::Result>{}));
    sock.Host = QStringLiteral("reports.example.net");
    sock.Port = 21;
    sock.TimeOut = 0;  // unbounded: only the cancel ends the wait
    QTimer::singleShot(20, [&] { sock.Cancel(); });
    EXPECT_EQ(errorOf([&] { sock.Connect(); }), "Host Lookup Canceled");
}

TEST(Psock, SystemLookupResolvesLocalhost) {
    ScriptedServer server([](ScriptedPeer& peer) { peer.waitForClose(1000); });
    TPowersock sock;
    sock.Host = QStringLiteral("localhost");
    sock.Port = server.port();
    sock.TimeOut = 5000;
    int resolved = 0;
    sock.OnHostResolved = [&] { ++resolved; };
    sock.Connect();
    EXPECT_TRUE(sock.Connected());
    EXPECT_EQ(resolved, 1);
}

TEST(Psock, ReadLnEndsOnSilenceOnTheCloseAndOnALineWithoutEnd) {
    ScriptedServer silent([](ScriptedPeer& peer) { peer.waitForClose(); });
    TPowersock sock;
    sock.Host = QStringLiteral("127.0.0.1");
    sock.Port = silent.port();
    sock.TimeOut = kShortTimeOutMs;
    sock.Connect();
    EXPECT_EQ(errorOf([&] { sock.ReadLn(); }), "Socket readln timed out");
    sock.Disconnect();

    ScriptedServer closing([](ScriptedPeer& peer) { peer.send("220 half a line"); });
    sock.Port = closing.port();
    sock.Connect();
    EXPECT_EQ(errorOf([&] { sock.ReadLn(); }), "Connection closed by peer");
    EXPECT_FALSE(sock.Connected());

    ScriptedServer flooding([](ScriptedPeer& peer) { peer.send("220 " + std::string(1 << 20, 'x')); });
    sock.Port = flooding.port();
    sock.TimeOut = 5000;
    sock.Connect();
    EXPECT_EQ(errorOf([&] { sock.ReadLn(); }), "Reply line too long");
    EXPECT_LE(sock.ReceiveBuffer().size(), 1 << 20);
    sock.Disconnect();
}

TEST(Psock, CancelEndsALineWaitAndStaysSet) {
    ScriptedServer server([](ScriptedPeer& peer) { peer.waitForClose(); });
    TPowersock sock;
    sock.Host = QStringLiteral("127.0.0.1");
    sock.Port = server.port();
    sock.Connect();
    QTimer::singleShot(20, [&] { sock.Cancel(); });
    EXPECT_EQ(errorOf<EAbortError>([&] { sock.ReadLn(); }), "Socket readln aborted");
    EXPECT_TRUE(sock.Canceled());
    EXPECT_EQ(errorOf<EAbortError>([&] { sock.Read(4); }), "Socket send aborted");
    EXPECT_FALSE(sock.Canceled());
}

TEST(Psock, ACancelDeliversWhatArrivedThenEndsTheNextWait) {
    ScriptedServer server([](ScriptedPeer& peer) {
        peer.send("421 going away");  // no line feed: the line wait goes on
        peer.waitForClose();
    });
    TPowersock sock;
    sock.Host = QStringLiteral("127.0.0.1");
    sock.Port = server.port();
    sock.Connect();
    sock.DataArrivalHook = [&] { sock.Cancel(); };  // as the FTP client does on a 421
    EXPECT_EQ(errorOf<EAbortError>([&] { sock.ReadLn(); }), "Socket readln aborted");
    EXPECT_EQ(sock.Read(0), QByteArray("421 going away"));
    EXPECT_TRUE(sock.Canceled());
    EXPECT_EQ(errorOf<EAbortError>([&] { sock.Read(4); }), "Socket send aborted");
    EXPECT_FALSE(sock.Canceled());
}

TEST(Psock, StatusReportsStopAtTheReportLevel) {
    ScriptedServer server([](ScriptedPeer& peer) {
        peer.readLine();
        peer.send("200 ok\r\n");
        peer.waitForClose();
    });
    for (const int level : {2, 8}) {
        TPowersock sock;
        std::vector<QString> status;
        sock.OnStatus = [&](const QString& text) { status.push_back(text); };
        sock.ReportLevel = level;
        sock.Host = QStringLiteral("127.0.0.1");
        sock.Port = level == 2 ? server.port() : test::unusedLoopbackPort();
        if (level == 2) {
            sock.Connect();
            sock.Transaction(QStringLiteral("NOOP"));
            EXPECT_EQ(status, std::vector<QString>{QStringLiteral("200 ok")});
        } else {
            EXPECT_THROW(sock.Connect(), ESockError);
            EXPECT_EQ(status.front(), QStringLiteral("Connecting"));
            EXPECT_NE(std::find(status.begin(), status.end(), QStringLiteral("Timer On")), status.end());
        }
    }
}

// A listener whose queue is full and that never accepts: further connection
// attempts get no answer at all, like a host that drops them.
class BlackHole {
public:
    BlackHole() {
        listenFd_ = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
        sockaddr_in addr{};
        addr.sin_family = AF_INET;
        addr.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        ::bind(listenFd_, reinterpret_cast<const sockaddr*>(&addr), sizeof addr);
        ::listen(listenFd_, 0);
        socklen_t len = sizeof addr;
        ::getsockname(listenFd_, reinterpret_cast<sockaddr*>(&addr), &len);
        port_ = ntohs(addr.sin_port);
        for (int& fd : fillers_) {
            fd = ::socket(AF_INET, SOCK_STREAM | SOCK_NONBLOCK | SOCK_CLOEXEC, 0);
            ::connect(fd, reinterpret_cast<const sockaddr*>(&addr), sizeof addr);
        }
    }
    ~BlackHole() {
        for (int fd : fillers_) ::close(fd);
        ::close(listenFd_);
    }
    int port() const { return port_; }

private:
    int listenFd_ = -1;
    int port_ = 0;
    int fillers_[3] = {-1, -1, -1};
};

TEST(Psock, ConnectionAttemptEndsOnTheTimeOutOrACancel) {
    BlackHole hole;
    TPowersock sock;
    sock.Host = QStringLiteral("127.0.0.1");
    sock.Port = hole.port();
    sock.TimeOut = kShortTimeOutMs;
    int failed = 0;
    sock.OnConnectionFailed = [&] { ++failed; };
    EXPECT_EQ(errorOf([&] { sock.Connect(); }),
              "Connection Timed out: 127.0.0.1:" + std::to_string(hole.port()) + " could not be reached");
    sock.TimeOut = 0;
    QTimer::singleShot(50, [&] { sock.Cancel(); });
    EXPECT_EQ(errorOf([&] { sock.Connect(); }), "Connection Canceled");
    EXPECT_EQ(failed, 2);
}

TEST(Psock, AFailedSocketCallRaisesOnErrorAndTheTableText) {
    TPowersock first, second;
    first.Listen(0x7F000001u);
    std::vector<std::pair<int, QString>> errors;
    second.OnError = [&](int number, const QString& message) { errors.emplace_back(number, message); };
    second.Port = first.localPort();
    EXPECT_EQ(errorOf([&] { second.Listen(0x7F000001u); }), "10048:Address already in use");
    ASSERT_EQ(errors.size(), 1u);
    EXPECT_EQ(errors[0], std::make_pair(10048, QStringLiteral("10048:Address already in use")));
}

TEST(Psock, AReceiveErrorIsReportedAndEndsTheConnection) {
    ScriptedServer server([](ScriptedPeer& peer) {
        peer.send("220 partial");
        std::this_thread::sleep_for(std::chrono::milliseconds(30));
        peer.reset();
    });
    TPowersock sock;
    sock.Host = QStringLiteral("127.0.0.1");
    sock.Port = server.port();
    sock.TimeOut = 5000;
    std::vector<int> errors;
    int disconnects = 0;
    sock.OnError = [&](int number, const QString&) { errors.push_back(number); };
    sock.OnDisconnect = [&] { ++disconnects; };
    sock.Connect();
    EXPECT_EQ(errorOf([&] { sock.ReadLn(); }), "Connection closed by peer");
    EXPECT_EQ(errors, std::vector<int>{10054});
    EXPECT_EQ(disconnects, 1);
    EXPECT_FALSE(sock.Connected());
}

// A blocking connection from `source` (a loopback address) to 127.0.0.1:port.
int connectFrom(uint32_t source, int port) {
    const int fd = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    sockaddr_in from{};
    from.sin_family = AF_INET;
    from.sin_addr.s_addr = htonl(source);
    ::bind(fd, reinterpret_cast<const sockaddr*>(&from), sizeof from);
    sockaddr_in to{};
    to.sin_family = AF_INET;
    to.sin_port = htons(static_cast<uint16_t>(port));
    to.sin_addr.s_addr = htonl(0x7F000001u);
    ::connect(fd, reinterpret_cast<const sockaddr*>(&to), sizeof to);
    return fd;
}

TEST(Psock, AcceptTakesTheDataOnlyFromTheExpectedPeer) {
    TPowersock data;
    data.TimeOut = 5000;
    data.Listen(0x7F000001u);
    data.acceptOnlyFrom = 0x7F000001u;
    const int intruder = connectFrom(0x7F000002u, data.localPort());
    const int server = connectFrom(0x7F000001u, data.localPort());
    ASSERT_GE(::send(intruder, "evil", 4, MSG_NOSIGNAL), 0);
    ASSERT_GE(::send(server, "good", 4, MSG_NOSIGNAL), 0);
    data.Accept();
    EXPECT_TRUE(data.Connected());
    EXPECT_EQ(data.peerIpv4(), 0x7F000001u);
    EXPECT_EQ(data.Read(4), QByteArray("good"));
    char c;
    EXPECT_LE(::recv(intruder, &c, 1, 0), 0);  // turned away
    ::close(intruder);
    ::close(server);
}

TEST(ThreadTimer, RunsOnlyEnabledWithAnIntervalAndAHandler) {
    TThreadTimer timer;
    EXPECT_FALSE(timer.isRunning());  // no handler yet
    timer.setOnTimer([] {});
    EXPECT_TRUE(timer.isRunning());
    timer.setInterval(0);  // a time-out of 0 never starts the timer
    EXPECT_FALSE(timer.isRunning());
    timer.setInterval(50);
    timer.setEnabled(false);
    EXPECT_FALSE(timer.isRunning());
}

}  // namespace
