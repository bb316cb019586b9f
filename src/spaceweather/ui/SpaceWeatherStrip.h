#pragma once

#include <QWidget>

#include <array>

#include "spaceweather/SpaceWeatherState.h"

class QLabel;

namespace orvane::spaceweather {

// Responsibilities: the space-weather figures at a glance, one row: SFI,
// SSN, A, K (with its time), X-ray now and its 24-h peak, R, S, G. A figure
// NOAA has not given shows "-". Each figure's age follows it when the strip
// is wide ("SFI 152 3h"); at the classic width only the value shows. A stale
// figure (older than twice its cadence) is greyed and always shows its age.
// The scales and X-ray classes take NOAA's colours. The hint of a figure
// names its source product and times; a click shows that hint at once.
// setState is the whole update: plain label texts, no layout pass unless a
// text's width changes.
class SpaceWeatherStrip final : public QWidget {
    Q_OBJECT
public:
    explicit SpaceWeatherStrip(QWidget* parent = nullptr);

    void setState(const State& state, UtcMoment now);

    // The text and hint of a figure as shown (for tests).
    QString figureText(Figure f) const;
    QString figureHint(Figure f) const;
    bool figureStale(Figure f) const { return stale_[static_cast<size_t>(f)]; }
    bool wide() const { return wide_; }

    // Above this width each figure shows its age.
    static constexpr int kWideWidth = 900;

signals:
    // A figure was clicked.
    void figureClicked(orvane::spaceweather::Figure figure);

protected:
    void resizeEvent(QResizeEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void render();

    std::array<QLabel*, kFigureCount> labels_{};
    std::array<bool, kFigureCount> stale_{};
    State state_;
    UtcMoment now_ = 0;
    bool wide_ = false;
};

// "3h", "12m", "2d" for the strip.
QString shortAge(qint64 seconds);

}  // namespace orvane::spaceweather
