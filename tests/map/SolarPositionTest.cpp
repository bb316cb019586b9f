#include <gtest/gtest.h>

#include <cmath>

#include "common/TimeTypes.h"
#include "map/SolarPosition.h"

using namespace orvane;
using namespace orvane::map;

namespace {

UtcMoment at(int y, int mo, int d, int h = 0, int mi = 0, int s = 0) {
    return daysFromCivil(y, mo, d) * 86400 + h * 3600 + mi * 60 + s;
}

}  // namespace

TEST(SolarPosition, JulianDateRule) {
    struct Case {
        const char* name;
        int year, month0, day, hour, minute, second;
        double jd;
    };
    const Case cases[] = {
        {"J2000", 2000, 0, 1, 12, 0, 0, 2451545.0},
        {"UnixEpoch", 1970, 0, 1, 0, 0, 0, 2440587.5},
        {"March1998", 1998, 2, 30, 0, 0, 0, 2450902.5},
        {"LastJulianDay1582", 1582, 9, 4, 0, 0, 0, 2299159.5},
        {"FirstGregorianDay1582", 1582, 9, 15, 0, 0, 0, 2299160.5},
        {"NonExistentOct5_1582", 1582, 9, 5, 0, 0, 0, 2299150.5},
        {"SixHoursIntoJ2000", 2000, 0, 1, 18, 0, 0, 2451545.25},
        {"Meeus7a_Sputnik", 1957, 9, 4, 19, 26, 24, 2436116.31},
        {"Meeus_333Jan27Noon", 333, 0, 27, 12, 0, 0, 1842713.0},
    };
    for (const Case& c : cases)
        EXPECT_NEAR(UtcToJulianDate(c.year, c.month0, c.day, c.hour, c.minute, c.second), c.jd, 1e-9) << c.name;
}

// The moment's calendar is proleptic Gregorian; whatever the year, the
// Julian date must be the plain count of days since the Unix epoch.
TEST(SolarPosition, MomentToJulianDateIsContinuousOverTheCalendarSwitch) {
    struct Case {
        const char* name;
        UtcMoment t;
    };
    const Case cases[] = {
        {"Year1", at(1, 1, 1)},
        {"Year1000Noon", at(1000, 6, 15, 12)},
        {"Gregorian1582Oct04", at(1582, 10, 4, 6)},
        {"Gregorian1582Oct14", at(1582, 10, 14, 23, 59, 59)},
        {"Gregorian1582Oct15", at(1582, 10, 15)},
        {"BeforeEpoch", -1},
        {"Epoch", 0},
        {"Y2038Plus", at(2038, 1, 19, 3, 14, 8)},
        {"Year9999End", at(9999, 12, 31, 23, 59, 59)},
    };
    for (const Case& c : cases)
        EXPECT_NEAR(MomentToJulianDate(c.t), 2440587.5 + static_cast<double>(c.t) / 86400.0, 1e-8) << c.name;
}

TEST(SolarPosition, MeanObliquityAtAndFarFromJ2000) {
    EXPECT_EQ(MeanObliquity(2451545.0), 23.43929111111111);
    EXPECT_EQ(MeanObliquity(2451545.0 + 3652500.0 * 1.01), 23.43929111111111);
    EXPECT_EQ(MeanObliquity(2451545.0 - 3652500.0 * 1.01), 23.43929111111111);
    // 1900: Laskar gives 23 deg 27' 08.26" (Explanatory Supplement).
    EXPECT_NEAR(MeanObliquity(2415020.0), 23.0 + 27.0 / 60 + 8.26 / 3600, 2e-5);
}

TEST(SolarPosition, SolveKeplerAndFixAngle) {
    EXPECT_DOUBLE_EQ(SolveKepler(57.0, 0.0), 57.0 * kDegToRad);
    const double e = 0.0167;
    const double ea = SolveKepler(100.0, e);
    EXPECT_NEAR(ea - e * std::sin(ea), 100.0 * kDegToRad, 1e-9);
    EXPECT_DOUBLE_EQ(FixAngle(-10.0), 350.0);
    EXPECT_DOUBLE_EQ(FixAngle(360.0), 0.0);
    EXPECT_DOUBLE_EQ(FixAngle(725.0), 5.0);
    EXPECT_DOUBLE_EQ(FixAngle(-720.0), 0.0);
}

