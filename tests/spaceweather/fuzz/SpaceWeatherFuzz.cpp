// libFuzzer entry for the space-weather readers: the first byte picks the
// reader, the rest is the product. Every reader must return (a value or a
// refusal) for any bytes, within its bounds, without a sanitizer report; the
// figures built from what was read must hold no NaN and no Kp out of 0..9.
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <cstdlib>

#include <QByteArray>
#include <QString>

#include "spaceweather/SpaceWeather.h"
#include "spaceweather/SpaceWeatherState.h"

using namespace orvane::spaceweather;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size < 1) return 0;
    const QByteArray bytes(reinterpret_cast<const char*>(data + 1), static_cast<qsizetype>(size - 1));
    Products p;
    switch (data[0] % 7) {
    case 0: p.wwv = parseWwv(QString::fromUtf8(bytes)); break;
    case 1: p.dsd = parseDsd(QString::fromUtf8(bytes)); break;
    case 2: p.dgd = parseDgd(QString::fromUtf8(bytes)); break;
    case 3: p.kp = parseKpJson(bytes); break;
    case 4: p.scales = parseScalesJson(bytes); break;
    case 5: p.xray = parseXrayJson(bytes); break;
    default: p.protons = parseProtonJson(bytes); break;
    }
    const State s = assemble(p, 1790000000);
    for (const Reading& r : s.figures)
        if (r.value && !std::isfinite(*r.value)) std::abort();
    for (const KpSample& k : s.kpHistory)
        if (!(k.kp >= 0 && k.kp <= 9)) std::abort();
    return 0;
}
