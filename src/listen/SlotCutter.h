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
#include "listen/DelayEstimator.h"
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
// for the beacon the expectation names. Holds at most one slot of audio
// (and, while an automatic delay is searched for, the margins below).
// Consecutive blocks are joined by their sample count; a block whose stamp
// is more than kMaxStampJitterMs away from where the previous block ended
// (audio lost, or a new recording), or at another sample rate, drops the
// partial slot and starts again at the next boundary. Stamps that move
// slowly away from the count (a sound card a little off its rate, stamps
// mended bit by bit) are followed: at each boundary where they have moved
// kResyncMs or more, the next slot starts where the stamps put the boundary
// (a few ms of audio skipped, or taken into both slots), so no slot is lost
// to a slow drift.
//
// A receive delay (setDelay) moves where each slot is cut: the slot at
// boundary B is the audio [B + delay, B + delay + 10 s); its result keeps B
// as periodStartMs, and its timeOffsetMs is measured from B + delay. With an
// automatic delay the cutter keeps a DelayEstimator fed with every result:
// until it locks, each slot is cut with DelayEstimator::kWideSearchMs of
// audio either side (the first slot of a stream with what it holds before
// the slot) and searched that wide, so it holds at most one slot
// and those margins (15 s), in a buffer kept from slot to slot.
class SlotCutter {
public:
    using ResultHandler = std::function<void(const SlotResult&)>;
    // Told on the caller's thread, after the result of the slot that changed it.
    using DelayHandler = std::function<void(const DelayEstimator& estimator, std::int64_t periodStartMs)>;
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

    // The receive chain's delay (fixed 0 unless set); set before the first
    // block, or later for the slots that start afresh. An automatic one
    // starts its estimate at delay.ms.
    void setDelay(const ReceiveDelay& delay);
    void setDelayHandler(DelayHandler handler) { onDelay_ = std::move(handler); }
    // The estimator of an automatic delay; none for a fixed one.
    const std::optional<DelayEstimator>& estimator() const { return estimator_; }

private:
    void startAt(std::int64_t firstSampleUtcMs, int sampleRate);
    void finishSlot();
    // Where the slot at slotStartMs_ is cut, by the delay and search now in
    // force, from no earlier than the position heldFrom.
    void placeWindow(std::int64_t heldFrom);
    double delayMs() const;

    DetectorSettings settings_;
    Expectation expect_;
    ResultHandler onResult_;

    int sampleRate_ = 0;
    double anchorUtcMs_ = 0;  // the moment of sample 0 of the count (the first since the last (re)start)
    std::int64_t samplesSinceAnchor_ = 0;
    double lastEndMs_ = 0;  // where the previous block ended, by its stamp
    double driftMs_ = 0;    // the latest block's stamp less the moment the count gives it
    std::int64_t slotStartMs_ = 0;  // the slot being filled
    // Sample positions are counted from the anchor (sample 0) on.
    std::int64_t slotIndex_ = 0;  // where the count puts slotStartMs_
    std::int64_t slotAudioFrom_ = 0;  // where its audio begins: slotIndex_ and the delay
    std::int64_t windowFrom_ = 0, windowTo_ = 0;  // the audio cut for it: the slot, delayed, and any margins
    double windowOriginMs_ = 0;  // where in that audio the slot (delayed) begins
    double windowSearchMs_ = 0;
    double windowDelayMs_ = 0;
    std::int64_t slotFrom_ = 0;  // the position of slot_[0]
    std::optional<ExpectedBeacon> expected_;      // for the slot being filled
    std::optional<std::int64_t> expectedForMs_;  // the slot start expected_ was asked for
    std::vector<float> slot_;
    ReceiveDelay delay_;
    std::optional<DelayEstimator> estimator_;
    DelayHandler onDelay_;
    DetectorWorkspace workspace_;  // kept from slot to slot: a steady stream allocates nothing
    std::size_t slotSamples_ = 0;  // samples a whole slot holds at sampleRate_
    bool started_ = false;
};

}  // namespace orvane::listen
