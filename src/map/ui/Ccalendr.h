#pragma once

#include <QWidget>

#include "map/CalendarGrid.h"

namespace orvane::map::ui {

// Responsibilities: the month-grid control of the calendar dialog. Draws
// the 7 x 7 grid (weekday names in the system's abbreviations, then six
// week rows) of a CalendarGrid, and turns clicks and arrow keys into cell
// selections; empty cells cannot be selected. The date rules live in
// CalendarGrid; OnChange is raised by it on every change of the date.
class TCCalendar : public QWidget {
    Q_OBJECT
public:
    explicit TCCalendar(QWidget* parent = nullptr);

    CalendarGrid& grid() { return grid_; }
    const CalendarGrid& grid() const { return grid_; }

    // Handler called after every change of the date.
    void setOnChange(std::function<void()> handler);

    // Text of a cell: weekday name in row 0, day number or "" below.
    QString GetCellText(int col, int row) const;
    // The cell rectangle in widget coordinates.
    QRect cellRect(int col, int row) const;

    QSize sizeHint() const override { return {266, 140}; }

protected:
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;

private:
    static constexpr int kGridLine = 1;
    void selectCell(int col, int row);

    CalendarGrid grid_;
    std::function<void()> onChange_;
};

}  // namespace orvane::map::ui
