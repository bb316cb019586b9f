#pragma once

#include <cstdint>

namespace orvane::listen {

// Responsibilities: ties a stream of audio samples to UTC, so the stream can
// be cut into slots exactly. Between anchorings a sample's moment comes from
// the count of samples before it (the sound card's clock is steady over
// seconds, where the moment a block reaches us jitters by tens of ms); the
// wall clock only anchors that count.
//
// A block cannot reach us before its last sample was taken, so the moment a
// block arrives less its duration is the latest its first sample can have
// been taken. The anchor is the earliest such bound seen: a block that
// arrives "too early" for the anchor moves it back. Two things move it on:
// over each window of kWindowMs of audio, when every block came later than
// the anchor foresees by more than kDriftMs, the card's clock is slower than
// its nominal rate (or the wall clock was stepped forward) and the anchor
// moves on by the smallest lateness seen; a block later than kGapMs means
// samples were lost (an overrun, a suspended device) and the anchor is taken
// afresh from that block. A sound server can hold audio back for more than
// half a second without losing any (PulseAudio does when a stream starts to
// play into the sink being captured), hence kGapMs well above that.
//
// Collaborations: none; the caller reads the clock when a block arrives.
class SampleTimeline {
public:
    static constexpr double kDriftMs = 20;
    static constexpr double kGapMs = 1500;
    static constexpr double kWindowMs = 5000;

    explicit SampleTimeline(int sampleRate) : sampleRate_(sampleRate) {}

    int sampleRate() const { return sampleRate_; }

    // The UTC ms (with its fraction) of the first sample of a block of
    // `frames` samples that arrived at `arrivedAtUtcMs`. Call once per block,
    // in order.
    double stamp(double arrivedAtUtcMs, std::int64_t frames);

    // How often the anchor was taken afresh after a gap (for the log and tests).
    int gaps() const { return gaps_; }

private:
    double durationMs(std::int64_t frames) const { return static_cast<double>(frames) * 1000.0 / sampleRate_; }

    int sampleRate_;
    bool anchored_ = false;
    double anchorMs_ = 0;           // UTC ms of sample `anchorFrame_`
    std::int64_t anchorFrame_ = 0;
    std::int64_t frames_ = 0;       // samples stamped so far
    double windowMinLateMs_ = 0;    // smallest lateness in the current window
    double windowStartMs_ = 0;      // audio time at which the window began
    int gaps_ = 0;
};

}  // namespace orvane::listen
