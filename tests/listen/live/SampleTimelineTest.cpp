// The samples' UTC: steady from the sample count, anchored by the moments
// blocks arrive, mended after a gap and against a slow sound card.
#include <gtest/gtest.h>

#include <cstdint>

#include "listen/live/SampleTimeline.h"

namespace orvane::listen {
namespace {

constexpr int kRate = 12000;
constexpr std::int64_t kBlock = 1200;  // 100 ms
constexpr double kT0 = 1'781'000'000'000.0;

TEST(SampleTimeline, FirstBlockAnchorsAndLaterBlocksFollowTheSampleCount) {
    SampleTimeline t(kRate);
    // The first block arrives 30 ms after its last sample was taken.
    EXPECT_DOUBLE_EQ(t.stamp(kT0 + 100 + 30, kBlock), kT0 + 30);
    // Later blocks arrive with jitter of up to 40 ms; their stamps ignore it.
    const double jitter[] = {5, 40, 0, 25, 12};
    for (int i = 0; i < 5; ++i) {
        const double first = kT0 + 30 + 100.0 * (i + 1);
        EXPECT_DOUBLE_EQ(t.stamp(first + 100 + 30 + jitter[i], kBlock), first) << i;
    }
    EXPECT_EQ(t.gaps(), 0);
}

TEST(SampleTimeline, ABlockArrivingEarlierThanForeseenMovesTheAnchorBack) {
    SampleTimeline t(kRate);
    t.stamp(kT0 + 100 + 80, kBlock);  // the first block was held up 80 ms
    // The next arrives right after its last sample: the truth is 80 ms earlier.
    EXPECT_DOUBLE_EQ(t.stamp(kT0 + 200, kBlock), kT0 + 100);
    EXPECT_DOUBLE_EQ(t.stamp(kT0 + 310, kBlock), kT0 + 200);
}

TEST(SampleTimeline, LostSamplesStartTheAnchorAfresh) {
    SampleTimeline t(kRate);
    t.stamp(kT0 + 100, kBlock);
    t.stamp(kT0 + 200, kBlock);
    // Two seconds of audio were lost (an overrun): the next block is late by far.
    EXPECT_DOUBLE_EQ(t.stamp(kT0 + 2300, kBlock), kT0 + 2200);
    EXPECT_EQ(t.gaps(), 1);
    EXPECT_DOUBLE_EQ(t.stamp(kT0 + 2400, kBlock), kT0 + 2300);
}

TEST(SampleTimeline, ASlowSoundCardIsFollowedWithinTheDriftAllowance) {
    // The card delivers 0.5 % fewer samples than it says (11940 Hz for 12000):
    // by count alone the stamps would fall behind by 5 ms each second.
    SampleTimeline t(kRate);
    const double trueRate = 11940;
    double worstMs = 0;
    for (int i = 0; i < 600; ++i) {  // one minute
        const double firstTrue = kT0 + static_cast<double>(i) * kBlock * 1000.0 / trueRate;
        const double arrived = firstTrue + kBlock * 1000.0 / trueRate + (i % 3) * 7.0;
        const double stamped = t.stamp(arrived, kBlock);
        worstMs = std::max(worstMs, std::abs(stamped - firstTrue));
    }
    // Uncorrected, the error would reach 300 ms in the minute.
    EXPECT_LT(worstMs, SampleTimeline::kDriftMs + 30);
    EXPECT_EQ(t.gaps(), 0);
}

}  // namespace
}  // namespace orvane::listen
