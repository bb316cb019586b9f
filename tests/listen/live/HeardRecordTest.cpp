// One slot's result as a log line, its level and its age; the table of last results.
#include <gtest/gtest.h>

#include "common/TimeTypes.h"
#include "listen/live/HeardRecord.h"

namespace orvane::listen {
namespace {

// 2026-12-10 14:00:10 UTC: slot 2 (VE8AT) on 14.100 MHz.
const std::int64_t kSlotStart = msFromSystemTime(SystemTime{2026, 12, 4, 10, 14, 0, 10, 0});

SlotResult result(bool heard, std::array<std::optional<double>, 4> snr, int band = 0, int beacon = 1) {
    SlotResult r;
    r.periodStartMs = kSlotStart;
    r.band = band;
    r.beaconIndex = beacon;
    r.heard = heard;
    r.dashSnrDb = snr;
    r.toneOffsetHz = -23.46;
    r.timeOffsetMs = 54.6;
    return r;
}

TEST(HeardRecord, LogLines) {
    struct Case {
        const char* name;
        SlotResult r;
        QString call;
        QByteArray line;
    };
    const Case cases[] = {
        {"all four", result(true, {12.34, 2.3, -7.75, -17.2}), QStringLiteral("VE8AT"),
         "2026-12-10T14:00:10Z,14.100,2,VE8AT,1,12.3,2.3,-7.8,-17.2,-23.5,55"},
        {"two found", result(true, {3.0, -6.9, std::nullopt, std::nullopt}, 4), QStringLiteral("ve8at"),
         "2026-12-10T14:00:10Z,28.200,2,VE8AT,1,3.0,-6.9,,,-23.5,55"},
        {"not heard", result(false, {}), QStringLiteral("VE8AT"), "2026-12-10T14:00:10Z,14.100,2,VE8AT,0,,,,,-23.5,55"},
        {"a call that would break the line", result(false, {}), QStringLiteral("4U1\nUN,x\"y"),
         "2026-12-10T14:00:10Z,14.100,2,4U1UNXY,0,,,,,-23.5,55"},
    };
    for (const Case& c : cases) EXPECT_EQ(heardLogLine(c.r, c.call), c.line) << c.name;
    SlotResult nan = result(true, {std::numeric_limits<double>::quiet_NaN(), 1.0, 1.0, 1.0});
    nan.timeOffsetMs = std::numeric_limits<double>::infinity();
    EXPECT_EQ(heardLogLine(nan, QStringLiteral("VE8AT")), "2026-12-10T14:00:10Z,14.100,2,VE8AT,1,,1.0,1.0,1.0,-23.5,");
}

TEST(HeardRecord, LevelAgeAndTheTable) {
    EXPECT_EQ(heardLevel(result(true, {1.0, 1.0, 1.0, 1.0})), 4);
    EXPECT_EQ(heardLevel(result(true, {1.0, std::nullopt, std::nullopt, std::nullopt})), 1);
    EXPECT_EQ(heardLevel(result(false, {1.0, std::nullopt, std::nullopt, std::nullopt})), 0);
    EXPECT_EQ(heardSummary(result(true, {1.0, 1.0, 1.0, std::nullopt}), kSlotStart + 45'000),
              QStringLiteral("3 of 4 dashes, 45 s ago"));
    EXPECT_EQ(heardSummary(result(false, {}), kSlotStart + 600'000), QStringLiteral("not heard, 10 min ago"));
    EXPECT_EQ(heardSummary(result(false, {}), kSlotStart + 3 * 3'600'000), QStringLiteral("not heard, 3 h ago"));
    // Another beacon's call keyed in the slot is named; the log keeps its
    // columns: the expected beacon, not heard.
    SlotResult other = result(false, {});
    other.otherCall = QStringLiteral("KH6WO");
    EXPECT_EQ(heardSummary(other, kSlotStart + 20'000), QStringLiteral("other KH6WO, 20 s ago"));
    EXPECT_EQ(heardLevel(other), 0);
    EXPECT_EQ(heardLogLine(other, QStringLiteral("VE8AT")), "2026-12-10T14:00:10Z,14.100,2,VE8AT,0,,,,,-23.5,55");

    HeardTable table;
    EXPECT_FALSE(table.last(1, 0));
    table.add(result(true, {1.0, 1.0, std::nullopt, std::nullopt}, 0, 1));
    table.add(result(false, {}, 2, 5));
    table.add(result(true, {}, 7, 5));   // no such band: ignored
    table.add(result(true, {}, 0, 18));  // no such beacon: ignored
    ASSERT_TRUE(table.last(1, 0));
    EXPECT_EQ(heardLevel(*table.last(1, 0)), 2);
    EXPECT_FALSE(table.last(1, 1));
    EXPECT_FALSE(table.last(18, 0));
    const auto heard = table.heardSince(kSlotStart);
    EXPECT_TRUE(heard[1]);
    EXPECT_FALSE(heard[5]);
    EXPECT_FALSE(table.heardSince(kSlotStart + 1)[1]);
    table.add(result(false, {}, 0, 1));  // the latest result replaces the earlier one
    EXPECT_FALSE(table.heardSince(kSlotStart)[1]);
}

}  // namespace
}  // namespace orvane::listen
