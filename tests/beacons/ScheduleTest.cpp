// The schedule rule: which beacon transmits at a moment on a band.
#include <gtest/gtest.h>

#include <set>

#include "beacons/Monitor.h"
#include "beacons/Schedule.h"
#include "common/TimeTypes.h"

using namespace orvane;
using namespace orvane::beacons;

namespace {

// The rule as the network publishes it, step by step: the second's tenth,
// then +6 or +12 for the second and third minute of the three-minute cycle,
// then the band's delay wrapped into the cycle.
int referenceSlotIndex(int minute, int truncatedSecond, int band) {
    int s = truncatedSecond / 10;
    if (minute % 3 == 1) s += 6;
    else if (minute % 3 == 2) s += 12;
    if (band > 0) s = band <= s ? s - band : 18 - (band - s);
    return s;
}

UtcMs at(int y, int mo, int d, int h, int mi, int s, int ms = 0) {
    return (daysFromCivil(y, mo, d) * 86400 + h * 3600 + mi * 60 + s) * 1000 + ms;
}

struct Example {
    const char* name;
    int minute, second, band, index;
};

const Example kExamples[] = {
    {"Noon_Band0_Slot1", 0, 0, 0, 0},    {"Noon_Band1_Slot18", 0, 0, 1, 17},  {"Noon_Band4_Slot15", 0, 0, 4, 14},
    {"Noon09_Band0_Slot1", 0, 9, 0, 0},  {"Noon10_Band0_Slot2", 0, 10, 0, 1}, {"T0125_Band0_Slot9", 1, 25, 0, 8},
    {"T0125_Band1_Slot8", 1, 25, 1, 7},  {"T0125_Band3_Slot6", 1, 25, 3, 5},  {"T0250_Band2_Slot16", 2, 50, 2, 15},
    {"T0250_Band0_Slot18", 2, 50, 0, 17}, {"T0300_Band0_Slot1", 3, 0, 0, 0},  {"T5959_Band4_Slot14", 59, 59, 4, 13},
};

}  // namespace

TEST(Schedule, PublishedExamples) {
    for (const Example& e : kExamples) {
        SCOPED_TRACE(e.name);
        EXPECT_EQ(SlotIndex(e.minute, e.second - e.second % 10, e.band), e.index);
        EXPECT_EQ(slotIndexAt(at(2026, 12, 10, 12, e.minute, e.second), e.band), e.index);
    }
}

TEST(Schedule, EveryMinuteSecondAndBandFollowsTheRule) {
    for (int minute = 0; minute < 60; ++minute)
        for (int second = 0; second < 60; ++second)
            for (int band = 0; band < 5; ++band) {
                const int truncated = second - second % 10;
                const int expected = referenceSlotIndex(minute, truncated, band);
                ASSERT_EQ(SlotIndex(minute, truncated, band), expected) << minute << ":" << second << " band " << band;
                ASSERT_EQ(slotIndexAt(at(2024, 2, 29, 23, minute, second, 999), band), expected);
            }
}

TEST(Schedule, FiveDistinctBeaconsOnTheAirAndEachMovesUpOneBandPerSlot) {
    for (std::int64_t period = 0; period < 18; ++period) {
        const UtcMs t = at(2026, 1, 1, 0, 0, 0) + period * kSlotMs;
        std::set<int> onAir;
        for (int band = 0; band < 5; ++band) {
            onAir.insert(slotIndexAt(t, band));
            // The beacon heard on band 0 now is heard on band k, k slots later.
            EXPECT_EQ(slotIndexAt(t + band * kSlotMs, band), slotIndexAt(t, 0));
        }
        EXPECT_EQ(onAir.size(), 5u);
    }
}

TEST(Schedule, EdgesOneMillisecondAroundBoundaries) {
    struct Edge {
        const char* name;
        UtcMs boundary;
        int before, after;  // band 0 indexes just before and at the boundary
    };
    const Edge edges[] = {
        {"SlotStart", at(2026, 12, 10, 12, 0, 10), 0, 1},
        {"CycleWrap", at(2026, 12, 10, 12, 3, 0), 17, 0},
        {"MinuteInCycle", at(2026, 12, 10, 12, 1, 0), 5, 6},
        {"Midnight", at(2026, 12, 11, 0, 0, 0), 17, 0},
        {"NewYear", at(2027, 1, 1, 0, 0, 0), 17, 0},
        {"LeapDay", at(2024, 2, 29, 0, 0, 0), 17, 0},
        {"Epoch", 0, 17, 0},
        {"Before1970", at(1969, 12, 31, 23, 58, 10), 6, 7},
    };
    for (const Edge& e : edges) {
        SCOPED_TRACE(e.name);
        EXPECT_EQ(slotIndexAt(e.boundary - 1, 0), e.before);
        EXPECT_EQ(slotIndexAt(e.boundary, 0), e.after);
        EXPECT_EQ(slotIndexAt(e.boundary + 1, 0), e.after);
        EXPECT_EQ(nextSlotBoundaryMs(e.boundary - 1), e.boundary);
        EXPECT_EQ(nextSlotBoundaryMs(e.boundary), e.boundary + kSlotMs);
        EXPECT_EQ(slotPeriodOf(e.boundary) - slotPeriodOf(e.boundary - 1), 1);
    }
}

// The four views of the one rule agree at every band and at negative times
// and cycle edges: the minute-and-second form, the moment form, the cycle
// grid's column form (beaconOnBand) and its inverse, the band a beacon is on.
TEST(Schedule, EveryFormOfTheRuleAgreesAtNegativeTimesAndCycleEdges) {
    struct Case {
        const char* name;
        UtcMs moment;
        int band0;  // index of the band-0 beacon (the cycle position)
    };
    const UtcMs cycle = kSlotsPerCycle * kSlotMs;
    const Case cases[] = {
        {"Epoch", 0, 0},
        {"OneMsBeforeEpoch", -1, 17},
        {"OneCycleBeforeEpoch", -cycle, 0},
        {"OneCycleAndOneMsBefore", -cycle - 1, 17},
        {"LastSlotOfACycleBefore1970", -kSlotMs, 17},
        {"SecondSlotBefore1970", -cycle + kSlotMs, 1},
        {"Year1AtMidnight", at(1, 1, 1, 0, 0, 0), 0},
        {"Year9999LastMs", at(9999, 12, 31, 23, 59, 59, 999), 17},
        {"CycleEnd", at(2026, 12, 10, 12, 2, 59, 999), 17},
        {"CycleStart", at(2026, 12, 10, 12, 3, 0), 0},
        {"MidCycle", at(1969, 7, 20, 20, 17, 40), 16},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const SystemTime t = systemTimeFromMs(c.moment);
        for (int band = 0; band < 5; ++band) {
            SCOPED_TRACE(band);
            const int index = (c.band0 - band + kSlotsPerCycle) % kSlotsPerCycle;
            EXPECT_EQ(slotIndexAt(c.moment, band), index);
            EXPECT_EQ(SlotIndex(t.minute, t.second - t.second % 10, band), index);
            EXPECT_EQ(beaconOnBand(c.band0, band), index);
            EXPECT_EQ(beaconOnBand(slotPeriodOf(c.moment), band), index);
            EXPECT_EQ(bandOfBeaconAt(index, c.moment), band);
        }
        // The thirteen beacons off the air have no band.
        for (int k = 5; k < kSlotsPerCycle; ++k)
            EXPECT_EQ(bandOfBeaconAt((c.band0 - k + kSlotsPerCycle) % kSlotsPerCycle, c.moment), -1);
    }
}
