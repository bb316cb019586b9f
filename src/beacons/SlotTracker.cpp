#include "beacons/SlotTracker.h"

#include "beacons/Schedule.h"
#include "beacons/Stations.h"

namespace orvane::beacons {

std::optional<int> SlotTracker::onClock(std::int64_t utcMs, int band, bool forced) {
    const std::int64_t period = slotPeriodOf(utcMs);
    if (!forced && lastPeriod_ == period) return std::nullopt;
    lastPeriod_ = period;
    return slotIndexAt(utcMs, band);
}

std::string beaconSlotCaption(int index) {
    return "Slot:" + std::string(kStations[static_cast<std::size_t>(index)].labelHint);
}

}  // namespace orvane::beacons
