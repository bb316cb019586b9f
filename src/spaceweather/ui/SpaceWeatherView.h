#pragma once

#include <QWidget>

#include "spaceweather/SpaceWeatherState.h"

namespace orvane::spaceweather {

class SpaceWeatherStrip;

// Responsibilities: the Space Weather page: the strip at the top and the
// three plots below it (Kp for 7 days, flux and sunspot number for 90 days,
// X-ray flux for 24 hours), painted by the same code as orvane-cli's PNG.
class SpaceWeatherView final : public QWidget {
    Q_OBJECT
public:
    explicit SpaceWeatherView(QWidget* parent = nullptr);
    void setState(const State& state, UtcMoment now);
    SpaceWeatherStrip* strip() const { return strip_; }

private:
    SpaceWeatherStrip* strip_;
    QWidget* plots_;
    State state_;
    UtcMoment now_ = 0;
    friend class PlotArea;
};

}  // namespace orvane::spaceweather
