// Bearings, distances and tracks from GeographicLib's geodesic solution
// (C. F. F. Karney, "Algorithms for geodesics", J. Geodesy 87, 2013).
#include "geo/Geodesy.h"

#include <GeographicLib/Geodesic.hpp>
#include <GeographicLib/GeodesicLine.hpp>
#include <algorithm>
#include <cmath>

namespace orvane::geo {
namespace {

double normaliseBearing(double deg) {
    double b = std::fmod(deg, 360.0);
    if (b < 0) b += 360.0;
    // -0.0 and values that round up to 360 read as 0.
    return b >= 360.0 ? 0.0 : b + 0.0;
}

}  // namespace

Path pathBetween(LonLat from, LonLat to) {
    const GeographicLib::Geodesic& g = GeographicLib::Geodesic::WGS84();
    double s12 = 0, azi1 = 0, azi2 = 0;
    g.Inverse(from.latDeg, from.lonDeg, to.latDeg, to.lonDeg, s12, azi1, azi2);
    Path p;
    if (s12 == 0) azi1 = 0;
    p.spBearingDeg = normaliseBearing(azi1);
    p.lpBearingDeg = normaliseBearing(azi1 + 180.0);
    p.spDistanceKm = s12 / 1000.0;
    return p;
}

std::vector<std::vector<LonLat>> splitAtDateLine(const std::vector<LonLat>& track) {
    std::vector<std::vector<LonLat>> pieces;
    if (track.empty()) return pieces;
    pieces.emplace_back();
    pieces.back().push_back(track.front());
    for (std::size_t i = 1; i < track.size(); ++i) {
        const LonLat a = track[i - 1];
        const LonLat b = track[i];
        const double step = b.lonDeg - a.lonDeg;
        if (std::fabs(step) > 180.0) {
            // Crossing the date line: unwrap b next to a, find where the
            // straight step meets +-180 and end and start the pieces there.
            const double edge = step < 0 ? 180.0 : -180.0;  // the side a lies on
            const double bUnwrapped = b.lonDeg + (step < 0 ? 360.0 : -360.0);
            const double t = (edge - a.lonDeg) / (bUnwrapped - a.lonDeg);
            const double lat = a.latDeg + t * (b.latDeg - a.latDeg);
            pieces.back().push_back({edge, lat});
            pieces.emplace_back();
            pieces.back().push_back({-edge, lat});
        }
        pieces.back().push_back(b);
    }
    return pieces;
}

std::vector<std::vector<LonLat>> shortPathTrack(LonLat from, LonLat to, int points) {
    points = std::max(points, 2);
    const GeographicLib::Geodesic& g = GeographicLib::Geodesic::WGS84();
    const GeographicLib::GeodesicLine line = g.InverseLine(from.latDeg, from.lonDeg, to.latDeg, to.lonDeg);
    std::vector<LonLat> track;
    track.reserve(static_cast<std::size_t>(points));
    for (int i = 0; i < points; ++i) {
        double lat = 0, lon = 0;
        if (i == 0) {
            lat = from.latDeg;
            lon = from.lonDeg;
        } else if (i == points - 1) {
            lat = to.latDeg;
            lon = to.lonDeg;
        } else {
            line.Position(line.Distance() * i / (points - 1), lat, lon);
        }
        track.push_back({lon, lat});
    }
    return splitAtDateLine(track);
}

}  // namespace orvane::geo
