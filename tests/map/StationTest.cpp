// The user's station: the Maidenhead locator and the sunrise and sunset
// of its place.
#include <gtest/gtest.h>

#include <cmath>

#include "common/TimeTypes.h"
#include "map/Maidenhead.h"
#include "map/SunTimes.h"

using namespace orvane;
using namespace orvane::map;

// Centres worked out by hand from the grid: fields 20 x 10 degrees from
// 180 W / 90 S, squares 2 x 1, subsquares 5' x 2.5', extended 30" x 15".
TEST(Locator, CentresOfTheSquares) {
    struct Case {
        const char* name;
        const char* text;
        const char* normalised;
        double lon, lat;
    };
    const Case cases[] = {
        {"Square_JO22", "JO22", "JO22", 5.0, 52.5},
        {"Subsquare_W1AW", "FN31pr", "FN31pr", -72.708333, 41.729167},
        {"Subsquare_London_MixedCase", "io91WM", "IO91wm", -0.125, 51.520833},
        {"Extended", "JO22dc45", "JO22dc45", 4.2875, 52.106250},
        {"SouthWestCorner", "AA00", "AA00", -179.0, -89.5},
        {"NorthEastCorner", "RR99xx99", "RR99xx99", 179.995833, 89.997917},
        {"Blanks", "  JO22 ", "JO22", 5.0, 52.5},
    };
    for (const Case& c : cases) {
        const auto loc = ParseLocator(c.text);
        ASSERT_TRUE(loc) << c.name;
        EXPECT_EQ(loc->text, c.normalised) << c.name;
        EXPECT_NEAR(loc->lonDeg, c.lon, 1e-6) << c.name;
        EXPECT_NEAR(loc->latDeg, c.lat, 1e-6) << c.name;
    }
}

TEST(Locator, RefusesWhatIsNoLocator) {
    for (const char* text : {"", "J", "JO2", "JO22d", "JO22dc4", "JO22dc45aa", "SO22", "JS22", "J022", "JOA2",
                             "JO22ya", "JO22dy", "JO22dcx5", "JO 22", "JO22\n\nx", "\xc3\x84O22"}) {
        EXPECT_FALSE(ParseLocator(text)) << text;
    }
}

namespace {

UtcMoment at(int y, int m, int d, int hour, int minute) {
    return daysFromCivil(y, m, d) * 86400 + hour * 3600 + minute * 60;
}

}  // namespace

// Published rise and set times (almanac tables, rounded to the minute)
// held to 3 minutes: the solar theory is good to a few hundredths of a
// degree, and almanacs differ from each other by a minute in refraction.
TEST(Locator, FormatNamesTheSquareOfAPlace) {
    struct Case {
        const char* name;
        double lonDeg, latDeg;
        const char* locator;
    };
    const Case cases[] = {
        {"UnitedNations", -73.968, 40.7489, "FN30ar"},
        {"SouthWestCorner", -180.0, -90.0, "AA00aa"},
        {"NorthEastCorner", 180.0, 90.0, "RR99xx"},
        {"Greenwich", 0.0, 0.0, "JJ00aa"},
        {"JustWestOfGreenwich", -1e-9, -1e-9, "II99xx"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(FormatLocator(c.lonDeg, c.latDeg), c.locator);
    }
    // Formatting the centre of any subsquare gives it back.
    for (const char* text : {"JO22dc", "BL10ts", "RE78tw", "FK60nk"}) {
        const auto loc = ParseLocator(text);
        ASSERT_TRUE(loc);
        EXPECT_EQ(FormatLocator(loc->lonDeg, loc->latDeg), text);
    }
}

TEST(SunTimes, RiseAndSetAgainstAlmanacs) {
    struct Case {
        const char* name;
        double lon, lat;
        UtcMoment day;
        UtcMoment rise, set;
    };
    const Case cases[] = {
        // Greenwich: 06:02 and 18:13 GMT at the March equinox; 04:43 and
        // 21:21 BST at the June solstice.
        {"Greenwich_Mar20_2026", 0.0, 51.4769, at(2026, 3, 20, 12, 0), at(2026, 3, 20, 6, 2), at(2026, 3, 20, 18, 13)},
        {"Greenwich_Jun21_2026", 0.0, 51.4769, at(2026, 6, 21, 12, 0), at(2026, 6, 21, 3, 43), at(2026, 6, 21, 20, 21)},
        // Sydney in summer: the UTC day holds the evening's set (20:05 AEDT,
        // 09:05 UTC) before the next morning's rise (05:42 AEDT, 18:42 UTC).
        {"Sydney_Dec21_2026", 151.2093, -33.8688, at(2026, 12, 21, 0, 0), at(2026, 12, 21, 18, 42), at(2026, 12, 21, 9, 5)},
    };
    for (const Case& c : cases) {
        const SunTimes t = SunTimesOn(c.lon, c.lat, c.day);
        ASSERT_TRUE(t.rise && t.set) << c.name;
        EXPECT_NEAR(static_cast<double>(*t.rise - c.rise), 0.0, 180.0) << c.name;
        EXPECT_NEAR(static_cast<double>(*t.set - c.set), 0.0, 180.0) << c.name;
        // Invariant: at the times found the upper limb touches the horizon.
        EXPECT_NEAR(SunAltitude(c.lon, c.lat, *t.rise), kSunriseAltitudeDeg, 0.01) << c.name;
        EXPECT_NEAR(SunAltitude(c.lon, c.lat, *t.set), kSunriseAltitudeDeg, 0.01) << c.name;
        EXPECT_FALSE(t.upAllDay || t.downAllDay) << c.name;
    }
}

TEST(SunTimes, PolarDayAndPolarNight) {
    // Tromso, 69.65 N: midnight sun at the June solstice, polar night in December.
    const SunTimes june = SunTimesOn(18.96, 69.65, at(2026, 6, 21, 0, 0));
    EXPECT_TRUE(june.upAllDay);
    EXPECT_FALSE(june.rise || june.set);
    const SunTimes december = SunTimesOn(18.96, 69.65, at(2026, 12, 21, 0, 0));
    EXPECT_TRUE(december.downAllDay);
    EXPECT_FALSE(december.rise || december.set);
    // The south pole's mirror image.
    EXPECT_TRUE(SunTimesOn(0.0, -89.0, at(2026, 6, 21, 0, 0)).downAllDay);
    EXPECT_TRUE(SunTimesOn(0.0, -89.0, at(2026, 12, 21, 0, 0)).upAllDay);
}

// Any moment of the day gives that day's times, on the date line too.
TEST(SunTimes, AnyMomentOfTheUtcDayGivesTheSameDay) {
    for (double lon : {-179.9, 0.0, 179.9}) {
        const SunTimes a = SunTimesOn(lon, 10.0, at(2026, 9, 1, 0, 0));
        const SunTimes b = SunTimesOn(lon, 10.0, at(2026, 9, 1, 23, 59) + 59);
        EXPECT_EQ(a.rise, b.rise) << lon;
        EXPECT_EQ(a.set, b.set) << lon;
        ASSERT_TRUE(a.rise && a.set) << lon;
        for (UtcMoment t : {*a.rise, *a.set}) {
            EXPECT_GE(t, at(2026, 9, 1, 0, 0)) << lon;
            EXPECT_LT(t, at(2026, 9, 2, 0, 0)) << lon;
        }
    }
}
