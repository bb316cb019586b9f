// The retrieval session against a real FTP server on 127.0.0.1.
#include <gtest/gtest.h>

#include <QRegularExpression>
#include <QTimer>

#include <functional>

#include "FakeRetrievalView.h"
#include "ReportTree.h"
#include "support/FtpTestServer.h"
#include "net/ScriptedServer.h"
#include "common/MessageService.h"
#include "reports/ReportRetrieval.h"

using namespace orvane;
using namespace orvane::reports;
using orvane::net::test::ScriptedPeer;
using orvane::net::test::ScriptedServer;
using orvane::reports::test::FakeView;

namespace {

PropSettings only(std::initializer_list<int> indices) {
    PropSettings s = defaultPropSettings();
    s.ReportSource = ReportSourceKind::Ftp;
    s.Reports.fill(false);
    for (int i : indices) s.Reports[static_cast<std::size_t>(i)] = true;
    return s;
}

struct Session {
    explicit Session(PropSettings s, int port) : settings(std::move(s)), view(settings), retrieval(settings, view, messages) {
        settings.ReportSource = ReportSourceKind::Ftp;
        retrieval.ServerPort = port;
    }
    PropSettings settings;
    RecordingMessageService messages;
    FakeView view;
    ReportRetrieval retrieval;
};

QStringList fetchSequence(const QStringList& files, bool quit = true) {
    QStringList seq;
    for (const QString& f : files) seq << f;
    if (quit) seq << QStringLiteral("QUIT");
    return seq;
}

TEST(ReportRetrievalNetTest, DefaultSelectionFetchesTheEightReportsInOrderByteForByte) {
    FtpTestServer server;
    ASSERT_TRUE(server.start(reportDataDir()));
    WorkingDirectory cwd;
    Session s(defaultPropSettings(), server.port());

    ASSERT_TRUE(s.retrieval.GetLatest()) << (s.messages.errors.empty() ? "" : s.messages.errors.front());

    EXPECT_EQ(server.commandsAfterLogin(),
              fetchSequence({"CWD /pub/latest", "PORT", "RETR wwv.txt", "PORT", "RETR 27DO.txt",
                             "CWD /pub/forecasts", "PORT", "RETR ALTS.txt", "CWD /pub/latest", "PORT",
                             "RETR SGAS.txt", "PORT", "RETR WKHF.txt", "CWD /pub/lists/radio/", "PORT",
                             "RETR rad.txt", "CWD /pub/indices/", "PORT", "RETR DSD.txt", "CWD /pub/indices/",
                             "PORT", "RETR DGD.txt"}));
    const char* fetched[][2] = {{"wwv.txt", "/pub/latest/wwv.txt"},     {"27DO.txt", "/pub/latest/27DO.txt"},
                                {"ALTS.txt", "/pub/forecasts/ALTS.txt"}, {"SGAS.txt", "/pub/latest/SGAS.txt"},
                                {"WKHF.txt", "/pub/latest/WKHF.txt"},   {"rad.txt", "/pub/lists/radio/rad.txt"},
                                {"DSD.txt", "/pub/indices/DSD.txt"},    {"DGD.txt", "/pub/indices/DGD.txt"}};
    for (const auto& f : fetched) {
        const QByteArray local = TempDir::readAll(cwd.file(QString::fromLatin1(f[0])));
        EXPECT_FALSE(local.isEmpty()) << f[0];
        EXPECT_EQ(local, served(QString::fromLatin1(f[1]))) << f[0];
    }
    EXPECT_FALSE(QFile::exists(cwd.file(QStringLiteral("AK.txt"))));

    // The status lines: the session's own first, then the protocol lines,
    // the password never among them.
    ASSERT_FALSE(s.view.lines.isEmpty());
    EXPECT_EQ(s.view.lines.front(), QStringLiteral("Working..."));
    EXPECT_TRUE(s.view.lines.contains(QStringLiteral("USER anonymous")));
    EXPECT_TRUE(s.view.lines.contains(QStringLiteral("PASS ")));
    EXPECT_TRUE(s.view.lines.contains(QStringLiteral("RETR DGD.txt")));
    EXPECT_EQ(s.view.lines.filter(QStringLiteral("test@example.org")).size(), 0);
    EXPECT_EQ(s.view.lines.filter(QRegularExpression(QStringLiteral("^Received \\d+ Bytes$"))).size(), 8);
    EXPECT_EQ(s.view.lines.filter(QRegularExpression(QStringLiteral("^PORT 127,0,0,1,\\d+,\\d+$"))).size(), 8);

    EXPECT_EQ(s.view.panels[0], QStringLiteral("8 of 8 reports fetched"));
    EXPECT_TRUE(s.view.panel0History.contains(QStringLiteral("Disconnected")));
    EXPECT_EQ(s.view.panels[1], QStringLiteral("Please Wait..."));
    EXPECT_TRUE(s.view.panel0History.contains(QStringLiteral("Connected")));
    EXPECT_TRUE(s.view.panel0History.contains(QStringLiteral("Starting data transaction")));
    EXPECT_TRUE(s.view.panel0History.contains(QStringLiteral("Transaction Complete")));
    EXPECT_TRUE(s.view.panel0History.contains(QStringLiteral("Download success")));
    const QString wwvBytes = QString::number(served(QStringLiteral("/pub/latest/wwv.txt")).size());
    // pyftpdlib announces no size, so the total reads 0.
    EXPECT_TRUE(s.view.panel0History.contains(wwvBytes + QStringLiteral(" bytes of 0 received")));

    EXPECT_EQ(s.retrieval.SelectedCount(), 8);
    EXPECT_EQ(s.view.dialogBar, (ProgressBarState{800, 100, 800}));
    EXPECT_EQ(s.view.mainBar, (ProgressBarState{800, 100, 800}));
    EXPECT_EQ(s.view.runningStates, (std::vector<bool>{true, false}));
    EXPECT_EQ(s.view.tabRefreshes, 1);
    EXPECT_TRUE(s.messages.messages.empty());
    EXPECT_FALSE(s.retrieval.client().Connected());
}

TEST(ReportRetrievalNetTest, RefusedAlertsStillLeaveTheFollowingReportsFetchedFromHome) {
    FtpTestServer server;
    ASSERT_TRUE(server.start(reportDataDir(), {QStringLiteral("ALTS.txt")}));
    WorkingDirectory cwd;
    TempDir::write(cwd.file(QStringLiteral("ALTS.txt")), "yesterday's alerts\n");
    Session s(only({4, 5, 8}), server.port());

    EXPECT_FALSE(s.retrieval.GetLatest());  // not every selected report arrived

    EXPECT_EQ(server.commandsAfterLogin(),
              fetchSequence({"CWD /pub/latest", "PORT", "RETR 27DO.txt", "CWD /pub/forecasts", "PORT",
                             "RETR ALTS.txt", "CWD /pub/latest", "PORT", "RETR SGAS.txt"}));
    EXPECT_EQ(TempDir::readAll(cwd.file(QStringLiteral("ALTS.txt"))), QByteArray("yesterday's alerts\n"));
    EXPECT_EQ(TempDir::readAll(cwd.file(QStringLiteral("SGAS.txt"))),
              served(QStringLiteral("/pub/latest/SGAS.txt")));
    EXPECT_TRUE(s.view.panel0History.contains(QStringLiteral("Download failure")));
    // One report's failure is no error of the session, but it is told.
    EXPECT_TRUE(s.messages.errors.empty());
    const QString refusal = QStringLiteral("ALTS.txt: 550 ALTS.txt: refused by the test.");
    EXPECT_TRUE(s.view.lines.contains(refusal));
    EXPECT_EQ(s.view.lines.back(), QStringLiteral("2 of 3 reports fetched; ") + refusal);
    EXPECT_EQ(s.view.tabRefreshes, 1);
}

TEST(ReportRetrievalNetTest, SelectionIsReadAsTheSessionReachesEachReport) {
    struct Case {
        const char* name;
        std::initializer_list<int> ticked;
        QStringList expected;
        ProgressBarState bar;
    };
    const Case cases[] = {
        {"only AK", {1}, fetchSequence({"CWD /pub/latest", "PORT", "RETR AK.txt"}), {100, 100, 100}},
        // Nothing to fetch: log out at once, the bars stay empty.
        {"nothing ticked", {}, fetchSequence({"CWD /pub/latest"}), {0, 0, 0}},
    };
    for (const Case& c : cases) {
        FtpTestServer server;
        ASSERT_TRUE(server.start(reportDataDir()));
        WorkingDirectory cwd;
        Session s(only(c.ticked), server.port());
        ASSERT_TRUE(s.retrieval.GetLatest()) << c.name;
        EXPECT_EQ(server.commandsAfterLogin(), c.expected) << c.name;
        EXPECT_EQ(s.view.dialogBar, c.bar) << c.name;
    }

    // A report ticked while the session runs is fetched too; the full bar
    // stays full.
    FtpTestServer server;
    ASSERT_TRUE(server.start(reportDataDir()));
    WorkingDirectory cwd;
    Session s(only({0}), server.port());
    s.view.onProcessEvents = [&] { s.settings.Reports[13] = true; };
    ASSERT_TRUE(s.retrieval.GetLatest());
    EXPECT_EQ(server.commandsAfterLogin(),
              fetchSequence({"CWD /pub/latest", "PORT", "RETR wwv.txt", "CWD /pub/indices/", "PORT", "RETR DGD.txt"}));
    EXPECT_EQ(s.view.mainBar, (ProgressBarState{100, 100, 100}));
}

TEST(ReportRetrievalNetTest, UnsupportedChangeOfDirectoryLosesOnlyThatReport) {
    FtpTestServer server;
    ASSERT_TRUE(server.start(reportDataDir(), {},
                             {"--reply", "CWD", "/pub/forecasts", "502 CWD not implemented here."}));
    WorkingDirectory cwd;
    Session s(only({5, 8}), server.port());
    EXPECT_FALSE(s.retrieval.GetLatest());
    EXPECT_EQ(s.messages.messages, (std::vector<std::string>{"ChangeDir not supported"}));
    EXPECT_EQ(s.view.lines.back(), QStringLiteral("1 of 2 reports fetched; ALTS.txt: 502 CWD not implemented here."));
    // The session never left home, so it does not go back there.
    EXPECT_EQ(server.commandsAfterLogin(),
              fetchSequence({"CWD /pub/latest", "CWD /pub/forecasts", "PORT", "RETR SGAS.txt"}));
}

TEST(ReportRetrievalNetTest, RefusedLoginShowsTheServersReply) {
    FtpTestServer server;
    ASSERT_TRUE(server.start(reportDataDir(), {}, {"--reply", "PASS", "*", "530 Login incorrect."}));
    WorkingDirectory cwd;
    Session s(defaultPropSettings(), server.port());
    EXPECT_FALSE(s.retrieval.GetLatest());
    EXPECT_EQ(s.messages.errors, (std::vector<std::string>{"530 Login incorrect."}));
    EXPECT_EQ(s.view.lines.back(), QStringLiteral("Disconnected"));
    EXPECT_EQ(server.commands().back(), QStringLiteral("QUIT"));
    EXPECT_FALSE(s.retrieval.client().Connected());
}

TEST(ReportRetrievalNetTest, ProxyLoginNamesTheReportServerAndUntickingItConnectsDirectly) {
    FtpTestServer proxy;
    ASSERT_TRUE(proxy.start(reportDataDir()));
    WorkingDirectory cwd;
    PropSettings settings = only({1});
    settings.Proxy = QStringLiteral("127.0.0.1");
    settings.ProxyPort = proxy.port();
    Session s(settings, 1);  // the report server itself is never reached
    s.view.host = QStringLiteral("reports.example");
    s.view.useProxy = true;
    ASSERT_TRUE(s.retrieval.GetLatest()) << s.messages.errors.front();
    EXPECT_EQ(proxy.commands().front(), QStringLiteral("USER anonymous@reports.example"));
    EXPECT_TRUE(s.view.lines.contains(QStringLiteral("USER anonymous")));
    EXPECT_EQ(TempDir::readAll(cwd.file(QStringLiteral("AK.txt"))), served(QStringLiteral("/pub/latest/AK.txt")));

    FtpTestServer direct;
    ASSERT_TRUE(direct.start(reportDataDir()));
    s.view.host = QStringLiteral("127.0.0.1");
    s.view.useProxy = false;
    s.retrieval.ServerPort = direct.port();
    ASSERT_TRUE(s.retrieval.GetLatest());
    EXPECT_EQ(direct.commands().front(), QStringLiteral("USER anonymous"));
    EXPECT_EQ(proxy.commands().filter(QStringLiteral("USER")).size(), 1);
}

TEST(ReportRetrievalNetTest, ProgramEndStopsTheSessionQuietly) {
    FtpTestServer server;
    ASSERT_TRUE(server.start(reportDataDir()));
    WorkingDirectory cwd;
    Session s(only({0, 1, 2}), server.port());
    int reached = 0;
    s.view.onProcessEvents = [&] {
        if (++reached == 2) s.retrieval.Abort();
    };
    EXPECT_FALSE(s.retrieval.GetLatest());
    EXPECT_EQ(server.commandsAfterLogin().filter(QStringLiteral("RETR")), QStringList{QStringLiteral("RETR wwv.txt")});
    EXPECT_TRUE(s.messages.errors.empty());
    EXPECT_EQ(s.view.runningStates, (std::vector<bool>{true, false}));
    EXPECT_FALSE(s.retrieval.running());
}

TEST(ReportRetrievalNetTest, RefusedHomeDirectoryEndsTheSessionWithTheConnectionOpen) {
    FtpTestServer server;
    TempDir emptyRoot;
    ASSERT_TRUE(server.start(emptyRoot.path()));
    WorkingDirectory cwd;
    Session s(defaultPropSettings(), server.port());

    EXPECT_FALSE(s.retrieval.GetLatest());
    ASSERT_EQ(s.messages.errors.size(), 1u);
    EXPECT_TRUE(QString::fromStdString(s.messages.errors[0]).startsWith(QStringLiteral("550 "))) << s.messages.errors[0];
    EXPECT_FALSE(s.retrieval.ChangeDirOk());
    EXPECT_TRUE(s.retrieval.client().Connected());
    EXPECT_EQ(s.view.tabRefreshes, 0);
    EXPECT_EQ(s.view.runningStates, (std::vector<bool>{true, false}));

    // The next retrieval goes on on the open connection, without a new login.
    EXPECT_FALSE(s.retrieval.GetLatest());
    EXPECT_EQ(server.commands().filter(QStringLiteral("USER")).size(), 1);
    EXPECT_EQ(server.commands().filter(QStringLiteral("CWD /pub/latest")).size(), 2);
}

TEST(ReportRetrievalNetTest, NoServerListeningIsAnErrorAndTheControlsComeBack) {
    // A port that was just free: nothing listens there.
    int freePort = 0;
    {
        FtpTestServer probe;
        ASSERT_TRUE(probe.start(reportDataDir()));
        freePort = probe.port();
    }
    WorkingDirectory cwd;
    Session s(defaultPropSettings(), freePort);
    EXPECT_FALSE(s.retrieval.GetLatest());
    ASSERT_EQ(s.messages.errors.size(), 1u);
    EXPECT_EQ(s.messages.errors[0],
              "Connection Failed: 127.0.0.1:" + std::to_string(freePort) + " could not be reached (Connection refused)");
    EXPECT_EQ(s.view.runningStates, (std::vector<bool>{true, false}));
    EXPECT_EQ(s.view.tabRefreshes, 0);
    EXPECT_FALSE(s.retrieval.running());
}

// ---- servers that misbehave in ways a real one cannot be made to

void loginAtHome(ScriptedPeer& c) {
    orvane::net::test::login(c);
    c.readLine();  // CWD /pub/latest
    c.send("250 home\r\n");
}

TEST(ReportRetrievalScriptedTest, AStalledTransferEndsOnSilenceAndIsTheReportsFailure) {
    ScriptedServer server([](ScriptedPeer& c) {
        loginAtHome(c);
        orvane::net::test::serveRetr(c, "150 Opening data connection for wwv.txt (437 bytes)\r\n",
                       [](ScriptedPeer& d) {
                           d.send(std::string(100, 'w'));
                           d.waitForClose(10000);  // silent until the client gives up
                       },
                       "426 Connection closed; transfer aborted\r\n");
        orvane::net::test::serveRetr(c, "150 Opening data connection\r\n", [](ScriptedPeer& d) { d.send("SGAS\r\n"); },
                       "226 Transfer complete\r\n");
        orvane::net::test::answerQuit(c);
    });
    WorkingDirectory cwd;
    TempDir::write(cwd.file(QStringLiteral("wwv.txt")), "yesterday's wwv\n");
    Session s(only({0, 8}), server.port());
    s.retrieval.client().TimeOut = 300;  // the time-out of silence, small for the test

    EXPECT_FALSE(s.retrieval.GetLatest());

    EXPECT_EQ(TempDir::readAll(cwd.file(QStringLiteral("wwv.txt"))), QByteArray("yesterday's wwv\n"));
    EXPECT_EQ(TempDir::readAll(cwd.file(QStringLiteral("SGAS.txt"))), QByteArray("SGAS\r\n"));
    EXPECT_TRUE(s.view.lines.contains(QStringLiteral("wwv.txt: Transfer Timed out")));
    EXPECT_EQ(s.view.lines.back(), QStringLiteral("1 of 2 reports fetched; wwv.txt: Transfer Timed out"));
    EXPECT_TRUE(s.messages.errors.empty());
}

TEST(ReportRetrievalScriptedTest, AClosedControlConnectionEndsTheSessionWithOneError) {
    ScriptedServer server([](ScriptedPeer& c) {
        loginAtHome(c);
        c.readLine();  // PORT
        c.close();     // an orderly close, in the middle of the session
    });
    WorkingDirectory cwd;
    Session s(only({0, 5, 8}), server.port());

    EXPECT_FALSE(s.retrieval.GetLatest());

    const std::string summary =
        "0 of 3 reports fetched; wwv.txt: Connection closed by peer; ALTS.txt: not fetched; SGAS.txt: not fetched";
    EXPECT_EQ(s.messages.errors, std::vector<std::string>{"The report server closed the connection: " + summary});
    EXPECT_EQ(s.view.lines.back(), QString::fromStdString(summary));
    EXPECT_FALSE(s.view.lines.join(QLatin1Char('\n')).contains(QStringLiteral("Not Connected")));
    EXPECT_EQ(s.view.runningStates, (std::vector<bool>{true, false}));
}

}  // namespace
