#pragma once

#include <QString>
#include <array>
#include <cstddef>
#include <optional>

#include "listen/Detector.h"

namespace orvane::listen {

// The receive chain's delay: audio stamped at UTC t carries what was on the
// air at t - delay (an SDR program, a remote receiver, a network stream lag
// the air by 0.1 to 2 s). Either fixed in ms, or automatic: estimated from
// the slots heard, `ms` then being where the estimate starts (the last one
// kept for the input).
struct ReceiveDelay {
    static constexpr int kMinMs = -500;
    static constexpr int kMaxMs = 3000;

    bool automatic = false;
    int ms = 0;  // kMinMs..kMaxMs

    friend bool operator==(const ReceiveDelay&, const ReceiveDelay&) = default;
};

// "120", "-80", "auto" or "auto:850" (automatic, starting from 850 ms);
// nullopt for anything else or a delay out of range.
std::optional<ReceiveDelay> parseReceiveDelay(const QString& text);
// The text parseReceiveDelay reads back.
QString receiveDelayText(const ReceiveDelay& delay);

// Responsibilities: estimates the receive chain's delay from the slots the
// detector hears. Until it locks, the detector is asked to search
// ± kWideSearchMs around the estimate (audio beyond the slot is cut for
// that); a slot heard with its 100 W dash found is a confident one, and once
// kLockSlots of the recent confident slots agree within ± kAgreeMs, the
// estimate locks on their median and the search narrows to the normal one
// around it. Locked, it follows the median of the last kKeptSlots confident
// slots (moving in steps of kFollowStepMs or more: single slots scatter by
// some tens of ms, which should not move it), and unlocks after
// kUnlockMisses slots in a row not heard, searching wide again around the
// last estimate. A plain class: the caller
// feeds it each slot's result with the delay the slot was cut at.
class DelayEstimator {
public:
    static constexpr double kWideSearchMs = 2500;
    static constexpr int kLockSlots = 3;
    static constexpr double kAgreeMs = 60;
    static constexpr std::size_t kKeptSlots = 7;
    static constexpr double kFollowStepMs = 50;
    static constexpr int kUnlockMisses = 18;  // a whole cycle

    explicit DelayEstimator(double startMs = 0);

    // One slot's result, detected with the slot cut `cutDelayMs` after its
    // start (its timeOffsetMs is measured from there). True when the
    // estimate or the lock changed.
    bool add(const SlotResult& result, double cutDelayMs);

    bool locked() const { return locked_; }
    double delayMs() const { return delayMs_; }
    // The timing search the next slot wants, ± around delayMs(); 0: the
    // detector's normal one.
    double wideSearchMs() const { return locked_ ? 0 : kWideSearchMs; }

private:
    void keep(double offsetMs);
    std::optional<double> agreeing() const;  // the median of the largest agreeing group, if large enough

    double delayMs_ = 0;
    bool locked_ = false;
    int misses_ = 0;
    std::array<double, kKeptSlots> recent_{};  // absolute offsets of confident slots, a ring
    std::size_t count_ = 0, next_ = 0;
};

}  // namespace orvane::listen
