#pragma once

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <vector>

#include "KeyedTone.h"
#include "beacons/Schedule.h"
#include "beacons/StationTable.h"

// The air as a receive chain `delayMs` behind it records it: from the cycle
// start `cycleMs` less `leadMs`, noise throughout, and in each slot s of
// `keyed` (counted from `cycleMs`) the beacon the schedule puts on
// 14.10 MHz, keyed on time by the air at `snrDb`, heard `delayMs` late.
struct DelayedAir {
    double delayMs = 0;
    double snrDb = -10;
    std::vector<int> keyed;  // slots from the cycle start
    double leadMs = 5000;
    double lengthMs = 0;  // 0: to 5 s past the last slot and the delay
    int band = 0;         // whose beacons are keyed

    std::vector<float> render(int rate, std::int64_t cycleMs, std::uint32_t seed) const {
        const int last = keyed.empty() ? 0 : *std::max_element(keyed.begin(), keyed.end());
        const double length = lengthMs > 0 ? lengthMs : leadMs + (last + 1) * 10'000.0 + delayMs + 5000;
        KeyedTone noise;
        noise.present = false;
        std::vector<float> audio = noise.render(rate, length, seed);
        const orvane::beacons::StationTable stations;
        for (const int s : keyed) {
            KeyedTone due;
            due.call = stations.entry(orvane::beacons::slotIndexAt(cycleMs + s * 10'000, band)).call;
            due.dashSnrDb = {snrDb, snrDb - 10, snrDb - 20, snrDb - 30};
            const std::vector<float> tone = due.render(rate, 10'000, seed + 1 + static_cast<std::uint32_t>(s));
            const auto at = static_cast<std::ptrdiff_t>(std::llround((leadMs + s * 10'000 + delayMs) * rate / 1000));
            std::copy(tone.begin(), tone.end(), audio.begin() + at);
        }
        return audio;
    }
    std::int64_t startMs(std::int64_t cycleMs) const { return cycleMs - static_cast<std::int64_t>(leadMs); }
};

// Every slot of a cycle.
inline std::vector<int> wholeCycle() {
    std::vector<int> s(orvane::beacons::kSlotsPerCycle);
    for (int i = 0; i < orvane::beacons::kSlotsPerCycle; ++i) s[static_cast<std::size_t>(i)] = i;
    return s;
}
