#include <gtest/gtest.h>

#include "map/CalendarGrid.h"

using namespace orvane;
using namespace orvane::map;

namespace {

struct Date {
    int y, m, d;
};

// A grid on a date, counting the changes it reports from then on.
struct Fixture {
    CalendarGrid grid;
    std::vector<Date> seen;
    explicit Fixture(Date start, int startOfWeek = 7) {
        grid.SetStartOfWeek(startOfWeek);
        grid.SetDate(start.y, start.m, start.d);
        grid.OnChange = [this] { seen.push_back({grid.Year(), grid.Month(), grid.Day()}); };
    }
    Date now() const { return {grid.Year(), grid.Month(), grid.Day()}; }
};

bool operator==(Date a, Date b) { return a.y == b.y && a.m == b.m && a.d == b.d; }
std::ostream& operator<<(std::ostream& os, Date d) { return os << d.y << "-" << d.m << "-" << d.d; }

}  // namespace

TEST(CalendarGrid, MonthAndYearSteps) {
    enum Step { kNextMonth, kPrevMonth, kNextYear, kPrevYear };
    struct Case {
        const char* name;
        Date start;
        Step step;
        Date end;
        int changes;
    };
    const Case cases[] = {
        {"Jan31NextMonth", {2026, 1, 31}, kNextMonth, {2026, 2, 28}, 1},
        {"Jan31NextMonthLeap", {2024, 1, 31}, kNextMonth, {2024, 2, 29}, 1},
        {"Mar31PrevMonth", {2026, 3, 31}, kPrevMonth, {2026, 2, 28}, 1},
        {"Mar31PrevMonthLeap", {2000, 3, 31}, kPrevMonth, {2000, 2, 29}, 1},
        {"May15NextMonth", {2026, 5, 15}, kNextMonth, {2026, 6, 15}, 1},
        {"Dec31NextMonth", {2026, 12, 31}, kNextMonth, {2027, 1, 31}, 1},
        {"Jan1PrevMonth", {2026, 1, 1}, kPrevMonth, {2025, 12, 1}, 1},
        {"Feb29NextYear", {2000, 2, 29}, kNextYear, {2001, 2, 28}, 2},
        {"Feb29PrevYear", {2000, 2, 29}, kPrevYear, {1999, 2, 28}, 2},
        {"Feb28NextYear", {2003, 2, 28}, kNextYear, {2004, 2, 28}, 1},
        {"Year1PrevYearIgnored", {1, 6, 1}, kPrevYear, {1, 6, 1}, 0},
        {"Year9999NextYearIgnored", {9999, 6, 1}, kNextYear, {9999, 6, 1}, 0},
        {"Year1JanPrevMonthIgnored", {1, 1, 10}, kPrevMonth, {1, 1, 10}, 0},
        {"Year9999DecNextMonthIgnored", {9999, 12, 10}, kNextMonth, {9999, 12, 10}, 0},
    };
    for (const Case& c : cases) {
        Fixture f(c.start);
        switch (c.step) {
            case kNextMonth: f.grid.NextMonth(); break;
            case kPrevMonth: f.grid.PrevMonth(); break;
            case kNextYear: f.grid.NextYear(); break;
            case kPrevYear: f.grid.PrevYear(); break;
        }
        EXPECT_EQ(f.now(), c.end) << c.name;
        EXPECT_EQ(static_cast<int>(f.seen.size()), c.changes) << c.name;
    }
}

TEST(CalendarGrid, LeapDayYearStepPassesThroughThe28th) {
    Fixture f({2000, 2, 29});
    f.grid.NextYear();
    ASSERT_EQ(f.seen.size(), 2u);
    EXPECT_EQ(f.seen[0], (Date{2000, 2, 28}));
    EXPECT_EQ(f.seen[1], (Date{2001, 2, 28}));
}

