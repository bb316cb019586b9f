#pragma once

#include <array>
#include <cstdint>
#include <vector>

#include "beacons/BandPlan.h"
#include "beacons/Stations.h"
#include "listen/Detector.h"

namespace orvane::listen {

// Responsibilities: the last 24 hours of results, per band, beacon and
// 3-minute cycle (each beacon is on each band once a cycle), for the chart of
// openings. Fixed size whatever runs: a ring of 480 cycles, a cell keeping
// the cycle it belongs to, so one from a day ago is never taken for today's.
class OpeningHistory {
public:
    static constexpr std::int64_t kCycleMs = 180'000;
    static constexpr int kCycles = 480;  // 24 hours

    OpeningHistory();

    void add(const SlotResult& result);
    // The heard level 0..4 of the beacon on the band in the cycle holding
    // `atMs`, or -1 when it was not listened for then (or that is outside
    // the last 24 hours before `nowMs`).
    int level(int band, int beaconIndex, std::int64_t atMs, std::int64_t nowMs) const;

    static std::int64_t cycleOf(std::int64_t utcMs);

private:
    struct Cell {
        std::int64_t cycle = -1;
        std::int8_t level = -1;
    };
    std::size_t at(int band, int beaconIndex, std::int64_t cycle) const;
    std::vector<Cell> cells_;
};

}  // namespace orvane::listen
