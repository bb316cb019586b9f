#pragma once

#include <cstdint>

#include "common/TimeTypes.h"

namespace orvane::beacons {

// Responsibilities: the rule of the beacon network. A cycle of eighteen
// 10-second slots begins at second 0 of every UTC minute divisible by three.
// In slot s of the cycle the beacon of index s transmits on band 0 and, on
// band k, the beacon of index (s - k) mod 18: each beacon moves one band up
// every ten seconds. Pure functions of the moment; no clock is read here.

inline constexpr std::int64_t kSlotMs = 10'000;
inline constexpr int kSlotsPerCycle = 18;

// The one rule of the schedule: in cycle position s (0..17, the index of the
// band-0 beacon) the beacon of index (s - band) mod 18 is on the band. Read
// the other way, beacon `index` is on band (s - index) mod 18 (silent when
// that is 5 or more), so bandOfBeaconAt uses it too. The position may be any
// integer: it is taken modulo the cycle.
constexpr int beaconOnBand(std::int64_t cyclePosition, int band) {
    return static_cast<int>(floorMod(cyclePosition - band, kSlotsPerCycle));
}

// The index (0..17) of the beacon transmitting at UTC minute 0..59 and
// truncated second 0, 10, ..., 50 on band 0..4. Its slot number is index + 1.
constexpr int SlotIndex(int minute, int truncatedSecond, int band) {
    return beaconOnBand(truncatedSecond / 10 + 6 * (minute % 3), band);
}

// Number of the 10-second period holding the moment (floor division, so
// moments before 1970 work too). Periods start on UTC second 0, 10, ..., 50.
constexpr std::int64_t slotPeriodOf(std::int64_t utcMs) { return floorDiv(utcMs, kSlotMs); }

constexpr std::int64_t slotPeriodStartMs(std::int64_t period) { return period * kSlotMs; }

// The first slot boundary strictly after the moment.
constexpr std::int64_t nextSlotBoundaryMs(std::int64_t utcMs) { return slotPeriodStartMs(slotPeriodOf(utcMs) + 1); }

// The index of the beacon transmitting at the moment on the band. A UTC day
// holds a whole number of cycles (480), so the cycle position follows from the
// period number alone.
constexpr int slotIndexAt(std::int64_t utcMs, int band) { return beaconOnBand(slotPeriodOf(utcMs), band); }

}  // namespace orvane::beacons
