#include "listen/Detector.h"

#include <algorithm>

namespace orvane::listen {

int SlotResult::dashesHeard() const {
    return static_cast<int>(std::count_if(dashSnrDb.begin(), dashSnrDb.end(), [](const auto& s) { return s.has_value(); }));
}

SlotResult detectSlot(std::span<const float>, int, const QString&, const DetectorSettings&, std::int64_t periodStartMs,
                      int band, int beaconIndex) {
    SlotResult r;
    r.periodStartMs = periodStartMs;
    r.band = band;
    r.beaconIndex = beaconIndex;
    return r;
}

}  // namespace orvane::listen
