#pragma once

#include <optional>

#include "common/TimeTypes.h"

namespace orvane::map {

// Altitude of the sun's upper limb at the moment of rising and setting:
// 34 minutes of refraction and 16 of semi-diameter below the horizon.
inline constexpr double kSunriseAltitudeDeg = -0.8333;

// The sun's altitude in degrees at a place and moment.
double SunAltitude(double lonDeg, double latDeg, UtcMoment t);

// Sunrise and sunset of one UTC day at a place. A day on which the sun
// does not cross the horizon is either polar day (up all day) or polar
// night; on a day where it crosses only once the other time is empty.
struct SunTimes {
    std::optional<UtcMoment> rise;
    std::optional<UtcMoment> set;
    bool upAllDay = false;
    bool downAllDay = false;
};

// For the UTC day that contains `moment`: the first rise and the first set,
// to the second. Samples the altitude every 10 minutes and bisects each
// crossing, so a day needs about two hundred solar positions; pure.
SunTimes SunTimesOn(double lonDeg, double latDeg, UtcMoment moment);

}  // namespace orvane::map
