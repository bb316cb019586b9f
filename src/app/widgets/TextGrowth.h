#pragma once

#include <QFont>
#include <QSize>

class QWidget;

namespace orvane::app {

// How far the map's labels, and the captions, buttons and small print
// around the map, grow: beyond this the map and the lists get the room.
constexpr double kMaxLabelScale = 1.8;

// The one rule by which the tabs' text grows with the window. A page (or a
// panel) of `room` against the classic `design` room grows its text by the
// smaller of the two stretches, so the text fits both ways, in whole tenths;
// never below 1
// (the classic look at the classic size) and at most `maxScale` (a readable
// size, not a poster).
double textScale(QSize room, QSize design, double maxScale);

// `base` with its pixel size grown by `scale`; `base` itself at scale 1.
QFont grownFont(const QFont& base, double scale);

// Sets the font of `widget` and of each widget inside it to the font that
// widget had before the first call, grown by `scale`. Changes nothing when
// the size is the same, so calling it on every resize costs no layout pass.
void growText(QWidget* widget, double scale);

}  // namespace orvane::app
