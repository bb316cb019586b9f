#include "common/TimeTypes.h"

namespace orvane {
// Days from civil and back: Howard Hinnant's algorithms
// ("chrono-Compatible Low-Level Date Algorithms"), era-based so they hold for
// negative day counts.
std::int64_t daysFromCivil(int year, int month, int day) {
    const std::int64_t y = static_cast<std::int64_t>(year) - (month <= 2 ? 1 : 0);
    const std::int64_t era = floorDiv(y, 400);
    const std::int64_t yoe = y - era * 400;
    const std::int64_t mp = (month + 9) % 12;
    const std::int64_t doy = (153 * mp + 2) / 5 + day - 1;
    const std::int64_t doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;
    return era * 146097 + doe - 719468;
}

void civilFromDays(std::int64_t days, int& year, int& month, int& day) {
    const std::int64_t z = days + 719468;
    const std::int64_t era = floorDiv(z, 146097);
    const std::int64_t doe = z - era * 146097;
    const std::int64_t yoe = (doe - doe / 1460 + doe / 36524 - doe / 146096) / 365;
    const std::int64_t doy = doe - (365 * yoe + yoe / 4 - yoe / 100);
    const std::int64_t mp = (5 * doy + 2) / 153;
    day = static_cast<int>(doy - (153 * mp + 2) / 5 + 1);
    month = static_cast<int>(mp < 10 ? mp + 3 : mp - 9);
    year = static_cast<int>(yoe + era * 400 + (month <= 2 ? 1 : 0));
}

bool isLeapYear(int year) { return (year % 4 == 0 && year % 100 != 0) || year % 400 == 0; }

int daysInMonth(int year, int month) {
    static constexpr int kDays[12] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
    if (month == 2 && isLeapYear(year)) return 29;
    return kDays[(month - 1) % 12];
}

SystemTime systemTimeFromMs(UtcMs ms) {
    const std::int64_t days = floorDiv(ms, 86'400'000);
    const std::int64_t msOfDay = ms - days * 86'400'000;
    int y = 0, m = 0, d = 0;
    civilFromDays(days, y, m, d);
    SystemTime t;
    t.year = static_cast<std::uint16_t>(y);
    t.month = static_cast<std::uint16_t>(m);
    t.day = static_cast<std::uint16_t>(d);
    t.dayOfWeek = static_cast<std::uint16_t>(((days % 7) + 11) % 7);  // 1970-01-01 was a Thursday
    t.hour = static_cast<std::uint16_t>(msOfDay / 3'600'000);
    t.minute = static_cast<std::uint16_t>(msOfDay / 60'000 % 60);
    t.second = static_cast<std::uint16_t>(msOfDay / 1000 % 60);
    t.milliseconds = static_cast<std::uint16_t>(msOfDay % 1000);
    return t;
}

UtcMs msFromSystemTime(const SystemTime& t) {
    const std::int64_t days = daysFromCivil(t.year, t.month, t.day);
    return days * 86'400'000 + t.hour * 3'600'000LL + t.minute * 60'000LL + t.second * 1000LL +
           t.milliseconds;
}

DateTime dateTimeFromMoment(UtcMoment t) {
    return static_cast<double>(t) / 86400.0 - static_cast<double>(kDateTimeEpochDaysFromUnix);
}

DateTime encodeDate(int year, int month, int day) {
    return static_cast<double>(daysFromCivil(year, month, day) - kDateTimeEpochDaysFromUnix);
}

DateTime encodeTime(int hour, int minute, int second, int milliseconds) {
    return (hour * 3'600'000.0 + minute * 60'000.0 + second * 1000.0 + milliseconds) / 86'400'000.0;
}

}  // namespace orvane
