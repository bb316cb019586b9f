// orvane-cli follow against rigctld's dummy rig.
#include <gtest/gtest.h>

#include "support/CliRun.h"
#include "support/RigctldServer.h"

namespace {

CliRun cli(const QStringList& args) { return runProgram(QStringLiteral(ORVANE_CLI), args); }

double readBack(const RigctldServer& server) {
    const CliRun r = runProgram(QStringLiteral("/usr/bin/rigctl"),
                                {QStringLiteral("-m"), QStringLiteral("2"), QStringLiteral("-r"), server.address(),
                                 QStringLiteral("f")});
    return r.out.trimmed().toDouble();
}

TEST(CliFollow, TunesToTheBandAndTheBeaconsNextBand) {
    RigctldServer server;
    const CliRun band = cli({QStringLiteral("follow"), QStringLiteral("--band"), QStringLiteral("21.15"),
                             QStringLiteral("--rig-model"), QStringLiteral("2"), QStringLiteral("--rig-port"),
                             server.address()});
    ASSERT_EQ(band.exitCode, 0) << band.err.toStdString();
    const QStringList fields = band.out.trimmed().split(u'\t');
    ASSERT_EQ(fields.size(), 3);
    EXPECT_TRUE(fields[0].endsWith(u'Z'));
    EXPECT_EQ(fields.mid(1), (QStringList{"21.150", "-"}));
    EXPECT_EQ(readBack(server), 21.150e6);

    // Following tunes at once to the band of the beacon's current or next
    // transmission; --for 0 ends right after.
    const CliRun follow = cli({QStringLiteral("follow"), QStringLiteral("--beacon"), QStringLiteral("zl6b"),
                               QStringLiteral("--rig-model"), QStringLiteral("2"), QStringLiteral("--rig-port"),
                               server.address(), QStringLiteral("--for"), QStringLiteral("1")});
    ASSERT_EQ(follow.exitCode, 0) << follow.err.toStdString();
    const QStringList lines = follow.out.trimmed().split(u'\n');
    ASSERT_GE(lines.size(), 1);
    // A slot boundary within the second tunes once more; the rig holds the
    // last tuning printed.
    for (const QString& line : lines) {
        const QStringList tuning = line.split(u'\t');
        ASSERT_EQ(tuning.size(), 3) << line.toStdString();
        EXPECT_EQ(tuning[2], QStringLiteral("ZL6B"));
    }
    EXPECT_EQ(readBack(server), lines.back().split(u'\t')[1].toDouble() * 1e6);
    EXPECT_FALSE(server.log().toLower().contains("set_ptt"));
}

TEST(CliFollow, RigThatCannotBeOpenedAndBadArguments) {
    const quint16 port = RigctldServer::freeTcpPort();
    const CliRun r = cli({QStringLiteral("follow"), QStringLiteral("--band"), QStringLiteral("14.1"),
                          QStringLiteral("--rig-model"), QStringLiteral("2"), QStringLiteral("--rig-port"),
                          QStringLiteral("127.0.0.1:%1").arg(port)});
    EXPECT_EQ(r.exitCode, 1);
    EXPECT_EQ(r.err, QStringLiteral("orvane-cli follow: Radio: cannot open: IO error\n"));
    EXPECT_TRUE(r.out.isEmpty());
    for (const QStringList& args :
         {QStringList{"follow", "--band", "7.0", "--rig-model", "2", "--rig-port", "x"},
          QStringList{"follow", "--beacon", "NOCALL", "--rig-model", "2", "--rig-port", "x"},
          QStringList{"follow", "--beacon", "1", "--band", "14.10", "--rig-model", "2", "--rig-port", "x"},
          QStringList{"follow", "--beacon", "1", "--rig-port", "x"},
          QStringList{"follow", "--beacon", "1", "--rig-model", "0", "--rig-port", "x"},
          QStringList{"follow", "--beacon", "1", "--rig-model", "2", "--rig-port", "x", "--for", "-1"}}) {
        const CliRun bad = cli(args);
        EXPECT_EQ(bad.exitCode, 2) << args.join(' ').toStdString();
        EXPECT_FALSE(bad.err.isEmpty());
    }
}

}  // namespace
