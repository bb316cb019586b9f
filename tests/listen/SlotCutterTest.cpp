#include <gtest/gtest.h>

#include <cmath>
#include <vector>

#include "KeyedTone.h"
#include "beacons/Schedule.h"
#include "beacons/StationTable.h"
#include "listen/SlotCutter.h"

using namespace orvane;
using listen::SlotCutter;
using listen::SlotResult;

namespace {

// 2026-12-10 12:00:00 UTC: a cycle starts (the minute is divisible by three).
constexpr std::int64_t kNoonMs = 1'796'904'000'000;
constexpr int kRate = 12000;

struct Fed {
    std::vector<SlotResult> results;
    SlotCutter cutter;
    explicit Fed(listen::Expectation expect)
        : cutter({}, std::move(expect), [this](const SlotResult& r) { results.push_back(r); }) {}

    // Pushes `audio` whose first sample is at `startMs` in blocks of 1000
    // samples, each stamped up to ±`jitterMs` off, as a sound card does.
    void feed(const std::vector<float>& audio, std::int64_t startMs, std::int64_t jitterMs = 0) {
        for (std::size_t i = 0; i < audio.size(); i += 1000) {
            const auto n = std::min<std::size_t>(1000, audio.size() - i);
            const std::int64_t jitter = (i / 1000) % 2 ? jitterMs : -jitterMs;
            cutter.push(startMs + static_cast<std::int64_t>(i) * 1000 / kRate + jitter, kRate,
                        std::span<const float>(audio.data() + i, n));
        }
    }
};

TEST(SlotCutter, CutsWholeSlotsOnTheBoundariesWhateverTheBlocks) {
    ASSERT_EQ(beacons::slotIndexAt(kNoonMs, 0), 0);
    // 40 s from 12:00:03.500: whole slots at :10, :20 and :30; the beacon of
    // :20 on 14.10 MHz (slot 3, W6WX) keyed exactly on time.
    KeyedTone silence;
    silence.present = false;
    std::vector<float> audio = silence.render(kRate, 40'000, 1);
    KeyedTone w6wx;
    w6wx.call = "W6WX";
    w6wx.dashSnrDb = {0, -10, -20, -30};
    const std::vector<float> slot = w6wx.render(kRate, 10'000, 2);
    std::copy(slot.begin(), slot.end(), audio.begin() + 16.5 * kRate);

    Fed fed(listen::expectOnBand(beacons::StationTable(), 0));
    fed.feed(audio, kNoonMs + 3500, 10);
    ASSERT_EQ(fed.results.size(), 3u);
    EXPECT_EQ(fed.results[0].periodStartMs, kNoonMs + 10'000);
    EXPECT_EQ(fed.results[1].periodStartMs, kNoonMs + 20'000);
    EXPECT_EQ(fed.results[2].periodStartMs, kNoonMs + 30'000);
    EXPECT_EQ(fed.results[1].beaconIndex, 2);
    EXPECT_FALSE(fed.results[0].heard);
    EXPECT_TRUE(fed.results[1].heard);
    EXPECT_NEAR(fed.results[1].timeOffsetMs, 0, 30);
    EXPECT_FALSE(fed.results[2].heard);
}

TEST(SlotCutter, LostAudioDropsThePartialSlot) {
    KeyedTone silence;
    silence.present = false;
    Fed fed(listen::expectOnBand(beacons::StationTable(), 1));
    fed.feed(silence.render(kRate, 15'000, 1), kNoonMs);           // 0..15 s: the slot at :00
    fed.feed(silence.render(kRate, 20'000, 2), kNoonMs + 15'500);  // 500 ms lost: the next whole slot is :20
    ASSERT_EQ(fed.results.size(), 2u);
    EXPECT_EQ(fed.results[0].periodStartMs, kNoonMs);
    EXPECT_EQ(fed.results[1].periodStartMs, kNoonMs + 20'000);
    EXPECT_EQ(fed.results[1].band, 1);
    EXPECT_EQ(fed.results[1].beaconIndex, beacons::slotIndexAt(kNoonMs + 20'000, 1));
}

// Stamps that move away from the sample count a little with every block (a
// card off its nominal rate, stamps mended bit by bit on a busy machine),
// by hundreds of ms over a minute in all, lose no slot: each slot starts
// where the stamps put its boundary, so a beacon keyed on the boundary by
// the stamps is heard on time.
TEST(SlotCutter, StampsMovingSlowlyFromTheCountLoseNoSlot) {
    for (const double msPerBlock : {2.0, -2.0, 0.5}) {
        KeyedTone silence;
        silence.present = false;
        std::vector<float> audio = silence.render(kRate, 60'000, 3);
        // Block i (1000 samples) is stamped at its count's moment plus
        // i × msPerBlock; the beacon goes where the stamps put :40.
        const auto stampOf = [&](std::size_t block) {
            return kNoonMs + static_cast<std::int64_t>(block) * 1000 * 1000 / kRate +
                   std::llround(static_cast<double>(block) * msPerBlock);
        };
        const std::int64_t slotMs = kNoonMs + 40'000;
        std::size_t block = 0;
        while (stampOf(block + 1) <= slotMs) ++block;
        const auto startSample = static_cast<std::size_t>(
            static_cast<std::int64_t>(block) * 1000 + (slotMs - stampOf(block)) * kRate / 1000);
        KeyedTone due;
        due.call = beacons::StationTable().entry(beacons::slotIndexAt(slotMs, 0)).call;
        due.dashSnrDb = {0, -10, -20, -30};
        const std::vector<float> keyed = due.render(kRate, 9'000, 4);
        std::copy(keyed.begin(), keyed.end(), audio.begin() + static_cast<std::ptrdiff_t>(startSample));

        std::vector<SlotResult> results;
        SlotCutter cutter({}, listen::expectOnBand(beacons::StationTable(), 0),
                          [&](const SlotResult& r) { results.push_back(r); });
        for (std::size_t i = 0; i * 1000 < audio.size(); ++i)
            cutter.push(stampOf(i), kRate, std::span<const float>(audio.data() + i * 1000, 1000));
        // Slots :00 to :40 are whole by the stamps (:50 may end after the audio).
        ASSERT_GE(results.size(), 5u) << msPerBlock;
        for (std::size_t i = 0; i < results.size(); ++i)
            EXPECT_EQ(results[i].periodStartMs, kNoonMs + static_cast<std::int64_t>(i) * 10'000) << msPerBlock;
        const SlotResult& beacon = results[4];
        EXPECT_TRUE(beacon.heard) << msPerBlock;
        EXPECT_NEAR(beacon.timeOffsetMs, 0, 30) << msPerBlock;
    }
}

TEST(SlotCutter, ANewSampleRateStartsAfreshAndAnUnusableOneIsRefused) {
    KeyedTone silence;
    silence.present = false;
    Fed fed(listen::expectOnBand(beacons::StationTable(), 0));
    fed.feed(silence.render(kRate, 5'000, 1), kNoonMs);
    const std::vector<float> at8k = silence.render(8000, 15'000, 2);
    for (std::size_t i = 0; i < at8k.size(); i += 800)
        fed.cutter.push(kNoonMs + 5'000 + static_cast<std::int64_t>(i) / 8, 8000,
                        std::span<const float>(at8k.data() + i, 800));
    ASSERT_EQ(fed.results.size(), 1u);  // the slot at :00 began at 12 kHz: dropped
    EXPECT_EQ(fed.results[0].periodStartMs, kNoonMs + 10'000);
    const std::vector<float> block(100, 0.0f);
    EXPECT_THROW(fed.cutter.push(kNoonMs, 96'000, block), std::invalid_argument);
}

// The band listened to changes 5 s into the slot at :00 (the user picks
// another under the map): that slot is still judged against the beacon that
// was due on the old band, the next one against the new band's.
TEST(SlotCutter, ABandChangedInMidSlotCountsFromTheNextSlot) {
    KeyedTone silence;
    silence.present = false;
    const beacons::StationTable stations;
    int band = 0;
    Fed fed([&](std::int64_t periodStartMs) { return listen::expectOnBand(stations, band)(periodStartMs); });
    const std::vector<float> audio = silence.render(kRate, 20'000, 1);
    const std::size_t change = 5 * kRate;
    fed.cutter.push(kNoonMs, kRate, std::span<const float>(audio.data(), change));
    band = 3;
    fed.cutter.push(kNoonMs + 5'000, kRate, std::span<const float>(audio.data() + change, audio.size() - change));
    ASSERT_EQ(fed.results.size(), 2u);
    EXPECT_EQ(fed.results[0].band, 0);
    EXPECT_EQ(fed.results[0].beaconIndex, beacons::slotIndexAt(kNoonMs, 0));
    EXPECT_EQ(fed.results[1].band, 3);
    EXPECT_EQ(fed.results[1].beaconIndex, beacons::slotIndexAt(kNoonMs + 10'000, 3));
}

TEST(SlotCutter, ExpectationsFollowTheScheduleAndTheStationsFile) {
    beacons::StationTable table;
    ASSERT_TRUE(table.apply("3 | K6XX | Somewhere | CM97 | on").empty());
    const auto onBand = listen::expectOnBand(table, 0)(kNoonMs + 20'000);
    ASSERT_TRUE(onBand);
    EXPECT_EQ(onBand->call, QStringLiteral("K6XX"));  // the override is keyed

    // Following 4U1UN (index 0): band k in the k-th slot of the cycle, then
    // the radio stays on 28.20 MHz until just before its next turn.
    const auto follow = listen::expectFollowing(table, 0);
    for (int k = 0; k < 5; ++k) {
        const auto e = follow(kNoonMs + k * 10'000);
        ASSERT_TRUE(e);
        EXPECT_EQ(e->band, k);
        EXPECT_EQ(e->beaconIndex, 0);
    }
    const auto silent = follow(kNoonMs + 100'000);
    ASSERT_TRUE(silent);
    EXPECT_EQ(silent->band, 4);
    EXPECT_EQ(silent->beaconIndex, beacons::slotIndexAt(kNoonMs + 100'000, 4));
}

}  // namespace
