// orvane-cli ftp-get against the real FTP server: one session, the protocol
// lines on stdout, the error text on stderr and exit status 1 on failure.
#include <gtest/gtest.h>

#include <QDir>
#include <QProcess>

#include "support/CliRun.h"
#include "net/PyFtpServer.h"
#include "support/TempDir.h"

namespace {

CliRun runCli(const QStringList& args) { return runProgram(QStringLiteral(ORVANE_CLI_PATH), args, 20000); }

TEST(FtpGetVerb, FetchesEachPathFromItsFolderInOneSession) {
    TempDir tree, local;
    QDir(tree.path()).mkpath(QStringLiteral("pub/latest"));
    QDir(tree.path()).mkpath(QStringLiteral("pub/indices"));
    TempDir::write(tree.file(QStringLiteral("pub/latest/AK.txt")), "AK");
    TempDir::write(tree.file(QStringLiteral("pub/indices/DGD.txt")), "DGD");
    PyFtpServer server(tree.path());
    ASSERT_NE(server.port(), 0) << server.error().toStdString();
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

}  // namespace
