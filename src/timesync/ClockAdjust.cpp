#include "timesync/ClockAdjust.h"

namespace orvane::timesync {

namespace {

constexpr std::uint16_t kSetMilliseconds = 600;

DateTime timeOfDay(const SystemTime& t) {
    return encodeTime(t.hour, t.minute, t.second, t.milliseconds);
}

}  // namespace

QString ClockAdjustment::statusText() const {
    const QString text = comparisonText(comparison);
    if (!setAttempted || clockSet) return text;
    // Never claim a correction that did not happen.
    return QStringLiteral("%1, but the clock could not be set: %2")
        .arg(text, QString::fromStdString(setError.empty() ? std::string("unknown reason") : setError));
}

TimeComparison compareWithClock(std::uint32_t serverSeconds, const Clock& clock) {
    return CompareTimes(TimeProtocolToDateTime(serverSeconds), timeOfDay(clock.nowSystemTime()));
}

ClockAdjustment AdjustClock(std::uint32_t serverSeconds, Clock& clock) {
    ClockAdjustment result;
    result.serverSeconds = serverSeconds;
    result.SysTime = clock.nowSystemTime();
    const DateTime server = TimeProtocolToDateTime(serverSeconds);
    result.comparison = CompareTimes(server, timeOfDay(result.SysTime));
    if (result.comparison.matches()) return result;

    const int serverSecondOfDay = DateTimeToStTime(server);
    result.SysTime.hour = static_cast<std::uint16_t>(serverSecondOfDay / 3600);
    result.SysTime.minute = static_cast<std::uint16_t>(serverSecondOfDay / 60 % 60);
    result.SysTime.second = static_cast<std::uint16_t>(serverSecondOfDay % 60);
    result.SysTime.milliseconds = kSetMilliseconds;
    result.setAttempted = true;
    result.clockSet = clock.setUtcMs(msFromSystemTime(result.SysTime), &result.setError);
    return result;
}

}  // namespace orvane::timesync
