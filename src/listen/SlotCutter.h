#pragma once

#include <QString>
#include <array>
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <span>
#include <vector>

#include "beacons/Schedule.h"
#include "beacons/StationTable.h"
#include "listen/Detector.h"

namespace orvane::listen {

// The beacon the listener expects in a slot: on which band and with which call.
struct ExpectedBeacon {
    int band = 0;         // 0..4
    int beaconIndex = 0;  // 0..17
    QString call;         // as the station table has it, overrides included
    // Every call of the station table, the slot told from them (shared by
    // every slot of the expectation).
    std::shared_ptr<const std::array<QString, beacons::kSlotsPerCycle>> tableCalls;
};

// Which beacon to expect in the slot starting at periodStartMs; nullopt when
// nothing is expected (the slot is then skipped).
using Expectation = std::function<std::optional<ExpectedBeacon>(std::int64_t periodStartMs)>;

// The beacon the schedule puts on `band` in each slot.
Expectation expectOnBand(const beacons::StationTable& stations, int band);

// The band of beacon `beaconIndex` in each slot, as the radio follower tunes it.
Expectation expectFollowing(const beacons::StationTable& stations, int beaconIndex);

// Responsibilities: turns a stream of timestamped audio blocks into whole
// 10-second slots cut on the UTC slot boundaries and runs detectSlot on each,
// for the beacon the expectation names. Holds at most one slot of audio.
// Consecutive blocks are joined by their sample count; a block whose stamp
// is more than kMaxStampJitterMs away from where the previous block ended
// (audio lost, or a new recording), or at another sample rate, drops the
// partial slot and starts again at the next boundary. Stamps that move
// slowly away from the count (a sound card a little off its rate, stamps
// mended bit by bit) are followed: at each boundary where they have moved
// kResyncMs or more, the next slot starts where the stamps put the boundary
// (a few ms of audio skipped, or taken into both slots), so no slot is lost
// to a slow drift.
class SlotCutter {
public:
    using ResultHandler = std::function<void(const SlotResult&)>;
    static constexpr std::int64_t kMaxStampJitterMs = 50;
    static constexpr double kResyncMs = 20;

    SlotCutter(const DetectorSettings& settings, Expectation expect, ResultHandler onResult);

    // Runs the expectation for each slot the block begins (so a slot keeps
    // the beacon due when it began), and detectSlot and the result handler
    // for each slot it completes, on the caller's thread. A rate outside
    // kMinSampleRate..kMaxSampleRate throws std::invalid_argument before
    // anything is kept: a source must capture at a rate the detector takes.
    void push(std::int64_t firstSampleUtcMs, int sampleRate, std::span<const float> samples);
    // Forgets the partial slot; the next block starts afresh.
    void reset();

private:
    void startAt(std::int64_t firstSampleUtcMs, int sampleRate);
    void finishSlot();

    DetectorSettings settings_;
    Expectation expect_;
    ResultHandler onResult_;

    int sampleRate_ = 0;
    double anchorUtcMs_ = 0;  // the moment of sample 0 of the count (the first since the last (re)start)
    std::int64_t samplesSinceAnchor_ = 0;
    double lastEndMs_ = 0;  // where the previous block ended, by its stamp
    double driftMs_ = 0;    // the latest block's stamp less the moment the count gives it
    std::int64_t slotStartMs_ = 0;  // the slot being filled
    std::int64_t skipSamples_ = 0;  // samples before the first whole slot
    std::optional<ExpectedBeacon> expected_;      // for the slot being filled
    std::optional<std::int64_t> expectedForMs_;  // the slot start expected_ was asked for
    std::vector<float> slot_;
    DetectorWorkspace workspace_;  // kept from slot to slot: a steady stream allocates nothing
    std::size_t slotSamples_ = 0;  // samples a whole slot holds at sampleRate_
    bool started_ = false;
};

}  // namespace orvane::listen
