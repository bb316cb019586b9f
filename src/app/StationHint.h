#pragma once

#include <functional>
#include <string>

#include "common/TimeTypes.h"
#include "map/SunTimes.h"

namespace orvane::app {

// The hint of the user's station marker: its locator and the day's
// sunrise and sunset in UTC and in local time, for example
// "Station JO22: sunrise 05:49 UTC (07:49 CEST), sunset 18:02 UTC (20:02 CEST)".
// localOffset gives the local zone's offset east of UTC in seconds and its
// name at a moment (the system's rules, or a fixed zone in tests).
struct LocalZone {
    int offsetSeconds = 0;
    std::string name;
};
using LocalZoneAt = std::function<LocalZone(UtcMoment)>;

std::string stationHint(const std::string& locator, const map::SunTimes& times, const LocalZoneAt& zoneAt);

// The system's local zone at a moment.
LocalZone systemLocalZone(UtcMoment t);

}  // namespace orvane::app
