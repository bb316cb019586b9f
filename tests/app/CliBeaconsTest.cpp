// orvane-cli beacons and slot's seconds_left, as scripts use them.
#include <gtest/gtest.h>

#include "support/CliRun.h"
#include "support/TempDir.h"

namespace {

CliRun cli(const QStringList& args) { return runProgram(QStringLiteral(ORVANE_CLI), args); }

QStringList fieldsOfSlot(const QString& out, int slot) {
    for (const QString& line : out.split(u'\n'))
        if (line.startsWith(QString::number(slot) + u'\t')) return line.split(u'\t');
    return {};
}

TEST(CliBeacons, BearingsDistancesAndBandsFromALocator) {
    // JO22dc (52.1N 4.3E) at 12:00:30: slot 4 is on 14.10, slot 1 on 24.93.
    const CliRun r = cli({QStringLiteral("beacons"), QStringLiteral("--locator"), QStringLiteral("jo22DC"),
                          QStringLiteral("--at"), QStringLiteral("2026-12-10T12:00:30Z")});
    ASSERT_EQ(r.exitCode, 0) << r.err.toStdString();
    EXPECT_EQ(r.out.count(u'\n'), 18);
    const QStringList un = fieldsOfSlot(r.out, 1);
    ASSERT_EQ(un.size(), 10);
    EXPECT_EQ(un.mid(0, 6), (QStringList{"1", "4U1UN", "United Nations NY", "FN30ar", "40.7489", "-73.9680"}));
    // Great-circle figures from Leiden to New York: about 5 860 km at 290 degrees.
    EXPECT_NEAR(un[6].toDouble(), 290.0, 1.5);
    EXPECT_NEAR(un[7].toDouble(), std::fmod(un[6].toDouble() + 180.0, 360.0), 0.051);
    EXPECT_NEAR(un[8].toDouble(), 5860.0, 40.0);
    EXPECT_EQ(un[9], QStringLiteral("24.93"));
    EXPECT_EQ(fieldsOfSlot(r.out, 4).value(9), QStringLiteral("14.10"));
    EXPECT_EQ(fieldsOfSlot(r.out, 5).value(9), QStringLiteral("-"));
    // Without a locator the bearing columns are "-".
    const CliRun plain = cli({QStringLiteral("beacons"), QStringLiteral("--at"), QStringLiteral("@0")});
    EXPECT_EQ(fieldsOfSlot(plain.out, 2).mid(6, 3), (QStringList{"-", "-", "-"}));
}

TEST(CliBeacons, StationsFileOverridesAndNamesBadLines) {
    TempDir dir;
    const QString file = dir.file(QStringLiteral("x.STN"));
    TempDir::write(file, "4 | KH6RS | Maui, Hawaii | BL10ts | on\n7 | JA2IGY | Mt Asama | PM99zz | on\n");
    const CliRun r = cli({QStringLiteral("beacons"), QStringLiteral("--stations"), file, QStringLiteral("--at"),
                          QStringLiteral("@0")});
    EXPECT_EQ(r.exitCode, 0);
    EXPECT_EQ(fieldsOfSlot(r.out, 4).mid(1, 3), (QStringList{"KH6RS", "Maui, Hawaii", "BL10ts"}));
    EXPECT_EQ(fieldsOfSlot(r.out, 7).value(1), QStringLiteral("JA2IGY"));
    EXPECT_EQ(fieldsOfSlot(r.out, 7).value(2), QStringLiteral("Mt Asama, Japan"));
    EXPECT_TRUE(r.err.contains(file + QStringLiteral(", line 2: position \"PM99zz\""))) << r.err.toStdString();
    const CliRun example = cli({QStringLiteral("beacons"), QStringLiteral("--stations"),
                                QStringLiteral(ORVANE_SOURCE_DIR "/resources/stations/ncdxf-2026.stations")});
    EXPECT_EQ(example.exitCode, 0);
    EXPECT_TRUE(example.err.isEmpty()) << example.err.toStdString();
    EXPECT_EQ(fieldsOfSlot(example.out, 4).value(1), QStringLiteral("KH6RS"));
}

TEST(CliBeacons, BadArguments) {
    struct Case {
        const char* name;
        QStringList args;
        int exitCode;
        const char* message;
    };
    const Case cases[] = {
        {"OddLocator", {"beacons", "--locator", "JO2"}, 2, "bad locator 'JO2'"},
        {"LocatorOutOfRange", {"beacons", "--locator", "JZ22"}, 2, "bad locator 'JZ22'"},
        {"BadTime", {"beacons", "--at", "noon"}, 2, "bad time 'noon'"},
        {"MissingFile", {"beacons", "--stations", "/nonexistent/x.STN"}, 1, "Cannot open file /nonexistent/x.STN"},
        {"Folder", {"beacons", "--stations", "/"}, 1, "is not a regular file"},
        {"Unknown", {"beacons", "--frequency"}, 2, "unknown argument '--frequency'"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const CliRun r = cli(c.args);
        EXPECT_EQ(r.exitCode, c.exitCode);
        EXPECT_TRUE(r.err.contains(QString::fromLatin1(c.message))) << r.err.toStdString();
        EXPECT_TRUE(r.out.isEmpty());
    }
}

TEST(CliSlot, SecondsLeftCountDownToTheBoundary) {
    struct Case {
        const char* at;
        const char* left;
    };
    for (const Case& c : {Case{"2026-12-10T12:00:00Z", "10"}, Case{"2026-12-10T12:00:01Z", "9"},
                          Case{"2026-12-10T12:00:09Z", "1"}, Case{"2026-12-10T12:02:59Z", "1"}}) {
        SCOPED_TRACE(c.at);
        const CliRun r = cli({QStringLiteral("slot"), QStringLiteral("--at"), QString::fromLatin1(c.at)});
        EXPECT_TRUE(r.out.endsWith(QStringLiteral("seconds_left\t") + QLatin1String(c.left) + u'\n'))
            << r.out.toStdString();
    }
}

}  // namespace