TEST(CalendarGrid, InvalidElementsAreIgnored) {
    Fixture f({2026, 4, 30});
    for (auto [element, value] : {std::pair{CalendarGrid::kYear, 0}, {CalendarGrid::kYear, -3},
                                  {CalendarGrid::kMonth, 13}, {CalendarGrid::kDay, 31}, {CalendarGrid::kDay, 30},
                                  {CalendarGrid::kMonth, 2}, {CalendarGrid::kYear, 10000}})
        f.grid.SetDateElement(element, value);
    EXPECT_TRUE(f.seen.empty());
    EXPECT_EQ(f.now(), (Date{2026, 4, 30}));
}

TEST(CalendarGrid, FirstWeekLayout) {
    struct Case {
        const char* name;
        Date month;
        int startOfWeek;
        int offset;
        int firstColumn;
    };
    const Case cases[] = {
        {"SaturdayFirstSundayWeek", {2026, 8, 1}, 7, -5, 6},   // 2026-08-01 is a Saturday
        {"SundayFirstSundayWeek", {2026, 3, 1}, 7, 1, 0},      // 2026-03-01 is a Sunday
        {"MondayFirstSundayWeek", {2026, 6, 1}, 7, 0, 1},
        {"MondayFirstMondayWeek", {2026, 6, 1}, 1, 1, 0},
        {"SundayFirstMondayWeek", {2026, 3, 1}, 1, -5, 6},
        {"Year1Jan", {1, 1, 1}, 7, 0, 1},                       // 0001-01-01 (proleptic) is a Monday
    };
    for (const Case& c : cases) {
        Fixture f(c.month, c.startOfWeek);
        EXPECT_EQ(f.grid.MonthOffset(), c.offset) << c.name;
        EXPECT_EQ(f.grid.SelectedColumn(), c.firstColumn) << c.name;
        EXPECT_EQ(f.grid.SelectedRow(), 1) << c.name;
        EXPECT_EQ(f.grid.DayInCell(c.firstColumn, 1), 1) << c.name;
    }
}

TEST(CalendarGrid, HeaderAndStartOfWeekRange) {
    CalendarGrid g;
    g.SetStartOfWeek(7);
    EXPECT_EQ(g.HeaderWeekday(0), 0);  // Sunday
    EXPECT_EQ(g.HeaderWeekday(6), 6);  // Saturday
    g.SetStartOfWeek(0);
    EXPECT_EQ(g.StartOfWeek(), 1);
    g.SetStartOfWeek(8);
    EXPECT_EQ(g.StartOfWeek(), 1);
    EXPECT_EQ(g.HeaderWeekday(0), 1);  // Monday
}

TEST(CalendarGrid, ClicksOnEmptyCellsChangeNothing) {
    Fixture f({2026, 8, 15});  // August 2026: day 1 in column 6, day 31 in row 6 column 1
    f.grid.Click(0, 1);
    f.grid.Click(2, 6);
    f.grid.Click(3, 0);
    EXPECT_TRUE(f.seen.empty());
    f.grid.Click(1, 6);
    EXPECT_EQ(f.now(), (Date{2026, 8, 31}));
    f.grid.Click(1, 6);  // the same day again is no change
    EXPECT_EQ(f.seen.size(), 1u);
    EXPECT_FALSE(f.grid.UseCurrentDate());
}

TEST(CalendarGrid, ChosenMomentIsTheDateAtUtcTimeOfDay) {
    struct Case {
        const char* name;
        Date date;
        SystemTime now;
        UtcMoment expected;
    };
    SystemTime midnight;
    midnight.hour = 0;
    SystemTime evening;
    evening.hour = 23;
    evening.minute = 59;
    evening.second = 59;
    evening.milliseconds = 999;
    const Case cases[] = {
        {"Example1998", {1998, 3, 30}, midnight, 891216000},
        {"EveningKeepsWholeSeconds", {2026, 1, 1}, evening, 1767225600 + 86399},
        {"BeforeEpoch", {1969, 12, 31}, evening, -1},
        {"Year1", {1, 1, 1}, midnight, -62135596800},
    };
    for (const Case& c : cases) {
        Fixture f(c.date);
        EXPECT_EQ(ChosenMoment(f.grid, c.now), c.expected) << c.name;
    }
}
