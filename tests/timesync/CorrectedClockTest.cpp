// The display clock's correction: the mark, the stored form, the age limit
// and the one addition, on a fake clock.
#include <gtest/gtest.h>

#include <limits>

#include "common/FakeClock.h"
#include "timesync/CorrectedClock.h"

using namespace orvane;
using namespace orvane::timesync;

TEST(CorrectedClock, MarksToATenthOfASecond) {
    struct Case {
        UtcMs offsetMs;
        const char* mark;
    };
    const Case cases[] = {
        {-4200, "UTC (corrected \u22124.2 s)"}, {-4249, "UTC (corrected \u22124.2 s)"}, {-4250, "UTC (corrected \u22124.3 s)"},
        {1237, "UTC (corrected +1.2 s)"},       {49, "UTC (corrected 0.0 s)"},         {-86'400'000, "UTC (corrected \u221286400.0 s)"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.offsetMs);
        EXPECT_EQ(correctionMark(c.offsetMs), QString::fromUtf8(c.mark));
    }
}

TEST(CorrectedClock, StoredFormRoundTripsAndMalformedTextIsNone) {
    const ClockCorrection c{-4200, 1'796'904'000'000};
    EXPECT_EQ(formatCorrection(c), QStringLiteral("-4200 1796904000000"));
    EXPECT_EQ(parseCorrection(formatCorrection(c)), c);
    for (const char* bad : {"", "-4200", "x 1", "-4200 1 2", "0 1796904000000", "86400001 1", "-4200 1e3",
                            "99999999999999999999 1",
                            "5000 -9223372036854775808", "5000 9223372036854775807", "5000 253402300800000"}) {
        SCOPED_TRACE(bad);
        EXPECT_FALSE(parseCorrection(QString::fromLatin1(bad)).has_value());
    }
}

TEST(CorrectedClock, AgeAtTheEndsOfTheRangeDoesNotOverflow) {
    constexpr UtcMs kMin = std::numeric_limits<UtcMs>::min(), kMax = std::numeric_limits<UtcMs>::max();
    EXPECT_TRUE((ClockCorrection{5000, kMin}.expiredAt(0)));
    EXPECT_TRUE((ClockCorrection{5000, kMin}.expiredAt(kMax)));
    EXPECT_TRUE((ClockCorrection{5000, kMax}.expiredAt(kMin)));
    EXPECT_FALSE((ClockCorrection{5000, kMax}.expiredAt(kMax)));
}

TEST(CorrectedClock, ACorrectionIsBelievedForADay) {
    const ClockCorrection c{-4200, 1'000'000'000};
    EXPECT_FALSE(c.expiredAt(c.measuredAtMs));
    EXPECT_FALSE(c.expiredAt(c.measuredAtMs + ClockCorrection::kMaxAgeMs));
    EXPECT_TRUE(c.expiredAt(c.measuredAtMs + ClockCorrection::kMaxAgeMs + 1));
    EXPECT_TRUE(c.expiredAt(c.measuredAtMs - ClockCorrection::kMaxAgeMs - 1));  // the PC clock went far back
}

TEST(CorrectedClock, ReadsThePcClockPlusTheCorrectionAndSetsThePcClockAsIs) {
    FakeClock pc(1'000'000);
    CorrectedClock clock(pc);
    EXPECT_EQ(clock.nowUtcMs(), 1'000'000);
    clock.setCorrection(ClockCorrection{-4200, 1'000'000});
    EXPECT_EQ(clock.nowUtcMs(), 995'800);
    pc.advance(10);
    EXPECT_EQ(clock.nowUtcMs(), 995'810);
    EXPECT_TRUE(clock.setUtcMs(2'000'000, nullptr));
    EXPECT_EQ(pc.recordedSets(), std::vector<UtcMs>{2'000'000});
    clock.setCorrection(std::nullopt);
    EXPECT_EQ(clock.nowUtcMs(), 2'000'000);
}
