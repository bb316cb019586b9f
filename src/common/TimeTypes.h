#pragma once

#include <cstdint>

namespace orvane {

// Seconds since 1970-01-01 00:00:00 UTC. 64 bits, so that every date of the
// calendar (years 1 to 9999) can be displayed.
using UtcMoment = std::int64_t;

// Milliseconds since 1970-01-01 00:00:00 UTC.
using UtcMs = std::int64_t;

// Division rounding towards minus infinity, and its remainder, which takes
// the sign of b: a moment before 1970 falls in the day, the second or the
// slot that holds it, not in the one after. b must not be 0; the remainder
// never overflows, even for the smallest a.
constexpr std::int64_t floorDiv(std::int64_t a, std::int64_t b) {
    const std::int64_t q = a / b;
    return (a % b != 0 && ((a < 0) != (b < 0))) ? q - 1 : q;
}
constexpr std::int64_t floorMod(std::int64_t a, std::int64_t b) {
    const std::int64_t r = a % b;
    return (r != 0 && ((r < 0) != (b < 0))) ? r + b : r;
}

// A broken-down clock reading, UTC when read from or written to the system
// clock. dayOfWeek: 0 = Sunday.
struct SystemTime {
    std::uint16_t year = 1970;
    std::uint16_t month = 1;
    std::uint16_t dayOfWeek = 4;
    std::uint16_t day = 1;
    std::uint16_t hour = 0;
    std::uint16_t minute = 0;
    std::uint16_t second = 0;
    std::uint16_t milliseconds = 0;

    friend bool operator==(const SystemTime&, const SystemTime&) = default;
};

// Proleptic Gregorian calendar arithmetic (valid for any year 1..9999).
// floor division throughout, so moments before 1970 work.
std::int64_t daysFromCivil(int year, int month, int day);
void civilFromDays(std::int64_t days, int& year, int& month, int& day);
bool isLeapYear(int year);
int daysInMonth(int year, int month);

SystemTime systemTimeFromMs(UtcMs ms);
UtcMs msFromSystemTime(const SystemTime& t);  // dayOfWeek is ignored

// Date-time value: days since 1899-12-30 00:00, the fraction is the time of day.
using DateTime = double;
inline constexpr std::int64_t kDateTimeEpochDaysFromUnix = -25569;  // 1899-12-30 in Unix days
DateTime dateTimeFromMoment(UtcMoment t);
DateTime encodeDate(int year, int month, int day);
DateTime encodeTime(int hour, int minute, int second, int milliseconds);

}  // namespace orvane
