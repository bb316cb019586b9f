// orvane-cli reports against the real FTP server.
#include <gtest/gtest.h>

#include <QProcess>

#include "support/CliRun.h"
#include "ReportTree.h"
#include "support/FtpTestServer.h"
#include "net/ScriptedServer.h"

namespace {

CliRun runCli(const QStringList& args) {
    return runProgram(QStringLiteral(ORVANE_CLI), QStringList{QStringLiteral("reports")} + args);
}

TEST(ReportsVerbTest, FetchesTheChosenReportsIntoTheFolder) {
    FtpTestServer server;
    ASSERT_TRUE(server.start(reportDataDir()));
    TempDir out;
    const CliRun r = runCli({"--source", "ftp", "--host", "127.0.0.1", "--port", QString::number(server.port()), "--only", "AK,dgd", "--dir",
                          out.path(), "--ini", out.file(QStringLiteral("none.INI"))});
    ASSERT_EQ(r.exitCode, 0) << r.err.toStdString();
    const QStringList lines = r.out.split(QLatin1Char('\n'), Qt::SkipEmptyParts);
    EXPECT_EQ(lines.front(), QStringLiteral("Working..."));
    EXPECT_TRUE(lines.contains(QStringLiteral("RETR AK.txt")));
    EXPECT_TRUE(lines.contains(QStringLiteral("CWD /pub/indices/")));
    EXPECT_TRUE(lines.contains(QStringLiteral("QUIT")));
    EXPECT_EQ(TempDir::readAll(out.file(QStringLiteral("DGD.txt"))), served(QStringLiteral("/pub/indices/DGD.txt")));
    EXPECT_FALSE(QFile::exists(out.file(QStringLiteral("wwv.txt"))));
}

TEST(ReportsVerbTest, FailuresEndWithTheirStatus) {
    TempDir out;
    const CliRun badKey = runCli({"--only", "AK,nope", "--dir", out.path()});
    EXPECT_EQ(badKey.exitCode, 2);
    EXPECT_TRUE(badKey.err.contains(QStringLiteral("nope")));

    int freePort = 0;
    {
        FtpTestServer probe;
        ASSERT_TRUE(probe.start(reportDataDir()));
        freePort = probe.port();
    }
    const CliRun refused = runCli({"--source", "ftp", "--host", "127.0.0.1", "--port", QString::number(freePort), "--only", "AK", "--dir",
                                out.path(), "--ini", out.file(QStringLiteral("none.INI"))});
    EXPECT_EQ(refused.exitCode, 1);
    EXPECT_EQ(refused.err.trimmed(), QStringLiteral("Connection Failed"));
}

TEST(ReportsVerbTest, ExitsOneWhenASelectedReportDidNotArrive) {
    FtpTestServer server;
    ASSERT_TRUE(server.start(reportDataDir(), {QStringLiteral("AK.txt")}));
    TempDir out;
    const CliRun r = runCli({"--source", "ftp", "--host", "127.0.0.1", "--port", QString::number(server.port()), "--only", "AK,dgd",
                             "--dir", out.path(), "--ini", out.file(QStringLiteral("none.INI"))});
    EXPECT_EQ(r.exitCode, 1) << r.err.toStdString();
    const QStringList lines = r.out.split(QLatin1Char('\n'), Qt::SkipEmptyParts);
    ASSERT_GE(lines.size(), 2);
    EXPECT_EQ(lines[lines.size() - 2], QStringLiteral("1 of 2 reports fetched; AK.txt: 550 AK.txt: refused by the test."));
    EXPECT_EQ(lines.back(), QStringLiteral("fetched 1 of 2"));
    EXPECT_TRUE(QFile::exists(out.file(QStringLiteral("DGD.txt"))));
}

TEST(ReportsVerbTest, TimeoutBoundsTheWholeCommandAgainstATricklingServer) {
    // A greeting that never ends; only the bound of the whole command ends it.
    orvane::net::test::ScriptedServer server(
        [](orvane::net::test::ScriptedPeer& c) { orvane::net::test::trickle(c, "220-Welcome"); });
    TempDir out;
    const CliRun r = runCli({"--source", "ftp", "--host", "127.0.0.1", "--port", QString::number(server.port()), "--only", "AK", "--dir",
                             out.path(), "--ini", out.file(QStringLiteral("none.INI")), "--timeout", "500"});
    EXPECT_EQ(r.exitCode, 1);
    EXPECT_EQ(r.err.trimmed(), QStringLiteral("orvane-cli reports: timed out after 500 ms"));
}

}  // namespace
