#include <gtest/gtest.h>

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
