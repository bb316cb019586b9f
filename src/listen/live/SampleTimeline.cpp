#include "listen/live/SampleTimeline.h"

#include <algorithm>

namespace orvane::listen {

double SampleTimeline::stamp(double arrivedAtUtcMs, std::int64_t frames) {
    const double latestStartMs = arrivedAtUtcMs - durationMs(frames);
    const auto startAfresh = [&] {
        anchored_ = true;
        anchorMs_ = latestStartMs;
        anchorFrame_ = frames_;
        windowStartMs_ = latestStartMs;
        windowMinLateMs_ = kGapMs;
    };
    if (!anchored_) {
        startAfresh();
    } else {
        const double foreseenMs = anchorMs_ + durationMs(frames_ - anchorFrame_);
        const double lateMs = latestStartMs - foreseenMs;
        if (lateMs < 0) {
            anchorMs_ += lateMs;  // the bound is earlier: the anchor was too late
        } else if (lateMs > kGapMs) {
            ++gaps_;
            startAfresh();
        } else {
            windowMinLateMs_ = std::min(windowMinLateMs_, lateMs);
            if (foreseenMs - windowStartMs_ >= kWindowMs) {
                if (windowMinLateMs_ > kDriftMs) anchorMs_ += windowMinLateMs_;
                windowStartMs_ = foreseenMs;
                windowMinLateMs_ = kGapMs;
            }
        }
    }
    const double sinceAnchorMs = durationMs(frames_ - anchorFrame_);
    if (sinceAnchorMs < kSettleMs)
        stampedMs_ = anchorMs_;
    else
        stampedMs_ += std::clamp(anchorMs_ - stampedMs_, -kMaxStepMs, kMaxStepMs);
    const double firstMs = stampedMs_ + sinceAnchorMs;
    frames_ += frames;
    return firstMs;
}

}  // namespace orvane::listen
