// orvane-cli slot and bcn, run as the scripts that use them do.
#include <gtest/gtest.h>

#include <QFile>
#include <sys/stat.h>

#include "support/CliRun.h"
#include "support/TempDir.h"

namespace {

CliRun cli(const QStringList& args) { return runProgram(QStringLiteral(ORVANE_CLI), args); }

}  // namespace

TEST(CliSlot, PrintsTheBeaconOfEachBand) {
    const CliRun r = cli({QStringLiteral("slot"), QStringLiteral("--at"), QStringLiteral("2026-12-10T12:00:00Z")});
    EXPECT_EQ(r.exitCode, 0);
    EXPECT_EQ(r.out, QStringLiteral("14.10\t1\t4U1UN\tUnited Nations NY\n"
                                    "18.11\t18\tYV5B\tCaracas, Venezuela\n"
                                    "21.15\t17\tOA4B\tLima, Peru\n"
                                    "24.93\t16\tLU4AA\tBuenos Aires, Arg\n"
                                    "28.20\t15\tCS3B\tFunchal, Madeira\n"
                                    "seconds_left\t10\n"));
    const CliRun one = cli({QStringLiteral("slot"), QStringLiteral("--band"), QStringLiteral("24.93"),
                         QStringLiteral("--at"), QStringLiteral("@1765368085")});  // 2025-12-10 12:01:25 UTC
    EXPECT_EQ(one.out, QStringLiteral("24.93\t6\tVK6RBP\tRolystone, Australia\n"));
}

TEST(CliSlot, BadArgumentsExitWithTwo) {
    for (const QStringList& args : {QStringList{QStringLiteral("slot"), QStringLiteral("--band"), QStringLiteral("7.0")},
                                    QStringList{QStringLiteral("slot"), QStringLiteral("--at"), QStringLiteral("noon")},
                                    QStringList{QStringLiteral("slot"), QStringLiteral("--at")},
                                    QStringList{QStringLiteral("slot"), QStringLiteral("--at"), QStringLiteral("@9223372036854775807")},
                                    // Found by the fuzzer: a line feed after the Z was taken.
                                    QStringList{QStringLiteral("slot"), QStringLiteral("--at"), QStringLiteral("2026-12-10T12:00:00Z\n")},
                                    QStringList{QStringLiteral("nosuchverb")}}) {
        const CliRun r = cli(args);
        EXPECT_EQ(r.exitCode, 2) << args.join(' ').toStdString();
        EXPECT_FALSE(r.err.isEmpty());
    }
}

TEST(CliBcn, WritesTheDefaultsAndPrintsAFile) {
    TempDir dir;
    const QString file = dir.file("x.BCN");
    EXPECT_EQ(cli({QStringLiteral("bcn"), QStringLiteral("--defaults"), QStringLiteral("-o"), file}).exitCode, 0);
    EXPECT_EQ(TempDir::readAll(file).size(), 217);
    const CliRun r = cli({QStringLiteral("bcn"), file});
    EXPECT_EQ(r.exitCode, 0);
    const QStringList lines = r.out.split('\n', Qt::SkipEmptyParts);
    ASSERT_EQ(lines.size(), 18);
    EXPECT_EQ(lines[0], QStringLiteral("0\t01\t11111"));
    EXPECT_EQ(lines[3], QStringLiteral("3\t04\t10101"));
    EXPECT_EQ(lines[9], QStringLiteral("9\t10\t10111"));

    TempDir::write(file, QByteArray("\x06\x0dTStCollection\x02\x12\x01\x02\xfe", 20));
    const CliRun bad = cli({QStringLiteral("bcn"), file});
    EXPECT_EQ(bad.exitCode, 1);
    EXPECT_EQ(bad.err, QStringLiteral("Index is out of range\n"));
    EXPECT_TRUE(bad.out.isEmpty());
}

TEST(CliBcn, AFifoIsAnErrorWithItsNameNotAHang) {
    TempDir dir;
    const QString fifo = dir.file("x.BCN");
    ASSERT_EQ(::mkfifo(QFile::encodeName(fifo).constData(), 0600), 0);
    const CliRun r = cli({QStringLiteral("bcn"), fifo});
    EXPECT_EQ(r.exitCode, 1);
    EXPECT_EQ(r.err, QStringLiteral("Cannot open file %1: it is not a regular file\n").arg(fifo));
}

// Every verb the tool lists answers --help (and -h), wherever it stands, with
// its own usage on standard output and status 0.
TEST(CliHelp, EveryVerbPrintsItsUsage) {
    const CliRun all = cli({QStringLiteral("--help")});
    ASSERT_EQ(all.exitCode, 0);
    QStringList verbs;
    for (const QString& line : all.out.split(QLatin1Char('\n'))) {
        const QString prefix = QStringLiteral("  orvane-cli ");
        if (!line.startsWith(prefix)) continue;
        const QString verb = line.mid(prefix.size()).section(QLatin1Char(' '), 0, 0);
        if (!verbs.contains(verb)) verbs.append(verb);
    }
    ASSERT_GE(verbs.size(), 9) << all.out.toStdString();
    for (const QString& verb : verbs) {
        for (const QStringList& args : {QStringList{verb, QStringLiteral("--help")}, QStringList{verb, QStringLiteral("-h")},
                                        QStringList{verb, QStringLiteral("--at"), QStringLiteral("--help")}}) {
            SCOPED_TRACE(args.join(QLatin1Char(' ')).toStdString());
            const CliRun r = cli(args);
            EXPECT_EQ(r.exitCode, 0);
            EXPECT_TRUE(r.err.isEmpty()) << r.err.toStdString();
            EXPECT_TRUE(r.out.startsWith(QStringLiteral("Usage:\n  orvane-cli ") + verb + QLatin1Char(' '))) << r.out.toStdString();
            // Only this verb's lines (and their continuations).
            for (const QString& line : r.out.split(QLatin1Char('\n'), Qt::SkipEmptyParts).mid(1)) {
                if (!line.startsWith(QStringLiteral("  orvane-cli "))) continue;
                EXPECT_TRUE(line.startsWith(QStringLiteral("  orvane-cli ") + verb + QLatin1Char(' '))) << line.toStdString();
            }
        }
    }
}
