#include "listen/SlotCutter.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdlib>
#include <stdexcept>
#include <string>
#include <utility>

#include "beacons/Monitor.h"
#include "beacons/Schedule.h"

namespace orvane::listen {

namespace {

// The calls of the 18 slots as the station table has them, made once and
// shared by every slot (each slot is told from all of them): a QString copied
// for each slot then shares its text instead of allocating it.
using Calls = std::shared_ptr<const std::array<QString, beacons::kSlotsPerCycle>>;

Calls callsOf(const beacons::StationTable& stations) {
    auto calls = std::make_shared<std::array<QString, beacons::kSlotsPerCycle>>();
    for (int i = 0; i < beacons::kSlotsPerCycle; ++i)
        (*calls)[static_cast<std::size_t>(i)] = QString::fromStdString(stations.entry(i).call);
    return calls;
}

std::optional<ExpectedBeacon> expected(const Calls& calls, int band, std::int64_t periodStartMs) {
    const int index = beacons::slotIndexAt(periodStartMs, band);
    return ExpectedBeacon{band, index, (*calls)[static_cast<std::size_t>(index)], calls};
}

}  // namespace

Expectation expectOnBand(const beacons::StationTable& stations, int band) {
    return [calls = callsOf(stations), band](std::int64_t periodStartMs) { return expected(calls, band, periodStartMs); };
}

Expectation expectFollowing(const beacons::StationTable& stations, int beaconIndex) {
    return [calls = callsOf(stations), beaconIndex](std::int64_t periodStartMs) -> std::optional<ExpectedBeacon> {
        // Between its transmissions the follower leaves the radio on the band
        // of the last one until just before the next, so in a silent slot the
        // radio hears whichever beacon the schedule puts on that band.
        for (int back = 0; back < beacons::kSlotsPerCycle; ++back) {
            const int band = beacons::bandOfBeaconAt(beaconIndex, periodStartMs - back * beacons::kSlotMs);
            if (band >= 0) return expected(calls, band, periodStartMs);
        }
        return std::nullopt;
    };
}

SlotCutter::SlotCutter(const DetectorSettings& settings, Expectation expect, ResultHandler onResult)
    : settings_(settings), expect_(std::move(expect)), onResult_(std::move(onResult)) {}

void SlotCutter::reset() {
    started_ = false;
    slot_.clear();
}

void SlotCutter::startAt(std::int64_t firstSampleUtcMs, int sampleRate) {
    started_ = true;
    sampleRate_ = sampleRate;
    anchorUtcMs_ = static_cast<double>(firstSampleUtcMs);
    samplesSinceAnchor_ = 0;
    driftMs_ = 0;
    slotSamples_ = static_cast<std::size_t>(sampleRate) * static_cast<std::size_t>(beacons::kSlotMs / 1000);
    // The first whole slot begins at the first boundary at or after the
    // first sample; its first sample is the first one at or after it.
    const std::int64_t period = beacons::slotPeriodOf(firstSampleUtcMs);
    slotStartMs_ = beacons::slotPeriodStartMs(period) == firstSampleUtcMs
                       ? firstSampleUtcMs
                       : beacons::nextSlotBoundaryMs(firstSampleUtcMs);
    const std::int64_t offsetMs = slotStartMs_ - firstSampleUtcMs;
    skipSamples_ = (offsetMs * sampleRate + 999) / 1000;
    slot_.clear();
    slot_.reserve(slotSamples_);
}

void SlotCutter::push(std::int64_t firstSampleUtcMs, int sampleRate, std::span<const float> samples) {
    if (sampleRate < kMinSampleRate || sampleRate > kMaxSampleRate)
        throw std::invalid_argument("SlotCutter: sample rate " + std::to_string(sampleRate) + " Hz is out of range");
    if (samples.empty()) return;
    const auto firstMs = static_cast<double>(firstSampleUtcMs);
    if (started_ && (sampleRate != sampleRate_ || std::abs(firstMs - lastEndMs_) > kMaxStampJitterMs))
        started_ = false;
    if (!started_) startAt(firstSampleUtcMs, sampleRate);
    driftMs_ = firstMs - (anchorUtcMs_ + static_cast<double>(samplesSinceAnchor_) * 1000.0 / sampleRate_);
    lastEndMs_ = firstMs + static_cast<double>(samples.size()) * 1000.0 / sampleRate_;
    samplesSinceAnchor_ += static_cast<std::int64_t>(samples.size());

    while (!samples.empty()) {
        if (skipSamples_ > 0) {
            const auto n = std::min<std::size_t>(static_cast<std::size_t>(skipSamples_), samples.size());
            skipSamples_ -= static_cast<std::int64_t>(n);
            samples = samples.subspan(n);
            continue;
        }
        // The beacon is fixed when the slot's first sample comes: a band
        // changed in mid-slot is for the next slot, not judged against this one.
        // (A slot may begin with the last samples of the one before, so
        // it is told by its start, not by being empty.)
        if (expectedForMs_ != slotStartMs_) {
            expected_ = expect_(slotStartMs_);
            expectedForMs_ = slotStartMs_;
        }
        const auto n = std::min(slotSamples_ - slot_.size(), samples.size());
        slot_.insert(slot_.end(), samples.begin(), samples.begin() + static_cast<std::ptrdiff_t>(n));
        samples = samples.subspan(n);
        if (slot_.size() == slotSamples_) finishSlot();
    }
}

void SlotCutter::finishSlot() {
    if (const auto& beacon = expected_) {
        onResult_(
            detectSlot(slot_, sampleRate_, beacon->call, settings_, slotStartMs_, beacon->band, beacon->beaconIndex,
                       workspace_,
                       beacon->tableCalls ? std::span<const QString>(*beacon->tableCalls) : std::span<const QString>()));
    }
    slotStartMs_ += beacons::kSlotMs;
    // Where the stamps have moved from the count, the next slot starts where
    // they put the boundary: later (skip samples) or earlier (its first
    // samples are the last of this slot).
    const auto shift = static_cast<std::int64_t>(std::llround(driftMs_ * sampleRate_ / 1000.0));
    if (std::abs(driftMs_) < kResyncMs || std::abs(shift) >= static_cast<std::int64_t>(slotSamples_ / 2)) {
        slot_.clear();
        return;
    }
    anchorUtcMs_ += driftMs_;
    driftMs_ = 0;
    if (shift < 0) {
        skipSamples_ = -shift;
        slot_.clear();
    } else {
        slot_.erase(slot_.begin(), slot_.end() - shift);
    }
}

}  // namespace orvane::listen
