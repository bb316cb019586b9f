#pragma once

#include <atomic>
#include <string>
#include <vector>

#include "common/Clock.h"

namespace orvane {

// A clock for tests and for commands that must never touch the real clock:
// reads return the value it was given (plus any advance), sets are recorded
// and, when allowed, applied to the fake time only.
class FakeClock final : public Clock {
public:
    explicit FakeClock(UtcMs now = 0) : now_(now) {}

    UtcMs nowUtcMs() const override { return now_.load(); }
    bool setUtcMs(UtcMs ms, std::string* error) override {
        sets_.push_back(ms);
        if (!failReason_.empty()) {
            if (error) *error = failReason_;
            return false;
        }
        now_ = ms;
        return true;
    }

    void set(UtcMs ms) { now_ = ms; }
    void advance(UtcMs deltaMs) { now_ += deltaMs; }
    void failSetsWith(std::string reason) { failReason_ = std::move(reason); }
    const std::vector<UtcMs>& recordedSets() const { return sets_; }

private:
    std::atomic<UtcMs> now_;
    std::vector<UtcMs> sets_;
    std::string failReason_;
};

}  // namespace orvane
