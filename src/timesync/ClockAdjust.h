#pragma once

#include <QString>
#include <cstdint>
#include <string>

#include "common/Clock.h"
#include "timesync/TimeProtocol.h"

namespace orvane::timesync {

// Responsibilities: compares a Time-protocol reply with the PC clock and, when
// the times of day differ, moves the PC clock by the difference. Only the time
// of day is compared, on the nearest date (see CompareTimes), and date and time
// are set together: a PC at 23:59:59 and a server at 00:00:01 go to 00:00:01 of
// the next day. A PC on the wrong date but the right time of day is left
// alone. The new time gets 600 ms, so that a clock set from a whole-second
// reply lands in the middle of the second the server named, whatever the
// network delay was.
//
// Collaborations: reads and sets the clock only through orvane::Clock.

struct ClockAdjustment {
    std::uint32_t serverSeconds = 0;  // the reply
    SystemTime SysTime;                // the PC clock as read; after a set, the time written
    TimeComparison comparison;
    bool setAttempted = false;  // the times differed
    bool clockSet = false;      // the clock accepted the new time
    std::string setError;       // the system's reason when it did not

    // Status text: "Times Match", "Local PC was N seconds ahead|behind", or,
    // when the clock refused, the difference and that it could not be set.
    QString statusText() const;
};

// Read-only: the comparison of the reply with the clock, nothing is set.
TimeComparison compareWithClock(std::uint32_t serverSeconds, const Clock& clock);

// Compares and, when the times differ, sets the clock.
ClockAdjustment AdjustClock(std::uint32_t serverSeconds, Clock& clock);

}  // namespace orvane::timesync
