#pragma once

#include <QString>
#include <atomic>
#include <optional>
#include <string>

#include "common/Clock.h"

namespace orvane::timesync {

// The last measured error of the PC clock, kept when the clock could not be
// set: what must be added to the PC clock, and when (by the PC clock) that
// was measured.
struct ClockCorrection {
    static constexpr UtcMs kMaxAgeMs = 24LL * 3600 * 1000;  // older is no longer believed

    UtcMs offsetMs = 0;
    UtcMs measuredAtMs = 0;

    // Past kMaxAgeMs, or measured "in the future" by more than that (the PC
    // clock was moved back a long way since).
    bool expiredAt(UtcMs pcNowMs) const {
        // Compared without a subtraction that could overflow at the ends of
        // the range.
        return pcNowMs > measuredAtMs ? pcNowMs - kMaxAgeMs > measuredAtMs : measuredAtMs - kMaxAgeMs > pcNowMs;
    }
    friend bool operator==(const ClockCorrection&, const ClockCorrection&) = default;
};

// "UTC (corrected −4.2 s)": the mark beside a display that runs on corrected
// time; the sign is that of the correction added to the PC clock.
QString correctionMark(UtcMs offsetMs);

// Settings text "offsetMs measuredAtMs" and back; anything malformed or out
// of range reads as no correction.
QString formatCorrection(const ClockCorrection& correction);
std::optional<ClockCorrection> parseCorrection(const QString& text);

// Responsibilities: the clock the displays run on. Reads the PC clock and
// adds the correction in force, so the UTC label, the slot display, the map
// and the beacon sound show corrected time without sums of their own. Sets
// go to the PC clock unchanged (only the time service sets it, through the
// PC clock itself).
class CorrectedClock final : public Clock {
public:
    explicit CorrectedClock(Clock& pc) : pc_(pc) {}

    UtcMs nowUtcMs() const override { return pc_.nowUtcMs() + offsetMs_.load(std::memory_order_relaxed); }
    double nowUtcMsFine() const override {
        return pc_.nowUtcMsFine() + static_cast<double>(offsetMs_.load(std::memory_order_relaxed));
    }
    bool setUtcMs(UtcMs ms, std::string* error) override { return pc_.setUtcMs(ms, error); }

    const std::optional<ClockCorrection>& correction() const { return correction_; }
    void setCorrection(std::optional<ClockCorrection> correction) {
        correction_ = correction;
        offsetMs_.store(correction ? correction->offsetMs : 0, std::memory_order_relaxed);
    }
    Clock& pcClock() const { return pc_; }

private:
    Clock& pc_;
    std::optional<ClockCorrection> correction_;  // the GUI thread's alone
    // Set on the GUI thread, read also by the capture and sound threads.
    std::atomic<UtcMs> offsetMs_{0};
};

}  // namespace orvane::timesync
