#pragma once

#include <QList>
#include <QObject>
#include <QPointer>

#include "common/Clock.h"
#include "spaceweather/SpaceWeatherWatch.h"

class QWidget;

namespace orvane::spaceweather {

class SpaceWeatherStrip;
class SpaceWeatherView;

// Responsibilities: one space-weather state for every window that shows it.
// It makes the strips the panels place and the Space Weather page, and
// hands each new state to all of them; a click on a strip's figure brings
// the page forward through `showPage`.
class SpaceWeatherDisplay : public QObject {
    Q_OBJECT
public:
    SpaceWeatherDisplay(const Clock& clock, QString folder, QObject* parent = nullptr);

    SpaceWeatherStrip* addStrip(QWidget* parent);
    SpaceWeatherView* addView(QWidget* parent);

    // Reads the products kept and follows them; with `fetch` the JSON
    // products are fetched from the web service at their intervals too.
    void start(bool fetch);
    SpaceWeatherWatch& watch() { return watch_; }

signals:
    void showPage();

private:
    void update();

    SpaceWeatherWatch watch_;
    QList<QPointer<SpaceWeatherStrip>> strips_;
    QPointer<SpaceWeatherView> view_;
};

}  // namespace orvane::spaceweather
