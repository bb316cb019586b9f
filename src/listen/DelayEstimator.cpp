#include "listen/DelayEstimator.h"

#include <algorithm>
#include <cmath>
#include <utility>

namespace orvane::listen {

std::optional<ReceiveDelay> parseReceiveDelay(const QString& text) {
    const QString t = text.trimmed();
    ReceiveDelay d;
    QString number = t;
    if (t.compare(QLatin1String("auto"), Qt::CaseInsensitive) == 0) {
        d.automatic = true;
        return d;
    }
    if (t.startsWith(QLatin1String("auto:"), Qt::CaseInsensitive)) {
        d.automatic = true;
        number = t.mid(5);
    }
    bool ok = false;
    const int ms = number.toInt(&ok, 10);
    if (!ok || ms < ReceiveDelay::kMinMs || ms > ReceiveDelay::kMaxMs) return std::nullopt;
    d.ms = ms;
    return d;
}

QString receiveDelayText(const ReceiveDelay& delay) {
    if (!delay.automatic) return QString::number(delay.ms);
    return delay.ms == 0 ? QStringLiteral("auto") : QStringLiteral("auto:%1").arg(delay.ms);
}

namespace {

bool confident(const SlotResult& r) { return r.heard && r.dashSnrDb[0].has_value(); }

template <std::size_t N>
double medianOf(std::array<double, N> values, std::size_t count) {
    // A handful of values: sorted by insertion.
    for (std::size_t i = 1; i < count; ++i)
        for (std::size_t j = i; j > 0 && values[j - 1] > values[j]; --j) std::swap(values[j - 1], values[j]);
    return count % 2 ? values[count / 2] : (values[count / 2 - 1] + values[count / 2]) / 2;
}

}  // namespace

DelayEstimator::DelayEstimator(double startMs) : delayMs_(startMs) {}

void DelayEstimator::keep(double offsetMs) {
    recent_[next_] = offsetMs;
    next_ = (next_ + 1) % kKeptSlots;
    count_ = std::min(count_ + 1, kKeptSlots);
}

std::optional<double> DelayEstimator::agreeing() const {
    std::array<double, kKeptSlots> best{}, group{};
    std::size_t bestCount = 0;
    for (std::size_t i = 0; i < count_; ++i) {
        std::size_t n = 0;
        for (std::size_t j = 0; j < count_; ++j)
            if (std::abs(recent_[j] - recent_[i]) <= kAgreeMs) group[n++] = recent_[j];
        if (n > bestCount) {
            best = group;
            bestCount = n;
        }
    }
    if (bestCount < static_cast<std::size_t>(kLockSlots)) return std::nullopt;
    return medianOf(best, bestCount);
}

bool DelayEstimator::add(const SlotResult& result, double cutDelayMs) {
    misses_ = result.heard ? 0 : misses_ + 1;
    if (locked_ && misses_ >= kUnlockMisses) {
        // Lost: search wide again around where it was.
        locked_ = false;
        count_ = next_ = 0;
        return true;
    }
    if (!confident(result) || !std::isfinite(result.timeOffsetMs)) return false;
    keep(cutDelayMs + result.timeOffsetMs);
    if (!locked_) {
        const auto median = agreeing();
        if (!median) return false;
        locked_ = true;
        delayMs_ = std::round(*median);
        return true;
    }
    const double median = std::round(medianOf(recent_, count_));
    if (std::abs(median - delayMs_) < kFollowStepMs) return false;
    delayMs_ = median;
    return true;
}

}  // namespace orvane::listen
