#pragma once

#include <string>

#include "common/TimeTypes.h"

namespace orvane::app {

// Responsibilities: the texts of the two time labels. English day and month
// names whatever the desktop's language, as "%H:%M:%S, %a %d %b %Y" gives in
// the C locale.

// "00:00:00, Sat 28 Mar 1998" for the moment in UTC.
std::string formatUtcLabel(UtcMoment t);

// "Local Time: 01:00:00, Sat 28 Mar 1998, CET": the moment in the system's
// local time zone, then the zone's name ("" when the system has none).
std::string formatLocalTimeLabel(UtcMoment t);

// The system's name for its time zone at the moment ("CET", "CEST", "UTC").
std::string localZoneName(UtcMoment t);

// The same for an explicit offset east of UTC and zone name (testable).
std::string formatLocalTimeLabel(UtcMoment t, int offsetSeconds, const std::string& zoneName);

}  // namespace orvane::app
