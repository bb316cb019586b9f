#include <gtest/gtest.h>

#include <QLabel>
#include <QLocale>
#include <QPushButton>
#include <QMouseEvent>
#include <QTest>
#include <QToolButton>
#include <vector>

#include "map/ui/Ccalendr.h"
#include "map/ui/Ccalunit.h"

using namespace orvane;
using namespace orvane::map::ui;

namespace {

SystemTime utc(int y, int mo, int d, int h, int mi, int s) {
    SystemTime t;
    t.year = static_cast<std::uint16_t>(y);
    t.month = static_cast<std::uint16_t>(mo);
    t.day = static_cast<std::uint16_t>(d);
    t.hour = static_cast<std::uint16_t>(h);
    t.minute = static_cast<std::uint16_t>(mi);
    t.second = static_cast<std::uint16_t>(s);
    return t;
}

// The main window as the dialog sees it: UtcNow and SetDisplayTime.
struct FakeMainWindow {
    SystemTime utcNow = utc(1998, 3, 30, 0, 0, 0);
    QDate localToday{1998, 3, 29};
    std::vector<UtcMoment> shown;
    TfrmCalendar::Hooks hooks() {
        return {[this] { return utcNow; }, [this](UtcMoment t) { shown.push_back(t); }, [this] { return localToday; }};
    }
};

class CalendarDialog : public ::testing::Test {
protected:
    void SetUp() override { QLocale::setDefault(QLocale(QLocale::English, QLocale::UnitedStates)); }
    void TearDown() override { QLocale::setDefault(QLocale::system()); }
    FakeMainWindow main;
};

}  // namespace

TEST_F(CalendarDialog, OpeningShowsTheUtcDateAndDrawsTheMapOnce) {
    TfrmCalendar dlg(main.hooks());
    EXPECT_EQ(dlg.windowTitle(), QStringLiteral("Calendar Toy"));
    EXPECT_EQ(dlg.lblCalDate->text(), QStringLiteral("March 30, 1998"));
    ASSERT_EQ(main.shown.size(), 1u);
    EXPECT_EQ(main.shown[0], 891216000);
    EXPECT_EQ(frmCalendar, &dlg);
    EXPECT_EQ(dlg.Calendar->GetCellText(0, 0), QStringLiteral("Sun"));
    EXPECT_EQ(dlg.Calendar->GetCellText(6, 0), QStringLiteral("Sat"));
}

TEST_F(CalendarDialog, GlobalReferenceIsClearedOnDestruction) {
    { TfrmCalendar dlg(main.hooks()); }
    EXPECT_EQ(frmCalendar, nullptr);
}

TEST_F(CalendarDialog, TodayIsTheLocalDate) {
    main.utcNow = utc(1998, 3, 30, 0, 30, 0);  // local time zone behind UTC: still March 29
    TfrmCalendar dlg(main.hooks());
    QTest::mouseClick(dlg.TodayButton, Qt::LeftButton);
    EXPECT_EQ(dlg.lblCalDate->text(), QStringLiteral("March 29, 1998"));
    ASSERT_EQ(main.shown.size(), 2u);
    EXPECT_EQ(main.shown[1], 891216000 - 86400 + 1800);
}

TEST_F(CalendarDialog, LeapDayYearStepRedrawsTwice) {
    main.utcNow = utc(2000, 2, 29, 12, 0, 0);
    TfrmCalendar dlg(main.hooks());
    QTest::mouseClick(dlg.udYear->nextButton(), Qt::LeftButton);
    EXPECT_EQ(dlg.lblCalDate->text(), QStringLiteral("February 28, 2001"));
    EXPECT_EQ(main.shown.size(), 3u);
    QTest::mouseClick(dlg.udMonth->previousButton(), Qt::LeftButton);
    EXPECT_EQ(dlg.lblCalDate->text(), QStringLiteral("January 28, 2001"));
}

TEST_F(CalendarDialog, ClickingADayAndAnEmptyCell) {
    TfrmCalendar dlg(main.hooks());  // March 1998 starts on a Sunday: day 1 in column 0
    TCCalendar* cal = dlg.Calendar;
    QTest::mouseClick(cal, Qt::LeftButton, {}, cal->cellRect(3, 2).center());  // 11th
    EXPECT_EQ(dlg.lblCalDate->text(), QStringLiteral("March 11, 1998"));
    const auto before = main.shown.size();
    QTest::mouseClick(cal, Qt::LeftButton, {}, cal->cellRect(6, 6).center());  // empty
    EXPECT_EQ(main.shown.size(), before);
    QTest::keyClick(cal, Qt::Key_Right);
    EXPECT_EQ(dlg.lblCalDate->text(), QStringLiteral("March 12, 1998"));
}
