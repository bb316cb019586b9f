#include "timesync/ClockAdjust.h"

#include <cmath>

namespace orvane::timesync {

namespace {

constexpr std::uint16_t kSetMilliseconds = 600;
constexpr UtcMs kMsPerDay = 86'400'000;

UtcMs floorToDay(UtcMs ms) {
    const UtcMs day = ms / kMsPerDay - (ms % kMsPerDay < 0 ? 1 : 0);
    return day * kMsPerDay;
}

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

DateTime timeReplyToDateTime(std::uint32_t serverSeconds, const Clock& clock) {
    return dateTimeFromMoment(unixSecondsNearest(serverSeconds, clock.nowMoment()));
}

TimeComparison compareWithClock(std::uint32_t serverSeconds, const Clock& clock) {
    return CompareTimes(timeReplyToDateTime(serverSeconds, clock), timeOfDay(clock.nowSystemTime()));
}

ClockAdjustment AdjustClock(std::uint32_t serverSeconds, Clock& clock) {
    ClockAdjustment result;
    result.serverSeconds = serverSeconds;
    result.SysTime = clock.nowSystemTime();
    const DateTime server = timeReplyToDateTime(serverSeconds, clock);
    result.comparison = CompareTimes(server, timeOfDay(result.SysTime));
    if (result.comparison.matches()) return result;

    // The server's second on the PC's date, or on the day before or after
    // when the nearest comparison crossed midnight.
    const UtcMs pcMs = msFromSystemTime(result.SysTime);
    const int pcSecondOfDay = DateTimeToStTime(timeOfDay(result.SysTime));
    const int difference = nearestDifference(DateTimeToStTime(server), pcSecondOfDay);
    const UtcMs newMs = floorToDay(pcMs) + (static_cast<UtcMs>(pcSecondOfDay) + difference) * 1000 + kSetMilliseconds;
    result.SysTime = systemTimeFromMs(newMs);
    result.setAttempted = true;
    result.clockSet = clock.setUtcMs(msFromSystemTime(result.SysTime), &result.setError);
    return result;
}

QString NtpAdjustment::statusText() const {
    QString text = ntpStatusText(measurement, stratum);
    if (setAttempted) {
        if (!clockSet)
            text += QStringLiteral(", but the clock could not be set: %1")
                        .arg(QString::fromStdString(setError.empty() ? std::string("unknown reason") : setError));
        else if (!activeSync.isEmpty())
            text += QStringLiteral("; clock stepped although %1 keeps the time").arg(activeSync);
    } else if (stepTooLarge) {
        text += QStringLiteral("; more than a day: clock left alone, set the date by hand");
    } else if (!activeSync.isEmpty() && std::llround(measurement.offsetMs) != 0) {
        text += QStringLiteral("; %1 keeps the time, clock left alone").arg(activeSync);
    }
    return text;
}

NtpAdjustment AdjustClockNtp(const NtpMeasurement& measurement, int stratum, const QString& activeSync, Clock& clock) {
    NtpAdjustment result;
    result.measurement = measurement;
    result.stratum = stratum;
    result.activeSync = activeSync;
    if (!(std::abs(measurement.offsetMs) <= NtpAdjustment::kMaxStepMs)) {
        result.stepTooLarge = true;
        return result;
    }
    const long long stepMs = std::llround(measurement.offsetMs);
    if (stepMs == 0) return result;
    if (!activeSync.isEmpty() && std::abs(measurement.offsetMs) <= NtpAdjustment::kSyncToleranceMs) return result;
    result.newUtcMs = clock.nowUtcMs() + stepMs;
    result.setAttempted = true;
    result.clockSet = clock.setUtcMs(result.newUtcMs, &result.setError);
    return result;
}

}  // namespace orvane::timesync
