// orvane-cli reports against the real FTP server.
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QProcess>

#include "support/CliRun.h"
#include "ReportTree.h"
#include "support/FtpTestServer.h"
#include "support/HttpsTestServer.h"
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
    EXPECT_EQ(refused.err.trimmed(),
              QStringLiteral("Connection Failed: 127.0.0.1:%1 could not be reached (Connection refused)").arg(freePort));
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

TEST(ReportsVerbTest, FromTheWebServiceEndsWithTheFetchedCount) {
    ASSERT_TRUE(TestCertificates::get().ok()) << TestCertificates::get().error().toStdString();
    HttpsTestServer web;
    ASSERT_TRUE(web.start(reportDataDir())) << web.error().toStdString();
    TempDir out;
    const QStringList args{"--source", "https", "--base", web.base(), "--only", "wwv,SGAS", "--dir", out.path(),
                           "--ini", out.file(QStringLiteral("none.INI"))};

    // The CA is trusted only through SSL_CERT_FILE, as curl would have it.
    qunsetenv("SSL_CERT_FILE");
    const CliRun untrusted = runCli(args);
    EXPECT_EQ(untrusted.exitCode, 1) << untrusted.err.toStdString();
    EXPECT_TRUE(untrusted.out.contains(QStringLiteral("wwv.txt: TLS error: "))) << untrusted.out.toStdString();
    EXPECT_TRUE(untrusted.out.endsWith(QStringLiteral("fetched 0 of 2\n"))) << untrusted.out.toStdString();

    // Named relative to where the command starts, though it works in --dir.
    QTemporaryDir here(QDir::current().filePath(QStringLiteral("ca-XXXXXX")));
    ASSERT_TRUE(QFile::copy(TestCertificates::get().caFile(), here.filePath(QStringLiteral("ca.pem"))));
    qputenv("SSL_CERT_FILE", QDir::current().relativeFilePath(here.filePath(QStringLiteral("ca.pem"))).toLocal8Bit());
    const CliRun r = runCli(args);
    qunsetenv("SSL_CERT_FILE");
    ASSERT_EQ(r.exitCode, 0) << r.out.toStdString() << r.err.toStdString();
    const QStringList lines = r.out.split(QLatin1Char('\n'), Qt::SkipEmptyParts);
    EXPECT_TRUE(lines.contains(QStringLiteral("GET %1text/sgas.txt 200 OK (%2 bytes)")
                                   .arg(web.base())
                                   .arg(served(QStringLiteral("/text/sgas.txt")).size())));
    EXPECT_EQ(lines.value(lines.size() - 2), QStringLiteral("2 of 2 reports fetched"));
    EXPECT_EQ(lines.back(), QStringLiteral("fetched 2 of 2"));
    EXPECT_EQ(TempDir::readAll(out.file(QStringLiteral("SGAS.txt"))), served(QStringLiteral("/text/sgas.txt")));

    const CliRun badSource = runCli({"--source", "gopher", "--dir", out.path()});
    EXPECT_EQ(badSource.exitCode, 2);
    const CliRun badBase = runCli({"--base", "http://127.0.0.1/", "--dir", out.path()});
    EXPECT_EQ(badBase.exitCode, 2);
}

TEST(ReportAgeVerbTest, PrintsIssueTimeAndAgeOrDashes) {
    TempDir dir;
    TempDir::write(dir.file(QStringLiteral("wwv.txt")), ":Product: wwv.txt\n:Issued: 2026 Sep 22 0615 UTC\n");
    TempDir::write(dir.file(QStringLiteral("rad.txt")), ":Product: rad.txt\n:Issued: 0825 UT 22 Sep 2026\n");
    TempDir::write(dir.file(QStringLiteral("DSD.txt")), ":Product: DSD.txt\n# no issue line\n");
    const CliRun r = runProgram(QStringLiteral(ORVANE_CLI),
                                {"report-age", "--now", "2026-09-22T09:15:00Z", dir.file(QStringLiteral("wwv.txt")),
                                 dir.file(QStringLiteral("rad.txt")), dir.file(QStringLiteral("DSD.txt"))});
    ASSERT_EQ(r.exitCode, 0) << r.err.toStdString();
    EXPECT_EQ(r.out, dir.file(QStringLiteral("wwv.txt")) + QStringLiteral("\t2026-09-22T06:15:00Z\t10800\n") +
                         dir.file(QStringLiteral("rad.txt")) + QStringLiteral("\t2026-09-22T08:25:00Z\t3000\n") +
                         dir.file(QStringLiteral("DSD.txt")) + QStringLiteral("\t-\t-\n"));

    const CliRun missing = runProgram(QStringLiteral(ORVANE_CLI), {"report-age", dir.file(QStringLiteral("nope.txt"))});
    EXPECT_EQ(missing.exitCode, 1);
    EXPECT_TRUE(missing.err.contains(QStringLiteral("nope.txt")));
    EXPECT_EQ(runProgram(QStringLiteral(ORVANE_CLI), {"report-age"}).exitCode, 2);
}

TEST(ReportAgeVerbTest, AFifoOrADeviceIsAnErrorNotAHang) {
    // A FIFO with no writer would hold a blocking open() for ever; the
    // command's own time-out is the test's bound.
    TempDir dir;
    const QString fifo = dir.file(QStringLiteral("wwv.txt"));
    ASSERT_EQ(::mkfifo(QFile::encodeName(fifo).constData(), 0600), 0);
    for (const QString& file : {fifo, QStringLiteral("/dev/zero")}) {
        const CliRun r = runProgram(QStringLiteral(ORVANE_CLI), {"report-age", file});
        EXPECT_EQ(r.exitCode, 1) << file.toStdString();
        EXPECT_TRUE(r.out.isEmpty()) << r.out.toStdString();
        EXPECT_TRUE(r.err.contains(file)) << r.err.toStdString();
    }
}

// A body whose framing does not say it is complete is no report: the earlier
// copy stays and the command ends with 1, as for any report that did not arrive.
TEST(ReportsVerbTest, ACutWebAnswerKeepsTheEarlierCopyAndExitsOne) {
    ASSERT_TRUE(TestCertificates::get().ok()) << TestCertificates::get().error().toStdString();
    const QStringList hostile[] = {{"--bad-chunk", "/text/wwv.txt", "zz"},
                                   {"--two-lengths", "/text/wwv.txt"},
                                   {"--no-length", "/text/wwv.txt"}};
    for (const QStringList& rule : hostile) {
        HttpsTestServer web;
        ASSERT_TRUE(web.start(reportDataDir(), rule)) << web.error().toStdString();
        TempDir out;
        TempDir::write(out.file(QStringLiteral("wwv.txt")), "yesterday's wwv\n");
        qputenv("SSL_CERT_FILE", TestCertificates::get().caFile().toLocal8Bit());
        const CliRun r = runCli({"--source", "https", "--base", web.base(), "--only", "wwv", "--dir", out.path(), "--ini",
                                 out.file(QStringLiteral("none.INI"))});
        qunsetenv("SSL_CERT_FILE");
        EXPECT_EQ(r.exitCode, 1) << rule[0].toStdString() << ": " << r.out.toStdString();
        EXPECT_TRUE(r.out.endsWith(QStringLiteral("fetched 0 of 1\n"))) << rule[0].toStdString() << ": " << r.out.toStdString();
        EXPECT_EQ(TempDir::readAll(out.file(QStringLiteral("wwv.txt"))), QByteArray("yesterday's wwv\n")) << rule[0].toStdString();
    }
}

}  // namespace
