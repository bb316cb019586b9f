#pragma once

#include <array>
#include <cstdint>

#include "beacons/BandPlan.h"
#include "beacons/Schedule.h"

namespace orvane::beacons {

// Responsibilities: what the all-bands monitor and the radio follower need
// from the schedule at a moment: the beacon on the air and the next one on
// each band, the seconds left in the slot, the place in the 3-minute cycle,
// and when and on which band a given beacon transmits next. Pure functions
// of the moment (ms since 1970, UTC).

struct BandNowNext {
    int nowIndex = 0;   // 0..17, transmitting now
    int nextIndex = 0;  // 0..17, in the next slot
};

struct MonitorView {
    std::int64_t periodStartMs = 0;
    int cyclePosition = 0;  // 0..17: the slot's place in the cycle (the band-0 beacon)
    int secondsLeft = 10;   // 10..1: whole seconds up to the next boundary, rounded up
    std::array<BandNowNext, kBandCount> bands{};
};

MonitorView monitorAt(std::int64_t utcMs);

// The first whole UTC second strictly after the moment (floor division).
constexpr std::int64_t nextSecondBoundaryMs(std::int64_t utcMs) {
    return (floorDiv(utcMs, 1000) + 1) * 1000;
}

// The band 0..4 beacon `index` transmits on in the period holding the
// moment, or -1 when it is silent then.
int bandOfBeaconAt(int index, std::int64_t utcMs);

// The period in which beacon `index` transmits that holds the moment or
// begins after it, and its band.
struct Transmission {
    std::int64_t startMs = 0;
    int band = 0;
    friend bool operator==(const Transmission&, const Transmission&) = default;
};
Transmission transmissionOfBeacon(int index, std::int64_t utcMs);

// The transmission that starts strictly after the moment.
Transmission nextTransmissionOfBeacon(int index, std::int64_t utcMs);

}  // namespace orvane::beacons
