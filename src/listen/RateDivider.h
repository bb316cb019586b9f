#pragma once

#include "listen/Detector.h"

namespace orvane::listen {

// Responsibilities: brings audio faster than the detector takes into its
// range by a whole factor: each output sample is the mean of `factor` input
// samples (its nulls lie on the multiples of the output rate, right where
// audio would fold onto the low tones listened for). Sound cards and
// recordings at 88.2, 96, 176.4 or 192 kHz are divided by 2 or 4.
class RateDivider {
public:
    // The smallest factor that brings `rate` into kMinSampleRate..kMaxSampleRate
    // exactly; 0 when none does (a rate no card or program uses).
    static constexpr int factorFor(int rate) {
        for (int d = 1; d <= rate / kMinSampleRate; ++d)
            if (rate % d == 0 && rate / d <= kMaxSampleRate && rate / d >= kMinSampleRate) return d;
        return 0;
    }

    explicit RateDivider(int factor = 1) : factor_(factor < 1 ? 1 : factor) {}

    int factor() const { return factor_; }
    // Input samples taken towards the next output sample.
    int pending() const { return count_; }
    // Forgets a partly summed output sample.
    void reset() {
        sum_ = 0;
        count_ = 0;
    }
    // Takes one input sample; true with `out` set when it completes an output sample.
    bool add(float in, float& out) {
        sum_ += static_cast<double>(in);
        if (++count_ < factor_) return false;
        out = static_cast<float>(sum_ / factor_);
        reset();
        return true;
    }

private:
    int factor_;
    double sum_ = 0;
    int count_ = 0;
};

}  // namespace orvane::listen
