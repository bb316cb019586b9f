#pragma once

#include <string>

#include "common/TimeTypes.h"

namespace orvane {

// Responsibilities: the one place the program reads (and, on request, sets)
// the wall clock. Everything else takes the moment as an argument; tests hand
// in a FakeClock.
class Clock {
public:
    virtual ~Clock() = default;

    // The wall clock in UTC, milliseconds since the Unix epoch.
    virtual UtcMs nowUtcMs() const = 0;
    // The same with the fraction of the millisecond, for measuring a clock's
    // error (whole milliseconds alone would bias it by half of one). Clocks
    // without a finer reading give nowUtcMs().
    virtual double nowUtcMsFine() const { return static_cast<double>(nowUtcMs()); }

    // Sets the wall clock. Returns true on success; on failure fills *error
    // with the system's reason (for example missing CAP_SYS_TIME).
    virtual bool setUtcMs(UtcMs ms, std::string* error) = 0;

    SystemTime nowSystemTime() const { return systemTimeFromMs(nowUtcMs()); }
    UtcMoment nowMoment() const;
};

// The real clock: clock_gettime(CLOCK_REALTIME) and clock_settime.
class SystemClock final : public Clock {
public:
    UtcMs nowUtcMs() const override;
    double nowUtcMsFine() const override;
    bool setUtcMs(UtcMs ms, std::string* error) override;
};

}  // namespace orvane
