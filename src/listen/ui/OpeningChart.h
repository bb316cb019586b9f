#pragma once

#include <QImage>
#include <QString>
#include <QWidget>
#include <array>
#include <cstdint>

#include "beacons/Stations.h"
#include "common/Clock.h"
#include "listen/live/OpeningHistory.h"

class QComboBox;

namespace orvane::listen::ui {

// Responsibilities: the chart of openings: for one band, the eighteen
// beacons (rows) over the last 24 hours (one column per 3-minute cycle, the
// newest at the right), each cell coloured by the dashes heard, like a
// waterfall in which a path opening shows as a run of colour. Painted into a
// QImage (renderChart, tested without a window) and exportable as PNG.
//
// Collaborations: the clock (the chart's right edge), the history the
// listener fills; the caller repaints when a result comes in.
QImage renderChart(const OpeningHistory& history, int band, std::int64_t nowMs,
                   const std::array<QString, beacons::kBeaconListCount>& calls);

// The colour a heard level is shown in (0: listened for, not heard).
QColor levelColour(int level);

class OpeningChart final : public QWidget {
    Q_OBJECT
public:
    OpeningChart(Clock& clock, const OpeningHistory& history, QWidget* parent = nullptr);

    void setCalls(const std::array<QString, beacons::kBeaconListCount>& calls);
    void setBand(int band);
    int band() const { return band_; }
    // The chart as it shows now, as a PNG file written whole (temporary and
    // rename). False with the reason when it could not be written.
    bool exportPng(const QString& fileName, QString* reason) const;
    QImage image() const;

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    Clock& clock_;
    const OpeningHistory& history_;
    std::array<QString, beacons::kBeaconListCount> calls_;
    int band_ = 0;
};

}  // namespace orvane::listen::ui
