// The Time-protocol arithmetic and the clock comparison and setting, on a
// fake clock: the real clock is never read or set here.
#include <gtest/gtest.h>

#include "common/FakeClock.h"
#include "timesync/ClockAdjust.h"
#include "timesync/TimeProtocol.h"

using namespace orvane;
using namespace orvane::timesync;

namespace {

constexpr std::int64_t kDaysFrom1900To1970 = 25567;

// Seconds since 1900 of a UTC date and time: what a time server would send.
std::uint32_t replyFor(int year, int month, int day, int hour, int minute, int second) {
    const std::int64_t days = daysFromCivil(year, month, day) + kDaysFrom1900To1970;
    return static_cast<std::uint32_t>(days * 86400 + hour * 3600 + minute * 60 + second);
}

UtcMs at(int year, int month, int day, int hour, int minute, int second, int ms) {
    return msFromSystemTime(SystemTime{static_cast<std::uint16_t>(year), static_cast<std::uint16_t>(month), 0,
                                       static_cast<std::uint16_t>(day), static_cast<std::uint16_t>(hour),
                                       static_cast<std::uint16_t>(minute), static_cast<std::uint16_t>(second),
                                       static_cast<std::uint16_t>(ms)});
}

}  // namespace

TEST(TimeProtocol, RepliesAreExactlyFourBigEndianBytes) {
    EXPECT_EQ(decodeTimeReply(QByteArray::fromHex("00000000")), 0u);
    EXPECT_EQ(decodeTimeReply(QByteArray::fromHex("ffffffff")), 4294967295u);
    EXPECT_EQ(decodeTimeReply(QByteArray::fromHex("eb1f3a7c")), 0xeb1f3a7cu);
    for (const char* hex : {"", "00", "000000", "0000000000"})
        EXPECT_FALSE(decodeTimeReply(QByteArray::fromHex(hex)).has_value()) << hex;
}

TEST(TimeProtocol, DateTimeScaleAndSecondsOfTheDay) {
    EXPECT_DOUBLE_EQ(TimeProtocolToDateTime(0), encodeDate(1900, 1, 1));
    EXPECT_DOUBLE_EQ(TimeProtocolToDateTime(0), 2.0);
    // 4294967295 s after 1900 is 2036-02-07 06:28:15 (RFC 868's rollover).
    EXPECT_NEAR(TimeProtocolToDateTime(4294967295u), encodeDate(2036, 2, 7) + encodeTime(6, 28, 15, 0), 1e-9);
    EXPECT_EQ(DateTimeToStTime(TimeProtocolToDateTime(0)), 0);
    EXPECT_EQ(DateTimeToStTime(TimeProtocolToDateTime(4294967295u)), 6 * 3600 + 28 * 60 + 15);

    // Milliseconds are rounded, then dropped; .9996 of the last second rounds into the next day.
    EXPECT_EQ(DateTimeToStTime(encodeTime(12, 0, 3, 999)), 43203);
    EXPECT_EQ(DateTimeToStTime(encodeTime(23, 59, 59, 999) + 0.4 / 86'400'000.0), 86399);
    EXPECT_EQ(DateTimeToStTime(encodeTime(23, 59, 59, 999) + 0.6 / 86'400'000.0), 0);

    EXPECT_EQ(HMStoStTime(25, 0, 0), 3600);
    EXPECT_EQ(HMStoStTime(23, 59, 60), 0);
}

TEST(TimeProtocol, EveryReplyKeepsItsSecondOfTheDay) {
    // Invariant over the whole 32-bit range (a prime stride reaches every
    // residue class of the day): no rounding loses or gains a second.
    for (std::uint64_t s = 0; s <= 0xFFFFFFFFu; s += 9973) {
        const auto seconds = static_cast<std::uint32_t>(s);
        ASSERT_EQ(DateTimeToStTime(TimeProtocolToDateTime(seconds)), static_cast<int>(seconds % 86400)) << seconds;
    }
}

TEST(TimeProtocol, ComparisonTexts) {
    EXPECT_EQ(comparisonText({0, false}), QStringLiteral("Times Match"));
    EXPECT_EQ(comparisonText({2, false}), QStringLiteral("Local PC was 2 seconds behind"));
    EXPECT_EQ(comparisonText({1, true}), QStringLiteral("Local PC was 1 seconds ahead"));
}

struct AdjustCase {
    const char* name;
    UtcMs pc;
    std::uint32_t reply;
    TimeComparison expected;
    UtcMs expectedSet;  // -1: the clock is left alone
};

// Test names carry the row's name; gtest would print its bytes.
void PrintTo(const AdjustCase& row, std::ostream* os) { *os << row.name; }

class AdjustClockCases : public ::testing::TestWithParam<AdjustCase> {};

