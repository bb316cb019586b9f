#pragma once

#include <QDate>
#include <QDialog>
#include <functional>

#include "common/Clock.h"
#include "common/TimeTypes.h"

class QFrame;
class QLabel;
class QPushButton;
class QToolButton;

namespace orvane::map::ui {

class TCCalendar;

// A horizontal up-down control: two arrow buttons; only the direction of a
// click counts, so it never runs out of steps.
class UpDown : public QWidget {
    Q_OBJECT
public:
    explicit UpDown(QWidget* parent = nullptr);
    QToolButton* previousButton() const { return prev_; }
    QToolButton* nextButton() const { return next_; }
signals:
    void stepped(bool next);

private:
    QToolButton* prev_;
    QToolButton* next_;
};

// Responsibilities: the modal dialog "Calendar Toy". Shows a month grid;
// every change of the chosen date updates the date label and asks the main
// window to show the grey line of that date at the current UTC time of day.
//
// Collaborations: the main window's UTC reading (UtcNow), its
// SetDisplayTime, and the clock for Today (the local date) come in through
// the constructor; the dialog reads no clock of its own.
class TfrmCalendar : public QDialog {
    Q_OBJECT
public:
    struct Hooks {
        std::function<SystemTime()> utcNow;                 // the main window's UtcNow
        std::function<void(UtcMoment)> setDisplayTime;      // the main window's SetDisplayTime
        std::function<QDate()> localToday;                  // today's date in the local time zone
    };

    explicit TfrmCalendar(Hooks hooks, QWidget* parent = nullptr);
    ~TfrmCalendar() override;

    // Today's local date from a clock, with the system's time zone.
    static std::function<QDate()> localTodayFrom(const Clock& clock);

    // The moment the dialog shows: the chosen date at UtcNow's time of day.
    UtcMoment ChosenMoment() const;

    void TodayButtonClick();
    void udMonthYearClick(QObject* sender, bool next);

    QFrame* pnlCalendar = nullptr;
    QFrame* Bevel1 = nullptr;
    QLabel* lblCalDate = nullptr;
    TCCalendar* Calendar = nullptr;
    UpDown* udMonth = nullptr;
    QPushButton* TodayButton = nullptr;
    UpDown* udYear = nullptr;

private:
    void FormCreate();
    void CalendarChange();

    Hooks hooks_;
};

// The dialog while it is shown (cleared when it is destroyed).
extern TfrmCalendar* frmCalendar;

}  // namespace orvane::map::ui
