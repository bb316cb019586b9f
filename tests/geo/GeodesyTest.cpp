// Bearings and distances checked against published geodesic figures, plus
// the invariants every path keeps; the date-line cut as plain geometry.
#include <gtest/gtest.h>

#include <cmath>

#include "geo/Geodesy.h"

namespace orvane::geo {
namespace {

double dms(double d, double m, double s) { return std::copysign(std::fabs(d) + m / 60.0 + s / 3600.0, d); }

struct Reference {
    const char* name;
    LonLat from, to;
    double distanceKm, distanceTolKm;
    double bearingDeg, bearingTolDeg;
};

// Sources:
// - Vincenty_FlindersPeak_Buninyong: the test line of T. Vincenty, Survey
//   Review 23 (1975), as republished by Geoscience Australia: 54 972.271 m at
//   306 deg 52' 05.37" (on GRS80, which differs from WGS84 by far less than
//   the tolerance here).
// - Karney_JFK_LHR: the example of GeographicLib's Geodesic documentation,
//   40.6N 73.8W to 51.6N 0.5W: 5551.76 km.
// - Equator_Quarter: a quarter of the equator, a * pi / 2 with
//   a = 6 378 137 m (WGS84): 10 018.754 km due east.
// - Meridian_Quadrant: equator to pole along a meridian, the WGS84 meridian
//   quadrant 10 001.966 km due north (NIMA TR8350.2, table 3.3).
const Reference kReferences[] = {
    {"Vincenty_FlindersPeak_Buninyong", {dms(144, 25, 29.52440), dms(-37, 57, 3.72030)},
     {dms(143, 55, 35.38390), dms(-37, 39, 10.15610)}, 54.972271, 0.001, dms(306, 52, 5.37), 0.001},
    {"Karney_JFK_LHR", {-73.8, 40.6}, {-0.5, 51.6}, 5551.76, 0.01, 51.0, 2.0},
    {"Equator_Quarter", {0, 0}, {90, 0}, 10018.754, 0.001, 90.0, 1e-9},
    {"Meridian_Quadrant", {10, 0}, {10, 90}, 10001.966, 0.001, 0.0, 1e-9},
};

class GeodesyReference : public testing::TestWithParam<Reference> {};

TEST_P(GeodesyReference, MatchesPublishedFigures) {
    const Reference& r = GetParam();
    const Path p = pathBetween(r.from, r.to);
    EXPECT_NEAR(p.spDistanceKm, r.distanceKm, r.distanceTolKm);
    EXPECT_NEAR(p.spBearingDeg, r.bearingDeg, r.bearingTolDeg);
    EXPECT_NEAR(std::fmod(p.spBearingDeg + 180.0, 360.0), p.lpBearingDeg, 1e-9);
}

INSTANTIATE_TEST_SUITE_P(Published, GeodesyReference, testing::ValuesIn(kReferences),
                         [](const testing::TestParamInfo<Reference>& row) { return std::string(row.param.name); });

TEST(Geodesy, DistanceIsSymmetricAndBearingsStayInRange) {
    const LonLat places[] = {{-73.968, 40.749}, {175.617, -40.9}, {-156.467, 20.783}, {24.65, 60.217}, {0, 0}};
    for (const LonLat& a : places)
        for (const LonLat& b : places) {
            const Path ab = pathBetween(a, b);
            const Path ba = pathBetween(b, a);
            EXPECT_NEAR(ab.spDistanceKm, ba.spDistanceKm, 1e-6);
            for (double bearing : {ab.spBearingDeg, ab.lpBearingDeg}) {
                EXPECT_GE(bearing, 0.0);
                EXPECT_LT(bearing, 360.0);
            }
        }
}

TEST(Geodesy, SamePlaceHasNoDistanceAndBearingNorth) {
    const Path p = pathBetween({13.4, 52.5}, {13.4, 52.5});
    EXPECT_EQ(p.spDistanceKm, 0.0);
    EXPECT_EQ(p.spBearingDeg, 0.0);
    EXPECT_EQ(p.lpBearingDeg, 180.0);
}

TEST(DateLine, TrackAcrossThePacificIsCutOnTheLine) {
    // New Zealand to Hawaii crosses 180 degrees once.
    const auto pieces = shortPathTrack({175.617, -40.9}, {-156.467, 20.783}, 60);
    ASSERT_EQ(pieces.size(), 2u);
    EXPECT_EQ(pieces[0].back().lonDeg, 180.0);
    EXPECT_EQ(pieces[1].front().lonDeg, -180.0);
    EXPECT_EQ(pieces[0].back().latDeg, pieces[1].front().latDeg);
    EXPECT_EQ(pieces[0].front(), (LonLat{175.617, -40.9}));
    EXPECT_EQ(pieces[1].back(), (LonLat{-156.467, 20.783}));
    for (const auto& piece : pieces)
        for (std::size_t i = 1; i < piece.size(); ++i) EXPECT_LT(std::fabs(piece[i].lonDeg - piece[i - 1].lonDeg), 180.0);
}

TEST(DateLine, TrackThatStaysOnOneSideIsOnePiece) {
    const auto pieces = shortPathTrack({-73.968, 40.749}, {24.65, 60.217}, 40);
    ASSERT_EQ(pieces.size(), 1u);
    EXPECT_EQ(pieces[0].size(), 40u);
}

TEST(DateLine, CrossingPointIsInterpolatedBothWays) {
    struct Case {
        const char* name;
        std::vector<LonLat> track;
        double firstEdge, crossingLat;
    };
    const Case cases[] = {
        {"Eastwards", {{170, 0}, {-170, 10}}, 180.0, 5.0},
        {"Westwards", {{-175, -10}, {165, 10}}, -180.0, -5.0},
        {"Empty", {}, 0, 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const auto pieces = splitAtDateLine(c.track);
        if (c.track.empty()) {
            EXPECT_TRUE(pieces.empty());
            continue;
        }
        ASSERT_EQ(pieces.size(), 2u);
        EXPECT_EQ(pieces[0].back().lonDeg, c.firstEdge);
        EXPECT_NEAR(pieces[0].back().latDeg, c.crossingLat, 1e-12);
        EXPECT_EQ(pieces[1].front().lonDeg, -c.firstEdge);
    }
}

}  // namespace
}  // namespace orvane::geo
