#include "history/plot/HistoryPlot.h"

#include <QFontMetricsF>
#include <QGuiApplication>
#include <QPainter>
#include <cmath>

namespace orvane::history {

namespace {

bool canDrawText() { return qobject_cast<QGuiApplication*>(QCoreApplication::instance()) != nullptr; }

// Saturated, as the openings chart's levels: never, a quarter, half, three
// quarters, always.
constexpr std::array<QRgb, 5> kShareStops{qRgb(220, 60, 60), qRgb(250, 140, 0), qRgb(240, 210, 0), qRgb(140, 200, 0),
                                          qRgb(0, 160, 0)};

int mix(int a, int b, double t) { return static_cast<int>(std::lround(a + (b - a) * t)); }

}  // namespace

QColor shareColour(std::optional<double> share) {
    if (!share) return QColor(235, 235, 235);
    const double s = std::clamp(*share, 0.0, 1.0) * (kShareStops.size() - 1);
    const auto i = std::min(static_cast<std::size_t>(s), kShareStops.size() - 2);
    const double t = s - static_cast<double>(i);
    const QRgb a = kShareStops[i], b = kShareStops[i + 1];
    return QColor(mix(qRed(a), qRed(b), t), mix(qGreen(a), qGreen(b), t), mix(qBlue(a), qBlue(b), t));
}

QRectF GridGeometry::cellRect(int beacon, int hour) const {
    return QRectF(cells.left() + hour * cellWidth(), cells.top() + beacon * cellHeight(), cellWidth(), cellHeight());
}

std::optional<std::pair<int, int>> GridGeometry::cellAt(QPointF point) const {
    if (!cells.contains(point) || cells.width() <= 0 || cells.height() <= 0) return std::nullopt;
    const int hour = std::clamp(static_cast<int>((point.x() - cells.left()) / cellWidth()), 0, 23);
    const int beacon = std::clamp(static_cast<int>((point.y() - cells.top()) / cellHeight()), 0,
                                  beacons::kBeaconListCount - 1);
    return std::pair{beacon, hour};
}

GridGeometry gridGeometry(const QRectF& rect, const GridMargins& m) {
    QRectF cells = rect.adjusted(m.left, m.top, -m.right, -m.bottom);
    if (cells.width() < 0) cells.setWidth(0);
    if (cells.height() < 0) cells.setHeight(0);
    return {cells};
}

void paintBandGrid(QPainter& p, const QRectF& rect, const GridMargins& margins, const BandGrid& grid,
                   const BeaconCalls& calls, const QString& title) {
    const GridGeometry g = gridGeometry(rect, margins);
    p.save();
    p.fillRect(rect, Qt::white);
    for (int b = 0; b < beacons::kBeaconListCount; ++b)
        for (int h = 0; h < 24; ++h)
            p.fillRect(g.cellRect(b, h).adjusted(0, 0, -1, -1), shareColour(grid.at(b, h).share()));
    // Six-hour marks between the cells, so an hour is found without labels.
    p.setPen(QPen(QColor(90, 90, 90), 1));
    for (int h = 0; h <= 24; h += 6) {
        const double x = g.cells.left() + h * g.cellWidth() - 0.5;
        p.drawLine(QPointF(x, g.cells.top() - 3), QPointF(x, g.cells.bottom()));
    }
    if (canDrawText()) {
        const QFontMetricsF fm(p.font());
        p.setPen(Qt::black);
        const double hoursTop = g.cells.top() - fm.height() - 3;
        p.drawText(QRectF(rect.left() + 4, rect.top(), rect.width() - 8, hoursTop - rect.top()),
                   Qt::AlignLeft | Qt::AlignVCenter, title);
        // Every hour when two digits fit a cell, else every third.
        const int step = fm.horizontalAdvance(QStringLiteral("00 ")) <= g.cellWidth() ? 1 : 3;
        for (int h = 0; h < 24; h += step) {
            const QRectF column = g.cellRect(0, h);
            p.drawText(QRectF(column.center().x() - 20, hoursTop, 40, fm.height()), Qt::AlignCenter,
                       QStringLiteral("%1").arg(h, 2, 10, QLatin1Char('0')));
        }
        for (int b = 0; b < beacons::kBeaconListCount; ++b) {
            const QRectF row = g.cellRect(b, 0);
            p.drawText(QRectF(rect.left(), row.top(), margins.left - 6, row.height()),
                       Qt::AlignRight | Qt::AlignVCenter, calls[static_cast<std::size_t>(b)]);
        }
    }
    p.restore();
}

QRectF plotPanelRect(int index) { return QRectF(0, index * kPlotPanelHeight, kPlotPanelWidth, kPlotPanelHeight); }

QImage renderHistoryPlot(const std::vector<BandGrid>& grids, const BeaconCalls& calls, const QString& subtitle) {
    QImage image(kPlotPanelWidth, kPlotPanelHeight * static_cast<int>(std::max<std::size_t>(grids.size(), 1)),
                 QImage::Format_RGB32);
    image.fill(Qt::white);
    QPainter p(&image);
    if (canDrawText()) {
        QFont font = p.font();
        font.setPixelSize(11);
        p.setFont(font);
    }
    for (std::size_t i = 0; i < grids.size(); ++i)
        paintBandGrid(p, plotPanelRect(static_cast<int>(i)), kPlotMargins, grids[i], calls,
                      subtitle.isEmpty() ? bandText(grids[i].band) : bandText(grids[i].band) + QStringLiteral(", ") + subtitle);
    return image;
}

}  // namespace orvane::history
