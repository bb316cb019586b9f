#pragma once

#include <QDateTime>
#include <QObject>
#include <QString>
#include <QTimer>

#include <array>
#include <memory>

#include "common/Clock.h"
#include "spaceweather/SpaceWeatherFeed.h"
#include "spaceweather/SpaceWeatherState.h"

namespace orvane::spaceweather {

// Responsibilities: the space-weather state the windows show. It reads the
// products in the reports' folder (the text reports the Propagation page
// fetches, the JSON products its feed keeps), rebuilds the state when a
// file changed, and tells the windows once a minute (the ages move) or at
// once when a product arrived. Offline, the files kept and so the last good
// values stay, with their ages growing. One coarse timer of a minute; the
// feed waits with its own single-shot timer.
class SpaceWeatherWatch : public QObject {
    Q_OBJECT
public:
    SpaceWeatherWatch(const Clock& clock, QString folder, QObject* parent = nullptr);
    ~SpaceWeatherWatch() override;

    // Starts the minute timer and, with `fetch`, the feed of the JSON products.
    void start(bool fetch);
    void stop();

    // Reads the files again where changed and tells the windows.
    void refresh();

    const State& state() const { return state_; }
    UtcMoment now() const { return clock_.nowUtcMs() / 1000; }
    SpaceWeatherFeed& feed() { return *feed_; }

signals:
    void changed();

private:
    const Clock& clock_;
    QString folder_;
    std::unique_ptr<SpaceWeatherFeed> feed_;
    QTimer minute_;
    Products products_;
    std::array<QDateTime, 7> stamps_{};
    State state_;
};

}  // namespace orvane::spaceweather
