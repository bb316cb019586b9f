#include "listen/live/HeardRecord.h"

#include <algorithm>
#include <cmath>

#include "common/TimeTypes.h"

namespace orvane::listen {

namespace {

bool validCell(int beaconIndex, int band) {
    return beaconIndex >= 0 && beaconIndex < beacons::kBeaconListCount && beacons::isValidBand(band);
}

QByteArray number(double value, int decimals) {
    // A non-finite figure from the detector is no figure: empty, as "not found".
    return std::isfinite(value) ? QByteArray::number(value, 'f', decimals) : QByteArray();
}

}  // namespace

QByteArray heardLogLine(const SlotResult& result, const QString& call) {
    const SystemTime t = systemTimeFromMs(result.periodStartMs);
    QByteArray line = QStringLiteral("%1-%2-%3T%4:%5:%6Z")
                          .arg(t.year, 4, 10, QLatin1Char('0'))
                          .arg(t.month, 2, 10, QLatin1Char('0'))
                          .arg(t.day, 2, 10, QLatin1Char('0'))
                          .arg(t.hour, 2, 10, QLatin1Char('0'))
                          .arg(t.minute, 2, 10, QLatin1Char('0'))
                          .arg(t.second, 2, 10, QLatin1Char('0'))
                          .toLatin1();
    const int band = std::clamp(result.band, 0, beacons::kBandCount - 1);
    line += ',' + QByteArray::number(beacons::kBandFrequenciesHz[static_cast<std::size_t>(band)] / 1e6, 'f', 3);
    line += ',' + QByteArray::number(result.beaconIndex + 1);
    QByteArray safeCall;
    for (const QChar c : call.left(16))
        if ((c >= QLatin1Char('A') && c <= QLatin1Char('Z')) || (c >= QLatin1Char('a') && c <= QLatin1Char('z')) ||
            (c >= QLatin1Char('0') && c <= QLatin1Char('9')) || c == QLatin1Char('/'))
            safeCall += static_cast<char>(c.toUpper().unicode());
    line += ',' + safeCall;
    line += result.heard ? ",1" : ",0";
    for (const std::optional<double>& snr : result.dashSnrDb) line += ',' + (snr ? number(*snr, 1) : QByteArray());
    line += ',' + number(result.toneOffsetHz, 1);
    line += ',' + number(result.timeOffsetMs, 0);
    return line;
}

int heardLevel(const SlotResult& result) { return result.heard ? std::clamp(result.dashesHeard(), 1, kDashCount) : 0; }

void HeardTable::add(const SlotResult& result) {
    if (!validCell(result.beaconIndex, result.band)) return;
    last_[static_cast<std::size_t>(result.beaconIndex)][static_cast<std::size_t>(result.band)] = result;
}

const std::optional<SlotResult>& HeardTable::last(int beaconIndex, int band) const {
    static const std::optional<SlotResult> none;
    if (!validCell(beaconIndex, band)) return none;
    return last_[static_cast<std::size_t>(beaconIndex)][static_cast<std::size_t>(band)];
}

const std::optional<SlotResult>& HeardTable::shownAt(int beaconIndex, int band, std::int64_t nowMs) const {
    static const std::optional<SlotResult> none;
    const std::optional<SlotResult>& r = last(beaconIndex, band);
    return r && r->periodStartMs < nowMs - kShownForMs ? none : r;
}

void HeardTable::clear() { last_ = {}; }

std::array<bool, beacons::kBeaconListCount> HeardTable::heardSince(std::int64_t sinceMs) const {
    std::array<bool, beacons::kBeaconListCount> heard{};
    for (std::size_t b = 0; b < last_.size(); ++b)
        for (const std::optional<SlotResult>& r : last_[b])
            if (r && r->heard && r->periodStartMs >= sinceMs) heard[b] = true;
    return heard;
}

int HeardTable::heardCount(int band, std::int64_t sinceMs, std::int64_t untilMs) const {
    if (!beacons::isValidBand(band)) return 0;
    int count = 0;
    for (const auto& bands : last_) {
        const std::optional<SlotResult>& r = bands[static_cast<std::size_t>(band)];
        if (r && r->heard && r->periodStartMs >= sinceMs && r->periodStartMs < untilMs) ++count;
    }
    return count;
}

QString heardSummary(const SlotResult& result, std::int64_t nowMs) {
    const std::int64_t ageS = std::max<std::int64_t>(0, (nowMs - result.periodStartMs) / 1000);
    const QString age = ageS < 120    ? QStringLiteral("%1 s ago").arg(ageS)
                        : ageS < 7200 ? QStringLiteral("%1 min ago").arg(ageS / 60)
                                      : QStringLiteral("%1 h ago").arg(ageS / 3600);
    const QString what = result.heard                ? QStringLiteral("%1 of 4 dashes").arg(heardLevel(result))
                         : result.otherCall.isEmpty() ? QStringLiteral("not heard")
                                                      : QStringLiteral("other ") + result.otherCall;
    return what + QStringLiteral(", ") + age;
}

}  // namespace orvane::listen
