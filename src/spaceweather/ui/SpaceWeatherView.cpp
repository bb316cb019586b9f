#include "spaceweather/ui/SpaceWeatherView.h"

#include <QPainter>
#include <QVBoxLayout>

#include "spaceweather/plot/SpaceWeatherPlots.h"
#include "spaceweather/ui/SpaceWeatherStrip.h"

namespace orvane::spaceweather {

class PlotArea final : public QWidget {
public:
    explicit PlotArea(SpaceWeatherView& view) : QWidget(&view), view_(view) { setMinimumSize(400, 360); }

protected:
    void paintEvent(QPaintEvent*) override {
        QPainter p(this);
        const double h = height() / 3.0;
        paintKpPlot(p, QRectF(0, 0, width(), h), view_.state_, view_.now_);
        paintDailyPlot(p, QRectF(0, h, width(), h), view_.state_, view_.now_);
        paintXrayPlot(p, QRectF(0, 2 * h, width(), h), view_.state_, view_.now_);
    }

private:
    SpaceWeatherView& view_;
};

SpaceWeatherView::SpaceWeatherView(QWidget* parent)
    : QWidget(parent), strip_(new SpaceWeatherStrip(this)), plots_(new PlotArea(*this)) {
    setObjectName(QStringLiteral("spaceWeatherPage"));
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(2);
    layout->addWidget(strip_);
    layout->addWidget(plots_, 1);
}

void SpaceWeatherView::setState(const State& state, UtcMoment now) {
    state_ = state;
    now_ = now;
    strip_->setState(state, now);
    // Painted when shown; a hidden page costs nothing.
    if (plots_->isVisible()) plots_->update();
}

}  // namespace orvane::spaceweather
