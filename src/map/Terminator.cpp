#include "map/Terminator.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <utility>

namespace orvane::map {

void IlluminationMask::resize(int width, int height) {
    width_ = std::max(width, 0);
    height_ = std::max(height, 0);
    pixels_.assign(static_cast<std::size_t>(width_) * static_cast<std::size_t>(height_), kNight);
}

void IlluminationMask::clear() { std::fill(pixels_.begin(), pixels_.end(), kNight); }

void IlluminationMask::flipRun(int x, int y, int count) {
    std::uint8_t* p = pixels_.data() + index(x, y);
    for (int i = 0; i < count; ++i) p[i] = static_cast<std::uint8_t>(~p[i]);
    flips_ += static_cast<std::uint64_t>(count);
}

void ProjectIllumination(std::int32_t* table, int width, int height, double decDeg) {
    std::fill(table, table + height, kRowDark);
    auto write = [&](int index, double value) {
        if (index < 0 || index >= height) return;  // only a point exactly at the south pole
        // 0 would be an empty span; the clamp keeps any value the walk's end
        // point can produce (see below) a valid half-width.
        table[index] = std::clamp(static_cast<std::int32_t>(value), 1, width / 2);
    };

    // The terminator is the great circle 90 degrees from the sub-solar
    // point. Rotating a meridian circle by minus the declination gives it in
    // coordinates centred on the sub-solar meridian; half of it suffices,
    // the other half is its mirror image about that meridian.
    const double s = std::sin(-decDeg * kDegToRad);
    const double c = std::cos(-decDeg * kDegToRad);
    const double rowsPerDegree = height * (1.0 / 180.0);
    const double columnsPerDegree = width * (1.0 / 360.0);
    bool first = true;
    int pp = 0, qp = 0;
    for (double t = -1.5707963267948966; t <= 1.5717963267948964; t += 0.031415926535897934) {
        const double x = -s * std::sin(t);
        double y = std::cos(t);
        // Adding pi/100 a hundred times overshoots pi/2 by a few ulps, so the
        // last point's y comes out negative and, for a southern declination,
        // its longitude flips to -180: the rows interpolated towards it
        // would get negative widths. The point belongs on the end of the
        // half circle, y = 0. At exactly zero declination (x = 0 too, the
        // point is the pole itself) the walk keeps its traditional result.
        if (y < 0.0 && x != 0.0) y = 0.0;
        const double z = c * std::sin(t);
        const double lon = (x == 0.0 && y == 0.0) ? 0.0 : kRadToDeg * std::atan2(y, x);
        const double lat = kRadToDeg * std::asin(z);
        const auto p = static_cast<int>(height - (lat + 90.0) * rowsPerDegree);
        const auto q = static_cast<int>(columnsPerDegree * lon);
        if (first) {
            first = false;
        } else if (p == pp) {
            write(height - 1 - p, q);
        } else {
            // Interpolate the rows the step jumped over.
            const double k = static_cast<double>(q - qp) / static_cast<double>(p - pp);
            const int step = p > pp ? 1 : -1;
            for (int i = pp; i != p; i += step) write(height - 1 - i, qp + std::floor(k * (i - pp) + 0.5));
        }
        pp = p;
        qp = q;
    }

    // Polar fill: the rows between the pole that faces the sun and the first
    // row the terminator reaches lie in continuous daylight.
    const int start = decDeg >= 0 ? 0 : height - 1;
    const int step = decDeg >= 0 ? 1 : -1;
    for (int r = start; r != height / 2; r += step) {
        if (table[r] == kRowDark) continue;
        for (int j = r;; j -= step) {
            table[j] = width / 2;
            if (j == start) break;
        }
        break;
    }
}

void ToggleSpan(IlluminationMask& mask, int row, int left, int count) {
    const int w = mask.width();
    if (count <= 0 || w <= 0) return;
    count = std::min(count, w);
    left %= w;
    if (left < 0) left += w;
    if (left + count > w) {
        mask.flipRun(left, row, w - left);
        mask.flipRun(0, row, left + count - w);
    } else {
        mask.flipRun(left, row, count);
    }
}

void MoveTerminator(IlluminationMask& mask, const std::int32_t* newTable, int newNoon, std::int32_t* oldTable,
                    int oldNoon) {
    const int w = mask.width();
    const int h = mask.height();
    for (int r = 0; r < h; ++r) {
        const std::int32_t a = newTable[r];
        const std::int32_t b = oldTable[r];
        // Each span, cut at the right edge, gives at most two runs. Walking
        // their sorted ends and flipping between every other pair flips
        // exactly the columns covered by one span but not the other, each
        // once, wherever the spans wrap.
        int ends[8];
        int n = 0;
        auto addSpan = [&](int noon, std::int32_t half) {
            if (half < 0) return;
            const int count = std::min(2 * half, w);
            if (count == 0) return;
            const int left = ((noon - half) % w + w) % w;
            ends[n++] = left;
            if (left + count <= w) {
                ends[n++] = left + count;
            } else {
                ends[n++] = w;
                ends[n++] = 0;
                ends[n++] = left + count - w;
            }
        };
        if (a != b || newNoon != oldNoon) {
            addSpan(newNoon, a);
            addSpan(oldNoon, b);
            for (int i = 1; i < n; ++i)  // at most eight ends: insertion sort
                for (int j = i; j > 0 && ends[j - 1] > ends[j]; --j) std::swap(ends[j - 1], ends[j]);
            for (int i = 0; i + 1 < n; i += 2) ToggleSpan(mask, r, ends[i], ends[i + 1] - ends[i]);
        }
        oldTable[r] = a;
    }
}

TerminatorState& GreyLine::InitTerminatorState(int width, int height, UtcMoment now, bool keepFlags) {
    TerminatorState& s = state_;
    s.Width = std::max(width, 1);
    s.Height = std::max(height, 1);
    if (!keepFlags) s.Flags = 0;
    s.NoonColumn = -1;
    s.CurrentWidths.assign(static_cast<std::size_t>(s.Height), kRowDark);
    s.SpareWidths.assign(static_cast<std::size_t>(s.Height), kRowDark);
    s.StepSeconds = 180;
    s.DisplayTime = now;
    s.LastProjection.reset();
    s.ProjectionPending = false;
    mask_.resize(s.Width, s.Height);
    twilight_ = TwilightTables{};
    return s;
}

void GreyLine::project(double decDeg) {
    TerminatorState& s = state_;
    if (s.ProjectionPending) {
        // The previous projection was never drawn: SpareWidths still
        // describes the mask, so the new shape replaces the undrawn one.
        ProjectIllumination(s.CurrentWidths.data(), s.Width, s.Height, decDeg);
    } else {
        ProjectIllumination(s.SpareWidths.data(), s.Width, s.Height, decDeg);
        std::swap(s.CurrentWidths, s.SpareWidths);
        s.ProjectionPending = true;
    }
    ProjectTwilight(twilight_, s.Width, s.Height, decDeg);
    s.LastProjection = s.DisplayTime;
}

bool GreyLine::Recompute(UtcMoment now, bool holdDisplayTime) {
    TerminatorState& s = state_;
    if (s.CurrentWidths.empty()) InitTerminatorState(s.Width, s.Height, now, false);
    const bool reset = s.NoonColumn < 0;
    if (flag(TerminatorState::FlagAnimate))
        s.DisplayTime += s.StepSeconds;
    else if (!holdDisplayTime)
        s.DisplayTime = now;

    sun_ = SunAt(s.DisplayTime);

    const bool fake = flag(TerminatorState::FlagFake);
    // The distance counts both ways: when animation stops, the moment jumps
    // back to the clock, and the shape must follow at once rather than
    // after the clock has caught up with the animated moment.
    if (reset || fake || !s.LastProjection ||
        std::llabs(s.DisplayTime - *s.LastProjection) > kProjectionInterval)
        project(sun_.declination);

    const int noon = sun_.noonColumn(s.Width);
    if (!fake && noon == s.NoonColumn) return false;
    MoveTerminator(mask_, s.CurrentWidths.data(), noon, s.SpareWidths.data(), s.NoonColumn);
    s.NoonColumn = noon;
    s.ProjectionPending = false;
    return true;
}

}  // namespace orvane::map
