#include "spaceweather/SpaceWeather.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QJsonParseError>
#include <QJsonValue>
#include <QRegularExpression>

#include <algorithm>
#include <cmath>
#include <functional>

#include "reports/ReportBody.h"
#include "reports/ReportFreshness.h"

namespace orvane::spaceweather {
namespace {

constexpr UtcMoment kDay = 86400;

std::optional<UtcMoment> momentOf(int year, int month, int day, int hour = 0, int minute = 0, int second = 0) {
    if (year < 1 || year > 9999 || month < 1 || month > 12 || day < 1 || day > daysInMonth(year, month)) return {};
    if (hour < 0 || hour > 23 || minute < 0 || minute > 59 || second < 0 || second > 60) return {};
    return daysFromCivil(year, month, day) * kDay + hour * 3600 + minute * 60 + second;
}

int monthOfName(QStringView name) {
    static const char* const kNames[] = {"jan", "feb", "mar", "apr", "may", "jun",
                                         "jul", "aug", "sep", "oct", "nov", "dec"};
    if (name.size() < 3) return 0;
    for (int m = 0; m < 12; ++m)
        if (name.left(3).compare(QLatin1String(kNames[m]), Qt::CaseInsensitive) == 0) return m + 1;
    return 0;
}

// A number of a text product; NOAA's missing markers and anything that is no
// finite number give nothing.
std::optional<double> textNumber(QStringView token) {
    token = token.trimmed();
    while (token.endsWith(QLatin1Char('.'))) token.chop(1);
    if (token.isEmpty() || token == u"*" || token == u"-1" || token == u"-1.00" || token == u"-1.0" ||
        token == u"-999" || token == u"-999.0" || token.compare(QLatin1String("null"), Qt::CaseInsensitive) == 0)
        return {};
    bool ok = false;
    const double value = token.toDouble(&ok);
    if (!ok || !std::isfinite(value)) return {};
    return value;
}

std::optional<double> within(std::optional<double> value, double low, double high) {
    if (value && *value >= low && *value <= high) return value;
    return {};
}

// The first kIssuedSearchLines lines and the rest of a product, line by line.
template <typename F>
void forEachLine(QStringView text, F&& f) {
    qsizetype start = 0;
    while (start <= text.size()) {
        qsizetype end = text.indexOf(QLatin1Char('\n'), start);
        if (end < 0) end = text.size();
        QStringView line = text.mid(start, end - start);
        if (line.endsWith(QLatin1Char('\r'))) line.chop(1);
        f(line);
        start = end + 1;
    }
}

// A data line of DSD or DGD: the date and the rest, or nothing for headers
// and comments.
struct DatedLine {
    UtcMoment day = 0;
    QStringView rest;
};
std::optional<DatedLine> datedLine(QStringView line) {
    line = line.trimmed();
    if (line.size() < 10 || line.startsWith(QLatin1Char('#')) || line.startsWith(QLatin1Char(':'))) return {};
    const auto parts = line.left(10).split(QLatin1Char(' '), Qt::SkipEmptyParts);
    if (parts.size() != 3) return {};
    bool okY = false, okM = false, okD = false;
    const int y = parts[0].toInt(&okY), m = parts[1].toInt(&okM), d = parts[2].toInt(&okD);
    if (!okY || !okM || !okD) return {};
    const auto day = momentOf(y, m, d);
    if (!day) return {};
    return DatedLine{*day, line.mid(10)};
}

// The rows of a JSON product in either form, each as the values of the
// columns asked for (undefined where a row lacks one).
QString readRows(const QByteArray& body, const QList<QLatin1String>& columns,
                 const std::function<void(const QJsonValue* values)>& row) {
    if (body.size() > kMaxJsonBytes) return QStringLiteral("larger than 4 MiB");
    if (const auto refusal = reports::reportBodyRefusal(body, QString())) return *refusal;
    QJsonParseError error{};
    const QJsonDocument doc = QJsonDocument::fromJson(body, &error);
    if (error.error != QJsonParseError::NoError)
        return QStringLiteral("no JSON (%1 at byte %2)").arg(error.errorString()).arg(error.offset);
    if (!doc.isArray()) return QStringLiteral("no JSON array");
    const QJsonArray rows = doc.array();
    if (rows.size() > kMaxJsonRows) return QStringLiteral("more than %1 rows").arg(kMaxJsonRows);
    if (rows.isEmpty()) return {};
    std::vector<QJsonValue> values(static_cast<size_t>(columns.size()));
    if (rows.first().isArray()) {
        // A header row names the columns.
        const QJsonArray header = rows.first().toArray();
        std::vector<qsizetype> at(static_cast<size_t>(columns.size()), -1);
        for (qsizetype c = 0; c < columns.size(); ++c)
            for (qsizetype h = 0; h < header.size(); ++h)
                if (header[h].toString() == columns[c]) at[static_cast<size_t>(c)] = h;
        if (std::all_of(at.begin(), at.end(), [](qsizetype i) { return i < 0; }))
            return QStringLiteral("no known column in the header row");
        for (qsizetype i = 1; i < rows.size(); ++i) {
            if (!rows[i].isArray()) continue;
            const QJsonArray r = rows[i].toArray();
            for (size_t c = 0; c < at.size(); ++c) values[c] = at[c] >= 0 && at[c] < r.size() ? r[at[c]] : QJsonValue();
            row(values.data());
        }
    } else {
        for (const QJsonValue& entry : rows) {
            if (!entry.isObject()) continue;
            const QJsonObject o = entry.toObject();
            for (qsizetype c = 0; c < columns.size(); ++c) values[static_cast<size_t>(c)] = o.value(columns[c]);
            row(values.data());
        }
    }
    return {};
}

std::optional<double> jsonNumber(const QJsonValue& v) {
    if (v.isDouble()) {
        const double d = v.toDouble();
        if (std::isfinite(d)) return d;
        return {};
    }
    if (v.isString()) return textNumber(v.toString());
    return {};
}

std::optional<UtcMoment> jsonTime(const QJsonValue& v) {
    if (!v.isString()) return {};
    return parseTimeTag(v.toString());
}

template <typename T>
void sortByTime(QList<T>& list) {
    if constexpr (std::is_same_v<T, KpSample>)
        std::stable_sort(list.begin(), list.end(), [](const T& a, const T& b) { return a.start < b.start; });
    else
        std::stable_sort(list.begin(), list.end(), [](const T& a, const T& b) { return a.time < b.time; });
}

SeriesProduct parseGoes(const QByteArray& body, QLatin1String channel, double high) {
    SeriesProduct product;
    product.error = readRows(body, {QLatin1String("time_tag"), QLatin1String("flux"), QLatin1String("energy")},
                             [&](const QJsonValue* v) {
                                 if (v[2].toString() != channel) return;
                                 const auto time = jsonTime(v[0]);
                                 const auto flux = jsonNumber(v[1]);
                                 if (!time || !flux || !(*flux > 0) || *flux > high) return;
                                 product.samples.append({*time, *flux});
                             });
    if (!product.ok()) product.samples.clear();
    sortByTime(product.samples);
    return product;
}

}  // namespace

std::optional<UtcMoment> parseTimeTag(QStringView text) {
    // Read by hand: a day of X-rays holds thousands of these.
    text = text.trimmed();
    const auto digits = [&](qsizetype at, qsizetype count) -> int {
        if (at + count > text.size()) return -1;
        int v = 0;
        for (qsizetype i = at; i < at + count; ++i) {
            const char16_t c = text[i].unicode();
            if (c < u'0' || c > u'9') return -1;
            v = v * 10 + (c - u'0');
        }
        return v;
    };
    const auto is = [&](qsizetype at, char16_t c) { return at < text.size() && text[at].unicode() == c; };
    if (text.size() < 16 || !is(4, u'-') || !is(7, u'-') || !(is(10, u'T') || is(10, u' ')) || !is(13, u':'))
        return {};
    const int y = digits(0, 4), mo = digits(5, 2), d = digits(8, 2), h = digits(11, 2), mi = digits(14, 2);
    int sec = 0;
    qsizetype rest = 16;
    if (is(16, u':')) {
        sec = digits(17, 2);
        rest = 19;
        if (is(19, u'.')) {
            rest = 20;
            while (rest < text.size() && text[rest].isDigit()) ++rest;
        }
    }
    const QStringView zone = text.mid(rest);
    if (!(zone.isEmpty() || zone == u"Z" || zone == u"+00:00")) return {};
    if (y < 0 || mo < 0 || d < 0 || h < 0 || mi < 0 || sec < 0) return {};
    return momentOf(y, mo, d, h, mi, sec);
}

std::optional<double> parseKp(QStringView text) {
    text = text.trimmed();
    if (text.size() == 2 && text[0].isDigit()) {
        const double base = text[0].digitValue();
        const QChar sign = text[1];
        if (sign == QLatin1Char('-')) return base >= 1 ? within(base - 1.0 / 3, 0, 9) : std::nullopt;
        if (sign == QLatin1Char('+')) return within(base + 1.0 / 3, 0, 9);
        if (sign == QLatin1Char('o')) return base;
    }
    return within(textNumber(text), 0, 9);
}

WwvBulletin parseWwv(QStringView text) {
    WwvBulletin b;
    b.issued = reports::parseIssuedTime(text);
    static const QRegularExpression flux(
        QStringLiteral(R"(Solar flux\s+(\S+)\s+and\s+estimated planetary A-index\s+(\S+))"),
        QRegularExpression::CaseInsensitiveOption);
    static const QRegularExpression k(
        QStringLiteral(R"(planetary K-index at\s+(\d{2})(\d{2})\s+UTC?\s+on\s+(\d{1,2})\s+([A-Za-z]+)\s+was\s+(\S+))"),
        QRegularExpression::CaseInsensitiveOption);
    if (const auto m = flux.match(text); m.hasMatch()) {
        b.sfi = within(textNumber(m.capturedView(1)), 1, 2000);
        b.a = within(textNumber(m.capturedView(2)), 0, 400);
    }
    if (const auto m = k.match(text); m.hasMatch()) {
        QStringView value = m.capturedView(5);
        while (value.endsWith(QLatin1Char('.'))) value.chop(1);
        b.k = parseKp(value);
        const int month = monthOfName(m.capturedView(4));
        // The bulletin names no year: the issue's, or the one before when
        // that would put the K after the issue (a bulletin of 1 January).
        if (b.k && month > 0 && b.issued) {
            int year = 1970, im = 1, id = 1;
            civilFromDays(*b.issued / kDay, year, im, id);
            auto at = momentOf(year, month, m.capturedView(3).toInt(), m.capturedView(1).toInt(),
                               m.capturedView(2).toInt());
            if (at && *at > *b.issued + kDay)
                at = momentOf(year - 1, month, m.capturedView(3).toInt(), m.capturedView(1).toInt(),
                              m.capturedView(2).toInt());
            b.kTime = at;
        }
    }
    return b;
}

DailyProduct parseDsd(QStringView text) {
    DailyProduct p;
    p.issued = reports::parseIssuedTime(text);
    static const QRegularExpression xray(QStringLiteral(R"(^[ABCMX]\d{1,3}(\.\d+)?$)"));
    forEachLine(text, [&](QStringView line) {
        const auto dated = datedLine(line);
        if (!dated) return;
        const auto t = dated->rest.split(QLatin1Char(' '), Qt::SkipEmptyParts);
        if (t.size() < 6) return;
        DailyIndices d;
        d.day = dated->day;
        d.flux = within(textNumber(t[0]), 1, 2000);
        d.ssn = within(textNumber(t[1]), 0, 2000);
        if (xray.match(t[5]).hasMatch()) d.xrayBackground = t[5].toString();
        p.days.append(d);
    });
    return p;
}

DailyProduct parseDgd(QStringView text) {
    DailyProduct p;
    p.issued = reports::parseIssuedTime(text);
    static const QRegularExpression number(QStringLiteral(R"(-?\d+)"));
    forEachLine(text, [&](QStringView line) {
        const auto dated = datedLine(line);
        if (!dated) return;
        // Columns may run together ("-1-1"), so the numbers are taken one by
        // one: A and eight K for each of the three stations, the planetary last.
        std::array<std::optional<double>, 27> n;
        int count = 0;
        for (auto it = number.globalMatch(dated->rest); it.hasNext();) {
            const auto m = it.next();
            if (count == 27) return;
            n[static_cast<size_t>(count++)] = textNumber(m.capturedView());
        }
        if (count != 27) return;
        DailyIndices d;
        d.day = dated->day;
        d.a = within(n[18], 0, 400);
        for (size_t i = 0; i < 8; ++i) d.kp[i] = within(n[19 + i], 0, 9);
        p.days.append(d);
    });
    return p;
}

KpProduct parseKpJson(const QByteArray& body) {
    KpProduct product;
    product.error = readRows(body, {QLatin1String("time_tag"), QLatin1String("Kp")}, [&](const QJsonValue* v) {
        const auto time = jsonTime(v[0]);
        std::optional<double> kp;
        if (v[1].isDouble()) kp = within(jsonNumber(v[1]), 0, 9);
        else if (v[1].isString()) kp = parseKp(v[1].toString());
        if (time && kp) product.samples.append({*time, *kp});
    });
    if (!product.ok()) product.samples.clear();
    sortByTime(product.samples);
    return product;
}

SeriesProduct parseXrayJson(const QByteArray& body) { return parseGoes(body, QLatin1String("0.1-0.8nm"), 1.0); }

SeriesProduct parseProtonJson(const QByteArray& body) {
    return parseGoes(body, QLatin1String(">=10 MeV"), 1e8);
}

ScalesProduct parseScalesJson(const QByteArray& body) {
    ScalesProduct p;
    if (body.size() > kMaxJsonBytes) {
        p.error = QStringLiteral("larger than 4 MiB");
        return p;
    }
    if (const auto refusal = reports::reportBodyRefusal(body, QString())) {
        p.error = *refusal;
        return p;
    }
    QJsonParseError error{};
    const QJsonDocument doc = QJsonDocument::fromJson(body, &error);
    if (error.error != QJsonParseError::NoError) {
        p.error = QStringLiteral("no JSON (%1 at byte %2)").arg(error.errorString()).arg(error.offset);
        return p;
    }
    if (!doc.isObject() || !doc.object().value(QLatin1String("0")).isObject()) {
        p.error = QStringLiteral("no current entry \"0\"");
        return p;
    }
    const QJsonObject now = doc.object().value(QLatin1String("0")).toObject();
    const auto scale = [&](QLatin1String name) -> std::optional<int> {
        const auto v = within(jsonNumber(now.value(name).toObject().value(QLatin1String("Scale"))), 0, 5);
        if (!v || *v != std::floor(*v)) return {};
        return static_cast<int>(*v);
    };
    p.r = scale(QLatin1String("R"));
    p.s = scale(QLatin1String("S"));
    p.g = scale(QLatin1String("G"));
    p.time = parseTimeTag(now.value(QLatin1String("DateStamp")).toString() + QLatin1Char(' ') +
                          now.value(QLatin1String("TimeStamp")).toString());
    return p;
}

int gFromKp(double kp) {
    // Kp in thirds: 4.67 is 5-, 5.33 is 5+; each whole number takes its
    // minus and plus, except that 9- still counts as G4.
    const double n = std::round(kp);
    if (n >= 9 && kp >= 9 - 1e-6) return 5;
    if (n >= 8) return 4;
    if (n < 5) return 0;
    return static_cast<int>(n) - 4;
}

int rFromXray(double w) {
    if (w >= 2e-3) return 5;
    if (w >= 1e-3) return 4;
    if (w >= 1e-4) return 3;
    if (w >= 5e-5) return 2;
    if (w >= 1e-5) return 1;
    return 0;
}

int sFromProtons(double pfu) {
    if (pfu >= 1e5) return 5;
    if (pfu >= 1e4) return 4;
    if (pfu >= 1e3) return 3;
    if (pfu >= 1e2) return 2;
    if (pfu >= 10) return 1;
    return 0;
}

QString xrayClass(double w) {
    static const char kClasses[] = "ABCMX";
    if (!(w > 0) || !std::isfinite(w)) return {};
    // The class letter by the decade, the number cut (not rounded) to a
    // tenth as NOAA writes it, so a flux just under M1 stays C9.9 and its
    // class agrees with the R scale.
    const int cls = w < 1e-7 ? 0 : std::clamp(static_cast<int>(std::floor(std::log10(w))) + 8, 0, 4);
    const double rounded = std::floor(w / std::pow(10.0, cls - 8) * 10 + 1e-6) / 10;
    return QStringLiteral("%1%2").arg(QLatin1Char(kClasses[cls])).arg(rounded, 0, 'f', 1);
}

}  // namespace orvane::spaceweather
