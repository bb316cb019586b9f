#pragma once

#include <functional>

#include "common/TimeTypes.h"

namespace orvane::map {

// Responsibilities: the month grid of the calendar dialog without any
// drawing: the chosen date, which day stands in which of the 7 x 6 cells,
// and the day, month and year steps with their end-of-month rules. Every
// change of the date calls OnChange once. Years 1 to 9999; steps that would
// leave that range are ignored, like every other invalid step.
class CalendarGrid {
public:
    static constexpr int kMinYear = 1;
    static constexpr int kMaxYear = 9999;
    enum Element { kYear = 1, kMonth = 2, kDay = 3 };

    CalendarGrid();

    std::function<void()> OnChange;

    // The chosen date as a date value (whole days since 1899-12-30).
    DateTime CalendarDate() const;
    // Stores the date (its time of day is dropped), lays out the month and
    // reports the change. A date outside years 1..9999 is ignored.
    void SeTCCalendarDate(DateTime date);
    void SetDate(int year, int month, int day);

    int Year() const { return year_; }
    int Month() const { return month_; }
    int Day() const { return day_; }

    // 1..7; the first column shows weekday StartOfWeek mod 7 (0 = Sunday), so
    // 7 puts Sunday first and 1 Monday. Other values are stored as 1.
    int StartOfWeek() const { return startOfWeek_; }
    void SetStartOfWeek(int value);

    bool UseCurrentDate() const { return useCurrentDate_; }
    // Setting it moves the control to today's date (the caller's local date).
    void SetUseCurrentDate(bool use, int todayYear, int todayMonth, int todayDay);

    // Day number that would stand in column 0 of the first week row, -5..1.
    int MonthOffset() const { return offset_; }
    int DaysThisMonth() const { return DaysPerMonth(year_, month_); }

    // Weekday shown in column col of the header row, 0 = Sunday.
    int HeaderWeekday(int col) const { return (startOfWeek_ + col) % 7; }
    // Day in the cell (col 0..6, row 1..6), 0 for an empty cell.
    int DayInCell(int col, int row) const;
    // Only cells that show a day can be selected.
    bool CanSelectCell(int col, int row) const { return row >= 1 && DayInCell(col, row) != 0; }
    int SelectedColumn() const { return (day_ - offset_) % 7; }
    int SelectedRow() const { return (day_ - offset_) / 7 + 1; }

    // The user picked a cell: that day becomes the date (empty cells: nothing).
    void Click(int col, int row);
    // Sets one element; ignores values <= 0, a month above 12, a day beyond
    // the month, a year above 9999 and values equal to the current one.
    void SetDateElement(int element, int value);

    void PrevMonth() { ChangeMonth(-1); }
    void NextMonth() { ChangeMonth(1); }
    void PrevYear() { ChangeYear(-1); }
    void NextYear() { ChangeYear(1); }

    static bool IsLeapYear(int year);
    static int DaysPerMonth(int year, int month);

private:
    void ChangeMonth(int delta);
    void ChangeYear(int delta);
    void UpdateCalendar();
    void Change();

    int year_ = 2000, month_ = 1, day_ = 1;
    int startOfWeek_ = 1;
    bool useCurrentDate_ = false;
    int offset_ = 1;
};

// The moment a calendar date shows: that day at the time of day of utcNow.
// Whole seconds; the milliseconds of utcNow are dropped.
UtcMoment ChosenMoment(const CalendarGrid& grid, const SystemTime& utcNow);

}  // namespace orvane::map
