// The all-bands view and a beacon's transmissions, at slot edges and wraps.
#include <gtest/gtest.h>

#include "beacons/Monitor.h"

namespace orvane::beacons {
namespace {

constexpr std::int64_t kNoon = 1'767'268'800'000;  // 2026-01-01 12:00:00 UTC, a cycle start

TEST(Monitor, AllBandsAtTheCycleStart) {
    const MonitorView v = monitorAt(kNoon);
    EXPECT_EQ(v.cyclePosition, 0);
    EXPECT_EQ(v.secondsLeft, 10);
    EXPECT_EQ(v.periodStartMs, kNoon);
    // Band 0 slot 1, band 1 slot 18, band 4 slot 15; next: one on.
    const int now[] = {0, 17, 16, 15, 14};
    for (int band = 0; band < kBandCount; ++band) {
        EXPECT_EQ(v.bands[static_cast<std::size_t>(band)].nowIndex, now[band]);
        EXPECT_EQ(v.bands[static_cast<std::size_t>(band)].nextIndex, (now[band] + 1) % 18);
    }
}

TEST(Monitor, SecondsLeftCountDownOnTheBoundaries) {
    struct Case {
        const char* name;
        std::int64_t offsetMs;
        int secondsLeft;
        int cyclePosition;
    };
    const Case cases[] = {
        {"AtStart", 0, 10, 0},           {"OneMsIn", 1, 10, 0},        {"OneSecondIn", 1000, 9, 0},
        {"JustBeforeSecond", 999, 10, 0}, {"LastMs", 9999, 1, 0},       {"NextSlot", 10'000, 10, 1},
        {"CycleEnd", 179'999, 1, 17},    {"CycleWrap", 180'000, 10, 0}, {"BeforeCycle", -1, 1, 17},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const MonitorView v = monitorAt(kNoon + c.offsetMs);
        EXPECT_EQ(v.secondsLeft, c.secondsLeft);
        EXPECT_EQ(v.cyclePosition, c.cyclePosition);
    }
    EXPECT_EQ(nextSecondBoundaryMs(kNoon), kNoon + 1000);
    EXPECT_EQ(nextSecondBoundaryMs(kNoon - 1), kNoon);
    EXPECT_EQ(nextSecondBoundaryMs(-1), 0);
    EXPECT_EQ(nextSecondBoundaryMs(-1000), 0);
}

TEST(Monitor, BeaconTransmissionsFollowTheBands) {
    // Slot 4 (index 3) at noon: silent until 12:00:30 on band 0, then a band
    // up every 10 s, then silent until 12:03:30.
    EXPECT_EQ(bandOfBeaconAt(3, kNoon), -1);
    EXPECT_EQ(transmissionOfBeacon(3, kNoon), (Transmission{kNoon + 30'000, 0}));
    EXPECT_EQ(transmissionOfBeacon(3, kNoon + 30'000), (Transmission{kNoon + 30'000, 0}));
    EXPECT_EQ(transmissionOfBeacon(3, kNoon + 39'999), (Transmission{kNoon + 30'000, 0}));
    EXPECT_EQ(nextTransmissionOfBeacon(3, kNoon + 30'000), (Transmission{kNoon + 40'000, 1}));
    EXPECT_EQ(nextTransmissionOfBeacon(3, kNoon + 70'000), (Transmission{kNoon + 210'000, 0}));
    for (int index = 0; index < kSlotsPerCycle; ++index)
        for (std::int64_t t = kNoon; t < kNoon + 180'000; t += 10'000) {
            const int band = bandOfBeaconAt(index, t);
            if (band >= 0) {
                EXPECT_EQ(slotIndexAt(t, band), index);
            }
        }
}

}  // namespace
}  // namespace orvane::beacons
