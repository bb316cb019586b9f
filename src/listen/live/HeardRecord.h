#pragma once

#include <QByteArray>
#include <QString>
#include <array>
#include <cstdint>
#include <optional>

#include "beacons/BandPlan.h"
#include "beacons/Stations.h"
#include "listen/Detector.h"

namespace orvane::listen {

// The CSV log's columns, as its header line names them.
inline constexpr char kHeardLogHeader[] = "utc,mhz,slot,call,heard,snr1,snr2,snr3,snr4,tone_offset_hz,time_offset_ms";

// One slot's result as a line of the log (no end of line): the slot's start
// in ISO UTC, the band's frequency, the slot number 1..18, the call, 1 or 0,
// the four dashes' SNR in dB with one decimal (empty where not found), the
// tone and timing offsets. The call is kept to the characters a call sign
// has, so it can never break the line.
QByteArray heardLogLine(const SlotResult& result, const QString& call);

// How much of a beacon came through in a slot: the four dashes step its power
// down by 10 dB each, so the count of dashes heard is the path's margin.
// 0: not heard.
int heardLevel(const SlotResult& result);

// Responsibilities: the last result for each beacon on each band, for the
// monitor's grid and the map, and its age.
class HeardTable {
public:
    // A result older than this no longer describes the path: it is not shown.
    static constexpr std::int64_t kShownForMs = 30 * 60'000;

    void add(const SlotResult& result);
    const std::optional<SlotResult>& last(int beaconIndex, int band) const;
    // The last result if its slot began at most kShownForMs before `nowMs`.
    const std::optional<SlotResult>& shownAt(int beaconIndex, int band, std::int64_t nowMs) const;
    void clear();
    // The beacons heard on any band since `sinceMs` (for the map).
    std::array<bool, beacons::kBeaconListCount> heardSince(std::int64_t sinceMs) const;
    // How many beacons were heard on `band` in slots starting in
    // [sinceMs, untilMs) (for the monitor's "heard in the last cycle").
    int heardCount(int band, std::int64_t sinceMs, std::int64_t untilMs) const;

private:
    std::array<std::array<std::optional<SlotResult>, beacons::kBandCount>, beacons::kBeaconListCount> last_{};
};

// "3 of 4 dashes, 2 min ago" and the like, for a cell's tooltip.
QString heardSummary(const SlotResult& result, std::int64_t nowMs);

}  // namespace orvane::listen
