// The run-time station table: built-in defaults, the stations file's lines
// (good and refused, each refusal named by line) and the file's limits.
#include <gtest/gtest.h>

#include <QDir>
#include <sys/stat.h>

#include "beacons/StationTable.h"
#include "common/TimeTypes.h"
#include "map/Maidenhead.h"
#include "support/ErrorOf.h"
#include "support/TempDir.h"

namespace orvane::beacons {
namespace {

// Noon UTC of a day.
UtcMs noonOf(int year, int month, int day) { return (daysFromCivil(year, month, day) * 86400 + 12 * 3600) * 1000; }

TEST(StationTable, BuiltInStationsAreTheBuiltInTable) {
    const StationTable table;
    for (int i = 0; i < kBeaconListCount; ++i) {
        const Station& st = kStations[static_cast<std::size_t>(i)];
        EXPECT_EQ(table.entry(i).call, st.callsign());
        EXPECT_EQ(table.entry(i).site, st.site);
        EXPECT_EQ(table.entry(i).timeZone, st.timeZone);
        EXPECT_EQ(table.labelCaption(i), st.labelCaption);
        const std::string number = std::to_string(i + 1);
        EXPECT_EQ(table.labelHint(i), number + (i < 9 ? "  " : " ") + std::string(st.site));
        EXPECT_FALSE(table.entry(i).overridden);
        // The locator names the square holding the site.
        const auto loc = map::ParseLocator(table.entry(i).locator);
        ASSERT_TRUE(loc) << table.entry(i).locator;
        EXPECT_NEAR(loc->lonDeg, table.entry(i).lonDeg, 1.0 / 24 + 1e-9);
        EXPECT_NEAR(loc->latDeg, table.entry(i).latDeg, 1.0 / 48 + 1e-9);
    }
    EXPECT_EQ(table.ofSlot(1).locator, "FN30ar");
    EXPECT_EQ(table.labelHint(7), "8  Novosibirsk, Russia");
    EXPECT_EQ(table.labelHint(9), "10 Colombo, Sri Lanka");
}

// Each site's offset from UTC at the moment, from the time-zone database:
// mid-January and mid-July 2026 (northern winter and summer), so every zone
// with daylight saving shows both of its offsets.
TEST(StationTable, CheckListItemsShowEachSitesOffsetAtTheMoment) {
    struct Row {
        int slot;
        const char* january;
        const char* july;
    };
    const Row rows[kBeaconListCount] = {
        {1, "-05:00", "-04:00"},  {2, "-05:00", "-04:00"},  {3, "-08:00", "-07:00"},  {4, "-10:00", "-10:00"},
        {5, "+13:00", "+12:00"},  {6, "+08:00", "+08:00"},  {7, "+09:00", "+09:00"},  {8, "+07:00", "+07:00"},
        {9, "+08:00", "+08:00"},  {10, "+05:30", "+05:30"}, {11, "+02:00", "+02:00"}, {12, "+03:00", "+03:00"},
        {13, "+02:00", "+03:00"}, {14, "+02:00", "+03:00"}, {15, "+00:00", "+01:00"}, {16, "-03:00", "-03:00"},
        {17, "-05:00", "-05:00"}, {18, "-04:00", "-04:00"},
    };
    const StationTable table;
    const UtcMs january = noonOf(2026, 1, 15);
    const UtcMs july = noonOf(2026, 7, 15);
    for (const Row& r : rows) {
        SCOPED_TRACE(r.slot);
        const int i = r.slot - 1;
        EXPECT_EQ(table.utcOffset(i, january), r.january);
        EXPECT_EQ(table.utcOffset(i, july), r.july);
        const std::string item = table.checkListItem(i, july);
        ASSERT_EQ(item.size(), static_cast<std::size_t>(kCheckListItemLength));
        EXPECT_EQ(item.substr(38), r.july);
        EXPECT_EQ(item.substr(28, 10).substr(0, table.entry(i).call.size()), table.entry(i).call);
    }
    EXPECT_EQ(table.checkListItem(0, january), "1  United Nations NY        4U1UN     -05:00");
    EXPECT_EQ(table.checkListItem(7, july), "8  Novosibirsk, Russia      RR9O      +07:00");
    EXPECT_EQ(table.checkListItem(9, july), "10 Colombo, Sri Lanka       4S7B      +05:30");
    EXPECT_EQ(table.checkListItem(14, july), "15 Funchal, Madeira         CS3B      +01:00");
    EXPECT_EQ(table.checkListItem(14, january), "15 Funchal, Madeira         CS3B      +00:00");
}

// The offset changes at the zone's own moment of change, to the millisecond:
// Europe turns its clocks at 01:00 UTC (last Sunday of March and October),
// New Zealand at 14:00 UTC on the Saturday before the first Sunday of April.
TEST(StationTable, OffsetsChangeAtTheZonesOwnMoment) {
    struct Row {
        const char* name;
        int slot;
        UtcMs change;
        const char* before;
        const char* after;
    };
    const UtcMs hour = 3'600'000;
    const Row rows[] = {
        {"HelsinkiSpring", 14, noonOf(2026, 3, 29) - 11 * hour, "+02:00", "+03:00"},
        {"MadeiraAutumn", 15, noonOf(2026, 10, 25) - 11 * hour, "+01:00", "+00:00"},
        {"AucklandAutumn", 5, noonOf(2026, 4, 4) + 2 * hour, "+13:00", "+12:00"},
        {"NewYorkSpring", 1, noonOf(2026, 3, 8) - 5 * hour, "-05:00", "-04:00"},
    };
    const StationTable table;
    for (const Row& r : rows) {
        SCOPED_TRACE(r.name);
        EXPECT_EQ(table.utcOffset(r.slot - 1, r.change - 1), r.before);
        EXPECT_EQ(table.utcOffset(r.slot - 1, r.change), r.after);
    }
}

TEST(StationTable, LinesOverrideTheirSlotsOnly) {
    StationTable table;
    const auto problems = table.apply(
        "# comment\n"
        "\n"
        "4 | kh6rs | Maui, Hawaii | BL10ts | on\r\n"
        "  2|VE8AT|Eureka, Nunavut|79.9833/-85.9333|OFF  \n"
        "5 | ZL6B | Chatham Islands | -43.95/-176.55 | on | Pacific/Chatham\n");
    EXPECT_TRUE(problems.empty());
    // A zone given with the line; without one the slot keeps its own.
    EXPECT_EQ(table.ofSlot(5).timeZone, "Pacific/Chatham");
    EXPECT_EQ(table.utcOffset(4, noonOf(2026, 7, 15)), "+12:45");
    EXPECT_EQ(table.ofSlot(2).timeZone, "America/Iqaluit");
    EXPECT_EQ(table.ofSlot(4).call, "KH6RS");
    EXPECT_EQ(table.ofSlot(4).locator, "BL10ts");
    EXPECT_EQ(table.labelCaption(3), "^KH6RS");
    EXPECT_EQ(table.labelHint(3), "4  Maui, Hawaii");
    EXPECT_EQ(table.checkListItem(3, noonOf(2026, 7, 15)), "4  Maui, Hawaii             KH6RS     -10:00");
    EXPECT_FALSE(table.ofSlot(2).onAir);
    EXPECT_NEAR(table.ofSlot(2).latDeg, 79.9833, 1e-9);
    EXPECT_NEAR(table.ofSlot(2).lonDeg, -85.9333, 1e-9);
    EXPECT_EQ(table.ofSlot(2).locator, "EQ79ax");
    EXPECT_EQ(table.ofSlot(6).call, "VK6RBP");
    EXPECT_TRUE(table.siteMoved(3));    // Maui is not Laie
    EXPECT_FALSE(table.siteMoved(5));   // built in
    EXPECT_TRUE(table.siteMoved(4));    // the Chatham Islands are not Masterton
    EXPECT_TRUE(table.siteMoved(1));    // Eureka is not Alert
    EXPECT_EQ(table.find("kh6rs"), 3);
    EXPECT_EQ(table.find("18"), 17);
    EXPECT_EQ(table.find("KH6WO"), -1);
    EXPECT_EQ(table.find("19"), -1);
}

TEST(StationTable, BadLinesAreNamedAndKeepTheBuiltInEntry) {
    struct Case {
        const char* name;
        const char* line;
        const char* reason;  // part of the message
    };
    const Case cases[] = {
        {"TooFewFields", "4 | KH6RS | Maui | BL10ts", "expected 5 or 6 fields"},
        {"SlotZero", "0 | KH6RS | Maui | BL10ts | on", "slot \"0\""},
        {"SlotNineteen", "19 | KH6RS | Maui | BL10ts | on", "slot \"19\""},
        {"SlotNotANumber", "4x | KH6RS | Maui | BL10ts | on", "slot \"4x\""},
        {"CallWithBlank", "4 | KH6 RS | Maui | BL10ts | on", "call \"KH6 RS\""},
        {"CallTooLong", "4 | KH6RSKH6RSX | Maui | BL10ts | on", "call"},
        {"CallOnlyDigits", "4 | 20 | Maui | BL10ts | on", "call \"20\" has no letter"},
        {"CallNoLetter", "4 | 4/2 | Maui | BL10ts | on", "has no letter"},
        {"SiteEmpty", "4 | KH6RS |  | BL10ts | on", "site"},
        {"SiteTooLong", "4 | KH6RS | Maui, Hawaii, United States | BL10ts | on", "site"},
        {"LocatorOddLength", "4 | KH6RS | Maui | BL10t | on", "position \"BL10t\""},
        {"LocatorOutOfRange", "4 | KH6RS | Maui | BS10ts | on", "position"},
        {"LatitudeOutOfRange", "4 | KH6RS | Maui | 91/10 | on", "LAT/LON"},
        {"LongitudeNotANumber", "4 | KH6RS | Maui | 20/abc | on", "LAT/LON"},
        {"FlagUnknown", "4 | KH6RS | Maui | BL10ts | yes", "on-air \"yes\""},
        {"ZoneUnknown", "4 | KH6RS | Maui | BL10ts | on | Pacific/Atlantis", "time zone \"Pacific/Atlantis\""},
        {"ZoneAPath", "4 | KH6RS | Maui | BL10ts | on | ../../etc/passwd", "time zone"},
        {"SevenFields", "4 | KH6RS | Maui | BL10ts | on | Pacific/Honolulu | x", "expected 5 or 6 fields"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        StationTable table;
        const auto problems = table.apply(std::string("1 | 4U1UN | UN HQ | FN30as | on\n\n") + c.line + "\n");
        ASSERT_EQ(problems.size(), 1u);
        EXPECT_EQ(problems[0].line, 3);
        EXPECT_NE(problems[0].message.find(c.reason), std::string::npos) << problems[0].message;
        EXPECT_EQ(table.ofSlot(4).call, "KH6WO");
        EXPECT_EQ(table.ofSlot(1).site, "UN HQ");
    }
}

TEST(StationTable, ProblemsAreDescribedWithFileAndLine) {
    const QString text = describeProblems(QStringLiteral("x.STN"), {{7, "slot \"0\" is not a number from 1 to 18"}});
    EXPECT_EQ(text, QStringLiteral("x.STN, line 7: slot \"0\" is not a number from 1 to 18 (built-in entry kept)"));
    // Control bytes read from the file are shown escaped.
    EXPECT_EQ(describeProblems(QStringLiteral("x.STN"), {{1, "call \"K\x1B[2J\" is bad"}}),
              QStringLiteral("x.STN, line 1: call \"K\\x1b[2J\" is bad (built-in entry kept)"));
}

TEST(StationTable, ByteOrderMarkAndEveryKindOfLineEndAreRead) {
    struct Case {
        const char* name;
        const char* text;
    };
    const Case cases[] = {
        {"ByteOrderMark", "\xEF\xBB\xBF" "4 | KH6RS | Maui, Hawaii | BL10ts | on\n2 | VE8AT | Eureka | EQ79ax | on\n"},
        {"CarriageReturnsOnly", "# old Mac editor\r4 | KH6RS | Maui, Hawaii | BL10ts | on\r2 | VE8AT | Eureka | EQ79ax | on"},
        {"Mixed", "4 | KH6RS | Maui, Hawaii | BL10ts | on\r\n\r\n2 | VE8AT | Eureka | EQ79ax | on\r"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        StationTable table;
        const auto problems = table.apply(c.text);
        EXPECT_TRUE(problems.empty()) << describeProblems(QStringLiteral("x"), problems).toStdString();
        EXPECT_EQ(table.ofSlot(4).call, "KH6RS");
        EXPECT_EQ(table.ofSlot(2).call, "VE8AT");
    }
    // Line numbers count CR-only ends too.
    StationTable table;
    const auto problems = table.apply("# one\rjunk\r\n# three\rmore junk");
    ASSERT_EQ(problems.size(), 2u);
    EXPECT_EQ(problems[0].line, 2);
    EXPECT_EQ(problems[1].line, 4);
}

TEST(StationTable, AFileOfJunkIsDescribedByItsFirstProblemsAndACount) {
    std::string junk;
    for (int i = 0; i < 20'000; ++i) junk += "junk\n";
    StationTable table;
    const auto problems = table.apply(junk);
    ASSERT_EQ(problems.size(), 20'000u);
    EXPECT_TRUE(problems.back().message.empty());  // counted, not described
    const QStringList lines = describeProblems(QStringLiteral("x.STN"), problems).split(QLatin1Char('\n'));
    ASSERT_EQ(lines.size(), static_cast<qsizetype>(kDescribedStationProblems) + 1);
    EXPECT_TRUE(lines[19].startsWith(QStringLiteral("x.STN, line 20: "))) << lines[19].toStdString();
    EXPECT_EQ(lines.back(), QStringLiteral("and 19980 more"));
}

TEST(StationFile, ExampleForTodaysNetworkLoadsCleanly) {
    StationTable table;
    const auto problems = table.load(QStringLiteral(ORVANE_SOURCE_DIR "/resources/stations/ncdxf-2026.stations"));
    EXPECT_TRUE(problems.empty()) << describeProblems(QStringLiteral("example"), problems).toStdString();
    EXPECT_EQ(table.ofSlot(4).call, "KH6RS");
    for (int i = 0; i < kBeaconListCount; ++i) EXPECT_TRUE(table.entry(i).overridden) << i;
}

TEST(StationFile, UnreadableFilesAreRefusedAndTheTableKept) {
    TempDir dir;
    const QString big = dir.file(QStringLiteral("big.STN"));
    TempDir::write(big, QByteArray(kMaxStationFileBytes + 1, '#'));
    const QString fifo = dir.file(QStringLiteral("fifo.STN"));
    ASSERT_EQ(mkfifo(QFile::encodeName(fifo).constData(), 0600), 0);
    struct Case {
        const char* name;
        QString file;
        std::string message;
    };
    const Case cases[] = {
        {"Missing", dir.file(QStringLiteral("none.STN")), "Cannot open file " + dir.file(QStringLiteral("none.STN")).toStdString()},
        {"TooLarge", big, "Stations file " + big.toStdString() + " is larger than 1 MiB"},
        {"Fifo", fifo, "Stations file " + fifo.toStdString() + " is not a regular file"},
        {"Folder", dir.path(), "Stations file " + dir.path().toStdString() + " is not a regular file"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        StationTable table;
        EXPECT_EQ(errorOf([&] { table.load(c.file); }), c.message);
        EXPECT_EQ(table.ofSlot(4).call, "KH6WO");
    }
    // Exactly 1 MiB is still read.
    TempDir::write(big, QByteArray(kMaxStationFileBytes, '#'));
    StationTable table;
    EXPECT_TRUE(table.load(big).empty());
}

}  // namespace
}  // namespace orvane::beacons
