#include "app/panels/MonitorPanel.h"

#include <QEvent>
#include <QFontMetrics>
#include <QFontMetricsF>
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
#include "app/help/ContextHelp.h"
#include "app/help/HelpContexts.h"
#include "app/widgets/TextGrowth.h"
#include "listen/ui/OpeningChart.h"

namespace orvane::app {
namespace {

const QColor kInService(120, 220, 120);
const QColor kNotInService(225, 225, 225);
const QColor kOffAir(170, 170, 170);
// The bands' text at the classic size.
constexpr int kTextPixels = 11;
constexpr int kMinTextPixels = 8;

QString latin1(std::string_view s) { return QString::fromUtf8(s.data(), static_cast<qsizetype>(s.size())); }

}  // namespace

// The 18 x 5 grid: column s is slot s of the cycle, row k band k; the cell
// holds the call of the beacon on that band then and, while a result is kept,
// the result under it.
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
    int captionPixels = 11;

    // The band captions' column: "28.20" and a margin at the captions' size.
    int captionWidth() const {
        QFont f = font();
        f.setPixelSize(captionPixels);
        return std::max(44, QFontMetrics(f).horizontalAdvance(QStringLiteral("28.20")) + captionPixels / 2 + 4);
    }
    double cellWidth() const { return (width() - captionWidth() - 1) / 18.0; }

    // A result ages out of the grid (listening stopped, or another band
    // listened to since).
    int heardLevel(int cellColumn, int band) const {
        const auto& last = heard.shownAt(beaconAt(cellColumn, band), band, clock_.nowUtcMs());
        return last ? listen::heardLevel(*last) : -1;
    }
    QString heardText(int cellColumn, int band) const {
        const int index = beaconAt(cellColumn, band);
        const auto& last = heard.shownAt(index, band, clock_.nowUtcMs());
        if (!last) return {};
        return QStringLiteral("%1 %2: %3")
            .arg(QString::fromStdString(stations.entry(index).call),
                 latin1(beacons::kBandCaptions[static_cast<std::size_t>(band)]),
                 listen::heardSummary(*last, clock_.nowUtcMs()));
    }
    QColor colour(int cellColumn, int band) const {
        const int index = beaconAt(cellColumn, band);
        const int level = heardLevel(cellColumn, band);
        return level >= 0 ? listen::ui::levelColour(level)
               : !onAir[static_cast<std::size_t>(index)] ? kOffAir
               : inService[static_cast<std::size_t>(index)][static_cast<std::size_t>(band)] ? kInService
                                                                                           : kNotInService;
    }
    // The call, and under it the first dash's SNR when it was heard, else
    // the dashes heard of four.
    QString text(int cellColumn, int band) const {
        const int index = beaconAt(cellColumn, band);
        QString t = QString::fromStdString(stations.entry(index).call);
        const auto& last = heard.last(index, band);
        if (!last) return t;
        const auto& first = last->dashSnrDb[0];
        if (last->heard && first && std::isfinite(*first))
            return t + QStringLiteral("\n%1 dB").arg(std::lround(*first));
        return t + QStringLiteral("\n%1/4").arg(listen::heardLevel(*last));
    }
    // The largest size at which every call fits its cell, two lines high.
    int cellPixels() const {
        const double cellW = cellWidth();
        const double cellH = (height() - 1) / 5.0;
        QStringList calls;
        for (int i = 0; i < beacons::kBeaconListCount; ++i) calls << QString::fromStdString(stations.entry(i).call);
        QFont f = font();
        int size = std::clamp(static_cast<int>(cellH / 2.6), 6, 40);
        for (; size > 6; --size) {
            f.setPixelSize(size);
            const QFontMetricsF m(f);
            double widest = 0;
            for (const QString& c : calls) widest = std::max(widest, m.horizontalAdvance(c));
            if (widest <= cellW - 3 && 2 * m.height() <= cellH - 2) break;
        }
        return size;
    }

