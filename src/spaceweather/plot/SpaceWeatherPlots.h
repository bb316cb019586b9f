#pragma once

#include <QImage>
#include <QRectF>
#include <QSize>

#include "spaceweather/SpaceWeatherState.h"

class QPainter;

namespace orvane::spaceweather {

// Responsibilities: the space-weather plots, painted with QPainter into any
// rectangle, so the view and orvane-cli's PNG draw the same picture:
//  - Kp as 3-hour bars for the 7 days before `now`, coloured by G level,
//    with the G1 line at Kp 5;
//  - the 10.7 cm flux and the sunspot number per day for the last `days`;
//  - the GOES long-channel X-ray flux of the last 24 h on a log scale with
//    the C, M and X lines.
// Missing values are gaps, never drawn as values. Labels are drawn only when
// the program has a GUI application (fonts need one); without it the grid
// and the data alone are drawn.
void paintKpPlot(QPainter& p, const QRectF& r, const State& s, UtcMoment now);
void paintDailyPlot(QPainter& p, const QRectF& r, const State& s, UtcMoment now, int days = 90);
void paintXrayPlot(QPainter& p, const QRectF& r, const State& s, UtcMoment now);

// The three plots one above the other.
QImage renderPlots(const State& s, UtcMoment now, QSize size = QSize(800, 720));

}  // namespace orvane::spaceweather
