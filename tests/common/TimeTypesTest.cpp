#include <gtest/gtest.h>

#include <limits>

#include "common/TimeTypes.h"

using namespace orvane;

TEST(TimeTypes, CivilDaysRoundTripAcrossEras) {
    struct Case { int y, m, d; std::int64_t days; };
    const Case cases[] = {
        {1970, 1, 1, 0}, {2000, 3, 1, 11017}, {1899, 12, 30, -25569},
        {1, 1, 1, -719162}, {9999, 12, 31, 2932896}, {1582, 10, 15, -141427},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(daysFromCivil(c.y, c.m, c.d), c.days) << c.y << "-" << c.m << "-" << c.d;
        int y = 0, m = 0, d = 0;
        civilFromDays(c.days, y, m, d);
        EXPECT_EQ(y, c.y);
        EXPECT_EQ(m, c.m);
        EXPECT_EQ(d, c.d);
    }
}

TEST(TimeTypes, SystemTimeFromMsHandlesNegativeMoments) {
    const SystemTime t = systemTimeFromMs(-1);  // 1969-12-31 23:59:59.999, a Wednesday
    EXPECT_EQ(t.year, 1969);
    EXPECT_EQ(t.month, 12);
    EXPECT_EQ(t.day, 31);
    EXPECT_EQ(t.dayOfWeek, 3);
    EXPECT_EQ(t.hour, 23);
    EXPECT_EQ(t.second, 59);
    EXPECT_EQ(t.milliseconds, 999);
    EXPECT_EQ(msFromSystemTime(t), -1);
}

TEST(TimeTypes, DateTimeCountsDaysFrom1899) {
    EXPECT_DOUBLE_EQ(encodeDate(1899, 12, 30), 0.0);
    EXPECT_DOUBLE_EQ(encodeDate(1970, 1, 1), 25569.0);
    EXPECT_DOUBLE_EQ(dateTimeFromMoment(43200), 25569.5);
    EXPECT_DOUBLE_EQ(encodeTime(12, 0, 0, 0), 0.5);
}

// Floor division and its remainder, the one helper every day, second, slot
// and cycle count uses: exact multiples, one either side, the extremes.
TEST(TimeTypes, FloorDivisionRoundsTowardsMinusInfinity) {
    struct Case {
        const char* name;
        std::int64_t a, b, quotient, remainder;
    };
    constexpr std::int64_t kMin = std::numeric_limits<std::int64_t>::min();
    constexpr std::int64_t kMax = std::numeric_limits<std::int64_t>::max();
    const Case cases[] = {
        {"Zero", 0, 86400, 0, 0},
        {"OneBeforeEpoch", -1, 86400, -1, 86399},
        {"ExactlyOneDayBefore", -86400, 86400, -1, 0},
        {"OneMoreBefore", -86401, 86400, -2, 86399},
        {"JustBeforeMidnight", 86399, 86400, 0, 86399},
        {"Midnight", 86400, 86400, 1, 0},
        {"SlotBefore1970", -10'001, 10'000, -2, 9'999},
        {"SlotAtMinusTen", -10'000, 10'000, -1, 0},
        {"CycleMinusOne", -1, 18, -1, 17},
        {"CycleMinusEighteen", -18, 18, -1, 0},
        {"NegativeDivisor", 7, -2, -4, -1},
        {"BothNegative", -7, -2, 3, -1},
        {"Smallest", kMin, 1000, -9'223'372'036'854'776, 192},
        {"Largest", kMax, 1000, 9'223'372'036'854'775, 807},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(floorDiv(c.a, c.b), c.quotient);
        EXPECT_EQ(floorMod(c.a, c.b), c.remainder);
    }
    static_assert(floorDiv(-1, 1000) == -1 && floorMod(-1, 1000) == 999);
}
