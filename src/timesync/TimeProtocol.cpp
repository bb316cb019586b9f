#include "timesync/TimeProtocol.h"

#include <cmath>

namespace orvane::timesync {

std::optional<std::uint32_t> decodeTimeReply(const QByteArray& datagram) {
    if (datagram.size() != kTimeReplyBytes) return std::nullopt;
    std::uint32_t seconds = 0;
    for (const char byte : datagram) seconds = (seconds << 8) | static_cast<std::uint8_t>(byte);
    return seconds;
}

DateTime TimeProtocolToDateTime(std::uint32_t seconds) {
    // Day 2 of the date-time scale is 1900-01-01, the protocol's epoch.
    return 2.0 + static_cast<double>(seconds) / kSecondsPerDay;
}

int HMStoStTime(int hours, int minutes, int seconds) {
    return ((hours % 24) * 3600 + minutes * 60 + seconds) % kSecondsPerDay;
}

int DateTimeToStTime(DateTime value) {
    // Rounding to the millisecond first keeps whole seconds exact: a value
    // built from 12:00:05 may sit a hair below it in binary.
    const double fraction = value - std::floor(value);
    const auto msOfDay = static_cast<long long>(std::llround(fraction * 86'400'000.0));
    const auto wholeSeconds = static_cast<int>(msOfDay / 1000);  // may be 86400 after rounding up
    return HMStoStTime(wholeSeconds / 3600, (wholeSeconds / 60) % 60, wholeSeconds % 60);
}

int nearestDifference(int serverSecondOfDay, int pcSecondOfDay) {
    int difference = serverSecondOfDay - pcSecondOfDay;
    if (difference > kSecondsPerDay / 2) difference -= kSecondsPerDay;
    if (difference <= -kSecondsPerDay / 2) difference += kSecondsPerDay;
    return difference;
}

TimeComparison CompareTimes(DateTime server, DateTime pc) {
    const int difference = nearestDifference(DateTimeToStTime(server), DateTimeToStTime(pc));
    if (difference < 0) return {-difference, true};
    return {difference, false};
}

QString comparisonText(const TimeComparison& comparison) {
    if (comparison.matches()) return QStringLiteral("Times Match");
    return QStringLiteral("Local PC was %1 seconds %2")
        .arg(comparison.TimeDiff)
        .arg(comparison.ahead ? QStringLiteral("ahead") : QStringLiteral("behind"));
}

}  // namespace orvane::timesync
