#include "listen/live/OpeningHistory.h"

#include "listen/live/HeardRecord.h"
#include "common/TimeTypes.h"

namespace orvane::listen {

OpeningHistory::OpeningHistory()
    : cells_(static_cast<std::size_t>(beacons::kBandCount) * beacons::kBeaconListCount * kCycles) {}

std::int64_t OpeningHistory::cycleOf(std::int64_t utcMs) {
    // Floor division: moments before 1970 stay in their own cycle.
    return floorDiv(utcMs, kCycleMs);
}

std::size_t OpeningHistory::at(int band, int beaconIndex, std::int64_t cycle) const {
    const auto ring = static_cast<std::size_t>(floorMod(cycle, kCycles));
    return (static_cast<std::size_t>(band) * beacons::kBeaconListCount + static_cast<std::size_t>(beaconIndex)) * kCycles +
           ring;
}

void OpeningHistory::add(const SlotResult& result) {
    if (!beacons::isValidBand(result.band) || result.beaconIndex < 0 || result.beaconIndex >= beacons::kBeaconListCount)
        return;
    const std::int64_t cycle = cycleOf(result.periodStartMs);
    Cell& cell = cells_[at(result.band, result.beaconIndex, cycle)];
    cell.cycle = cycle;
    cell.level = static_cast<std::int8_t>(heardLevel(result));
}

int OpeningHistory::level(int band, int beaconIndex, std::int64_t atMs, std::int64_t nowMs) const {
    if (!beacons::isValidBand(band) || beaconIndex < 0 || beaconIndex >= beacons::kBeaconListCount) return -1;
    const std::int64_t cycle = cycleOf(atMs);
    const std::int64_t nowCycle = cycleOf(nowMs);
    if (cycle > nowCycle || cycle <= nowCycle - kCycles) return -1;
    const Cell& cell = cells_[at(band, beaconIndex, cycle)];
    return cell.cycle == cycle ? cell.level : -1;
}

}  // namespace orvane::listen
