#include <gtest/gtest.h>

#include <optional>
#include <vector>

#include "listen/DelayEstimator.h"

using namespace orvane;
using listen::DelayEstimator;
using listen::ReceiveDelay;
using listen::SlotResult;

namespace {

// A slot heard `offsetMs` from where it was cut; `dash`: its 100 W dash found.
SlotResult heardAt(double offsetMs, bool dash = true) {
    SlotResult r;
    r.heard = true;
    r.timeOffsetMs = offsetMs;
    if (dash) r.dashSnrDb[0] = -10.0;
    return r;
}

SlotResult missed() { return SlotResult{}; }

TEST(ReceiveDelay, TextsReadAndWriteBack) {
    struct Case {
        const char* text;
        std::optional<ReceiveDelay> delay;
    };
    const Case cases[] = {
        {"0", ReceiveDelay{false, 0}},        {"180", ReceiveDelay{false, 180}},
        {"+180", ReceiveDelay{false, 180}},   {"-500", ReceiveDelay{false, -500}},
        {"3000", ReceiveDelay{false, 3000}},  {" 1500 ", ReceiveDelay{false, 1500}},
        {"auto", ReceiveDelay{true, 0}},      {"AUTO", ReceiveDelay{true, 0}},
        {"auto:850", ReceiveDelay{true, 850}}, {"auto:-200", ReceiveDelay{true, -200}},
        {"-501", std::nullopt},               {"3001", std::nullopt},
        {"", std::nullopt},                   {"1.5", std::nullopt},
        {"800ms", std::nullopt},              {"auto:", std::nullopt},
        {"auto:4000", std::nullopt},          {"automatic", std::nullopt},
        {"0x10", std::nullopt},               {"99999999999999999999", std::nullopt},
    };
    for (const Case& c : cases) {
        const auto parsed = listen::parseReceiveDelay(QString::fromLatin1(c.text));
        ASSERT_EQ(parsed.has_value(), c.delay.has_value()) << c.text;
        if (!parsed) continue;
        EXPECT_EQ(*parsed, *c.delay) << c.text;
        EXPECT_EQ(listen::parseReceiveDelay(listen::receiveDelayText(*parsed)), parsed) << c.text;
    }
}

// It locks on the median once three confident slots agree: not on two, not
// on slots that disagree or were heard without their 100 W dash; before
// that it searches wide around where it started.
TEST(DelayEstimator, LocksWhenThreeConfidentSlotsAgree) {
    DelayEstimator e(100);
    EXPECT_FALSE(e.locked());
    EXPECT_EQ(e.delayMs(), 100);
    EXPECT_EQ(e.wideSearchMs(), DelayEstimator::kWideSearchMs);
    // Cut 100 ms late: offsets of +700 put the air 800 ms back.
    EXPECT_FALSE(e.add(heardAt(710), 100));
    EXPECT_FALSE(e.add(missed(), 100));
    EXPECT_FALSE(e.add(heardAt(-1900), 100));  // a stray: agrees with nothing
    EXPECT_FALSE(e.add(heardAt(690, false), 100));  // no 100 W dash: not confident
    EXPECT_FALSE(e.add(heardAt(1400), 100));
    EXPECT_FALSE(e.add(heardAt(705), 100));  // two agree
    EXPECT_FALSE(e.locked());
    EXPECT_TRUE(e.add(heardAt(700), 100));
    EXPECT_TRUE(e.locked());
    EXPECT_EQ(e.delayMs(), 805);  // the median of 810, 805 and 800; the strays left out
    EXPECT_EQ(e.wideSearchMs(), 0);
}

TEST(DelayEstimator, FollowsSlowChangesButNotScatter) {
    DelayEstimator e(0);
    for (double o : {800.0, 810.0, 790.0}) e.add(heardAt(o), 0);
    ASSERT_TRUE(e.locked());
    ASSERT_EQ(e.delayMs(), 800);
    // Scatter of ±30 ms around the estimate moves nothing.
    for (double o : {30.0, -30.0, 25.0, -5.0, 28.0, -12.0, 35.0}) EXPECT_FALSE(e.add(heardAt(o), 800)) << o;
    EXPECT_EQ(e.delayMs(), 800);
    // The chain now lags 60 ms more: once most of the recent slots say so,
    // the estimate follows (and is told once).
    int told = 0;
    for (int i = 0; i < 7; ++i) told += e.add(heardAt(60), 800);
    EXPECT_EQ(told, 1);
    EXPECT_NEAR(e.delayMs(), 860, 1);
    EXPECT_TRUE(e.locked());
}

TEST(DelayEstimator, UnlocksAfterACycleNotHeardAndLocksAgain) {
    DelayEstimator e(0);
    for (double o : {1500.0, 1490.0, 1505.0}) e.add(heardAt(o), 0);
    ASSERT_TRUE(e.locked());
    // 17 misses, a slot heard (even weakly), 17 more: still locked.
    for (int i = 0; i < DelayEstimator::kUnlockMisses - 1; ++i) EXPECT_FALSE(e.add(missed(), 1500));
    EXPECT_FALSE(e.add(heardAt(0, false), 1500));
    for (int i = 0; i < DelayEstimator::kUnlockMisses - 1; ++i) EXPECT_FALSE(e.add(missed(), 1500));
    EXPECT_TRUE(e.locked());
    EXPECT_TRUE(e.add(missed(), 1500));
    EXPECT_FALSE(e.locked());
    EXPECT_EQ(e.wideSearchMs(), DelayEstimator::kWideSearchMs);
    EXPECT_EQ(e.delayMs(), 1500);  // searched around the last estimate
    // The old offsets are forgotten: three new ones lock anew.
    e.add(heardAt(-700), 1500);
    e.add(heardAt(-690), 1500);
    EXPECT_FALSE(e.locked());
    EXPECT_TRUE(e.add(heardAt(-710), 1500));
    EXPECT_EQ(e.delayMs(), 800);
}

}  // namespace
