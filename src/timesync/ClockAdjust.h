#pragma once

#include <QString>
#include <cstdint>
#include <string>

#include "common/Clock.h"
#include "timesync/NtpPacket.h"
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

// The server's moment of a Time-protocol reply, read in the era nearest the
// PC clock (a reply of 5 after 2036-02-07 06:28:16 is 06:28:21 of that day).
DateTime timeReplyToDateTime(std::uint32_t serverSeconds, const Clock& clock);

// Read-only: the comparison of the reply with the clock, nothing is set.
TimeComparison compareWithClock(std::uint32_t serverSeconds, const Clock& clock);

// Compares and, when the times differ, sets the clock.
ClockAdjustment AdjustClock(std::uint32_t serverSeconds, Clock& clock);

// Responsibilities: the decision on an NTP measurement. The clock is stepped
// by the measured offset, to the millisecond, unless the times match to the
// millisecond or the system keeps its own time and the offset is within
// kSyncToleranceMs (stepping then would only fight the daemon). The offset
// applied is the one measured from a reply that passed every check; nothing
// else in the reply moves the clock.
struct NtpAdjustment {
    static constexpr double kSyncToleranceMs = 500.0;
    // A larger step is never taken unasked: a PC off by more than a day has
    // a wrong date, which its user sets knowingly, and a server (or a forger)
    // that far off must not move the clock by itself.
    static constexpr double kMaxStepMs = 86'400'000.0;

    NtpMeasurement measurement;
    int stratum = 0;
    QString activeSync;          // who keeps the system's time; empty if nobody
    bool setAttempted = false;
    bool clockSet = false;
    bool stepTooLarge = false;   // beyond kMaxStepMs: left alone
    UtcMs newUtcMs = 0;          // what was written, when a set was attempted
    std::string setError;

    // "Local PC was 1.237 s ahead (NTP, ±12 ms, server stratum 2)", then what
    // became of the clock when that is not simply "set".
    QString statusText() const;
};

// Steps `clock` by the measured offset when the rule above says so.
// `activeSync` is the TimeSyncMonitor's answer.
NtpAdjustment AdjustClockNtp(const NtpMeasurement& measurement, int stratum, const QString& activeSync, Clock& clock);

}  // namespace orvane::timesync
