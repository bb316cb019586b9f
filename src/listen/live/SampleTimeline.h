#pragma once

#include <cstdint>

namespace orvane::listen {

// Responsibilities: ties a stream of audio samples to UTC, so the stream can
// be cut into slots exactly. Between anchorings a sample's moment comes from
// the count of samples before it (the sound card's clock is steady over
// seconds, where the moment a block reaches us jitters by tens of ms, and by
// seconds on a busy machine); the wall clock only anchors that count.
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
// afresh from that block.
//
// Audio is delivered in lumps (a sound server hands on a buffer's worth at a
// time) and a busy machine reads it late, so how late blocks come varies by
// far more than the card's clock ever drifts, and a block read with much
// audio still waiting gives a bound far tighter than the rest. The stamps
// therefore follow the anchor only gradually: kSettleMs after (re)anchoring
// they move at most kMaxStepMs from one block to the next, so what is cut
// from them never sees a jump; only lost samples make one. kGapMs lies well
// above the capture buffer (QtAudioInput::kBufferMs) and the delays a busy
// machine adds to it: a sound server can hold audio back that long without
// losing any.
//
// Collaborations: none; the caller reads the clock when a block arrives.
class SampleTimeline {
public:
    static constexpr double kDriftMs = 20;
    static constexpr double kGapMs = 5000;
    static constexpr double kWindowMs = 5000;
    static constexpr double kSettleMs = 5000;
    static constexpr double kMaxStepMs = 5;

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
    double anchorMs_ = 0;           // UTC ms of sample `anchorFrame_`, as the blocks' moments bound it
    double stampedMs_ = 0;          // the same as the stamps give it, following anchorMs_ gradually
    std::int64_t anchorFrame_ = 0;
    std::int64_t frames_ = 0;       // samples stamped so far
    double windowMinLateMs_ = 0;    // smallest lateness in the current window
    double windowStartMs_ = 0;      // audio time at which the window began
    int gaps_ = 0;
};

}  // namespace orvane::listen
