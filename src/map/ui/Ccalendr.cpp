#include "map/ui/Ccalendr.h"

#include <QKeyEvent>
#include <QLocale>
#include <QMouseEvent>
#include <QPainter>

namespace orvane::map::ui {

TCCalendar::TCCalendar(QWidget* parent) : QWidget(parent) {
    setFocusPolicy(Qt::StrongFocus);
    grid_.OnChange = [this] {
        update();
        if (onChange_) onChange_();
    };
}

void TCCalendar::setOnChange(std::function<void()> handler) { onChange_ = std::move(handler); }

QString TCCalendar::GetCellText(int col, int row) const {
    if (row == 0) {
        const int weekday = grid_.HeaderWeekday(col);  // 0 = Sunday; Qt counts Monday 1 .. Sunday 7
        return QLocale().dayName(weekday == 0 ? 7 : weekday, QLocale::ShortFormat);
    }
    const int day = grid_.DayInCell(col, row);
    return day ? QString::number(day) : QString();
}

QRect TCCalendar::cellRect(int col, int row) const {
    // Every resize gives each column (width - 6 grid lines) / 7 and each row
    // (height - 6 grid lines) / 7.
    const int w = (width() - 6 * kGridLine) / 7;
    const int h = (height() - 6 * kGridLine) / 7;
    return {col * (w + kGridLine), row * (h + kGridLine), w, h};
}

void TCCalendar::paintEvent(QPaintEvent*) {
    QPainter p(this);
    const QPalette& pal = palette();
    p.fillRect(rect(), pal.color(QPalette::Base));
    p.setPen(pal.color(QPalette::Mid));
    for (int i = 1; i < 7; ++i) {
        const QRect c = cellRect(i, i);
        p.drawLine(c.left() - 1, 0, c.left() - 1, height());
        p.drawLine(0, c.top() - 1, width(), c.top() - 1);
    }
    for (int row = 0; row < 7; ++row)
        for (int col = 0; col < 7; ++col) {
            const QRect c = cellRect(col, row);
            const bool selected = row == grid_.SelectedRow() && col == grid_.SelectedColumn();
            if (row == 0) {
                p.fillRect(c, pal.color(QPalette::Button));
                p.setPen(pal.color(QPalette::ButtonText));
            } else if (selected) {
                p.fillRect(c, pal.color(QPalette::Highlight));
                p.setPen(pal.color(QPalette::HighlightedText));
            } else {
                p.setPen(pal.color(QPalette::Text));
            }
            p.drawText(c, Qt::AlignCenter, GetCellText(col, row));
            if (selected && hasFocus()) {
                p.setPen(QPen(pal.color(QPalette::HighlightedText), 1, Qt::DotLine));
                p.drawRect(c.adjusted(1, 1, -2, -2));
            }
        }
}

void TCCalendar::selectCell(int col, int row) {
    if (!grid_.CanSelectCell(col, row)) return;
    grid_.Click(col, row);
}

void TCCalendar::mousePressEvent(QMouseEvent* event) {
    if (event->button() != Qt::LeftButton) return QWidget::mousePressEvent(event);
    for (int row = 1; row < 7; ++row)
        for (int col = 0; col < 7; ++col)
            if (cellRect(col, row).contains(event->position().toPoint())) return selectCell(col, row);
}

void TCCalendar::keyPressEvent(QKeyEvent* event) {
    int col = grid_.SelectedColumn();
    int row = grid_.SelectedRow();
    switch (event->key()) {
        case Qt::Key_Left: --col; break;
        case Qt::Key_Right: ++col; break;
        case Qt::Key_Up: --row; break;
        case Qt::Key_Down: ++row; break;
        default: return QWidget::keyPressEvent(event);
    }
    if (col >= 0 && col < 7) selectCell(col, row);
}

}  // namespace orvane::map::ui
