// The FTP client against a scripted server (replies a real server cannot be
// made to give) and against a real one (pyftpdlib) on 127.0.0.1.
#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QDir>
#include <QTimer>

#include <algorithm>
#include <cctype>

#include "net/Nmftp.h"
#include "support/ErrorOf.h"
#include "support/FtpTestServer.h"
#include "net/ScriptedServer.h"
#include "support/TempDir.h"
#include "support/WaitUntil.h"

using namespace orvane::net;
using orvane::net::test::ScriptedPeer;
using orvane::net::test::ScriptedServer;
using orvane::net::test::answerQuit;
using orvane::net::test::login;
using orvane::net::test::serveRetr;
using orvane::net::test::trickle;

namespace {

constexpr int kShortTimeOutMs = 300;

// Everything the client reports, in order.
struct Recorder {
    std::vector<std::string> events;
    std::vector<QString> status;
    std::vector<int64_t> totalsDuringTransfer;

    explicit Recorder(TNMFTP& ftp) {
        ftp.ReportLevel = 2;
        ftp.OnStatus = [this](const QString& text) { status.push_back(text); };
        ftp.OnConnect = [this] { events.push_back("connect"); };
        ftp.OnSuccess = [this](TCmdType t) { events.push_back("success " + std::to_string(int(t))); };
        ftp.OnFailure = [this](bool&, TCmdType t) { events.push_back("failure " + std::to_string(int(t))); };
        ftp.OnUnSupportedFunction = [this](TCmdType t) { events.push_back("unsupported " + std::to_string(int(t))); };
        ftp.OnTransactionStart = [this] { events.push_back("start"); };
        ftp.OnTransactionStop = [this] { events.push_back("stop"); };
        ftp.OnPacketRecvd = [this, &ftp] {
            if (events.empty() || events.back() != "packet") events.push_back("packet");
            totalsDuringTransfer.push_back(ftp.BytesTotal());
        };
    }
    bool saw(const QString& line) const { return std::find(status.begin(), status.end(), line) != status.end(); }
    bool sawStarting(const QString& prefix) const {
        return std::any_of(status.begin(), status.end(), [&](const QString& s) { return s.startsWith(prefix); });
    }
};

void connectTo(TNMFTP& ftp, const ScriptedServer& server, int timeOutMs = 5000) {
    ftp.Host = QStringLiteral("127.0.0.1");
    ftp.Port = server.port();
    ftp.UserID = QStringLiteral("anonymous");
    ftp.Password = QStringLiteral("ham@example.org");
    ftp.TimeOut = timeOutMs;
}

TEST(FtpClient, ReadsAThreeLineGreetingAndLogsInWithoutPasswordOn230) {
    ScriptedServer server([](ScriptedPeer& c) {
        c.send("220-Welcome to the\r\n space weather server\r\n220 Ready\r\n");
        c.readLine();
        c.send("230 No password needed\r\n");
        answerQuit(c);
    });
    TNMFTP ftp;
    Recorder rec(ftp);
    connectTo(ftp, server);
    ftp.Connect();
    ftp.Connect();  // already connected: nothing happens
    ftp.Disconnect();
    server.join();
    EXPECT_EQ(server.lines(), (std::vector<std::string>{"USER anonymous", "QUIT"}));
    EXPECT_EQ(rec.status, (std::vector<QString>{QStringLiteral("220-Welcome to the"),
                                                QStringLiteral(" space weather server"), QStringLiteral("220 Ready"),
                                                QStringLiteral("USER anonymous"), QStringLiteral("230 No password needed"),
                                                QStringLiteral("QUIT"), QStringLiteral("221 bye")}));
    EXPECT_EQ(rec.events, std::vector<std::string>{"connect"});
    EXPECT_FALSE(ftp.Connected());
}

TEST(FtpClient, AMultiLineReplyRunsToItsClosingCodeWhateverItsInnerLinesLookLike) {
    ScriptedServer server([](ScriptedPeer& c) {
        c.send("220-Space weather server\r\nNo leading space here\r\n\r\n220 Ready\r\n");
        c.readLine();
        c.send("230-Welcome\r\n230 Logged in\r\n");
        c.readLine();
        c.send("250 ok\r\n");
        answerQuit(c);
    });
    TNMFTP ftp;
    Recorder rec(ftp);
    connectTo(ftp, server);
    ftp.Connect();
    ftp.ChangeDir(QStringLiteral("/pub"));  // gets its own reply, not a left-over line
    ftp.Disconnect();
    EXPECT_EQ(rec.status, (std::vector<QString>{QStringLiteral("220-Space weather server"),
                                                QStringLiteral("No leading space here"), QString(),
                                                QStringLiteral("220 Ready"), QStringLiteral("USER anonymous"),
                                                QStringLiteral("230-Welcome"), QStringLiteral("230 Logged in"),
                                                QStringLiteral("CWD /pub"), QStringLiteral("250 ok"),
                                                QStringLiteral("QUIT"), QStringLiteral("221 bye")}));
    EXPECT_EQ(rec.events, (std::vector<std::string>{"connect", "success 0"}));
}

TEST(FtpClient, ProxyLoginNamesTheServerButTheStatusShowsOnlyTheUser) {
    ScriptedServer proxy([](ScriptedPeer& c) {
        login(c);
        answerQuit(c);
    });
    TNMFTP ftp;
    Recorder rec(ftp);
    connectTo(ftp, proxy);
    ftp.Host = QStringLiteral("reports.example.net");  // never looked up: the proxy is
    ftp.Port = 1;
    ftp.Proxy = QStringLiteral("127.0.0.1");
    ftp.ProxyPort = proxy.port();
    ftp.Connect();
    ftp.Disconnect();
    proxy.join();
    const auto lines = proxy.lines();
    ASSERT_GE(lines.size(), 2u);
    EXPECT_EQ(lines[0], "USER anonymous@reports.example.net");
    EXPECT_EQ(lines[1], "PASS ham@example.org");
    EXPECT_TRUE(rec.saw(QStringLiteral("USER anonymous")));
    EXPECT_TRUE(rec.saw(QStringLiteral("PASS ")));
    EXPECT_FALSE(rec.sawStarting(QStringLiteral("USER anonymous@")));
    EXPECT_FALSE(rec.sawStarting(QStringLiteral("PASS ham")));
}

struct RefusalCase {
    const char* name;
    const char* reply;
    std::vector<std::string> events;
};

class ChangeDirRefusal : public ::testing::TestWithParam<RefusalCase> {};

TEST_P(ChangeDirRefusal, RaisesTheEventsThenTheReplyAsError) {
    const std::string reply = GetParam().reply;
    ScriptedServer server([reply](ScriptedPeer& c) {
        login(c);
        c.readLine();
        c.send(reply + "\r\n");
        answerQuit(c);
    });
    TNMFTP ftp;
    Recorder rec(ftp);
    connectTo(ftp, server);
    ftp.Connect();
    rec.events.clear();
    EXPECT_EQ(errorOf<FTPException>([&] { ftp.ChangeDir(QStringLiteral("/pub/latest")); }), reply);
    EXPECT_EQ(rec.events, GetParam().events);
    EXPECT_TRUE(ftp.Connected());  // an error after the login leaves the session open
    ftp.Disconnect();
}

INSTANTIATE_TEST_SUITE_P(
    Replies, ChangeDirRefusal,
    ::testing::Values(RefusalCase{"NoSuchDirectory", "550 /pub/latest: No such directory", {"failure 0"}},
                      RefusalCase{"NotImplemented", "502 Command not implemented", {"unsupported 0", "failure 0"}}),
    [](const auto& row) { return std::string(row.param.name); });

TEST(FtpClient, HandledFailureRaisesNoError) {
    ScriptedServer server([](ScriptedPeer& c) {
        login(c);
        c.readLine();
        c.send("550 nope\r\n");
        answerQuit(c);
    });
    TNMFTP ftp;
    connectTo(ftp, server);
    ftp.OnFailure = [](bool& handled, TCmdType) { handled = true; };
    ftp.Connect();
    EXPECT_NO_THROW(ftp.ChangeDir(QStringLiteral("/x")));
    ftp.Disconnect();
}

// A refusal of PORT or RETR comes before any data: the earlier copy stays,
// and the session goes on.
struct DownloadRefusalCase {
    const char* name;
    const char* portReply;
    const char* retrReply;  // nullptr: RETR is never sent
};

class DownloadRefusal : public ::testing::TestWithParam<DownloadRefusalCase> {};

TEST_P(DownloadRefusal, LeavesTheEarlierCopyAndRaisesTheFailure) {
    const DownloadRefusalCase& c = GetParam();
    TempDir dir;
    const QString local = dir.file(QStringLiteral("AK.txt"));
    TempDir::write(local, "yesterday's report");
    ScriptedServer server([&c](ScriptedPeer& ctl) {
        login(ctl);
        ctl.readLine();  // PORT
        ctl.send(std::string(c.portReply) + "\r\n");
        if (c.retrReply) {
            ctl.readLine();  // RETR
            ctl.send(std::string(c.retrReply) + "\r\n");
        }
        answerQuit(ctl);
    });
    TNMFTP ftp;
    Recorder rec(ftp);
    connectTo(ftp, server);
    ftp.Connect();
    rec.events.clear();
    EXPECT_EQ(errorOf<FTPException>([&] { ftp.Download(QStringLiteral("AK.txt"), local); }),
              c.retrReply ? c.retrReply : c.portReply);
    EXPECT_EQ(rec.events, std::vector<std::string>{"failure 8"});
    EXPECT_EQ(TempDir::readAll(local), QByteArray("yesterday's report"));
    EXPECT_EQ(ftp.DataSocket(), nullptr);
    ftp.Disconnect();
    server.join();
    EXPECT_EQ(server.lines().back(), "QUIT");
}

INSTANTIATE_TEST_SUITE_P(
    Replies, DownloadRefusal,
    ::testing::Values(
        DownloadRefusalCase{"RetrRefused", "200 PORT ok",
                            "552 Requested file action aborted. Exceeded storage allocation."},
        DownloadRefusalCase{"PortRefused", "501 Rejected data connection to foreign address", nullptr}),
    [](const auto& row) { return std::string(row.param.name); });

// One transfer as the server runs it, and what the client must make of it: a
// file is committed only after the data connection ended normally, no exact
// "(N bytes)" announcement was missed, the limit was kept and the closing
// reply is 226 or 250. Any other ending keeps the earlier copy and leaves the
// session in step.
struct TransferCase {
    const char* name;
    const char* retrReply;
    std::function<void(ScriptedPeer&)> data;
    const char* finalReply;
    const char* error;  // "(no error)" when the file must be committed
    qint64 stored;      // bytes of the committed file
    bool sessionGoesOn = true;
};

void sendBytes(ScriptedPeer& d, size_t count) { d.send(std::string(count, 's')); }

class Transfer : public ::testing::TestWithParam<TransferCase> {};

TEST_P(Transfer, CommitsOnlyAGoodTransferAndKeepsTheSessionInStep) {
    const TransferCase& c = GetParam();
    TempDir dir;
    const QString local = dir.file(QStringLiteral("SGAS.txt"));
    TempDir::write(local, "yesterday's report");
    ScriptedServer server([&c](ScriptedPeer& ctl) {
        login(ctl);
        serveRetr(ctl, c.retrReply, c.data, c.finalReply);
        answerQuit(ctl);
    });
    TNMFTP ftp;
    Recorder rec(ftp);
    connectTo(ftp, server);
    ftp.MaxDownloadBytes = 50000;
    ftp.Connect();
    rec.events.clear();
    ftp.TimeOut = kShortTimeOutMs;  // for the stalled transfer
    EXPECT_EQ(errorOf([&] { ftp.Download(QStringLiteral("SGAS.txt"), local); }), c.error);
    EXPECT_EQ(QDir(dir.path()).entryList(QDir::Files), QStringList{QStringLiteral("SGAS.txt")});
    if (std::string(c.error) == "(no error)") {
        EXPECT_EQ(rec.events, (std::vector<std::string>{"start", "packet", "stop", "success 8"}));
        EXPECT_EQ(TempDir::readAll(local), QByteArray(c.stored, 's'));
        EXPECT_EQ(ftp.BytesTotal(), c.stored);
        EXPECT_TRUE(rec.saw(QStringLiteral("Received %1 Bytes").arg(c.stored)));
    } else {
        EXPECT_EQ(rec.events, (std::vector<std::string>{"start", "packet"}));
        EXPECT_EQ(TempDir::readAll(local), QByteArray("yesterday's report"));
    }
    EXPECT_TRUE(rec.saw(QString::fromLatin1(c.finalReply).trimmed()));
    EXPECT_EQ(ftp.Connected(), c.sessionGoesOn);
    if (!c.sessionGoesOn) return;
    // The closing reply of the transfer was taken, so QUIT gets its own answer.
    EXPECT_NO_THROW(ftp.Disconnect());
    EXPECT_EQ(ftp.LastReply(), QStringLiteral("221 bye"));
}

INSTANTIATE_TEST_SUITE_P(
    Cases, Transfer,
    ::testing::Values(
        TransferCase{"NoSizeMoreThanOneBlock", "150 Opening data connection\r\n",
                     [](ScriptedPeer& d) { sendBytes(d, 40000); }, "226 Transfer complete\r\n", "(no error)", 40000},
        TransferCase{"ClosingReply250", "150 Opening data connection\r\n",
                     [](ScriptedPeer& d) { sendBytes(d, 300); }, "250 Done\r\n", "(no error)", 300},
        // A text-mode server announces the size on disk and sends CR LF line ends.
        TransferCase{"MoreThanAnnounced", "150 Opening data connection for SGAS.txt (29 bytes)\r\n",
                     [](ScriptedPeer& d) { sendBytes(d, 32); }, "226 Transfer complete\r\n", "(no error)", 32},
        TransferCase{"SizeInOtherUnits", "150 0.5 kbytes to download\r\n",
                     [](ScriptedPeer& d) { sendBytes(d, 512); }, "226 Transfer complete\r\n", "(no error)", 512},
        TransferCase{"ShortOfTheExactSize", "150 Opening data connection for SGAS.txt (100 bytes)\r\n",
                     [](ScriptedPeer& d) { sendBytes(d, 40); }, "226 Transfer complete\r\n",
                     "Transfer incomplete: 40 of 100 bytes received", 0},
        TransferCase{"Closing451", "150 Opening data connection\r\n",
                     [](ScriptedPeer& d) { sendBytes(d, 1000); }, "451 Local error in processing\r\n",
                     "451 Local error in processing", 0},
        TransferCase{"Closing550", "150 Opening data connection\r\n",
                     [](ScriptedPeer& d) { sendBytes(d, 1000); }, "550 File unavailable\r\n",
                     "550 File unavailable", 0},
        TransferCase{"Closing426", "150 Opening data connection\r\n",
                     [](ScriptedPeer& d) { sendBytes(d, 1000); }, "426 Connection closed; transfer aborted\r\n",
                     "426 Connection closed; transfer aborted", 0},
        TransferCase{"ClosingReplyNotOfTheProtocol", "150 Opening data connection\r\n",
                     [](ScriptedPeer& d) { sendBytes(d, 1000); }, "OK\r\n",
                     "Invalid reply from the server: 'OK'", 0, false},
        TransferCase{"ResetMidTransfer", "150 Opening data connection\r\n",
                     [](ScriptedPeer& d) {
                         sendBytes(d, 1000);
                         std::this_thread::sleep_for(std::chrono::milliseconds(50));
                         d.reset();
                     },
                     "451 Transfer aborted\r\n", "10054:Connection reset by peer", 0},
        TransferCase{"StalledTransfer", "150 Opening data connection\r\n",
                     [](ScriptedPeer& d) {
                         sendBytes(d, 10);
                         d.waitForClose();
                     },
                     "426 Connection closed; transfer aborted\r\n", "Transfer Timed out", 0},
        TransferCase{"BeyondTheLimit", "150 Opening data connection\r\n",
                     [](ScriptedPeer& d) { sendBytes(d, 60000); }, "426 Connection closed; transfer aborted\r\n",
                     "Transfer too large: more than 50000 bytes", 0}),
    [](const auto& row) { return std::string(row.param.name); });

TEST(FtpClient, ARetrAnswerWithoutSizeShowsZeroUntilTheEnd) {
    const std::string body(40000, 'w');  // more than one block
    ScriptedServer server([&body](ScriptedPeer& c) {
        login(c);
        serveRetr(c, "150 Opening data connection\r\n", [&](ScriptedPeer& d) { d.send(body); },
                  "226 Transfer complete\r\n");
        answerQuit(c);
    });
    TempDir dir;
    TNMFTP ftp;
    Recorder rec(ftp);
    connectTo(ftp, server);
    ftp.Connect();
    ftp.Download(QStringLiteral("wwv.txt"), dir.file(QStringLiteral("wwv.txt")));
    ASSERT_FALSE(rec.totalsDuringTransfer.empty());
    EXPECT_TRUE(std::all_of(rec.totalsDuringTransfer.begin(), rec.totalsDuringTransfer.end(),
                            [](int64_t t) { return t == 0; }));
    EXPECT_EQ(ftp.BytesTotal(), 40000);
    ftp.Disconnect();
}

// Replies that are not replies of the protocol end the session at once.
class NotAReply : public ::testing::TestWithParam<const char*> {};

TEST_P(NotAReply, IsAProtocolErrorThatClosesTheConnection) {
    const std::string reply = GetParam();
    ScriptedServer server([reply](ScriptedPeer& c) {
        login(c);
        c.readLine();
        c.send(reply + "\r\n");
        c.waitForClose();
    });
    TNMFTP ftp;
    Recorder rec(ftp);
    connectTo(ftp, server);
    ftp.Connect();
    rec.events.clear();
    EXPECT_EQ(errorOf<ESockError>([&] { ftp.ChangeDir(QStringLiteral("/pub/latest")); }),
              "Invalid reply from the server: '" + reply + "'");
    EXPECT_TRUE(rec.events.empty());  // neither success nor failure of the command
    EXPECT_FALSE(ftp.Connected());
}

INSTANTIATE_TEST_SUITE_P(Replies, NotAReply, ::testing::Values("OK", "999 fine", "600 fine", "-331 fine"),
                         [](const auto& row) {
                             std::string name;
                             for (const char c : std::string(row.param))
                                 if (std::isalnum(static_cast<unsigned char>(c))) name += c;
                             return "Reply" + name;
                         });

TEST(FtpClient, AGreetingThatIsNoReplyEndsTheLogin) {
    ScriptedServer server([](ScriptedPeer& c) {
        c.send("HTTP/1.1 400 Bad Request\r\n");
        c.waitForClose();
    });
    TNMFTP ftp;
    connectTo(ftp, server);
    EXPECT_EQ(errorOf<ESockError>([&] { ftp.Connect(); }), "Invalid reply from the server: 'HTTP/1.1 400 Bad Request'");
    EXPECT_FALSE(ftp.Connected());
}

TEST(FtpClient, A421ThatArrivesWhileFlushingIsLogged) {
    ScriptedServer server([](ScriptedPeer& c) {
        login(c);
        serveRetr(c, "150 Opening data connection\r\n",
                  [](ScriptedPeer& d) {
                      d.send(std::string(100, 'x'));
                      d.waitForClose();  // the client gives up the transfer
                  },
                  "421 Going away\r\n");
        c.waitForClose();
    });
    TempDir dir;
    TNMFTP ftp;
    Recorder rec(ftp);
    connectTo(ftp, server);
    ftp.Connect();
    ftp.OnPacketRecvd = [&] { ftp.Abort(); };  // a cancel in the middle of the transfer
    EXPECT_EQ(errorOf<FTPException>([&] { ftp.Download(QStringLiteral("AK.txt"), dir.file(QStringLiteral("AK.txt"))); }),
              "421 Going away");
    EXPECT_TRUE(rec.saw(QStringLiteral("421 Going away")));
}

TEST(FtpClient, TheOperationBoundEndsAServerThatTricklesItsReply) {
    ScriptedServer server([](ScriptedPeer& c) {
        login(c);
        c.readLine();
        // Only the bound of the whole operation ends this.
        trickle(c, "250-Changing directory");
    });
    TNMFTP ftp;
    connectTo(ftp, server);
    ftp.Connect();
    ftp.OperationTimeOut = 200;
    EXPECT_EQ(errorOf<ESockError>([&] { ftp.ChangeDir(QStringLiteral("/pub")); }),
              "Operation timed out after 200 ms");
}

TEST(FtpClient, A421MidSessionEndsTheWaitAndTheSession) {
    ScriptedServer server([](ScriptedPeer& c) {
        login(c);
        c.readLine();
        c.send("421 Service not available, closing control connection\r\n");
    });
    TNMFTP ftp;
    Recorder rec(ftp);
    connectTo(ftp, server);
    ftp.Connect();
    EXPECT_EQ(errorOf<EAbortError>([&] { ftp.ChangeDir(QStringLiteral("/pub/latest")); }), "Socket readln aborted");
    EXPECT_TRUE(waitUntil([&] { return !ftp.Connected(); }));  // so the next Connect starts afresh
}

TEST(FtpClient, A421WhileAwaitingTheDataConnectionEndsTheWaitAtOnce) {
    ScriptedServer server([](ScriptedPeer& c) {
        login(c);
        c.readLine();  // PORT
        c.send("200 PORT ok\r\n");
        c.readLine();  // RETR
        c.send("150 Opening data connection\r\n421 Shutting down\r\n");
        c.waitForClose();
    });
    TNMFTP ftp;
    Recorder rec(ftp);
    connectTo(ftp, server, 10000);  // only the 421 may end the wait in time
    ftp.Connect();
    EXPECT_EQ(errorOf<FTPException>([&] { ftp.Download(QStringLiteral("DGD.txt"), QString()); }), "421 Shutting down");
    EXPECT_TRUE(rec.saw(QStringLiteral("421 Shutting down")));
}

TEST(FtpClient, ANeverAnsweringServerEndsAfterTheTimeOut) {
    ScriptedServer server([](ScriptedPeer& c) { c.waitForClose(); });
    TNMFTP ftp;
    Recorder rec(ftp);
    connectTo(ftp, server, kShortTimeOutMs);
    // The wait keeps the event loop running: an event posted once the TCP
    // connection stands (a tick of the main window's clock, say) is handled
    // while the client still waits for the greeting.
    bool handledWhileWaiting = false;
    ftp.TPowersock::OnConnect = [&] {
        QTimer::singleShot(0, [&] { handledWhileWaiting = ftp.Connected() && !ftp.TimedOut(); });
    };
    EXPECT_EQ(errorOf<ESockError>([&] { ftp.Connect(); }), "Socket readln timed out");
    EXPECT_TRUE(handledWhileWaiting);
    EXPECT_TRUE(rec.saw(QStringLiteral("Disconnected")));
    EXPECT_FALSE(ftp.Connected());
}

TEST(FtpClient, AMegabyteGreetingWithoutLineFeedIsRefused) {
    ScriptedServer server([](ScriptedPeer& c) { c.send("220 " + std::string(1 << 20, 'x')); });
    TNMFTP ftp;
    connectTo(ftp, server);
    EXPECT_EQ(errorOf<ESockError>([&] { ftp.Connect(); }), "Reply line too long");
    EXPECT_FALSE(ftp.Connected());
}

TEST(FtpClient, CommandsNeedAConnection) {
    TNMFTP ftp;
    int required = 0;
    ftp.OnConnectionRequired = [&] { ++required; };
    EXPECT_EQ(errorOf([&] { ftp.ChangeDir(QStringLiteral("/pub")); }), "Not Connected");
    EXPECT_EQ(errorOf([&] { ftp.Download(QStringLiteral("AK.txt")); }), "Not Connected");
    EXPECT_EQ(required, 2);
    EXPECT_NO_THROW(ftp.Disconnect());
}

// ---- against pyftpdlib

class RealServer : public ::testing::Test {
protected:
    void SetUp() override {
        QDir root(tree_.path());
        root.mkpath(QStringLiteral("pub/latest"));
        root.mkpath(QStringLiteral("pub/indices"));
        TempDir::write(tree_.file(QStringLiteral("pub/latest/AK.txt")), ak_);
        TempDir::write(tree_.file(QStringLiteral("pub/indices/DGD.txt")), "DGD\n");
        ASSERT_TRUE(server_.start(tree_.path())) << "pyftpdlib did not start: " << server_.error().toStdString();
        ftp_.Host = QStringLiteral("127.0.0.1");
        ftp_.Port = server_.port();
        ftp_.UserID = QStringLiteral("anonymous");
        ftp_.Password = QStringLiteral("ham@example.org");
        ftp_.TimeOut = 5000;
    }

