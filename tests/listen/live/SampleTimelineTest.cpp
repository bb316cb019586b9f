// The samples' UTC: steady from the sample count, anchored by the moments
// blocks arrive, mended after a gap and against a slow sound card.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
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
    // Six seconds of audio were lost (an overrun, a suspended device): the
    // next block is later than a busy machine and the capture buffer can
    // ever hold one back.
    constexpr double kLostMs = 6000;
    static_assert(kLostMs > SampleTimeline::kGapMs);
    EXPECT_DOUBLE_EQ(t.stamp(kT0 + 300 + kLostMs, kBlock), kT0 + 200 + kLostMs);
    EXPECT_EQ(t.gaps(), 1);
    EXPECT_DOUBLE_EQ(t.stamp(kT0 + 400 + kLostMs, kBlock), kT0 + 300 + kLostMs);
}

// A busy machine: the sound server hands audio on in lumps of two seconds
// (the capture buffer), read in pieces of 4096 samples, and the reader wakes
// late by a varying amount, now and then by seconds. Nothing is lost, so the
// stamps must never jump: once settled they move by at most kMaxStepMs from
// one block to the next, whatever the bounds say, and stay within the
// lateness the pattern gives.
TEST(SampleTimeline, ABusyMachineMovesTheStampsOnlyGradually) {
    struct Pattern {
        const char* name;
        double (*readLateMs)(int lump);  // how late the reader wakes after lump `lump` is handed on
    };
    const Pattern patterns[] = {
        {"SteadyLate", [](int) { return 300.0; }},
        {"VaryingLoad", [](int lump) { return static_cast<double>((lump * 7919) % 900); }},
        {"LateThenOnTime", [](int lump) { return lump < 12 ? 800.0 : 0.0; }},
        {"OnTimeThenLate", [](int lump) { return lump < 5 ? 0.0 : 600.0 + (lump % 3) * 150.0; }},
        {"StallOf3sAfterSettling", [](int lump) { return lump == 8 ? 3000.0 : 120.0; }},
        {"OneQuickReadAmongSlowOnes", [](int lump) { return lump == 15 ? 0.0 : 1500.0; }},
    };
    constexpr std::int64_t kLump = 2 * kRate;
    constexpr std::int64_t kPiece = 4096;
    for (const Pattern& p : patterns) {
        SampleTimeline t(kRate);
        std::int64_t frame = 0;
        double previousEndMs = 0;
        double worstStepMs = 0, worstErrorMs = 0;
        for (int lump = 0; lump < 60; ++lump) {  // two minutes
            // The lump's last sample is taken at its end; the reader wakes
            // later and reads the lump, with whatever lumps came meanwhile
            // still waiting behind it (not modelled: each is read alone).
            const double lumpEndMs = kT0 + static_cast<double>((lump + 1) * kLump) * 1000 / kRate;
            const double wakeMs = lumpEndMs + 20 + p.readLateMs(lump);
            for (std::int64_t read = 0; read < kLump; read += kPiece) {
                const std::int64_t n = std::min(kPiece, kLump - read);
                const double framesLeftMs = static_cast<double>(kLump - read - n) * 1000 / kRate;
                const double firstMs = t.stamp(wakeMs - framesLeftMs, n);
                const double trueFirstMs = kT0 + static_cast<double>(frame) * 1000 / kRate;
                if (static_cast<double>(frame) * 1000 / kRate >= SampleTimeline::kSettleMs + 2000)
                    worstStepMs = std::max(worstStepMs, std::abs(firstMs - previousEndMs));
                worstErrorMs = std::max(worstErrorMs, firstMs - trueFirstMs);
                EXPECT_GE(firstMs - trueFirstMs, -0.001) << p.name << ": stamped before it was taken";
                previousEndMs = firstMs + static_cast<double>(n) * 1000 / kRate;
                frame += n;
            }
        }
        EXPECT_EQ(t.gaps(), 0) << p.name;
        EXPECT_LE(worstStepMs, SampleTimeline::kMaxStepMs + 0.01) << p.name;  // ms of 1.8e12 in a double
        EXPECT_LE(worstErrorMs, 3100) << p.name;
    }
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
