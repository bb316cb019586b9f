#include "map/ui/Ccalunit.h"

#include <QDateTime>
#include <QFrame>
#include <QHBoxLayout>
#include <QLabel>
#include <QLocale>
#include <QPushButton>
#include <QScreen>
#include <QToolButton>

#include "map/CalendarGrid.h"
#include "map/ui/Ccalendr.h"

namespace orvane::map::ui {

TfrmCalendar* frmCalendar = nullptr;

namespace {

void setHint(QWidget* w, const char* hint) {
    w->setToolTip(QString::fromLatin1(hint));
    w->setStatusTip(QString::fromLatin1(hint));
}

}  // namespace

UpDown::UpDown(QWidget* parent) : QWidget(parent), prev_(new QToolButton(this)), next_(new QToolButton(this)) {
    prev_->setArrowType(Qt::LeftArrow);
    next_->setArrowType(Qt::RightArrow);
    for (QToolButton* b : {prev_, next_}) b->setAutoRepeat(true);
    auto* row = new QHBoxLayout(this);
    row->setContentsMargins(0, 0, 0, 0);
    row->setSpacing(0);
    row->addWidget(prev_);
    row->addWidget(next_);
    connect(prev_, &QToolButton::clicked, this, [this] { emit stepped(false); });
    connect(next_, &QToolButton::clicked, this, [this] { emit stepped(true); });
}

TfrmCalendar::TfrmCalendar(Hooks hooks, QWidget* parent) : QDialog(parent), hooks_(std::move(hooks)) {
    frmCalendar = this;
    setObjectName(QStringLiteral("frmCalendar"));
    setWindowTitle(QStringLiteral("Calendar Toy"));
    setFixedSize(292, 254);
    setWindowFlags(Qt::Dialog | Qt::WindowTitleHint | Qt::WindowCloseButtonHint | Qt::MSWindowsFixedSizeDialogHint);

    pnlCalendar = new QFrame(this);
    pnlCalendar->setFrameStyle(QFrame::Panel | QFrame::Sunken);
    pnlCalendar->setGeometry(4, 4, 284, 246);

    Bevel1 = new QFrame(pnlCalendar);
    Bevel1->setFrameStyle(QFrame::Panel | QFrame::Raised);
    Bevel1->setGeometry(42, 8, 200, 26);
    lblCalDate = new QLabel(Bevel1);
    lblCalDate->setAlignment(Qt::AlignCenter);
    lblCalDate->setGeometry(2, 2, 196, 22);
    QFont bold = lblCalDate->font();
    bold.setBold(true);
    lblCalDate->setFont(bold);
    setHint(lblCalDate, "Currently displayed calendar date");

    Calendar = new TCCalendar(pnlCalendar);
    Calendar->setGeometry(8, 40, 268, 147);
    Calendar->grid().SetStartOfWeek(7);
    setHint(Calendar, "Click on the desired day.");

    auto* lblMonth = new QLabel(QStringLiteral("Month"), pnlCalendar);
    lblMonth->setGeometry(16, 192, 64, 16);
    lblMonth->setAlignment(Qt::AlignCenter);
    udMonth = new UpDown(pnlCalendar);
    udMonth->setProperty("Tag", 1);
    udMonth->setGeometry(24, 210, 48, 24);
    setHint(udMonth, "Change calendar month");

    TodayButton = new QPushButton(QStringLiteral("Today"), pnlCalendar);
    TodayButton->setGeometry(104, 206, 76, 28);
    TodayButton->setAutoDefault(false);
    setHint(TodayButton, "Set calendar to system date");

    auto* lblYear = new QLabel(QStringLiteral("Year"), pnlCalendar);
    lblYear->setGeometry(204, 192, 64, 16);
    lblYear->setAlignment(Qt::AlignCenter);
    udYear = new UpDown(pnlCalendar);
    udYear->setProperty("Tag", 2);
    udYear->setGeometry(212, 210, 48, 24);
    setHint(udYear, "Change calendar year");

    setTabOrder(Calendar, udMonth->previousButton());
    setTabOrder(udMonth->nextButton(), TodayButton);
    setTabOrder(TodayButton, udYear->previousButton());

    connect(TodayButton, &QPushButton::clicked, this, [this] { TodayButtonClick(); });
    for (UpDown* ud : {udMonth, udYear})
        connect(ud, &UpDown::stepped, this, [this, ud](bool next) { udMonthYearClick(ud, next); });
    Calendar->setOnChange([this] { CalendarChange(); });

    if (const QScreen* screen = QWidget::screen()) move(screen->availableGeometry().center() - rect().center());
    Calendar->setFocus();
    FormCreate();
}

TfrmCalendar::~TfrmCalendar() {
    if (frmCalendar == this) frmCalendar = nullptr;
}

std::function<QDate()> TfrmCalendar::localTodayFrom(const Clock& clock) {
    return [&clock] { return QDateTime::fromMSecsSinceEpoch(clock.nowUtcMs()).toLocalTime().date(); };
}

void TfrmCalendar::FormCreate() {
    const SystemTime now = hooks_.utcNow ? hooks_.utcNow() : SystemTime{};
    Calendar->grid().SetDate(now.year, now.month, now.day);
}

void TfrmCalendar::CalendarChange() {
    const CalendarGrid& g = Calendar->grid();
    lblCalDate->setText(QLocale().toString(QDate(g.Year(), g.Month(), g.Day()), QStringLiteral("MMMM d, yyyy")));
    if (hooks_.setDisplayTime) hooks_.setDisplayTime(ChosenMoment());
}

UtcMoment TfrmCalendar::ChosenMoment() const {
    return map::ChosenMoment(Calendar->grid(), hooks_.utcNow ? hooks_.utcNow() : SystemTime{});
}

void TfrmCalendar::TodayButtonClick() {
    const QDate today = hooks_.localToday ? hooks_.localToday() : QDate::currentDate();
    Calendar->grid().SetDate(today.year(), today.month(), today.day());
}

void TfrmCalendar::udMonthYearClick(QObject* sender, bool next) {
    CalendarGrid& g = Calendar->grid();
    switch (sender ? sender->property("Tag").toInt() : 0) {
        case 1: next ? g.NextMonth() : g.PrevMonth(); break;
        case 2: next ? g.NextYear() : g.PrevYear(); break;
        default: break;
    }
}

}  // namespace orvane::map::ui
