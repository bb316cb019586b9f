#include "listen/ui/OpeningChart.h"

#include <QBuffer>
#include <QPainter>
#include <algorithm>

#include "beacons/BandPlan.h"
#include "common/AtomicFile.h"
#include "common/TimeTypes.h"

namespace orvane::listen::ui {

namespace {

constexpr int kLeft = 64;
constexpr int kTop = 22;
constexpr int kBottom = 22;
constexpr int kRight = 10;
constexpr int kCellW = 2;
constexpr int kCellH = 14;

}  // namespace

QColor levelColour(int level) {
    // Saturated, so a result never looks like the monitor's pale service colours.
    static const QColor kLevels[] = {QColor(220, 60, 60), QColor(250, 140, 0), QColor(240, 210, 0),
                                     QColor(140, 200, 0), QColor(0, 160, 0)};
    return kLevels[std::clamp(level, 0, 4)];
}

QImage renderChart(const OpeningHistory& history, int band, std::int64_t nowMs,
                   const std::array<QString, beacons::kBeaconListCount>& calls) {
    const int width = kLeft + OpeningHistory::kCycles * kCellW + kRight;
    const int height = kTop + beacons::kBeaconListCount * kCellH + kBottom;
    QImage image(width, height, QImage::Format_RGB32);
    image.fill(Qt::white);
    QPainter p(&image);
    QFont f = p.font();
    f.setPixelSize(11);
    p.setFont(f);
    p.setPen(Qt::black);
    const int b = std::clamp(band, 0, beacons::kBandCount - 1);
    p.drawText(QRect(kLeft, 2, width - kLeft, kTop - 4), Qt::AlignLeft | Qt::AlignVCenter,
               QStringLiteral("%1 MHz, the last 24 hours (UTC)")
                   .arg(QString::fromLatin1(beacons::kBandCaptions[static_cast<std::size_t>(b)].data(),
                                            static_cast<qsizetype>(beacons::kBandCaptions[static_cast<std::size_t>(b)].size()))));
    const std::int64_t nowCycle = OpeningHistory::cycleOf(nowMs);
    const QColor notListened(235, 235, 235);
    for (int beacon = 0; beacon < beacons::kBeaconListCount; ++beacon) {
        const int y = kTop + beacon * kCellH;
        p.drawText(QRect(2, y, kLeft - 6, kCellH), Qt::AlignLeft | Qt::AlignVCenter, calls[static_cast<std::size_t>(beacon)]);
        // Column c holds the cycle c places back from the right edge's.
        for (int c = 0; c < OpeningHistory::kCycles; ++c) {
            const std::int64_t cycle = nowCycle - (OpeningHistory::kCycles - 1 - c);
            const int level = history.level(b, beacon, cycle * OpeningHistory::kCycleMs, nowMs);
            p.fillRect(kLeft + c * kCellW, y + 1, kCellW, kCellH - 2, level < 0 ? notListened : levelColour(level));
        }
    }
    // Whole UTC hours along the bottom, every third one labelled.
    p.setPen(QColor(120, 120, 120));
    const std::int64_t firstMs = (nowCycle - OpeningHistory::kCycles + 1) * OpeningHistory::kCycleMs;
    const std::int64_t hourMs = 3'600'000;
    for (std::int64_t h = (firstMs + hourMs - 1) / hourMs * hourMs; h <= nowMs; h += hourMs) {
        const int x = kLeft + static_cast<int>((h - firstMs) * kCellW / OpeningHistory::kCycleMs);
        const int yBase = kTop + beacons::kBeaconListCount * kCellH;
        p.drawLine(x, yBase, x, yBase + 4);
        const int hour = systemTimeFromMs(h).hour;
        if (hour % 3 == 0)
            p.drawText(QRect(x - 20, yBase + 4, 40, kBottom - 4), Qt::AlignCenter,
                       QStringLiteral("%1").arg(hour, 2, 10, QLatin1Char('0')));
    }
    return image;
}

OpeningChart::OpeningChart(Clock& clock, const OpeningHistory& history, QWidget* parent)
    : QWidget(parent), clock_(clock), history_(history) {
    setObjectName(QStringLiteral("openingChart"));
    const QImage sample = renderChart(history_, 0, 0, calls_);
    setMinimumSize(sample.size());
}

void OpeningChart::setCalls(const std::array<QString, beacons::kBeaconListCount>& calls) {
    calls_ = calls;
    update();
}

void OpeningChart::setBand(int band) {
    if (!beacons::isValidBand(band)) return;
    band_ = band;
    update();
}

QImage OpeningChart::image() const { return renderChart(history_, band_, clock_.nowUtcMs(), calls_); }

bool OpeningChart::exportPng(const QString& fileName, QString* reason) const {
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    if (!image().save(&buffer, "PNG")) {
        if (reason) *reason = QStringLiteral("The chart could not be made into a PNG.");
        return false;
    }
    return writeFileAtomically(fileName, bytes, reason);
}

void OpeningChart::paintEvent(QPaintEvent*) {
    QPainter p(this);
    p.drawImage(0, 0, image());
}

}  // namespace orvane::listen::ui
