// orvane-cli ftp-get against the real FTP server: one session, the protocol
// lines on stdout, the error text on stderr and exit status 1 on failure.
#include <gtest/gtest.h>

#include <QDir>
#include <QProcess>
#include <csignal>

#include "support/WaitUntil.h"

#include "support/CliRun.h"
#include "support/FtpTestServer.h"
#include "support/TempDir.h"
#include "net/ScriptedServer.h"

namespace {

CliRun runCli(const QStringList& args) { return runProgram(QStringLiteral(ORVANE_CLI_PATH), args, 20000); }

TEST(FtpGetVerb, FetchesEachPathFromItsFolderInOneSession) {
    TempDir tree, local;
    QDir(tree.path()).mkpath(QStringLiteral("pub/latest"));
    QDir(tree.path()).mkpath(QStringLiteral("pub/indices"));
    TempDir::write(tree.file(QStringLiteral("pub/latest/AK.txt")), "AK");
    TempDir::write(tree.file(QStringLiteral("pub/indices/DGD.txt")), "DGD");
    FtpTestServer server;
    ASSERT_TRUE(server.start(tree.path())) << server.error().toStdString();
    const QStringList common{QStringLiteral("ftp-get"), QStringLiteral("--host"), QStringLiteral("127.0.0.1"),
                             QStringLiteral("--port"), QString::number(server.port()), QStringLiteral("--dir"),
                             local.path()};

    const CliRun ok = runCli(common + QStringList{QStringLiteral("/pub/latest/AK.txt"),
                                                  QStringLiteral("/pub/indices/DGD.txt")});
    EXPECT_EQ(ok.exitCode, 0) << ok.err.toStdString();
    EXPECT_EQ(ok.out.count(QStringLiteral("USER anonymous\n")), 1);
    EXPECT_TRUE(ok.out.contains(QStringLiteral("CWD /pub/latest\n")));
    EXPECT_TRUE(ok.out.contains(QStringLiteral("CWD /pub/indices\n")));
    EXPECT_TRUE(ok.out.contains(QStringLiteral("Received 2 Bytes\n")));
    EXPECT_TRUE(ok.out.endsWith(QStringLiteral("221 Goodbye.\n")));
    EXPECT_EQ(TempDir::readAll(local.file(QStringLiteral("AK.txt"))), QByteArray("AK"));
    EXPECT_EQ(TempDir::readAll(local.file(QStringLiteral("DGD.txt"))), QByteArray("DGD"));

    const CliRun missing = runCli(common + QStringList{QStringLiteral("/pub/latest/none.txt")});
    EXPECT_EQ(missing.exitCode, 1);
    EXPECT_TRUE(missing.err.startsWith(QStringLiteral("550 "))) << missing.err.toStdString();
}

TEST(FtpGetVerb, AFileBeyondMaxBytesIsNotStored) {
    TempDir tree, local;
    TempDir::write(tree.file(QStringLiteral("AK.txt")), QByteArray(3000, 'a'));
    TempDir::write(local.file(QStringLiteral("AK.txt")), "earlier copy");
    FtpTestServer server;
    ASSERT_TRUE(server.start(tree.path())) << server.error().toStdString();
    const CliRun r = runCli({QStringLiteral("ftp-get"), QStringLiteral("--host"), QStringLiteral("127.0.0.1"),
                             QStringLiteral("--port"), QString::number(server.port()), QStringLiteral("--dir"),
                             local.path(), QStringLiteral("--max-bytes"), QStringLiteral("1000"),
                             QStringLiteral("AK.txt")});
    EXPECT_EQ(r.exitCode, 1);
    EXPECT_EQ(r.err.trimmed(), QStringLiteral("Transfer too large: more than 1000 bytes"));
    EXPECT_EQ(TempDir::readAll(local.file(QStringLiteral("AK.txt"))), QByteArray("earlier copy"));
    EXPECT_EQ(QDir(local.path()).entryList(QDir::Files), QStringList{QStringLiteral("AK.txt")});
}

TEST(FtpGetVerb, TimeoutBoundsTheWholeCommandAgainstATricklingServer) {
    // A greeting that never ends; only the bound of the whole command ends it.
    orvane::net::test::ScriptedServer server(
        [](orvane::net::test::ScriptedPeer& c) { orvane::net::test::trickle(c, "220-Welcome"); });
    TempDir local;
    const CliRun r = runCli({QStringLiteral("ftp-get"), QStringLiteral("--host"), QStringLiteral("127.0.0.1"),
                             QStringLiteral("--port"), QString::number(server.port()), QStringLiteral("--dir"),
                             local.path(), QStringLiteral("--timeout"), QStringLiteral("500"),
                             QStringLiteral("AK.txt")});
    EXPECT_EQ(r.exitCode, 1);
    EXPECT_EQ(r.err.trimmed(), QStringLiteral("orvane-cli ftp-get: timed out after 500 ms"));
}

// A server's lines are printed, and its error shown, with control bytes
// escaped: ESC must not reach the user's terminal.
TEST(FtpGetVerb, ControlBytesFromTheServerArePrintedEscaped) {
    orvane::net::test::ScriptedServer server([](orvane::net::test::ScriptedPeer& c) {
        c.send("220 hello\x1b[2J there\r\n");
        c.readLine();  // USER
        c.send("530 no\x1b]0;owned\x07 entry\r\n");
        c.waitForClose();
    });
    TempDir local;
    const CliRun r = runCli({QStringLiteral("ftp-get"), QStringLiteral("--host"), QStringLiteral("127.0.0.1"),
                             QStringLiteral("--port"), QString::number(server.port()), QStringLiteral("--dir"),
                             local.path(), QStringLiteral("AK.txt")});
    EXPECT_EQ(r.exitCode, 1);
    EXPECT_FALSE(r.out.contains(QChar(0x1B)) || r.err.contains(QChar(0x1B)) || r.err.contains(QChar(0x07)));
    EXPECT_TRUE(r.out.contains(QStringLiteral("220 hello\\x1b[2J there"))) << r.out.toStdString();
    EXPECT_TRUE(r.err.contains(QStringLiteral("530 no\\x1b]0;owned\\x07 entry"))) << r.err.toStdString();
}

// A download stopped by a signal mid-transfer: the earlier copy stays and no
// half-written temporary is left, whichever terminating signal it was; one
// a killed run left is cleared by the next run.
TEST(FtpGetVerb, ATerminatingSignalLeavesNoTemporaryAndTheNextRunClearsStaleOnes) {
#if defined(__SANITIZE_THREAD__)
    // The command, itself built with ThreadSanitizer, is started while this
    // test's scripted server runs a thread, and the sanitizer may end it at
    // start ("starting new threads after multi-threaded fork"). Signals and
    // files are what this test checks; the other builds run it.
    GTEST_SKIP() << "not under ThreadSanitizer";
#endif
    for (const int signalNumber : {SIGTERM, SIGHUP, SIGINT}) {
        SCOPED_TRACE(signalNumber);
        orvane::net::test::ScriptedServer server([](orvane::net::test::ScriptedPeer& c) {
            orvane::net::test::login(c);
            orvane::net::test::serveRetr(c, "150 Opening data connection for wwv.txt (437 bytes)\r\n",
                                         [](orvane::net::test::ScriptedPeer& d) {
                                             d.send(std::string(100, 'w'));
                                             d.waitForClose(10000);  // silent until the client is gone
                                         },
                                         "426 aborted\r\n");
        });
        TempDir local;
        TempDir::write(local.file(QStringLiteral("wwv.txt")), "yesterday's wwv\n");
        QProcess cli;
        cli.start(QStringLiteral(ORVANE_CLI_PATH),
                  {QStringLiteral("ftp-get"), QStringLiteral("--host"), QStringLiteral("127.0.0.1"), QStringLiteral("--port"),
                   QString::number(server.port()), QStringLiteral("--dir"), local.path(), QStringLiteral("wwv.txt")});
        ASSERT_TRUE(cli.waitForStarted());
        const auto temporaries = [&] {
            return QDir(local.path()).entryList({QStringLiteral("wwv.txt.*")}, QDir::Files | QDir::Hidden);
        };
        ASSERT_TRUE(waitUntil([&] { return !temporaries().isEmpty(); }, 10000)) << "no download under way";
        ::kill(static_cast<pid_t>(cli.processId()), signalNumber);
        ASSERT_TRUE(cli.waitForFinished(10000));
        EXPECT_EQ(cli.exitStatus(), QProcess::CrashExit);  // ended by the signal, as without a handler
        EXPECT_TRUE(temporaries().isEmpty()) << temporaries().join(u' ').toStdString();
        EXPECT_EQ(TempDir::readAll(local.file(QStringLiteral("wwv.txt"))), QByteArray("yesterday's wwv\n"));
    }

    // SIGKILL cannot be caught: what it leaves, the next run clears, even one
    // that fails to connect.
    TempDir local;
    TempDir::write(local.file(QStringLiteral("wwv.txt.orvane-save-Ab12Cd")), "half");
    TempDir::write(local.file(QStringLiteral("wwv.txt.backup")), "the user's");
    const CliRun r = runCli({QStringLiteral("ftp-get"), QStringLiteral("--host"), QStringLiteral("127.0.0.1"),
                             QStringLiteral("--port"), QString::number(orvane::net::test::unusedLoopbackPort()),
                             QStringLiteral("--dir"), local.path(), QStringLiteral("wwv.txt")});
    EXPECT_EQ(r.exitCode, 1);
    EXPECT_EQ(QDir(local.path()).entryList(QDir::Files | QDir::Hidden), QStringList{QStringLiteral("wwv.txt.backup")});
}

}  // namespace
