#pragma once

#include <array>
#include <cstdint>
#include <vector>

namespace orvane::map {

// The sun's altitudes that bound the graded shades: the day edge (the
// geometric horizon, as the classic terminator), then the ends of civil,
// nautical and astronomical twilight (6, 12 and 18 degrees below).
inline constexpr int kTwilightEdges = 4;
inline constexpr std::array<double, kTwilightEdges> kTwilightAltitudeDeg{0.0, -6.0, -12.0, -18.0};

// What the sun does at one pixel: 0 day, 1 civil, 2 nautical,
// 3 astronomical twilight, 4 night.
inline constexpr int kTwilightNight = kTwilightEdges;

// Responsibilities: per map row, how far on each side of the sub-solar
// column the sun stands above each of the edge altitudes. The altitude of
// the sun at latitude lat and hour angle H is
//   sin(alt) = sin(lat) sin(dec) + cos(lat) cos(dec) cos(H),
// so for a row the hour angle at which it crosses an edge comes from one
// acos: every per-pixel question becomes a comparison of the column's
// distance from noon with four numbers worked out once per projection.
// No Qt, no state beyond the tables.
struct TwilightTables {
    int width = 0;
    int height = 0;
    // halfWidth[e][row]: the span [noon - w, noon + w) where the sun is above
    // edge e; -1 none of the row (kRowDark), width/2 the whole row.
    std::array<std::vector<std::int32_t>, kTwilightEdges> halfWidth;

    // Shade of the pixel `column` on `row` with the sub-solar point at noon.
    int bandAt(int row, int column, int noon) const;
};

// Fills the tables for a map of width x height and the sun at declination
// decDeg. Rows are taken at their centre latitude, so no row lies on a pole.
void ProjectTwilight(TwilightTables& tables, int width, int height, double decDeg);

}  // namespace orvane::map
