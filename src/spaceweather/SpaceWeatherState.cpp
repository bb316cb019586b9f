#include "spaceweather/SpaceWeatherState.h"

#include <QDir>

#include <algorithm>
#include <cmath>

#include "common/RegularFile.h"
#include "common/TimeTypes.h"

namespace orvane::spaceweather {
namespace {

constexpr qint64 kThreeHours = 3 * 3600;
constexpr qint64 kDaySeconds = 86400;
// How far ahead of the clock a datum may be stamped and still count: beyond
// it the product or the clock is wrong, and the datum is left out.
constexpr qint64 kFutureSlack = 600;
// The X-ray and proton series are fetched every five minutes.
constexpr qint64 kGoesCadence = 300;
constexpr qint64 kScalesCadence = 900;

QString numberText(double v, int decimals) {
    if (v == std::floor(v)) return QString::number(v, 'f', 0);
    return QString::number(v, 'f', decimals);
}

Reading reading(double value, QString text, UtcMoment time, UtcMoment issued, const char* source, qint64 cadence) {
    Reading r;
    r.value = value;
    r.text = std::move(text);
    r.time = time;
    r.issued = issued;
    r.source = QString::fromLatin1(source);
    r.cadenceSeconds = cadence;
    return r;
}

// The newer of two readings (by the moment each describes).
void offer(Reading& slot, Reading candidate) {
    if (!candidate.known()) return;
    if (!slot.known() || candidate.time > slot.time) slot = std::move(candidate);
}

Reading scaleReading(int level, UtcMoment time, UtcMoment issued, const char* source, qint64 cadence,
                     QChar letter) {
    return reading(level, QStringLiteral("%1%2").arg(letter).arg(level), time, issued, source, cadence);
}

}  // namespace

QString figureName(Figure f) {
    static const char* const kNames[kFigureCount] = {"sfi", "ssn", "a", "k", "xray", "xray-peak", "r", "s", "g"};
    return QString::fromLatin1(kNames[static_cast<int>(f)]);
}

QString isoMinute(UtcMoment t) {
    int y = 1970, m = 1, d = 1;
    const qint64 days = floorDiv(t, kDaySeconds);
    civilFromDays(days, y, m, d);
    const qint64 s = t - days * kDaySeconds;
    return QStringLiteral("%1-%2-%3T%4:%5Z")
        .arg(y, 4, 10, QLatin1Char('0'))
        .arg(m, 2, 10, QLatin1Char('0'))
        .arg(d, 2, 10, QLatin1Char('0'))
        .arg(s / 3600, 2, 10, QLatin1Char('0'))
        .arg(s / 60 % 60, 2, 10, QLatin1Char('0'));
}

QString scaleColour(int level) {
    static const char* const kColours[6] = {"#92d050", "#f6eb14", "#ffc800", "#ff9600", "#ff0000", "#c80000"};
    return QString::fromLatin1(kColours[std::clamp(level, 0, 5)]);
}

Products readProductsFrom(const QString& folder, QStringList* read) {
    const QDir dir(folder);
    const auto bytesOf = [&](const char* name) -> std::optional<QByteArray> {
        const FileBytes file = readRegularFile(dir.filePath(QString::fromLatin1(name)), kMaxJsonBytes);
        if (!file.readWhole()) return {};
        if (read) *read << QString::fromLatin1(name);
        return file.bytes;
    };
    const auto textOf = [&](const char* name) -> std::optional<QString> {
        const auto bytes = bytesOf(name);
        if (!bytes) return {};
        return QString::fromUtf8(*bytes);
    };
    Products p;
    if (const auto t = textOf(kWwvFile)) p.wwv = parseWwv(*t);
    if (const auto t = textOf(kDsdFile)) p.dsd = parseDsd(*t);
    if (const auto t = textOf(kDgdFile)) p.dgd = parseDgd(*t);
    if (const auto b = bytesOf(kKpFile)) p.kp = parseKpJson(*b);
    if (const auto b = bytesOf(kScalesFile)) p.scales = parseScalesJson(*b);
    if (const auto b = bytesOf(kXrayFile)) p.xray = parseXrayJson(*b);
    if (const auto b = bytesOf(kProtonFile)) p.protons = parseProtonJson(*b);
    return p;
}

State assemble(const Products& p, UtcMoment now) {
    State st;
    const UtcMoment latest = now + kFutureSlack;
    const auto notAhead = [&](UtcMoment t) { return t <= latest; };

    if (p.wwv && p.wwv->issued && notAhead(*p.wwv->issued)) {
        const WwvBulletin& w = *p.wwv;
        const UtcMoment issued = *w.issued;
        if (w.sfi) offer(st[Figure::Sfi], reading(*w.sfi, numberText(*w.sfi, 1), issued, issued, kWwvFile, kThreeHours));
        if (w.a) offer(st[Figure::A], reading(*w.a, numberText(*w.a, 0), issued, issued, kWwvFile, kThreeHours));
        if (w.k && w.kTime && notAhead(*w.kTime))
            offer(st[Figure::K], reading(*w.k, numberText(*w.k, 2), *w.kTime, issued, kWwvFile, kThreeHours));
    }
    if (p.dsd) {
        const UtcMoment issued = p.dsd->issued.value_or(0);
        for (const DailyIndices& d : p.dsd->days) {
            if (!notAhead(d.day)) continue;
            st.daily.append(d);
            if (!notAhead(d.day + kDaySeconds)) continue;
            const UtcMoment end = d.day + kDaySeconds;
            if (d.flux) offer(st[Figure::Sfi], reading(*d.flux, numberText(*d.flux, 1), end, issued, kDsdFile, kDaySeconds));
            if (d.ssn) offer(st[Figure::Ssn], reading(*d.ssn, numberText(*d.ssn, 0), end, issued, kDsdFile, kDaySeconds));
        }
    }
    QList<KpSample> kp;
    if (p.dgd) {
        const UtcMoment issued = p.dgd->issued.value_or(0);
        for (const DailyIndices& d : p.dgd->days) {
            if (!notAhead(d.day)) continue;
            if (d.a && notAhead(d.day + kDaySeconds)) offer(st[Figure::A], reading(*d.a, numberText(*d.a, 0), d.day + kDaySeconds, issued, kDgdFile, kDaySeconds));
            for (size_t i = 0; i < 8; ++i) {
                const UtcMoment start = d.day + static_cast<UtcMoment>(i) * kThreeHours;
                if (d.kp[i] && notAhead(start)) kp.append({start, *d.kp[i]});
            }
        }
    }
    if (p.kp && p.kp->ok()) {
        UtcMoment newest = 0;
        for (const KpSample& s : p.kp->samples)
            if (notAhead(s.start)) newest = std::max(newest, s.start);
        for (const KpSample& s : p.kp->samples) {
            if (!notAhead(s.start)) continue;
            // The JSON's finer values replace DGD's whole numbers for the same interval.
            kp.removeIf([&](const KpSample& o) { return o.start == s.start; });
            kp.append(s);
        }
        for (const KpSample& s : p.kp->samples)
            if (s.start == newest && notAhead(s.start)) {
                const UtcMoment end = std::min<UtcMoment>(s.start + kThreeHours, std::max(now, s.start));
                offer(st[Figure::K], reading(s.kp, numberText(s.kp, 2), end, newest, kKpFile, kThreeHours));
            }
    }
    std::stable_sort(kp.begin(), kp.end(), [](const KpSample& a, const KpSample& b) { return a.start < b.start; });
    st.kpHistory = kp;
    if (!kp.isEmpty() && !st[Figure::K].known()) {
        const KpSample& s = kp.last();
        offer(st[Figure::K], reading(s.kp, numberText(s.kp, 2), s.start + kThreeHours, p.dgd ? p.dgd->issued.value_or(0) : 0,
                                     kDgdFile, kDaySeconds));
    }

    if (p.xray && p.xray->ok()) {
        for (const Sample& s : p.xray->samples)
            if (notAhead(s.time)) st.xray.append(s);
        if (!st.xray.isEmpty()) {
            const Sample last = st.xray.last();
            offer(st[Figure::Xray], reading(last.value, xrayClass(last.value), last.time, last.time, kXrayFile, kGoesCadence));
            const Sample* peak = nullptr;
            for (const Sample& s : st.xray)
                if (s.time >= now - kDaySeconds && (!peak || s.value > peak->value)) peak = &s;
            if (peak) {
                offer(st[Figure::XrayPeak],
                      reading(peak->value, xrayClass(peak->value), last.time, last.time, kXrayFile, kGoesCadence));
                offer(st[Figure::R], scaleReading(rFromXray(peak->value), last.time, last.time, kXrayFile, kGoesCadence,
                                                  QLatin1Char('R')));
            }
        }
    }
    if (p.protons && p.protons->ok()) {
        for (auto it = p.protons->samples.crbegin(); it != p.protons->samples.crend(); ++it)
            if (notAhead(it->time)) {
                offer(st[Figure::S], scaleReading(sFromProtons(it->value), it->time, it->time, kProtonFile, kGoesCadence,
                                                  QLatin1Char('S')));
                break;
            }
    }
    if (st[Figure::K].known()) {
        const Reading& k = st[Figure::K];
        st[Figure::G] = scaleReading(gFromKp(*k.value), k.time, k.issued, "", k.cadenceSeconds, QLatin1Char('G'));
        st[Figure::G].source = k.source;
    }
    if (p.scales && p.scales->ok() && p.scales->time && notAhead(*p.scales->time)) {
        const ScalesProduct& s = *p.scales;
        const UtcMoment t = *s.time;
        // NOAA's own scales stand in only for what the data above did not give.
        if (s.r && !st[Figure::R].known()) st[Figure::R] = scaleReading(*s.r, t, t, kScalesFile, kScalesCadence, QLatin1Char('R'));
        if (s.s && !st[Figure::S].known()) st[Figure::S] = scaleReading(*s.s, t, t, kScalesFile, kScalesCadence, QLatin1Char('S'));
        if (s.g && !st[Figure::G].known()) st[Figure::G] = scaleReading(*s.g, t, t, kScalesFile, kScalesCadence, QLatin1Char('G'));
    }
    return st;
}

}  // namespace orvane::spaceweather