    QByteArray ak_ = QByteArray(3000, 'a');
    TempDir tree_;
    TempDir local_;
    FtpTestServer server_;
    TNMFTP ftp_;
    Recorder rec_{ftp_};
};

TEST_F(RealServer, FetchesFilesInActiveModeInOneSession) {
    ftp_.Connect();
    ftp_.ChangeDir(QStringLiteral("/pub/latest"));
    ftp_.Download(QStringLiteral("AK.txt"), local_.file(QStringLiteral("AK.txt")));
    ftp_.ChangeDir(QStringLiteral("/pub/indices/"));
    ftp_.Download(QStringLiteral("DGD.txt"), local_.file(QStringLiteral("DGD.txt")));
    ftp_.Disconnect();

    EXPECT_EQ(TempDir::readAll(local_.file(QStringLiteral("AK.txt"))), ak_);
    // No TYPE command: the file comes in the server's default (ASCII) form and
    // is stored byte for byte as it arrived.
    EXPECT_EQ(TempDir::readAll(local_.file(QStringLiteral("DGD.txt"))), QByteArray("DGD\r\n"));
    EXPECT_EQ(ftp_.BytesTotal(), 5);
    EXPECT_EQ(rec_.events, (std::vector<std::string>{"connect", "success 0", "start", "packet", "stop", "success 8",
                                                      "success 0", "start", "packet", "stop", "success 8"}));
    EXPECT_EQ(rec_.totalsDuringTransfer.front(), 0);  // pyftpdlib announces no size
    ASSERT_FALSE(rec_.status.empty());
    EXPECT_EQ(rec_.status.front(), QStringLiteral("220 pyftpdlib ready."));
    for (const char* line : {"USER anonymous", "PASS ", "CWD /pub/latest", "RETR AK.txt", "Received 3000 Bytes",
                             "RETR DGD.txt", "Received 5 Bytes", "QUIT"})
        EXPECT_TRUE(rec_.saw(QString::fromLatin1(line))) << line;
    EXPECT_TRUE(rec_.sawStarting(QStringLiteral("PORT 127,0,0,1,")));
    EXPECT_TRUE(rec_.sawStarting(QStringLiteral("125 ")));
    EXPECT_TRUE(rec_.sawStarting(QStringLiteral("226 ")));
    EXPECT_TRUE(rec_.sawStarting(QStringLiteral("221 ")));
    EXPECT_FALSE(ftp_.Connected());
}

TEST_F(RealServer, RefusalsEndOnlyTheirOperation) {
    const QString local = local_.file(QStringLiteral("missing.txt"));
    TempDir::write(local, "earlier copy");
    ftp_.Connect();
    rec_.events.clear();
    EXPECT_EQ(errorOf<FTPException>([&] { ftp_.ChangeDir(QStringLiteral("/nowhere")); }).substr(0, 4), "550 ");
    ftp_.ChangeDir(QStringLiteral("/pub/latest"));
    EXPECT_EQ(errorOf<FTPException>([&] { ftp_.Download(QStringLiteral("missing.txt"), local); }).substr(0, 4),
              "550 ");
    EXPECT_EQ(TempDir::readAll(local), QByteArray("earlier copy"));
    ftp_.Download(QStringLiteral("AK.txt"), local_.file(QStringLiteral("AK.txt")));
    EXPECT_EQ(rec_.events, (std::vector<std::string>{"failure 0", "success 0", "failure 8", "start", "packet", "stop",
                                                      "success 8"}));
    ftp_.Disconnect();
}

TEST_F(RealServer, AReplacedReportKeepsItsPermissionsAndAnUnwritableTargetIsAnError) {
    const QString local = local_.file(QStringLiteral("AK.txt"));
    TempDir::write(local, "earlier copy");
    const auto mode = QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ReadGroup;
    QFile::setPermissions(local, mode);
    ftp_.Connect();
    ftp_.ChangeDir(QStringLiteral("/pub/latest"));
    ftp_.Download(QStringLiteral("AK.txt"), local);
    EXPECT_EQ(TempDir::readAll(local), ak_);
    const auto ownerGroupOther = QFileDevice::Permissions::fromInt(0x7077);
    EXPECT_EQ(QFile::permissions(local) & ownerGroupOther, mode);

    const QString nowhere = local_.file(QStringLiteral("no/such/folder/AK.txt"));
    EXPECT_EQ(errorOf([&] { ftp_.Download(QStringLiteral("AK.txt"), nowhere); }),
              "Cannot create file " + nowhere.toStdString());
    // The refused transfer's closing reply was read: the session goes on in step.
    ftp_.Download(QStringLiteral("AK.txt"), local);
    EXPECT_EQ(QDir(local_.path()).entryList(QDir::Files), QStringList{QStringLiteral("AK.txt")});
    ftp_.Disconnect();
    EXPECT_TRUE(rec_.sawStarting(QStringLiteral("221 ")));
}

TEST_F(RealServer, AWrongPasswordEndsTheSessionWithTheReply) {
    ftp_.UserID = QStringLiteral("ham");
    ftp_.Password = QStringLiteral("wrong");
    int failed = 0;
    ftp_.TPowersock::OnConnectionFailed = [&] { ++failed; };
    EXPECT_EQ(errorOf<FTPException>([&] { ftp_.Connect(); }), "530 Authentication failed.");
    EXPECT_EQ(failed, 1);
    EXPECT_EQ(rec_.status.back(), QStringLiteral("Disconnected"));
    EXPECT_FALSE(ftp_.Connected());
    EXPECT_TRUE(rec_.events.empty());
}

}  // namespace
