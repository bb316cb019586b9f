#include "map/CalendarGrid.h"

#include <cmath>

#include "common/TimeTypes.h"

namespace orvane::map {

namespace {

// Weekday of a civil date, Sunday 1 .. Saturday 7.
int dayOfWeek(int year, int month, int day) {
    const std::int64_t unixDays = daysFromCivil(year, month, day);
    const auto weekday = static_cast<int>(floorMod(unixDays + 4, 7));  // 1970-01-01 was a Thursday
    return weekday + 1;
}

bool inRange(int year) { return year >= CalendarGrid::kMinYear && year <= CalendarGrid::kMaxYear; }

}  // namespace

CalendarGrid::CalendarGrid() { UpdateCalendar(); }

DateTime CalendarGrid::CalendarDate() const { return encodeDate(year_, month_, day_); }

void CalendarGrid::SeTCCalendarDate(DateTime date) {
    const auto unixDays = static_cast<std::int64_t>(std::floor(date)) + kDateTimeEpochDaysFromUnix;
    int y = 0, m = 0, d = 0;
    civilFromDays(unixDays, y, m, d);
    if (!inRange(y)) return;
    year_ = y;
    month_ = m;
    day_ = d;
    UpdateCalendar();
    Change();
}

void CalendarGrid::SetDate(int year, int month, int day) {
    if (!inRange(year) || month < 1 || month > 12 || day < 1 || day > DaysPerMonth(year, month)) return;
    SeTCCalendarDate(encodeDate(year, month, day));
}

void CalendarGrid::SetStartOfWeek(int value) {
    startOfWeek_ = value >= 1 && value <= 7 ? value : 1;
    UpdateCalendar();
}

void CalendarGrid::SetUseCurrentDate(bool use, int todayYear, int todayMonth, int todayDay) {
    useCurrentDate_ = use;
    if (use) {
        SetDate(todayYear, todayMonth, todayDay);
        useCurrentDate_ = true;
    }
}

int CalendarGrid::DayInCell(int col, int row) const {
    if (row < 1 || row > 6 || col < 0 || col > 6) return 0;
    const int day = offset_ + col + (row - 1) * 7;
    return day >= 1 && day <= DaysThisMonth() ? day : 0;
}

void CalendarGrid::Click(int col, int row) {
    const int day = DayInCell(col, row);
    if (day != 0) SetDateElement(kDay, day);
}

void CalendarGrid::SetDateElement(int element, int value) {
    int y = year_, m = month_, d = day_;
    if (value <= 0) return;
    switch (element) {
        case kYear:
            if (value > kMaxYear || value == y) return;
            y = value;
            // (A February 29 is stepped to the 28th first by ChangeYear.)
            if (d > DaysPerMonth(y, m)) return;
            break;
        case kMonth:
            if (value > 12 || value == m) return;
            m = value;
            if (d > DaysPerMonth(y, m)) return;
            break;
        case kDay:
            if (value > DaysThisMonth() || value == d) return;
            d = value;
            break;
        default:
            return;
    }
    year_ = y;
    month_ = m;
    day_ = d;
    useCurrentDate_ = false;
    UpdateCalendar();
    Change();
}

void CalendarGrid::ChangeMonth(int delta) {
    const int d = day_;
    // From the first or last day of the month one day's step lands in the
    // neighbouring month, whose own length then bounds the day.
    std::int64_t days = daysFromCivil(year_, month_, delta < 1 ? 1 : DaysThisMonth());
    days += delta;
    int y = 0, m = 0, unused = 0;
    civilFromDays(days, y, m, unused);
    if (!inRange(y)) return;
    const int length = DaysPerMonth(y, m);
    useCurrentDate_ = false;
    SetDate(y, m, d < length ? d : length);
}

void CalendarGrid::ChangeYear(int delta) {
    const int target = year_ + delta;
    if (!inRange(target)) return;
    // February 29 has no counterpart next or last year: the step to the
    // 28th is a change of its own.
    if (IsLeapYear(year_) && month_ == 2 && day_ == 29) SetDateElement(kDay, 28);
    SetDateElement(kYear, target);
}

void CalendarGrid::UpdateCalendar() {
    offset_ = 2 - ((dayOfWeek(year_, month_, 1) - startOfWeek_ + 7) % 7);
    if (offset_ == 2) offset_ = -5;
}

void CalendarGrid::Change() {
    if (OnChange) OnChange();
}

bool CalendarGrid::IsLeapYear(int year) { return (year % 4 == 0 && year % 100 != 0) || year % 400 == 0; }

int CalendarGrid::DaysPerMonth(int year, int month) {
    static constexpr int kDays[12] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
    if (month < 1 || month > 12) return 0;
    return kDays[month - 1] + (month == 2 && IsLeapYear(year) ? 1 : 0);
}

UtcMoment ChosenMoment(const CalendarGrid& grid, const SystemTime& utcNow) {
    // Whole seconds in integers: the same moment as days plus a fraction of
    // a day times 86400, without the rounding that can lose a second.
    const std::int64_t days = daysFromCivil(grid.Year(), grid.Month(), grid.Day());
    return days * 86400 + utcNow.hour * 3600 + utcNow.minute * 60 + utcNow.second;
}

}  // namespace orvane::map
