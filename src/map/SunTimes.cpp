#include "map/SunTimes.h"

#include <cmath>

#include "map/SolarPosition.h"

namespace orvane::map {

double SunAltitude(double lonDeg, double latDeg, UtcMoment t) {
    const SunFix sun = SunAt(t);
    const double hourAngle = (sun.siderealHours * 15.0 + lonDeg - sun.rightAscension) * kDegToRad;
    const double lat = latDeg * kDegToRad;
    const double dec = sun.declination * kDegToRad;
    return kRadToDeg * std::asin(std::sin(lat) * std::sin(dec) + std::cos(lat) * std::cos(dec) * std::cos(hourAngle));
}

SunTimes SunTimesOn(double lonDeg, double latDeg, UtcMoment moment) {
    constexpr UtcMoment kDay = 86400;
    constexpr UtcMoment kStep = 600;
    const UtcMoment dayStart = moment - ((moment % kDay) + kDay) % kDay;
    const auto above = [&](UtcMoment t) { return SunAltitude(lonDeg, latDeg, t) - kSunriseAltitudeDeg; };

    SunTimes times;
    UtcMoment t0 = dayStart;
    double a0 = above(t0);
    bool everUp = a0 > 0, everDown = a0 <= 0;
    for (UtcMoment t1 = dayStart + kStep; t1 <= dayStart + kDay; t1 += kStep) {
        const double a1 = above(t1);
        everUp = everUp || a1 > 0;
        everDown = everDown || a1 <= 0;
        if ((a0 > 0) != (a1 > 0)) {
            // Bisect to the second: the crossing lies in (lo, hi].
            UtcMoment lo = t0, hi = t1;
            while (hi - lo > 1) {
                const UtcMoment mid = lo + (hi - lo) / 2;
                if ((above(mid) > 0) == (a0 > 0))
                    lo = mid;
                else
                    hi = mid;
            }
            std::optional<UtcMoment>& slot = a1 > 0 ? times.rise : times.set;
            if (!slot && hi < dayStart + kDay) slot = hi;
        }
        t0 = t1;
        a0 = a1;
    }
    times.upAllDay = everUp && !everDown;
    times.downAllDay = everDown && !everUp;
    return times;
}

}  // namespace orvane::map
