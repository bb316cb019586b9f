#include "app/panels/MonitorPanel.h"

#include <QEvent>
#include <QGridLayout>
#include <QHelpEvent>
#include <QToolTip>
#include <QLabel>
#include <QPainter>
#include <QTimer>
#include <QVBoxLayout>
#include <algorithm>
#include <cmath>

#include "app/PopupHints.h"
#include "listen/ui/OpeningChart.h"

namespace orvane::app {
namespace {

const QColor kInService(120, 220, 120);
const QColor kNotInService(225, 225, 225);
const QColor kOffAir(170, 170, 170);

QString latin1(std::string_view s) { return QString::fromUtf8(s.data(), static_cast<qsizetype>(s.size())); }

}  // namespace

// The 18 x 5 grid: column s is slot s of the cycle, row k band k; the cell
// holds the slot number of the beacon on that band then.
class CycleGrid final : public QWidget {
public:
    CycleGrid(Clock& clock, QWidget* parent) : QWidget(parent), clock_(clock) {
        setObjectName(QStringLiteral("cycleGrid"));
        setMinimumSize(18 * 22 + 44, 5 * 18 + 4);
    }
    int column = 0;
    MonitorPanel::InService inService{};
    std::array<bool, beacons::kBeaconListCount> onAir{};
    listen::HeardTable heard;
    beacons::StationTable stations;

    static constexpr int kCaptionWidth = 44;

    int heardLevel(int cellColumn, int band) const {
        const auto& last = heard.last(beaconAt(cellColumn, band), band);
        return last ? listen::heardLevel(*last) : -1;
    }
    QString heardText(int cellColumn, int band) const {
        const int index = beaconAt(cellColumn, band);
        const auto& last = heard.last(index, band);
        if (!last) return {};
        return QStringLiteral("%1 %2: %3")
            .arg(QString::fromStdString(stations.entry(index).call),
                 latin1(beacons::kBandCaptions[static_cast<std::size_t>(band)]),
                 listen::heardSummary(*last, clock_.nowUtcMs()));
    }

    static int beaconAt(int column, int band) { return beacons::beaconOnBand(column, band); }

protected:
    // The age is worked out when the hint is asked for, so it is never stale.
    bool event(QEvent* e) override {
        if (e->type() == QEvent::ToolTip) {
            auto* help = static_cast<QHelpEvent*>(e);
            const double cellW = (width() - kCaptionWidth - 1) / 18.0;
            const double cellH = (height() - 1) / 5.0;
            const int at = static_cast<int>(std::floor((help->pos().x() - kCaptionWidth) / cellW));
            const int band = static_cast<int>(std::floor(help->pos().y() / cellH));
            const QString text = at >= 0 && at < beacons::kSlotsPerCycle && beacons::isValidBand(band)
                                     ? heardText(at, band)
                                     : QString();
            // Cells with no result keep the grid's own hint.
            if (text.isEmpty()) return QWidget::event(e);
            QToolTip::showText(help->globalPos(), text, this);
            return true;
        }
        return QWidget::event(e);
    }

