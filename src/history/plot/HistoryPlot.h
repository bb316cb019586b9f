#pragma once

#include <QColor>
#include <QImage>
#include <QPointF>
#include <QRectF>
#include <QString>
#include <array>
#include <optional>
#include <vector>

#include "history/HistoryView.h"

class QPainter;

namespace orvane::history {

// Responsibilities: the History grid painted with QPainter into any
// rectangle, so the window and orvane-cli's PNG draw the same picture: a
// band's title, the beacons' calls down the left, the UTC hours along the
// top, and each cell coloured by the share of slots heard (red never heard,
// through orange and yellow to green always heard; light grey never
// listened for). The geometry is a plain struct, so a cell is found under
// the mouse and in a picture without painting. Labels are drawn only when
// the program has a GUI application (fonts need one); without it the cells
// alone are drawn, in the same places.

using BeaconCalls = std::array<QString, beacons::kBeaconListCount>;

// The colour of a share heard (0..1); none: never listened for.
QColor shareColour(std::optional<double> share);

// Room for the labels: the calls' column on the left, the title and the
// hours' row on top.
struct GridMargins {
    double left = 64;
    double top = 34;
    double right = 8;
    double bottom = 8;
};

// Where the cells of one band's grid lie in its rectangle.
struct GridGeometry {
    QRectF cells;  // the 24 x 18 cells, without the labels

    double cellWidth() const { return cells.width() / 24.0; }
    double cellHeight() const { return cells.height() / beacons::kBeaconListCount; }
    QRectF cellRect(int beacon, int hour) const;
    // The (beacon, hour) under a point; none outside the cells.
    std::optional<std::pair<int, int>> cellAt(QPointF point) const;
};

GridGeometry gridGeometry(const QRectF& rect, const GridMargins& margins);

// One band's grid into `rect`, labels in the painter's font.
void paintBandGrid(QPainter& p, const QRectF& rect, const GridMargins& margins, const BandGrid& grid,
                   const BeaconCalls& calls, const QString& title);

// The picture orvane-cli writes: one panel per band, one above the other,
// each kPlotPanelSize, the same size whatever the fonts.
inline constexpr int kPlotCellWidth = 20;
inline constexpr int kPlotCellHeight = 14;
inline constexpr GridMargins kPlotMargins{64, 34, 8, 8};
inline constexpr int kPlotPanelWidth = 64 + 24 * kPlotCellWidth + 8;
inline constexpr int kPlotPanelHeight = 34 + beacons::kBeaconListCount * kPlotCellHeight + 8;

// The rectangle of panel `index` (0: the top one) in the picture.
QRectF plotPanelRect(int index);

QImage renderHistoryPlot(const std::vector<BandGrid>& grids, const BeaconCalls& calls, const QString& subtitle);

}  // namespace orvane::history