TEST(SolarPosition, WorkedExamples) {
    struct Case {
        const char* name;
        UtcMoment t;
        double ra, dec, gst;  // NaN: not given
        double tol;
    };
    const double none = std::nan("");
    const Case cases[] = {
        {"J2000Noon", at(2000, 1, 1, 12), 281.292, -23.033, 18.6974, 1e-3},
        {"JuneSolstice2026", at(2026, 6, 21, 12), none, 23.436, none, 1e-3},
        {"DecemberSolstice2026", at(2026, 12, 21, 12), none, -23.435, none, 1e-3},
        {"MarchEquinox2026", at(2026, 3, 20, 12), none, -0.042, none, 1e-3},
    };
    for (const Case& c : cases) {
        const SunFix sun = SunAt(c.t);
        if (!std::isnan(c.ra)) {
            EXPECT_NEAR(sun.rightAscension, c.ra, c.tol) << c.name;
        }
        EXPECT_NEAR(sun.declination, c.dec, c.tol) << c.name;
        if (!std::isnan(c.gst)) {
            EXPECT_NEAR(sun.siderealHours, c.gst, 1e-4) << c.name;
        }
    }
}

// Against an independent reference: the Astronomical Almanac's low-precision
// sun (good to 0.01 degree 1950-2050) and the IAU 1982 sidereal time
// polynomial. The tolerances leave room for both theories' own errors.
TEST(SolarPosition, AgreesWithAlmanacFormulaAcrossACentury) {
    for (UtcMoment t = at(1950, 1, 1, 3, 17); t < at(2050, 1, 1); t += 86400LL * 97 + 7919) {
        const double n = static_cast<double>(t) / 86400.0 + 2440587.5 - 2451545.0;
        const double l = 280.460 + 0.9856474 * n;
        const double g = (357.528 + 0.9856003 * n) * kDegToRad;
        const double lambda = (l + 1.915 * std::sin(g) + 0.020 * std::sin(2 * g)) * kDegToRad;
        const double eps = (23.439 - 0.0000004 * n) * kDegToRad;
        const double ra = FixAngle(kRadToDeg * std::atan2(std::cos(eps) * std::sin(lambda), std::cos(lambda)));
        const double dec = kRadToDeg * std::asin(std::sin(eps) * std::sin(lambda));
        const double gmst = std::fmod(18.697374558 + 24.06570982441908 * n, 24.0) + (n < 0 ? 24.0 : 0.0);

        const SunFix sun = SunAt(t);
        double dra = std::fabs(sun.rightAscension - ra);
        dra = std::min(dra, 360.0 - dra);
        EXPECT_LT(dra, 0.03) << t;
        EXPECT_NEAR(sun.declination, dec, 0.02) << t;
        double dgst = std::fabs(sun.siderealHours - std::fmod(gmst, 24.0));
        dgst = std::min(dgst, 24.0 - dgst);
        EXPECT_LT(dgst, 0.001) << t;
        EXPECT_GE(sun.siderealHours, 0.0);
        EXPECT_LT(sun.siderealHours, 24.0);
    }
}

TEST(SolarPosition, NoonColumnFollowsTheSubSolarMeridian) {
    // Near 12:00 UTC the sun stands over Greenwich (give or take the
    // equation of time, at most 16.5 minutes = 4.1 degrees = 6 columns).
    for (int month = 1; month <= 12; ++month) {
        const int column = SunAt(at(2026, month, 15, 12)).noonColumn(480);
        EXPECT_NEAR(column, 240, 6) << month;
    }
    // Every column of the map over one day: the sun moves west, so the
    // column falls and wraps once from 0 to the right edge.
    int previous = SunAt(at(2026, 5, 1)).noonColumn(480);
    int wraps = 0;
    for (UtcMoment t = at(2026, 5, 1) + 60; t <= at(2026, 5, 2); t += 60) {
        const int column = SunAt(t).noonColumn(480);
        ASSERT_GE(column, 0);
        ASSERT_LT(column, 480);
        if (column > previous) ++wraps;
        previous = column;
    }
    EXPECT_EQ(wraps, 1);
}

TEST(SolarPosition, WholeCalendarRangeGivesSaneValues) {
    for (int year : {1, 100, 1000, 1582, 1583, 3000, 9999}) {
        const SunFix june = SunAt(at(year, 6, 21, 12));
        const SunFix december = SunAt(at(year, 12, 21, 12));
        EXPECT_GT(june.declination, 22.0) << year;  // the solstice dates drift only a few days
        EXPECT_LT(december.declination, -22.0) << year;
        EXPECT_LE(std::fabs(june.declination), 24.3) << year;
    }
}
