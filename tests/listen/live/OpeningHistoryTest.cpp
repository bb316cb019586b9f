// The last 24 hours of results for the chart.
#include <gtest/gtest.h>

#include "common/TimeTypes.h"
#include "listen/live/OpeningHistory.h"

namespace orvane::listen {
namespace {

const std::int64_t kDay = msFromSystemTime(SystemTime{2026, 12, 4, 10, 0, 0, 0, 0});

SlotResult heardAt(std::int64_t ms, int band, int beacon, int dashes) {
    SlotResult r;
    r.periodStartMs = ms;
    r.band = band;
    r.beaconIndex = beacon;
    r.heard = dashes > 0;
    for (int i = 0; i < dashes; ++i) r.dashSnrDb[static_cast<std::size_t>(i)] = 10.0 - 10 * i;
    return r;
}

TEST(OpeningHistory, KeepsTheLastDayPerBandBeaconAndCycle) {
    OpeningHistory h;
    const std::int64_t t = kDay + 14 * 3'600'000;  // 14:00
    h.add(heardAt(t, 0, 0, 4));
    h.add(heardAt(t + 10'000, 1, 0, 2));
    h.add(heardAt(t + 180'000, 0, 0, 0));  // next cycle: listened for, not heard
    const std::int64_t now = t + 200'000;
    EXPECT_EQ(h.level(0, 0, t + 179'999, now), 4);  // anywhere in its cycle
    EXPECT_EQ(h.level(1, 0, t, now), 2);
    EXPECT_EQ(h.level(0, 0, t + 180'000, now), 0);
    EXPECT_EQ(h.level(0, 1, t, now), -1);   // another beacon
    EXPECT_EQ(h.level(2, 0, t, now), -1);   // another band
    EXPECT_EQ(h.level(0, 0, t - 1, now), -1);  // the cycle before
    EXPECT_EQ(h.level(7, 0, t, now), -1);
    // A day on, the same place in the ring holds nothing of the day before.
    const std::int64_t dayLater = t + 86'400'000;
    EXPECT_EQ(h.level(0, 0, t, dayLater), -1);
    EXPECT_EQ(h.level(0, 0, dayLater, dayLater), -1);
    h.add(heardAt(dayLater, 0, 0, 1));
    EXPECT_EQ(h.level(0, 0, dayLater, dayLater), 1);
    EXPECT_EQ(h.level(0, 0, t, dayLater + 1), -1);
    // Results out of range are ignored, never written out of bounds.
    h.add(heardAt(t, 5, 0, 4));
    h.add(heardAt(t, 0, 18, 4));
    h.add(heardAt(t, -1, -1, 4));
    EXPECT_EQ(OpeningHistory::cycleOf(-1), -1);
    EXPECT_EQ(OpeningHistory::cycleOf(0), 0);
    EXPECT_EQ(OpeningHistory::cycleOf(179'999), 0);
}

}  // namespace
}  // namespace orvane::listen
