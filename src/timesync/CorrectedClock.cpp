#include "timesync/CorrectedClock.h"

#include <QStringList>

namespace orvane::timesync {

namespace {

// A correction beyond a day is not a clock error this program corrects for.
constexpr UtcMs kMaxOffsetMs = 24LL * 3600 * 1000;

}  // namespace

QString correctionMark(UtcMs offsetMs) {
    const UtcMs tenths = (offsetMs < 0 ? offsetMs - 50 : offsetMs + 50) / 100;  // to the nearest tenth of a second
    const UtcMs magnitude = tenths < 0 ? -tenths : tenths;
    const QString sign = tenths < 0 ? QStringLiteral("\u2212") : (tenths > 0 ? QStringLiteral("+") : QString());
    return QStringLiteral("UTC (corrected %1%2.%3 s)").arg(sign).arg(magnitude / 10).arg(magnitude % 10);
}

QString formatCorrection(const ClockCorrection& correction) {
    return QStringLiteral("%1 %2").arg(correction.offsetMs).arg(correction.measuredAtMs);
}

std::optional<ClockCorrection> parseCorrection(const QString& text) {
    const QStringList parts = text.split(QLatin1Char(' '), Qt::SkipEmptyParts);
    if (parts.size() != 2) return std::nullopt;
    bool offsetOk = false;
    bool atOk = false;
    const ClockCorrection c{parts[0].toLongLong(&offsetOk), parts[1].toLongLong(&atOk)};
    // The moment within the years 1 to 9999, as every moment the program reads.
    constexpr UtcMs kFirstMs = -62'135'596'800'000LL;  // 0001-01-01T00:00:00Z
    constexpr UtcMs kLimitMs = 253'402'300'800'000LL;  // 10000-01-01T00:00:00Z
    if (!offsetOk || !atOk || c.offsetMs < -kMaxOffsetMs || c.offsetMs > kMaxOffsetMs || c.offsetMs == 0 ||
        c.measuredAtMs < kFirstMs || c.measuredAtMs >= kLimitMs)
        return std::nullopt;
    return c;
}

}  // namespace orvane::timesync
