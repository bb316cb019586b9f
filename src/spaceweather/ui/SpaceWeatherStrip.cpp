#include "spaceweather/ui/SpaceWeatherStrip.h"

#include <QEvent>
#include <QHBoxLayout>
#include <QLabel>
#include <QMouseEvent>
#include <QToolTip>

#include "reports/ReportFreshness.h"

namespace orvane::spaceweather {
namespace {

const char* const kCaptions[kFigureCount] = {"SFI", "SSN", "A", "K", "X-ray", "24h", "R", "S", "G"};
const char* const kTitles[kFigureCount] = {"10.7 cm solar flux",     "Sunspot number", "Planetary A index",
                                           "Planetary K index",      "GOES X-ray flux now",
                                           "GOES X-ray peak of the last 24 hours",
                                           "NOAA radio blackout scale", "NOAA solar radiation storm scale",
                                           "NOAA geomagnetic storm scale"};

// The NOAA level a figure's colour follows, or -1 for none.
int levelOf(Figure f, const Reading& r) {
    if (!r.known()) return -1;
    switch (f) {
    case Figure::R:
    case Figure::S:
    case Figure::G:
        return static_cast<int>(*r.value);
    case Figure::K:
        return gFromKp(*r.value);
    case Figure::Xray:
    case Figure::XrayPeak:
        return rFromXray(*r.value);
    default:
        return -1;
    }
}

}  // namespace

QString shortAge(qint64 s) {
    if (s < 0) return QStringLiteral("+%1m").arg((-s + 59) / 60);
    if (s < 3600) return QStringLiteral("%1m").arg(s / 60);
    if (s < 2 * 86400) return QStringLiteral("%1h").arg(s / 3600);
    return QStringLiteral("%1d").arg(s / 86400);
}

SpaceWeatherStrip::SpaceWeatherStrip(QWidget* parent) : QWidget(parent) {
    setObjectName(QStringLiteral("spaceWeatherStrip"));
    auto* layout = new QHBoxLayout(this);
    layout->setContentsMargins(4, 1, 4, 1);
    layout->setSpacing(10);
    for (int i = 0; i < kFigureCount; ++i) {
        auto* label = new QLabel(this);
        label->setTextFormat(Qt::RichText);
        label->installEventFilter(this);
        label->setCursor(Qt::PointingHandCursor);
        labels_[static_cast<size_t>(i)] = label;
        layout->addWidget(label);
    }
    layout->addStretch(1);
    setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Fixed);
    render();
}

void SpaceWeatherStrip::setState(const State& state, UtcMoment now) {
    state_ = state;
    now_ = now;
    render();
}

void SpaceWeatherStrip::resizeEvent(QResizeEvent* event) {
    QWidget::resizeEvent(event);
    const bool wide = width() >= kWideWidth;
    if (wide != wide_) {
        wide_ = wide;
        render();
    }
}

void SpaceWeatherStrip::render() {
    for (int i = 0; i < kFigureCount; ++i) {
        const auto f = static_cast<Figure>(i);
        const Reading& r = state_[f];
        const bool stale = r.stale(now_);
        stale_[static_cast<size_t>(i)] = stale;
        QString value = r.known() ? r.text.toHtmlEscaped() : QStringLiteral("-");
        const int level = levelOf(f, r);
        if (level >= 0 && !stale)
            value = QStringLiteral("<span style=\"background:%1;color:#000\">&nbsp;%2&nbsp;</span>")
                        .arg(scaleColour(level), value);
        QString text = QStringLiteral("<b>%1</b> %2").arg(QString::fromLatin1(kCaptions[i]), value);
        if (r.known() && (wide_ || stale)) text += QStringLiteral(" <small>%1</small>").arg(shortAge(r.ageSeconds(now_)));
        if (stale) text = QStringLiteral("<span style=\"color:#888\">%1</span>").arg(text);
        QLabel* label = labels_[static_cast<size_t>(i)];
        if (label->text() != text) label->setText(text);
        const QString hint = figureHint(f);
        if (label->toolTip() != hint) label->setToolTip(hint);
    }
}

QString SpaceWeatherStrip::figureText(Figure f) const {
    const Reading& r = state_[f];
    return r.known() ? r.text : QStringLiteral("-");
}

QString SpaceWeatherStrip::figureHint(Figure f) const {
    const Reading& r = state_[f];
    const QString title = QString::fromLatin1(kTitles[static_cast<int>(f)]);
    if (!r.known()) return title + QStringLiteral(": not known (no product read yet)");
    QString hint = QStringLiteral("%1: %2\nFrom %3, of %4 (%5)")
                       .arg(title, r.text, r.source, reports::formatUtcMinute(r.time), reports::ageText(r.ageSeconds(now_)));
    if (r.issued != 0 && r.issued != r.time) hint += QStringLiteral("\nIssued %1").arg(reports::formatUtcMinute(r.issued));
    if (r.stale(now_)) hint += QStringLiteral("\nStale: older than twice its cadence");
    return hint;
}

bool SpaceWeatherStrip::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() == QEvent::MouseButtonRelease) {
        for (int i = 0; i < kFigureCount; ++i)
            if (watched == labels_[static_cast<size_t>(i)]) {
                const auto f = static_cast<Figure>(i);
                auto* e = static_cast<QMouseEvent*>(event);
                QToolTip::showText(e->globalPosition().toPoint(), figureHint(f), labels_[static_cast<size_t>(i)]);
                emit figureClicked(f);
                return true;
            }
    }
    return QWidget::eventFilter(watched, event);
}

}  // namespace orvane::spaceweather
