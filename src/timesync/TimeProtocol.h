#pragma once

#include <QByteArray>
#include <QString>
#include <cstdint>
#include <optional>

#include "common/TimeTypes.h"

namespace orvane::timesync {

// Responsibilities: the arithmetic of the Time protocol (RFC 868) and of the
// time-of-day comparison with the PC clock. Pure functions, no clock, no I/O.
//
// A reply is an unsigned 32-bit big-endian count of seconds since
// 1900-01-01 00:00:00 UTC; every value is valid (up to 2036-02-07 06:28:15).
// Only the time of day is ever compared, so the date the reply names does not
// matter here: a PC clock on the wrong date but the right time of day matches.

inline constexpr quint16 kTimeProtocolPort = 37;
inline constexpr int kTimeReplyBytes = 4;
inline constexpr int kSecondsPerDay = 86400;

// The seconds a 4-byte reply carries; nothing when it is not exactly 4 bytes.
std::optional<std::uint32_t> decodeTimeReply(const QByteArray& datagram);

// Date-time value of 1900-01-01 00:00:00 plus `seconds` (1900-01-01 is day 2).
DateTime TimeProtocolToDateTime(std::uint32_t seconds);

// Seconds of the day (0..86399) of a date-time value: the day fraction is
// rounded to the nearest millisecond, then the milliseconds are dropped.
int DateTimeToStTime(DateTime value);

// ((hours mod 24) * 3600 + minutes * 60 + seconds) mod 86400.
int HMStoStTime(int hours, int minutes, int seconds);

struct TimeComparison {
    int TimeDiff = 0;    // whole seconds, never negative
    bool ahead = false;  // the PC's time of day is later than the server's

    bool matches() const { return TimeDiff == 0; }
    friend bool operator==(const TimeComparison&, const TimeComparison&) = default;
};

// Compares the times of day of two date-time values to the whole second, on
// the nearest date: a difference of more than half a day belongs to the
// neighbouring day, so 23:59:59 against a server's 00:00:01 is 2 seconds
// behind, not 86398 ahead. Exactly half a day apart counts as behind.
TimeComparison CompareTimes(DateTime server, DateTime pc);

// The server's second of the day minus the PC's, brought into -43199..43200:
// what must be added to the PC clock, in whole seconds.
int nearestDifference(int serverSecondOfDay, int pcSecondOfDay);

// "Times Match" or "Local PC was N seconds ahead|behind" ("seconds" also for 1).
QString comparisonText(const TimeComparison& comparison);

}  // namespace orvane::timesync
