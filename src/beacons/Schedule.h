#pragma once

#include <cstdint>

namespace orvane::beacons {

// Responsibilities: the rule of the beacon network. A cycle of eighteen
// 10-second slots begins at second 0 of every UTC minute divisible by three.
// In slot s of the cycle the beacon of index s transmits on band 0 and, on
// band k, the beacon of index (s - k) mod 18: each beacon moves one band up
// every ten seconds. Pure functions of the moment; no clock is read here.

inline constexpr std::int64_t kSlotMs = 10'000;
inline constexpr int kSlotsPerCycle = 18;

// The index (0..17) of the beacon transmitting at UTC minute 0..59 and
// truncated second 0, 10, ..., 50 on band 0..4. Its slot number is index + 1.
constexpr int SlotIndex(int minute, int truncatedSecond, int band) {
    const int s = truncatedSecond / 10 + 6 * (minute % 3);
    return ((s - band) % kSlotsPerCycle + kSlotsPerCycle) % kSlotsPerCycle;
}

// Number of the 10-second period holding the moment (floor division, so
// moments before 1970 work too). Periods start on UTC second 0, 10, ..., 50.
constexpr std::int64_t slotPeriodOf(std::int64_t utcMs) {
    return utcMs >= 0 ? utcMs / kSlotMs : -((-utcMs + kSlotMs - 1) / kSlotMs);
}

constexpr std::int64_t slotPeriodStartMs(std::int64_t period) { return period * kSlotMs; }

// The first slot boundary strictly after the moment.
constexpr std::int64_t nextSlotBoundaryMs(std::int64_t utcMs) { return slotPeriodStartMs(slotPeriodOf(utcMs) + 1); }

// The index of the beacon transmitting at the moment on the band. A UTC day
// holds a whole number of cycles (480), so the cycle position follows from the
// period number alone.
constexpr int slotIndexAt(std::int64_t utcMs, int band) {
    const std::int64_t p = slotPeriodOf(utcMs);
    const int s = static_cast<int>(((p % kSlotsPerCycle) + kSlotsPerCycle) % kSlotsPerCycle);
    return ((s - band) % kSlotsPerCycle + kSlotsPerCycle) % kSlotsPerCycle;
}

}  // namespace orvane::beacons
