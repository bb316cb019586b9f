// When a new slot is shown.
#include <gtest/gtest.h>

#include "beacons/SlotTracker.h"
#include "beacons/StationTable.h"
#include "common/TimeTypes.h"

using namespace orvane::beacons;

namespace {
std::int64_t noon(int minute, int second, int ms = 0) {
    return (orvane::daysFromCivil(2026, 12, 10) * 86400 + 12 * 3600 + minute * 60 + second) * 1000 + ms;
}
}  // namespace

TEST(SlotTracker, ShowsOncePerSlotAndAgainWhenForced) {
    SlotTracker t;
    EXPECT_EQ(t.onClock(noon(0, 0), 0, false), 0);  // first reading always shows
    EXPECT_EQ(t.onClock(noon(0, 9, 999), 0, false), std::nullopt);
    EXPECT_EQ(t.onClock(noon(0, 5), 4, true), 14);  // band change within the slot
    EXPECT_EQ(t.onClock(noon(0, 10), 4, false), 15);
    EXPECT_EQ(t.onClock(noon(2, 50), 0, false), 17);
    EXPECT_EQ(t.onClock(noon(3, 0), 0, false), 0);
}

TEST(SlotTracker, ClockJumpOfWholeMinutesStillShowsTheNewSlot) {
    SlotTracker t;
    EXPECT_EQ(t.onClock(noon(0, 5), 0, false), 0);
    // Same second within the minute, one minute later: another beacon.
    EXPECT_EQ(t.onClock(noon(1, 5), 0, false), 6);
    // The clock set back into an earlier slot.
    EXPECT_EQ(t.onClock(noon(0, 5), 0, false), 0);
}

TEST(SlotTracker, LooksAndCaptions) {
    EXPECT_EQ(labelLook(false, true), (LabelLook{false, TextRole::WindowText, false}));
    EXPECT_EQ(labelLook(false, false), (LabelLook{false, TextRole::InactiveCaption, false}));
    EXPECT_EQ(labelLook(true, true), (LabelLook{true, TextRole::Red, true}));
    EXPECT_EQ(labelLook(true, false), (LabelLook{true, TextRole::InactiveCaption, false}));
    const StationTable stations;
    EXPECT_EQ(beaconSlotCaption(stations, 0), "Slot:1  United Nations NY");
    EXPECT_EQ(beaconSlotCaption(stations, 9), "Slot:10 Colombo, Sri Lanka");
}
