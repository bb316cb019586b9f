#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <iostream>
#include <string>
#include <tuple>
#include <vector>

#include "DelayedAir.h"
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

namespace {

// The results of the slots of the cycle at 12:00 (those before and after left out).
std::vector<SlotResult> ofTheCycle(const std::vector<SlotResult>& results) {
    std::vector<SlotResult> out;
    for (const SlotResult& r : results)
        if (r.periodStartMs >= kNoonMs && r.periodStartMs < kNoonMs + 180'000) out.push_back(r);
    return out;
}

int heardCount(const std::vector<SlotResult>& results) {
    return static_cast<int>(std::count_if(results.begin(), results.end(), [](const SlotResult& r) { return r.heard; }));
}

}  // namespace

// A fixed delay moves the cut: each slot is the audio from its boundary plus
// the delay, reported at its boundary, its offset measured from the delayed
// start. Without it, a chain 180 ms behind sits at the edge of the search
// and one 1500 ms behind is out of it.
TEST(SlotCutterDelay, AFixedDelayCutsEachSlotThatLate) {
    struct Case {
        int chainMs, setMs;
        int minHeard;  // of the 4 slots
    };
    const Case cases[] = {{0, 0, 4}, {180, 180, 4}, {1500, 1500, 4}, {-300, -300, 4}, {1500, 0, 0}, {180, 0, 0}};
    for (const Case& c : cases) {
        const DelayedAir air{.delayMs = static_cast<double>(c.chainMs), .snrDb = -10, .keyed = {0, 1, 2, 3}};
        Fed fed(listen::expectOnBand(beacons::StationTable(), 0));
        fed.cutter.setDelay({false, c.setMs});
        fed.feed(air.render(kRate, kNoonMs, 11), air.startMs(kNoonMs), 10);
        const std::vector<SlotResult> cycle = ofTheCycle(fed.results);
        const std::string what = std::to_string(c.chainMs) + " ms behind, cut at " + std::to_string(c.setMs);
        ASSERT_GE(cycle.size(), 4u) << what;
        for (std::size_t i = 0; i < 4; ++i) {
            EXPECT_EQ(cycle[i].periodStartMs, kNoonMs + static_cast<std::int64_t>(i) * 10'000) << what;
            EXPECT_EQ(cycle[i].beaconIndex, beacons::slotIndexAt(cycle[i].periodStartMs, 0)) << what;
            if (cycle[i].heard && c.chainMs == c.setMs) {
                EXPECT_NEAR(cycle[i].timeOffsetMs, 0, 30) << what;
            }
        }
        const int heard = heardCount({cycle.begin(), cycle.begin() + 4});
        EXPECT_GE(heard, c.minHeard) << what;
        // Cut on time, a slot 1.5 s late is lost (one may still pass on its
        // dashes alone).
        if (c.chainMs != c.setMs && c.chainMs == 1500) {
            EXPECT_LE(heard, 1) << what;
        }
    }
}

// With the delay left to be found, a chain 0.8 s or 1.5 s behind the air
// is heard in 17 or more of the 18 slots of the first cycle at -10 dB: the
// first slots in the wide search, the rest once it has locked.
TEST(SlotCutterDelay, AutomaticDelayHearsTheFirstCycle) {
    for (const double chainMs : {800.0, 1500.0}) {
        const DelayedAir air{.delayMs = chainMs, .snrDb = -10, .keyed = wholeCycle()};
        Fed fed(listen::expectOnBand(beacons::StationTable(), 0));
        fed.cutter.setDelay({true, 0});
        std::vector<std::pair<double, bool>> told;
        fed.cutter.setDelayHandler([&](const listen::DelayEstimator& e, std::int64_t) {
            told.emplace_back(e.delayMs(), e.locked());
        });
        fed.feed(air.render(kRate, kNoonMs, 21), air.startMs(kNoonMs), 10);
        const std::vector<SlotResult> cycle = ofTheCycle(fed.results);
        ASSERT_EQ(cycle.size(), 18u) << chainMs;
        EXPECT_GE(heardCount(cycle), 17) << chainMs;
        ASSERT_FALSE(told.empty()) << chainMs;
        EXPECT_TRUE(told.front().second) << chainMs;
        EXPECT_NEAR(told.front().first, chainMs, 30) << chainMs;
        ASSERT_TRUE(fed.cutter.estimator());
        EXPECT_TRUE(fed.cutter.estimator()->locked()) << chainMs;
        EXPECT_NEAR(fed.cutter.estimator()->delayMs(), chainMs, 30) << chainMs;
        // Locked, the offsets are from the delayed start.
        EXPECT_NEAR(cycle.back().timeOffsetMs, 0, 30) << chainMs;
        std::cout << chainMs << " ms behind: " << heardCount(cycle) << " of 18 heard; locked at "
                  << told.front().first << " ms\n";
    }
}

// A chain that changes is lost and found again: five slots 0.3 s behind
// the air lock it; a cycle and more of noise loses it (nothing heard there,
// searched wide or not); from 12:04:00 the beacons come 1.5 s behind and
// lock it anew.
TEST(SlotCutterDelay, AutomaticDelayUnlocksAndFindsTheNewDelay) {
    DelayedAir air{.delayMs = 300, .snrDb = -10, .keyed = {0, 1, 2, 3, 4}};
    air.lengthMs = 5000 + 290'000;
    std::vector<float> audio = air.render(kRate, kNoonMs, 31);
    const DelayedAir later{.delayMs = 1500, .snrDb = -10, .keyed = {24, 25, 26, 27, 28}};
    const std::vector<float> second = later.render(kRate, kNoonMs, 32);
    // The second chain's beacons, from 12:04:00 on, into the first recording.
    const std::size_t from = std::size_t{245} * kRate;
    const auto to = std::min(second.size(), audio.size());
    std::copy(second.begin() + static_cast<std::ptrdiff_t>(from), second.begin() + static_cast<std::ptrdiff_t>(to),
              audio.begin() + static_cast<std::ptrdiff_t>(from));

    Fed fed(listen::expectOnBand(beacons::StationTable(), 0));
    fed.cutter.setDelay({true, 0});
    std::vector<std::tuple<std::int64_t, double, bool>> told;
    fed.cutter.setDelayHandler([&](const listen::DelayEstimator& e, std::int64_t periodStartMs) {
        told.emplace_back(periodStartMs, e.delayMs(), e.locked());
    });
    fed.feed(audio, air.startMs(kNoonMs));
    ASSERT_EQ(told.size(), 3u);
    // Locked on the first chain within its five slots ...
    EXPECT_TRUE(std::get<2>(told[0]));
    EXPECT_NEAR(std::get<1>(told[0]), 300, 30);
    EXPECT_LT(std::get<0>(told[0]), kNoonMs + 50'000);
    // ... lost a cycle after its last slot heard, through the noise ...
    EXPECT_FALSE(std::get<2>(told[1]));
    EXPECT_EQ(std::get<0>(told[1]), kNoonMs + (4 + listen::DelayEstimator::kUnlockMisses) * 10'000);
    for (const SlotResult& r : fed.results) {
        if (r.periodStartMs >= kNoonMs + 50'000 && r.periodStartMs < kNoonMs + 240'000) {
            EXPECT_FALSE(r.heard) << r.periodStartMs - kNoonMs;
        }
    }
    // ... and found anew on the second.
    EXPECT_TRUE(std::get<2>(told[2]));
    EXPECT_NEAR(std::get<1>(told[2]), 1500, 30);
    EXPECT_LT(std::get<0>(told[2]), kNoonMs + 290'000);
}

// Stamps that move slowly from the sample count (±3 ms a second, far more
// than any sound card is off its rate) and a receiver 0.8 s behind the
// stamps' air: the cut follows both, so each beacon, keyed where the stamps
// put its slot plus the delay, is heard and the delay found.
TEST(SlotCutterDelay, AutomaticDelayFollowsStampsMovingFromTheCount) {
    for (const double msPerBlock : {0.25, -0.25}) {
        KeyedTone silence;
        silence.present = false;
        std::vector<float> audio = silence.render(kRate, 100'000, 5);
        const auto stampOf = [&](std::size_t block) {
            return kNoonMs - 5000 + static_cast<std::int64_t>(block) * 1000 * 1000 / kRate +
                   std::llround(static_cast<double>(block) * msPerBlock);
        };
        const beacons::StationTable stations;
        for (int s = 0; s < 8; ++s) {
            const std::int64_t onAirMs = kNoonMs + s * 10'000 + 800;  // where the stamps put it
            std::size_t block = 0;
            while (stampOf(block + 1) <= onAirMs) ++block;
            const auto at = static_cast<std::size_t>(static_cast<std::int64_t>(block) * 1000 +
                                                     (onAirMs - stampOf(block)) * kRate / 1000);
            KeyedTone due;
            due.call = stations.entry(beacons::slotIndexAt(kNoonMs + s * 10'000, 0)).call;
            due.dashSnrDb = {-10, -20, -30, -40};
            const std::vector<float> keyed = due.render(kRate, 9'000, 6 + static_cast<std::uint32_t>(s));
            std::copy(keyed.begin(), keyed.end(), audio.begin() + static_cast<std::ptrdiff_t>(at));
        }
        Fed fed(listen::expectOnBand(stations, 0));
        fed.cutter.setDelay({true, 0});
        for (std::size_t i = 0; i * 1000 < audio.size(); ++i)
            fed.cutter.push(stampOf(i), kRate, std::span<const float>(audio.data() + i * 1000, 1000));
        const std::vector<SlotResult> cycle = ofTheCycle(fed.results);
        ASSERT_GE(cycle.size(), 8u) << msPerBlock;
        for (std::size_t i = 0; i < 8; ++i) {
            EXPECT_EQ(cycle[i].periodStartMs, kNoonMs + static_cast<std::int64_t>(i) * 10'000) << msPerBlock;
            EXPECT_TRUE(cycle[i].heard) << msPerBlock << " slot " << i;
        }
        EXPECT_NEAR(cycle[7].timeOffsetMs, 0, 30) << msPerBlock;
        ASSERT_TRUE(fed.cutter.estimator());
        EXPECT_TRUE(fed.cutter.estimator()->locked()) << msPerBlock;
        EXPECT_NEAR(fed.cutter.estimator()->delayMs(), 800, 30) << msPerBlock;
    }
}

// The search starts around the delay kept from the last run: a receiver 3 s
// behind is beyond the reach of a search around 0, within that of one
// around 1.5 s.
TEST(SlotCutterDelay, TheSearchStartsAroundTheKeptEstimate) {
    const DelayedAir air{.delayMs = 3000, .snrDb = -10, .keyed = {0, 1, 2, 3, 4, 5}};
    const std::vector<float> audio = air.render(kRate, kNoonMs, 51);
    for (const int keptMs : {0, 1500}) {
        Fed fed(listen::expectOnBand(beacons::StationTable(), 0));
        fed.cutter.setDelay({true, keptMs});
        fed.feed(audio, air.startMs(kNoonMs), 10);
        ASSERT_TRUE(fed.cutter.estimator());
        EXPECT_EQ(fed.cutter.estimator()->locked(), keptMs == 1500) << keptMs;
        if (keptMs == 1500) {
            EXPECT_NEAR(fed.cutter.estimator()->delayMs(), 3000, 30);
            EXPECT_GE(heardCount(ofTheCycle(fed.results)), 6);
        }
    }
}
