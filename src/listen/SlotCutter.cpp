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

void SlotCutter::setDelay(const ReceiveDelay& delay) {
    delay_ = delay;
    if (delay.automatic) estimator_.emplace(delay.ms);
    else estimator_.reset();
    reset();
}

double SlotCutter::delayMs() const { return estimator_ ? estimator_->delayMs() : delay_.ms; }

namespace {

// a / b rounded up, for any sign of a (b > 0).
std::int64_t ceilDiv(std::int64_t a, std::int64_t b) { return a >= 0 ? (a + b - 1) / b : -(-a / b); }

}  // namespace

void SlotCutter::placeWindow(std::int64_t heldFrom) {
    const double wideMs = estimator_ ? estimator_->wideSearchMs() : 0;
    windowDelayMs_ = delayMs();
    const auto delay = static_cast<std::int64_t>(std::llround(windowDelayMs_ * sampleRate_ / 1000));
    const auto margin = static_cast<std::int64_t>(std::llround(wideMs * sampleRate_ / 1000));
    slotAudioFrom_ = slotIndex_ + delay;
    // The margin before the slot is what the audio holds of it (the first
    // slot of a recording may have less).
    windowFrom_ = std::max(slotAudioFrom_ - margin, heldFrom);
    windowTo_ = slotAudioFrom_ + static_cast<std::int64_t>(slotSamples_) + margin;
    windowOriginMs_ = static_cast<double>(slotAudioFrom_ - windowFrom_) * 1000.0 / sampleRate_;
    windowSearchMs_ = wideMs > 0 ? wideMs : settings_.searchMs;
}

void SlotCutter::startAt(std::int64_t firstSampleUtcMs, int sampleRate) {
    started_ = true;
    sampleRate_ = sampleRate;
    anchorUtcMs_ = static_cast<double>(firstSampleUtcMs);
    samplesSinceAnchor_ = 0;
    driftMs_ = 0;
    slotSamples_ = static_cast<std::size_t>(sampleRate) * static_cast<std::size_t>(beacons::kSlotMs / 1000);
    // The first whole slot is the first whose audio (delayed) begins at or
    // after the first sample; its first sample is the first one at or after
    // that moment.
    const std::int64_t earliestMs = firstSampleUtcMs - std::llround(delayMs());
    const std::int64_t period = beacons::slotPeriodOf(earliestMs);
    slotStartMs_ = beacons::slotPeriodStartMs(period) == earliestMs ? earliestMs
                                                                     : beacons::nextSlotBoundaryMs(earliestMs);
    slotIndex_ = ceilDiv((slotStartMs_ - firstSampleUtcMs) * sampleRate, 1000);
    placeWindow(0);
    while (slotAudioFrom_ < 0) {
        slotStartMs_ += beacons::kSlotMs;
        slotIndex_ += static_cast<std::int64_t>(slotSamples_);
        placeWindow(0);
    }
    slotFrom_ = 0;
    slot_.clear();
    const auto margins = estimator_ ? 2 * static_cast<std::size_t>(std::ceil(DelayEstimator::kWideSearchMs *
                                                                             sampleRate / 1000)) + 2
                                    : 0;
    slot_.reserve(slotSamples_ + margins);
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
        const std::int64_t end = slotFrom_ + static_cast<std::int64_t>(slot_.size());
        if (end < windowFrom_) {
            // Before the slot's audio: not kept (nothing is held then).
            const auto n = std::min<std::size_t>(static_cast<std::size_t>(windowFrom_ - end), samples.size());
            slotFrom_ = end + static_cast<std::int64_t>(n);
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
        const auto n = std::min(static_cast<std::size_t>(windowTo_ - end), samples.size());
        slot_.insert(slot_.end(), samples.begin(), samples.begin() + static_cast<std::ptrdiff_t>(n));
        samples = samples.subspan(n);
        if (end + static_cast<std::int64_t>(n) == windowTo_) finishSlot();
    }
}

void SlotCutter::finishSlot() {
    if (const auto& beacon = expected_) {
        DetectorSettings settings = settings_;
        settings.searchMs = windowSearchMs_;
        settings.originMs = windowOriginMs_;
        const std::span<const float> audio(slot_.data() + (windowFrom_ - slotFrom_),
                                           static_cast<std::size_t>(windowTo_ - windowFrom_));
        const SlotResult result = detectSlot(audio, sampleRate_, beacon->call, settings, slotStartMs_, beacon->band,
                                             beacon->beaconIndex, workspace_,
                                             beacon->tableCalls ? std::span<const QString>(*beacon->tableCalls)
                                                                : std::span<const QString>());
        onResult_(result);
        if (estimator_ && estimator_->add(result, windowDelayMs_) && onDelay_) onDelay_(*estimator_, slotStartMs_);
    }
    slotStartMs_ += beacons::kSlotMs;
    slotIndex_ += static_cast<std::int64_t>(slotSamples_);
    // Where the stamps have moved from the count, the next slot starts where
    // they put the boundary: later (skip samples) or earlier (its first
    // samples are the last of this slot).
    const auto shift = static_cast<std::int64_t>(std::llround(driftMs_ * sampleRate_ / 1000.0));
    if (std::abs(driftMs_) >= kResyncMs && std::abs(shift) < static_cast<std::int64_t>(slotSamples_ / 2)) {
        anchorUtcMs_ += driftMs_;
        driftMs_ = 0;
        slotIndex_ -= shift;
    }
    // The next slot's audio, by the delay now in force; what comes before it
    // is let go. It always begins within or after this slot's audio (the
    // delay moves by less than a slot), but should it not, the slots
    // whose audio has gone are passed over.
    placeWindow(slotFrom_);
    while (slotAudioFrom_ < slotFrom_) {
        slotStartMs_ += beacons::kSlotMs;
        slotIndex_ += static_cast<std::int64_t>(slotSamples_);
        placeWindow(slotFrom_);
    }
    const std::int64_t end = slotFrom_ + static_cast<std::int64_t>(slot_.size());
    if (windowFrom_ >= end) {
        slot_.clear();
        slotFrom_ = end;
    } else {
        slot_.erase(slot_.begin(), slot_.begin() + (windowFrom_ - slotFrom_));
        slotFrom_ = windowFrom_;
    }
}

}  // namespace orvane::listen
