#include "map/Twilight.h"

#include <algorithm>
#include <cmath>

#include "map/SolarPosition.h"
#include "map/Terminator.h"

namespace orvane::map {

void ProjectTwilight(TwilightTables& tables, int width, int height, double decDeg) {
    tables.width = std::max(width, 1);
    tables.height = std::max(height, 1);
    const int full = tables.width / 2;
    const double sinDec = std::sin(decDeg * kDegToRad);
    const double cosDec = std::cos(decDeg * kDegToRad);
    std::array<double, kTwilightEdges> sinEdge{};
    for (int e = 0; e < kTwilightEdges; ++e) sinEdge[static_cast<std::size_t>(e)] = std::sin(kTwilightAltitudeDeg[static_cast<std::size_t>(e)] * kDegToRad);
    for (auto& table : tables.halfWidth) table.assign(static_cast<std::size_t>(tables.height), kRowDark);

    const double columnsPerRadian = tables.width / (2.0 * 3.141592653589793);
    for (int r = 0; r < tables.height; ++r) {
        // Per-row terms once; the four edges only differ in sin(altitude).
        const double lat = (90.0 - (r + 0.5) * 180.0 / tables.height) * kDegToRad;
        const double a = std::sin(lat) * sinDec;
        const double b = std::cos(lat) * cosDec;  // > 0: no row centre is a pole
        for (int e = 0; e < kTwilightEdges; ++e) {
            const double cosH = (sinEdge[static_cast<std::size_t>(e)] - a) / b;
            std::int32_t w;
            if (cosH <= -1.0) {
                w = full;  // above the edge all day long
            } else if (cosH >= 1.0) {
                w = kRowDark;  // never reaches it
            } else {
                // acos is positive: adding a half and truncating rounds.
                w = std::min(static_cast<std::int32_t>(std::acos(cosH) * columnsPerRadian + 0.5), full);
            }
            tables.halfWidth[static_cast<std::size_t>(e)][static_cast<std::size_t>(r)] = w;
        }
    }
}

int TwilightTables::bandAt(int row, int column, int noon) const {
    if (width <= 0 || row < 0 || row >= height) return kTwilightNight;
    // Distance in columns from the noon column, on the half-open span
    // [noon - w, noon + w) the classic terminator also uses.
    int d = ((column - noon) % width + width) % width;  // 0..width-1 eastwards
    if (d >= width - d) d = d - width;                    // -width/2..width/2-1
    for (int e = 0; e < kTwilightEdges; ++e) {
        const std::int32_t w = halfWidth[static_cast<std::size_t>(e)][static_cast<std::size_t>(row)];
        if (w >= width / 2 || (w >= 0 && d >= -w && d < w)) return e;
    }
    return kTwilightNight;
}

}  // namespace orvane::map