    static int beaconAt(int column, int band) { return beacons::beaconOnBand(column, band); }

protected:
    // The age is worked out when the hint is asked for, so it is never stale.
    bool event(QEvent* e) override {
        if (e->type() == QEvent::ToolTip) {
            auto* help = static_cast<QHelpEvent*>(e);
            const double cellW = cellWidth();
            const double cellH = (height() - 1) / 5.0;
            const int at = static_cast<int>(std::floor((help->pos().x() - captionWidth()) / cellW));
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
        const double cellW = cellWidth();
        const double cellH = (height() - 1) / 5.0;
        QFont captionFont = font();
        captionFont.setPixelSize(captionPixels);
        QFont cellFont = font();
        cellFont.setPixelSize(cellPixels());
        for (int band = 0; band < beacons::kBandCount; ++band) {
            const QRectF caption(0, band * cellH, captionWidth(), cellH);
            p.setFont(captionFont);
            p.setPen(palette().color(QPalette::WindowText));
            p.drawText(caption, Qt::AlignVCenter | Qt::AlignLeft,
                       latin1(beacons::kBandCaptions[static_cast<std::size_t>(band)]));
            p.setFont(cellFont);
            for (int c = 0; c < beacons::kSlotsPerCycle; ++c) {
                const QRectF cell(captionWidth() + c * cellW, band * cellH, cellW, cellH);
                p.fillRect(cell, colour(c, band));
                p.setPen(QColor(90, 90, 90));
                p.drawRect(cell);
                p.setPen(Qt::black);
                p.drawText(cell, Qt::AlignCenter, text(c, band));
            }
        }
        // The current column, framed.
        p.setPen(QPen(QColor(200, 0, 0), 2));
        p.setBrush(Qt::NoBrush);
        p.drawRect(QRectF(captionWidth() + column * cellW, 1, cellW, height() - 2));
    }

private:
    Clock& clock_;
};

// A square of one colour, framed, for the legend.
class Swatch final : public QWidget {
public:
    Swatch(QColor colour, QWidget* parent) : QWidget(parent), colour_(colour) {}
    QColor colour() const { return colour_; }

protected:
    void paintEvent(QPaintEvent*) override {
        QPainter p(this);
        p.fillRect(rect(), colour_);
        p.setPen(QColor(90, 90, 90));
        p.drawRect(rect().adjusted(0, 0, -1, -1));
    }

private:
    QColor colour_;
};

MonitorPanel::MonitorPanel(Clock& clock, QWidget* parent) : QWidget(parent), clock_(clock) {
    setObjectName(QStringLiteral("monitorPanel"));
    help::setHelpContext(this, help::ctx::kMonitorTab);
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(8, 6, 8, 6);
    layout->setSpacing(4);

    auto* top = new QHBoxLayout;
    lblSecondsLeft = new QLabel(this);
    lblSecondsLeft->setObjectName(QStringLiteral("lblSecondsLeft"));
    QFont big = lblSecondsLeft->font();
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

    // Bearings and distances in columns of their own, right-aligned, so the
    // figures of the five bands line up.
    auto* bands = new QGridLayout;
    bands_ = bands;
    bands->setHorizontalSpacing(10);
    bands->setVerticalSpacing(1);
    const QStringList headers{QStringLiteral("MHz"), QStringLiteral("Now"), QStringLiteral("Bearing"),
                              QStringLiteral("Distance"), QStringLiteral("Next"), QStringLiteral("Bearing")};
    for (int c = 0; c < headers.size(); ++c) {
        auto* h = new QLabel(headers[c], this);
        QFont f = h->font();
        f.setBold(true);
        h->setFont(f);
        if (c == 2 || c == 3 || c == 5) h->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
        headers_.push_back(h);
        bands->addWidget(h, 0, c);
    }
    const auto right = Qt::AlignRight | Qt::AlignVCenter;
    for (int band = 0; band < beacons::kBandCount; ++band) {
        const auto b = static_cast<std::size_t>(band);
        auto* caption = new QLabel(latin1(beacons::kBandCaptions[b]), this);
        bandCaptions_.push_back(caption);
        bands->addWidget(caption, band + 1, 0);
        const auto make = [&](const char* name, int column, Qt::Alignment align) {
            auto* l = new QLabel(this);
            l->setObjectName(QStringLiteral("%1%2").arg(QLatin1String(name)).arg(band));
            l->setAlignment(align);
            bands->addWidget(l, band + 1, column);
            return l;
        };
        lblNow[b] = make("lblNow", 1, Qt::AlignLeft | Qt::AlignVCenter);
        lblNowBearing[b] = make("lblNowBearing", 2, right);
        lblNowDistance[b] = make("lblNowDistance", 3, right);
        lblNext[b] = make("lblNext", 4, Qt::AlignLeft | Qt::AlignVCenter);
        lblNextBearing[b] = make("lblNextBearing", 5, right);
        lblHeardCount[b] = make("lblHeardCount", 6, Qt::AlignLeft | Qt::AlignVCenter);
        lblHeardCount[b]->hide();
        setHint(lblHeardCount[b], QStringLiteral("Beacons heard on this band in the 18 slots before this one"));
    }
    bands->setColumnStretch(1, 3);
    bands->setColumnStretch(4, 2);
    bands->setColumnStretch(6, 2);
    layout->addLayout(bands);

    grid_ = new CycleGrid(clock_, this);
    setHint(grid_, QStringLiteral("The 3-minute cycle: the beacon of each band in each slot, the current slot "
                                  "framed; the legend below gives the colours"));
    layout->addWidget(grid_, 1);

    // The legend: the service colours, then the listening results by the
    // dashes heard.
    legendBox_ = new QWidget(this);
    legendBox_->setObjectName(QStringLiteral("monitorLegend"));
    auto* legendRow = new QHBoxLayout(legendBox_);
    legendRow->setContentsMargins(0, 0, 0, 0);
    legendRow->setSpacing(4);
    const auto addEntry = [&](QColor colour, const QString& text) {
        auto* swatch = new Swatch(colour, legendBox_);
        auto* caption = new QLabel(text, legendBox_);
        legendRow->addWidget(swatch);
        legendRow->addWidget(caption);
        legendRow->addSpacing(8);
        legend_.emplace_back(swatch, caption);
    };
    addEntry(kInService, QStringLiteral("in service"));
    addEntry(kNotInService, QStringLiteral("not in service"));
    addEntry(kOffAir, QStringLiteral("off the air"));
    legendRow->addSpacing(12);
    auto* heardCaption = new QLabel(QStringLiteral("heard:"), legendBox_);
    legendRow->addWidget(heardCaption);
    for (int level = 4; level >= 0; --level)
        addEntry(listen::ui::levelColour(level), level == 0 ? QStringLiteral("0 dashes") : QString::number(level));
    legendRow->addStretch(1);
    setHint(legendBox_, QStringLiteral("The colours of the cycle grid; while listening, a cell shows the last "
                                       "result by the dashes heard, with the first dash's SNR"));
    layout->addWidget(legendBox_);

    secondTimer_ = new QTimer(this);
    secondTimer_->setSingleShot(true);
    secondTimer_->setTimerType(Qt::PreciseTimer);
    connect(secondTimer_, &QTimer::timeout, this, [this] { secondTick(); });
    setStations(stations_);
    applyTextScale();
}

// The text grows with the panel as the map's labels grow with the map: the
// classic tab gives scale 1, and a larger one up to four times that. Where
// the columns would not fit the width at that size, the sites are left out
// of "Now" first (the Beacons tab has them), then the text is made smaller,
// so no figure is ever cut off.
void MonitorPanel::resizeEvent(QResizeEvent* e) {
    QWidget::resizeEvent(e);
    applyTextScale();
}

void MonitorPanel::applyTextScale() {
    const double scale = textScale(size(), QSize(545, 250), 4.0);
    const int target = qRound(kTextPixels * scale);
    const QMargins m = layout()->contentsMargins();
    const int room = width() - m.left() - m.right();
    [&] {
        for (int px = target; px >= kMinTextPixels; --px)
            for (const bool sites : {true, false}) {
                setTextPixels(px, sites);
                if (neededWidth() <= room) return;
            }
    }();
    // The columns take the new widths now, not at the next event.
    layout()->activate();
}

void MonitorPanel::setTextPixels(int pixels, bool sites) {
    const bool sitesChanged = sites != showSites_;
    showSites_ = sites;
    if (sitesChanged && shown_) refreshTexts();
    if (pixels == textPixels_) return;
    textPixels_ = pixels;
    const auto sized = [](QWidget* w, int px) {
        QFont f = w->font();
        f.setPixelSize(px);
        w->setFont(f);
    };
    sized(lblSecondsLeft, qRound(pixels * 1.6));
    sized(lblCycle, pixels);
    for (QLabel* l : headers_) sized(l, pixels);
    for (QLabel* l : bandCaptions_) sized(l, pixels);
    for (int band = 0; band < beacons::kBandCount; ++band) {
        const auto b = static_cast<std::size_t>(band);
        for (QLabel* l : {lblNow[b], lblNowBearing[b], lblNowDistance[b], lblNext[b], lblNextBearing[b], lblHeardCount[b]})
            sized(l, pixels);
    }
    for (QLabel* l : legendBox_->findChildren<QLabel*>()) sized(l, pixels);
    for (const auto& entry : legend_) entry.first->setFixedSize(pixels, pixels);
    grid_->captionPixels = pixels;
    grid_->update();
    bands_->setHorizontalSpacing(std::max(10, pixels));
}

// The width the bands' columns and the legend take at their present text.
int MonitorPanel::neededWidth() const {
    int columns = 0;
    int used = 0;
    for (int c = 0; c < bands_->columnCount(); ++c) {
        int widest = 0;
        for (int r = 0; r < bands_->rowCount(); ++r) {
            const QLayoutItem* item = bands_->itemAtPosition(r, c);
            const QWidget* w = item ? item->widget() : nullptr;
            if (w && !w->isHidden()) widest = std::max(widest, w->sizeHint().width());
        }
        if (widest > 0) {
            used += widest;
            ++columns;
        }
    }
    const int bandsWidth = used + std::max(0, columns - 1) * bands_->horizontalSpacing();
    legendBox_->layout()->invalidate();
    return std::max(bandsWidth, legendBox_->layout()->sizeHint().width());
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

std::optional<geo::Path> MonitorPanel::pathTo(int index) const {
    if (!station_) return std::nullopt;
    const beacons::StationEntry& e = stations_.entry(index);
    return geo::pathBetween(*station_, {e.lonDeg, e.latDeg});
}

namespace {
QString bearingText(const std::optional<geo::Path>& p) {
    if (!p) return {};
    return QStringLiteral("%1°").arg(static_cast<int>(std::lround(p->spBearingDeg)) % 360, 3, 10, QLatin1Char('0'));
}
QString distanceText(const std::optional<geo::Path>& p) {
    if (!p) return {};
    return QStringLiteral("%1 km").arg(std::lround(p->spDistanceKm));
}
}  // namespace

QString MonitorPanel::callText(int index) const {
    const beacons::StationEntry& e = stations_.entry(index);
    QString t = QStringLiteral("%1 %2").arg(e.slotNumber).arg(QString::fromStdString(e.call));
    if (!e.onAir) t += QStringLiteral("  (off the air)");
    return t;
}

QString MonitorPanel::beaconText(int index) const {
    const beacons::StationEntry& e = stations_.entry(index);
    QString t = QStringLiteral("%1 %2, %3").arg(e.slotNumber).arg(QString::fromStdString(e.call),
                                                                   QString::fromStdString(e.site));
    if (!e.onAir) t += QStringLiteral("  (off the air)");
    return t;
}

// New texts may need another size (a station set brings bearings).
void MonitorPanel::refresh() {
    refreshTexts();
    applyTextScale();
}

void MonitorPanel::refreshTexts() {
    lblSecondsLeft->setText(secondsLeftText());
    lblCycle->setText(cycleText());
    for (int band = 0; band < beacons::kBandCount; ++band) {
        const auto b = static_cast<std::size_t>(band);
        lblNow[b]->setText(showSites_ ? beaconText(view_.bands[b].nowIndex) : callText(view_.bands[b].nowIndex));
        lblNowBearing[b]->setText(nowBearingText(band));
        lblNowDistance[b]->setText(nowDistanceText(band));
        const beacons::StationEntry& next = stations_.entry(view_.bands[b].nextIndex);
        lblNext[b]->setText(QStringLiteral("%1 %2").arg(next.slotNumber).arg(QString::fromStdString(next.call)));
        lblNextBearing[b]->setText(nextBearingText(band));
    }
    refreshHeardCounts();
    if (grid_->column != view_.cyclePosition) {
        grid_->column = view_.cyclePosition;
        grid_->update();
    }
}

QString MonitorPanel::secondsLeftText() const { return QStringLiteral("%1 s left").arg(view_.secondsLeft); }

QString MonitorPanel::cycleText() const {
    return QStringLiteral("Slot %1 of 18 in the cycle").arg(view_.cyclePosition + 1);
}

// The bands' lines as one text each (bearing and distance after the site).
QString MonitorPanel::nowText(int band) const {
    const int index = view_.bands[static_cast<std::size_t>(band)].nowIndex;
    QString t = beaconText(index);
    if (const auto p = pathTo(index)) t += QStringLiteral("  %1 %2").arg(bearingText(p), distanceText(p));
    return t;
}

QString MonitorPanel::nextText(int band) const {
    const int index = view_.bands[static_cast<std::size_t>(band)].nextIndex;
    const beacons::StationEntry& e = stations_.entry(index);
    QString t = QStringLiteral("%1 %2").arg(e.slotNumber).arg(QString::fromStdString(e.call));
    if (const auto p = pathTo(index)) t += QStringLiteral("  ") + bearingText(p);
    return t;
}

QString MonitorPanel::nowBearingText(int band) const {
    return bearingText(pathTo(view_.bands[static_cast<std::size_t>(band)].nowIndex));
}

QString MonitorPanel::nowDistanceText(int band) const {
    return distanceText(pathTo(view_.bands[static_cast<std::size_t>(band)].nowIndex));
}

QString MonitorPanel::nextBearingText(int band) const {
    return bearingText(pathTo(view_.bands[static_cast<std::size_t>(band)].nextIndex));
}

QString MonitorPanel::heardCountText(int band) const {
    return listening_ ? lblHeardCount[static_cast<std::size_t>(band)]->text() : QString();
}

// The last cycle: the eighteen slots before the one on the air now, in which
// every beacon had its turn on every band once.
void MonitorPanel::refreshHeardCounts() {
    const std::int64_t cycleMs = std::int64_t{beacons::kSlotsPerCycle} * 10'000;
    for (int band = 0; band < beacons::kBandCount; ++band) {
        QLabel* l = lblHeardCount[static_cast<std::size_t>(band)];
        l->setVisible(listening_);
        if (!listening_) continue;
        const int n = heard_.heardCount(band, view_.periodStartMs - cycleMs, view_.periodStartMs);
        l->setText(QStringLiteral("heard in the last cycle: %1 of 18").arg(n));
    }
}

void MonitorPanel::setListening(bool on) {
    listening_ = on;
    refreshHeardCounts();
    applyTextScale();
}

QString MonitorPanel::cellText(int column, int band) const { return grid_->text(column, band); }

QColor MonitorPanel::cellColour(int column, int band) const { return grid_->colour(column, band); }

std::vector<std::pair<QColor, QString>> MonitorPanel::legend() const {
    std::vector<std::pair<QColor, QString>> entries;
    for (const auto& [swatch, caption] : legend_)
        if (swatch->isVisibleTo(this)) entries.emplace_back(swatch->colour(), caption->text());
    return entries;
}

int MonitorPanel::textPixelSize() const { return lblNow[0]->font().pixelSize(); }

int MonitorPanel::cellPixelSize() const { return grid_->cellPixels(); }

double MonitorPanel::cellWidth() const { return grid_->cellWidth(); }

int MonitorPanel::cycleColumn() const { return grid_->column; }

void MonitorPanel::setHeard(const listen::HeardTable& heard) {
    heard_ = heard;
    grid_->heard = heard;
    grid_->update();
    refreshHeardCounts();
}

int MonitorPanel::cellHeardLevel(int column, int band) const { return grid_->heardLevel(column, band); }

QString MonitorPanel::cellHeardText(int column, int band) const { return grid_->heardText(column, band); }

bool MonitorPanel::cellInService(int column, int band) const {
    const int index = CycleGrid::beaconAt(column, band);
    return stations_.entry(index).onAir &&
           inService_[static_cast<std::size_t>(index)][static_cast<std::size_t>(band)];
}

}  // namespace orvane::app
