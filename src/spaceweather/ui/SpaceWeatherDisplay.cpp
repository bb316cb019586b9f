#include "spaceweather/ui/SpaceWeatherDisplay.h"

#include "spaceweather/ui/SpaceWeatherStrip.h"
#include "spaceweather/ui/SpaceWeatherView.h"

namespace orvane::spaceweather {

SpaceWeatherDisplay::SpaceWeatherDisplay(const Clock& clock, QString folder, QObject* parent)
    : QObject(parent), watch_(clock, std::move(folder)) {
    connect(&watch_, &SpaceWeatherWatch::changed, this, &SpaceWeatherDisplay::update);
}

SpaceWeatherStrip* SpaceWeatherDisplay::addStrip(QWidget* parent) {
    auto* strip = new SpaceWeatherStrip(parent);
    strips_.append(strip);
    strip->setState(watch_.state(), watch_.now());
    connect(strip, &SpaceWeatherStrip::figureClicked, this, &SpaceWeatherDisplay::showPage);
    return strip;
}

SpaceWeatherView* SpaceWeatherDisplay::addView(QWidget* parent) {
    view_ = new SpaceWeatherView(parent);
    view_->setState(watch_.state(), watch_.now());
    return view_;
}

void SpaceWeatherDisplay::start(bool fetch) { watch_.start(fetch); }

void SpaceWeatherDisplay::update() {
    const UtcMoment now = watch_.now();
    for (const auto& strip : strips_)
        if (strip) strip->setState(watch_.state(), now);
    if (view_) view_->setState(watch_.state(), now);
}

}  // namespace orvane::spaceweather
