#include "beacons/SlotTracker.h"

#include "beacons/Schedule.h"
#include "beacons/StationTable.h"

namespace orvane::beacons {

std::optional<int> SlotTracker::onClock(std::int64_t utcMs, int band, bool forced) {
    const std::int64_t period = slotPeriodOf(utcMs);
    if (!forced && lastPeriod_ == period) return std::nullopt;
    lastPeriod_ = period;
    return slotIndexAt(utcMs, band);
}

std::string beaconSlotCaption(const StationTable& stations, int index) {
    return "Slot:" + stations.labelHint(index);
}

}  // namespace orvane::beacons
