#include "spaceweather/plot/SpaceWeatherPlots.h"

#include <QCoreApplication>
#include <QGuiApplication>
#include <QPainter>
#include <QPainterPath>

#include <algorithm>
#include <cmath>

namespace orvane::spaceweather {
namespace {

constexpr qint64 kDaySeconds = 86400;
const QColor kBackground(18, 22, 30);
const QColor kGrid(70, 78, 92);
const QColor kText(210, 215, 225);

bool canDrawText() { return qobject_cast<QGuiApplication*>(QCoreApplication::instance()) != nullptr; }

void label(QPainter& p, const QPointF& at, const QString& text, Qt::Alignment align = Qt::AlignLeft) {
    if (!canDrawText()) return;
    p.setPen(kText);
    const QRectF box(at.x() - (align & Qt::AlignRight ? 200 : 0), at.y() - 8, 200, 16);
    p.drawText(box, static_cast<int>(align | Qt::AlignVCenter), text);
}

// The area for the data inside a plot's rectangle, leaving room for labels.
QRectF frame(QPainter& p, const QRectF& r, const QString& title) {
    p.fillRect(r, kBackground);
    const QRectF area = r.adjusted(44, 22, -10, -20);
    p.setPen(kGrid);
    p.drawRect(area);
    label(p, QPointF(r.left() + 6, r.top() + 10), title);
    return area;
}

double xOf(const QRectF& a, UtcMoment t, UtcMoment from, UtcMoment to) {
    return a.left() + a.width() * static_cast<double>(t - from) / static_cast<double>(std::max<UtcMoment>(1, to - from));
}

// Day lines with the day of the month under each.
void dayGrid(QPainter& p, const QRectF& a, UtcMoment from, UtcMoment to, int every) {
    const UtcMoment first = (from / kDaySeconds + 1) * kDaySeconds;
    int n = 0;
    for (UtcMoment d = first; d < to; d += kDaySeconds, ++n) {
        if (n % every) continue;
        const double x = xOf(a, d, from, to);
        p.setPen(QPen(kGrid, 1, Qt::DotLine));
        p.drawLine(QPointF(x, a.top()), QPointF(x, a.bottom()));
        int y = 1970, m = 1, day = 1;
        civilFromDays(d / kDaySeconds, y, m, day);
        label(p, QPointF(x - 100, a.bottom() + 10), QStringLiteral("%1/%2").arg(m).arg(day), Qt::AlignHCenter);
    }
}

}  // namespace

void paintKpPlot(QPainter& p, const QRectF& r, const State& s, UtcMoment now) {
    const QRectF a = frame(p, r, QStringLiteral("Planetary Kp, 7 days (bars coloured by G level)"));
    const UtcMoment to = (now / (3 * 3600) + 1) * 3 * 3600;
    const UtcMoment from = to - 7 * kDaySeconds;
    for (int k = 0; k <= 9; k += 3) {
        const double y = a.bottom() - a.height() * k / 9.0;
        p.setPen(QPen(kGrid, 1, Qt::DotLine));
        p.drawLine(QPointF(a.left(), y), QPointF(a.right(), y));
        label(p, QPointF(a.left() - 6, y), QString::number(k), Qt::AlignRight);
    }
    dayGrid(p, a, from, to, 1);
    const double barWidth = a.width() * 3 * 3600 / static_cast<double>(to - from);
    for (const KpSample& k : s.kpHistory) {
        if (k.start < from || k.start >= to) continue;
        const double h = a.height() * k.kp / 9.0;
        const double x = xOf(a, k.start, from, to);
        p.fillRect(QRectF(x + 0.5, a.bottom() - h, std::max(1.0, barWidth - 1), h),
                   QColor(scaleColour(gFromKp(k.kp))));
    }
    const double g1 = a.bottom() - a.height() * (5 - 1.0 / 3) / 9.0;
    p.setPen(QPen(QColor(scaleColour(1)), 1, Qt::DashLine));
    p.drawLine(QPointF(a.left(), g1), QPointF(a.right(), g1));
}

void paintDailyPlot(QPainter& p, const QRectF& r, const State& s, UtcMoment now, int days) {
    days = std::clamp(days, 30, 90);
    const QRectF a = frame(p, r, QStringLiteral("10.7 cm flux (orange) and sunspot number (blue), %1 days").arg(days));
    const UtcMoment to = (now / kDaySeconds + 1) * kDaySeconds;
    const UtcMoment from = to - days * kDaySeconds;
    double high = 100;
    for (const DailyIndices& d : s.daily) {
        if (d.day < from) continue;
        if (d.flux) high = std::max(high, *d.flux);
        if (d.ssn) high = std::max(high, *d.ssn);
    }
    high = std::ceil(high / 50) * 50;
    for (double v = 0; v <= high; v += 50) {
        const double y = a.bottom() - a.height() * v / high;
        p.setPen(QPen(kGrid, 1, Qt::DotLine));
        p.drawLine(QPointF(a.left(), y), QPointF(a.right(), y));
        label(p, QPointF(a.left() - 6, y), QString::number(v, 'f', 0), Qt::AlignRight);
    }
    dayGrid(p, a, from, to, days > 45 ? 14 : 7);
    p.setRenderHint(QPainter::Antialiasing, true);
    const auto series = [&](auto member, const QColor& colour) {
        QPainterPath path;
        bool open = false;
        UtcMoment previous = 0;
        for (const DailyIndices& d : s.daily) {
            const std::optional<double> v = d.*member;
            if (d.day < from || d.day >= to || !v) {
                open = false;  // a missing day is a gap
                continue;
            }
            const QPointF pt(xOf(a, d.day + kDaySeconds / 2, from, to), a.bottom() - a.height() * *v / high);
            if (open && d.day - previous <= kDaySeconds) path.lineTo(pt);
            else path.moveTo(pt);
            p.setPen(Qt::NoPen);
            p.setBrush(colour);
            p.drawEllipse(pt, 2, 2);
            open = true;
            previous = d.day;
        }
        p.setBrush(Qt::NoBrush);
        p.setPen(QPen(colour, 1.5));
        p.drawPath(path);
    };
    series(&DailyIndices::flux, QColor(255, 150, 0));
    series(&DailyIndices::ssn, QColor(80, 160, 255));
    p.setRenderHint(QPainter::Antialiasing, false);
}

void paintXrayPlot(QPainter& p, const QRectF& r, const State& s, UtcMoment now) {
    const QRectF a = frame(p, r, QStringLiteral("GOES X-ray flux 0.1-0.8 nm, 24 h (W/m\u00b2)"));
    const UtcMoment to = now;
    const UtcMoment from = now - kDaySeconds;
    constexpr double kLow = -9, kHigh = -2;  // log10 of W/m^2
    const auto yOf = [&](double w) {
        const double l = std::clamp(std::log10(w), kLow, kHigh);
        return a.bottom() - a.height() * (l - kLow) / (kHigh - kLow);
    };
    static const char* const kClasses[] = {"A", "B", "C", "M", "X"};
    for (int c = 0; c < 5; ++c) {
        const double y = yOf(std::pow(10.0, c - 8));
        const bool flareLine = c >= 2;  // C, M and X
        p.setPen(QPen(flareLine ? QColor(scaleColour(c - 1)) : kGrid, 1, flareLine ? Qt::DashLine : Qt::DotLine));
        p.drawLine(QPointF(a.left(), y), QPointF(a.right(), y));
        label(p, QPointF(a.left() - 6, y - 8), QString::fromLatin1(kClasses[c]), Qt::AlignRight);
    }
    for (UtcMoment h = (from / 10800 + 1) * 10800; h < to; h += 10800) {
        const double x = xOf(a, h, from, to);
        p.setPen(QPen(kGrid, 1, Qt::DotLine));
        p.drawLine(QPointF(x, a.top()), QPointF(x, a.bottom()));
        label(p, QPointF(x - 100, a.bottom() + 10), QStringLiteral("%1Z").arg(h % kDaySeconds / 3600, 2, 10, QLatin1Char('0')),
              Qt::AlignHCenter);
    }
    QPainterPath path;
    bool open = false;
    UtcMoment previous = 0;
    for (const Sample& x : s.xray) {
        if (x.time < from || x.time > to) continue;
        const QPointF pt(xOf(a, x.time, from, to), yOf(x.value));
        // Data more than five minutes apart leave a gap.
        if (open && x.time - previous <= 300) path.lineTo(pt);
        else path.moveTo(pt);
        open = true;
        previous = x.time;
    }
    p.setRenderHint(QPainter::Antialiasing, true);
    p.setPen(QPen(QColor(255, 90, 90), 1.5));
    p.drawPath(path);
    p.setRenderHint(QPainter::Antialiasing, false);
}

QImage renderPlots(const State& s, UtcMoment now, QSize size) {
    QImage image(size.expandedTo(QSize(200, 240)), QImage::Format_RGB32);
    image.fill(kBackground);
    QPainter p(&image);
    const double h = image.height() / 3.0;
    const double w = image.width();
    paintKpPlot(p, QRectF(0, 0, w, h), s, now);
    paintDailyPlot(p, QRectF(0, h, w, h), s, now);
    paintXrayPlot(p, QRectF(0, 2 * h, w, h), s, now);
    p.end();
    return image;
}

}  // namespace orvane::spaceweather