    void paintEvent(QPaintEvent*) override {
        QPainter p(this);
        const double cellW = (width() - kCaptionWidth - 1) / 18.0;
        const double cellH = (height() - 1) / 5.0;
        QFont f = font();
        f.setPixelSize(std::clamp(static_cast<int>(std::min(cellH * 0.5, cellW * 0.5)), 8, 14));
        p.setFont(f);
        for (int band = 0; band < beacons::kBandCount; ++band) {
            const QRectF caption(0, band * cellH, kCaptionWidth, cellH);
            p.setPen(palette().color(QPalette::WindowText));
            p.drawText(caption, Qt::AlignVCenter | Qt::AlignLeft,
                       latin1(beacons::kBandCaptions[static_cast<std::size_t>(band)]));
            for (int c = 0; c < beacons::kSlotsPerCycle; ++c) {
                const int index = beaconAt(c, band);
                const QRectF cell(kCaptionWidth + c * cellW, band * cellH, cellW, cellH);
                const bool served = inService[static_cast<std::size_t>(index)][static_cast<std::size_t>(band)];
                const int level = heardLevel(c, band);
                p.fillRect(cell, level >= 0                                ? listen::ui::levelColour(level)
                                 : !onAir[static_cast<std::size_t>(index)] ? kOffAir
                                 : served                                  ? kInService
                                                                           : kNotInService);
                p.setPen(QColor(90, 90, 90));
                p.drawRect(cell);
                p.setPen(Qt::black);
                p.drawText(cell, Qt::AlignCenter, QString::number(index + 1));
            }
        }
        // The current column, framed.
        p.setPen(QPen(QColor(200, 0, 0), 2));
        p.setBrush(Qt::NoBrush);
        p.drawRect(QRectF(kCaptionWidth + column * cellW, 1, cellW, height() - 2));
    }

private:
    Clock& clock_;
};

MonitorPanel::MonitorPanel(Clock& clock, QWidget* parent) : QWidget(parent), clock_(clock) {
    setObjectName(QStringLiteral("monitorPanel"));
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(8, 6, 8, 6);
    layout->setSpacing(4);

    auto* top = new QHBoxLayout;
    lblSecondsLeft = new QLabel(this);
    lblSecondsLeft->setObjectName(QStringLiteral("lblSecondsLeft"));
    QFont big = lblSecondsLeft->font();
    big.setPixelSize(18);
    big.setBold(true);
    lblSecondsLeft->setFont(big);
    setHint(lblSecondsLeft, QStringLiteral("Seconds left in this beacon slot"));
    lblCycle = new QLabel(this);
    lblCycle->setObjectName(QStringLiteral("lblCycle"));
    setHint(lblCycle, QStringLiteral("The slot's place in the 3-minute cycle"));
    top->addWidget(lblSecondsLeft);
    top->addStretch(1);
    top->addWidget(lblCycle);
    layout->addLayout(top);

    auto* bands = new QGridLayout;
    bands->setHorizontalSpacing(10);
    bands->setVerticalSpacing(1);
    const QStringList headers{QStringLiteral("MHz"), QStringLiteral("Now"), QStringLiteral("Next")};
    for (int c = 0; c < headers.size(); ++c) {
        auto* h = new QLabel(QStringLiteral("<b>%1</b>").arg(headers[c]), this);
        bands->addWidget(h, 0, c);
    }
    for (int band = 0; band < beacons::kBandCount; ++band) {
        const auto b = static_cast<std::size_t>(band);
        bands->addWidget(new QLabel(latin1(beacons::kBandCaptions[b]), this), band + 1, 0);
        lblNow[b] = new QLabel(this);
        lblNow[b]->setObjectName(QStringLiteral("lblNow%1").arg(band));
        lblNext[b] = new QLabel(this);
        lblNext[b]->setObjectName(QStringLiteral("lblNext%1").arg(band));
        bands->addWidget(lblNow[b], band + 1, 1);
        bands->addWidget(lblNext[b], band + 1, 2);
    }
    bands->setColumnStretch(1, 3);
    bands->setColumnStretch(2, 2);
    layout->addLayout(bands);

    grid_ = new CycleGrid(clock_, this);
    setHint(grid_, QStringLiteral("The 3-minute cycle: the beacon of each band in each slot; green in service, "
                                  "grey not, dark grey off the air; the current slot framed. While listening, "
                                  "the last result: dark green all four dashes heard, then yellow-green, yellow, "
                                  "orange for 3, 2, 1, red not heard"));
    layout->addWidget(grid_, 1);

    secondTimer_ = new QTimer(this);
    secondTimer_->setSingleShot(true);
    secondTimer_->setTimerType(Qt::PreciseTimer);
    connect(secondTimer_, &QTimer::timeout, this, [this] { secondTick(); });
    setStations(stations_);
}

void MonitorPanel::setStations(const beacons::StationTable& table) {
    stations_ = table;
    grid_->stations = table;
    for (int i = 0; i < beacons::kBeaconListCount; ++i) grid_->onAir[static_cast<std::size_t>(i)] = stations_.entry(i).onAir;
    if (shown_) refresh();
    grid_->update();
}

void MonitorPanel::setInService(const InService& flags) {
    inService_ = flags;
    grid_->inService = flags;
    grid_->update();
}

void MonitorPanel::setStation(std::optional<geo::LonLat> station) {
    station_ = station;
    if (shown_) refresh();
}

void MonitorPanel::showSlot(UtcMs now) {
    view_ = beacons::monitorAt(now);
    shown_ = true;
    refresh();
    // The countdown steps on the next whole second; should the timer fire a
    // hair early, the seconds read the same and it is armed again.
    secondTimer_->start(static_cast<int>(beacons::nextSecondBoundaryMs(now) - now));
}

void MonitorPanel::secondTick() {
    const UtcMs now = clock_.nowUtcMs();
    const beacons::MonitorView v = beacons::monitorAt(now);
    if (v.periodStartMs != view_.periodStartMs) {
        showSlot(now);
        return;
    }
    view_ = v;
    lblSecondsLeft->setText(secondsLeftText());
    secondTimer_->start(static_cast<int>(beacons::nextSecondBoundaryMs(now) - now));
}

void MonitorPanel::stop() { secondTimer_->stop(); }

QString MonitorPanel::beaconText(int index) const {
    const beacons::StationEntry& e = stations_.entry(index);
    QString t = QStringLiteral("%1 %2, %3").arg(e.slotNumber).arg(QString::fromStdString(e.call),
                                                                   QString::fromStdString(e.site));
    if (station_) {
        const geo::Path p = geo::pathBetween(*station_, {e.lonDeg, e.latDeg});
        t += QStringLiteral("  %1° %2 km")
                 .arg(static_cast<int>(std::lround(p.spBearingDeg)) % 360, 3, 10, QLatin1Char('0'))
                 .arg(std::lround(p.spDistanceKm));
    }
    if (!e.onAir) t += QStringLiteral("  (off the air)");
    return t;
}

void MonitorPanel::refresh() {
    lblSecondsLeft->setText(secondsLeftText());
    lblCycle->setText(cycleText());
    for (int band = 0; band < beacons::kBandCount; ++band) {
        const auto b = static_cast<std::size_t>(band);
        lblNow[b]->setText(nowText(band));
        lblNext[b]->setText(nextText(band));
    }
    if (grid_->column != view_.cyclePosition) {
        grid_->column = view_.cyclePosition;
        grid_->update();
    }
}

QString MonitorPanel::secondsLeftText() const { return QStringLiteral("%1 s left").arg(view_.secondsLeft); }

QString MonitorPanel::cycleText() const {
    return QStringLiteral("Slot %1 of 18 in the cycle").arg(view_.cyclePosition + 1);
}

QString MonitorPanel::nowText(int band) const {
    return beaconText(view_.bands[static_cast<std::size_t>(band)].nowIndex);
}

QString MonitorPanel::nextText(int band) const {
    const beacons::StationEntry& e = stations_.entry(view_.bands[static_cast<std::size_t>(band)].nextIndex);
    return QStringLiteral("%1 %2").arg(e.slotNumber).arg(QString::fromStdString(e.call));
}

int MonitorPanel::cycleColumn() const { return grid_->column; }

void MonitorPanel::setHeard(const listen::HeardTable& heard) {
    grid_->heard = heard;
    grid_->update();
}

int MonitorPanel::cellHeardLevel(int column, int band) const { return grid_->heardLevel(column, band); }

QString MonitorPanel::cellHeardText(int column, int band) const { return grid_->heardText(column, band); }

bool MonitorPanel::cellInService(int column, int band) const {
    const int index = CycleGrid::beaconAt(column, band);
    return stations_.entry(index).onAir &&
           inService_[static_cast<std::size_t>(index)][static_cast<std::size_t>(band)];
}

}  // namespace orvane::app
