#pragma once

#include <vector>

namespace orvane::geo {

// Responsibilities: the paths between the user's station and a beacon on the
// WGS84 ellipsoid: short-path and long-path bearing, the short-path distance, and the
// short path as a track of points for drawing on a map. A thin adapter over
// GeographicLib (Karney's geodesic algorithms); its types never leave this
// folder. Longitude before latitude, degrees, north and east positive.

struct LonLat {
    double lonDeg = 0;
    double latDeg = 0;
    friend bool operator==(const LonLat&, const LonLat&) = default;
};

struct Path {
    double spBearingDeg = 0;  // initial bearing of the short path, true north, [0, 360)
    double lpBearingDeg = 0;  // the opposite direction, [0, 360)
    double spDistanceKm = 0;  // along the geodesic
};

// The paths from `from` to `to`. Two equal points give bearing 0 and no
// distance.
Path pathBetween(LonLat from, LonLat to);

// The short path as pieces of a track of about `points` points (at least 2),
// each piece within longitudes -180..180: the track is cut where it crosses
// the date line, and both pieces end on the line at the latitude where it
// crosses, so the track can be drawn on a map of -180..180 without a stroke
// across the whole map.
std::vector<std::vector<LonLat>> shortPathTrack(LonLat from, LonLat to, int points = 90);

// The same cut applied to any track whose longitudes move by less than 180
// degrees from one point to the next (exposed for tests).
std::vector<std::vector<LonLat>> splitAtDateLine(const std::vector<LonLat>& track);

}  // namespace orvane::geo
