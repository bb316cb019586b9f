#include "beacons/Monitor.h"

namespace orvane::beacons {

MonitorView monitorAt(std::int64_t utcMs) {
    MonitorView v;
    const std::int64_t period = slotPeriodOf(utcMs);
    v.periodStartMs = slotPeriodStartMs(period);
    v.cyclePosition = slotIndexAt(v.periodStartMs, 0);
    const std::int64_t leftMs = slotPeriodStartMs(period + 1) - utcMs;  // 1..10000
    v.secondsLeft = static_cast<int>((leftMs + 999) / 1000);
    for (int band = 0; band < kBandCount; ++band) {
        auto& b = v.bands[static_cast<std::size_t>(band)];
        b.nowIndex = slotIndexAt(v.periodStartMs, band);
        b.nextIndex = slotIndexAt(slotPeriodStartMs(period + 1), band);
    }
    return v;
}

int bandOfBeaconAt(int index, std::int64_t utcMs) {
    // (s - band) mod 18 == index exactly when band == (s - index) mod 18.
    const int band = beaconOnBand(slotPeriodOf(utcMs), index);
    return band < kBandCount ? band : -1;
}

Transmission transmissionOfBeacon(int index, std::int64_t utcMs) {
    std::int64_t period = slotPeriodOf(utcMs);
    // Within one cycle every beacon transmits, so at most 18 periods ahead.
    for (int k = 0; k < kSlotsPerCycle; ++k, ++period) {
        const std::int64_t start = slotPeriodStartMs(period);
        const int band = bandOfBeaconAt(index, start);
        if (band >= 0) return {start, band};
    }
    return {slotPeriodStartMs(period), 0};  // not reached for index 0..17
}

Transmission nextTransmissionOfBeacon(int index, std::int64_t utcMs) {
    return transmissionOfBeacon(index, nextSlotBoundaryMs(utcMs));
}

}  // namespace orvane::beacons