TEST_P(AdjustClockCases, ComparesTheTimeOfDayOnTheNearestDate) {
    const AdjustCase& c = GetParam();
    FakeClock clock(c.pc);
    EXPECT_EQ(compareWithClock(c.reply, clock), c.expected);
    EXPECT_TRUE(clock.recordedSets().empty()) << "the read-only comparison set the clock";

    const ClockAdjustment result = AdjustClock(c.reply, clock);
    EXPECT_EQ(result.comparison, c.expected);
    EXPECT_EQ(result.statusText(), comparisonText(c.expected));
    if (c.expectedSet < 0) {
        EXPECT_TRUE(clock.recordedSets().empty());
    } else {
        ASSERT_EQ(clock.recordedSets().size(), 1u);
        EXPECT_EQ(clock.recordedSets()[0], c.expectedSet);
        EXPECT_TRUE(result.clockSet);
    }
}

INSTANTIATE_TEST_SUITE_P(
    Cases, AdjustClockCases,
    ::testing::Values(
        AdjustCase{"BehindByTwoSetsToSixHundredMs", at(2026, 12, 10, 12, 0, 3, 999), replyFor(2026, 12, 10, 12, 0, 5),
                   {2, false}, at(2026, 12, 10, 12, 0, 5, 600)},
        AdjustCase{"SubSecondOffsetMatches", at(2026, 12, 10, 12, 0, 5, 900), replyFor(2026, 12, 10, 12, 0, 5),
                   {0, false}, -1},
        AdjustCase{"AheadByOne", at(2026, 12, 10, 12, 0, 6, 0), replyFor(2026, 12, 10, 12, 0, 5), {1, true},
                   at(2026, 12, 10, 12, 0, 5, 600)},
        AdjustCase{"WrongDateRightTimeMatches", at(2019, 3, 1, 12, 0, 5, 0), replyFor(2026, 12, 10, 12, 0, 5),
                   {0, false}, -1},
        // A difference of more than half a day belongs to the neighbouring
        // day: the clock moves by seconds, and its date goes with it.
        AdjustCase{"BehindAcrossMidnightMovesToTheNextDay", at(2026, 12, 10, 23, 59, 59, 0),
                   replyFor(2026, 12, 11, 0, 0, 1), {2, false}, at(2026, 12, 11, 0, 0, 1, 600)},
        AdjustCase{"AheadAcrossMidnightMovesToThePreviousDay", at(2026, 12, 11, 0, 0, 1, 0),
                   replyFor(2026, 12, 10, 23, 59, 59), {2, true}, at(2026, 12, 10, 23, 59, 59, 600)},
        AdjustCase{"AheadAcrossTheYearEnd", at(2027, 1, 1, 0, 0, 0, 300), replyFor(2026, 12, 31, 23, 59, 58), {2, true},
                   at(2026, 12, 31, 23, 59, 58, 600)},
        AdjustCase{"BehindAcrossMidnightIntoALeapDay", at(2028, 2, 28, 23, 59, 50, 0), replyFor(2028, 2, 29, 0, 0, 5),
                   {15, false}, at(2028, 2, 29, 0, 0, 5, 600)},
        // Half a day either way is the most a comparison can find.
        AdjustCase{"HalfADayLaterIsBehind", at(2026, 12, 10, 6, 0, 0, 0), replyFor(2026, 12, 10, 18, 0, 0),
                   {43200, false}, at(2026, 12, 10, 18, 0, 0, 600)},
        AdjustCase{"HalfADayEarlierIsAlsoBehind", at(2026, 12, 10, 18, 0, 0, 0), replyFor(2026, 12, 10, 6, 0, 0),
                   {43200, false}, at(2026, 12, 11, 6, 0, 0, 600)},
        AdjustCase{"JustUnderHalfADayEarlierIsAhead", at(2026, 12, 10, 18, 0, 0, 0), replyFor(2026, 12, 10, 6, 0, 1),
                   {43199, true}, at(2026, 12, 10, 6, 0, 1, 600)},
        // The 32-bit count is read in the era nearest the PC clock: 0 names
        // 1900-01-01 00:00:00 only for a PC before 1968, and 2036-02-07
        // 06:28:16 (the wrap) for one after (eras: NtpPacketTest).
        AdjustCase{"ReplyZeroAfterTheWrapIs062816", at(2036, 2, 7, 6, 28, 20, 0), 0, {4, true},
                   at(2036, 2, 7, 6, 28, 16, 600)},
        AdjustCase{"LargestReplyIs062815", at(2026, 12, 10, 6, 28, 10, 0), 4294967295u, {5, false},
                   at(2026, 12, 10, 6, 28, 15, 600)}),
    [](const ::testing::TestParamInfo<AdjustCase>& row) { return std::string(row.param.name); });

TEST(AdjustClock, ARefusedSetSaysSoWithTheSystemsReason) {
    FakeClock clock(at(2026, 12, 10, 12, 0, 10, 0));
    clock.failSetsWith("Operation not permitted");
    const ClockAdjustment result = AdjustClock(replyFor(2026, 12, 10, 12, 0, 5), clock);
    EXPECT_TRUE(result.setAttempted);
    EXPECT_FALSE(result.clockSet);
    EXPECT_EQ(result.statusText(),
              QStringLiteral("Local PC was 5 seconds ahead, but the clock could not be set: Operation not permitted"));
    EXPECT_EQ(clock.nowUtcMs(), at(2026, 12, 10, 12, 0, 10, 0));
}
