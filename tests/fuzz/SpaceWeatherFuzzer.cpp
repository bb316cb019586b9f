// libFuzzer entry for the space-weather readers: the first byte picks the
// reader, the rest is the product. Every reader must return (a value or a
// refusal) for any bytes, within its bounds, without a sanitizer report; the
// figures built from what was read must hold no NaN and no Kp out of 0..9.
// A time tag read prints back (ISO, UTC) to a tag that reads the same and
// names the date, hour and minute written in the tag; a Kp read is within 0..9.
#include <QDateTime>

#include <cmath>

#include "FuzzSupport.h"
#include "spaceweather/SpaceWeather.h"
#include "spaceweather/SpaceWeatherState.h"

using namespace orvane::spaceweather;
using namespace orvane::fuzz;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size < 1) return 0;
    const QByteArray bytes = bytesOf(data + 1, size - 1);
    const QString text = QString::fromUtf8(bytes);
    Products p;
    switch (data[0] % 9) {
    case 0: p.wwv = parseWwv(text); break;
    case 1: p.dsd = parseDsd(text); break;
    case 2: p.dgd = parseDgd(text); break;
    case 3: p.kp = parseKpJson(bytes); break;
    case 4: p.scales = parseScalesJson(bytes); break;
    case 5: p.xray = parseXrayJson(bytes); break;
    case 6: p.protons = parseProtonJson(bytes); break;
    case 7:
        if (const auto t = parseTimeTag(text)) {
            const QString iso = QDateTime::fromSecsSinceEpoch(*t, Qt::UTC).toString(Qt::ISODate);
            require(parseTimeTag(iso) == t);
            // Every form starts with the date and the hour and minute as written,
            // but for a leap second (":60"), which is the next minute's first.
            const QString tag = text.trimmed();
            if (tag.mid(16, 3) != QLatin1String(":60"))
                require(tag.startsWith(iso.left(10)) && tag.mid(11, 5) == iso.mid(11, 5));
        }
        return 0;
    default:
        if (const auto kp = parseKp(text)) require(*kp >= 0 && *kp <= 9);
        return 0;
    }
    for (const auto* d : {&p.dsd, &p.dgd})
        if (*d) require((*d)->days.size() <= bytes.size());
    if (p.kp) require(p.kp->samples.size() <= kMaxJsonRows);
    for (const auto* series : {&p.xray, &p.protons})
        if (*series) require((*series)->samples.size() <= kMaxJsonRows);
    const State s = assemble(p, 1790000000);
    for (const Reading& r : s.figures)
        require(!r.value || std::isfinite(*r.value));
    for (const KpSample& k : s.kpHistory)
        require(k.kp >= 0 && k.kp <= 9);
    return 0;
}
