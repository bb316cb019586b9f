#include "app/TimeLabels.h"

#include <array>
#include <cstdio>
#include <ctime>

#include "common/TimeTypes.h"

namespace orvane::app {
namespace {

constexpr std::array<const char*, 7> kDays{"Sun", "Mon", "Tue", "Wed", "Thu", "Fri", "Sat"};
constexpr std::array<const char*, 12> kMonths{"Jan", "Feb", "Mar", "Apr", "May", "Jun",
                                              "Jul", "Aug", "Sep", "Oct", "Nov", "Dec"};

std::string format(UtcMoment t) {
    const std::int64_t days = floorDiv(t, 86400);
    const std::int64_t secs = t - days * 86400;
    int y = 0, m = 0, d = 0;
    civilFromDays(days, y, m, d);
    const auto wd = static_cast<std::size_t>(((days % 7) + 11) % 7);  // 1970-01-01 was a Thursday
    std::array<char, 120> buf{};
    std::snprintf(buf.data(), buf.size(), "%02d:%02d:%02d, %s %02d %s %04d", static_cast<int>(secs / 3600),
                  static_cast<int>(secs / 60 % 60), static_cast<int>(secs % 60), kDays[wd], d,
                  kMonths[static_cast<std::size_t>(m - 1)], y);
    return buf.data();
}

}  // namespace

std::string formatUtcLabel(UtcMoment t) { return format(t); }

std::string formatLocalTimeLabel(UtcMoment t, int offsetSeconds, const std::string& zoneName) {
    return "Local Time: " + format(t + offsetSeconds) + ", " + zoneName;
}

std::string localZoneName(UtcMoment t) {
    const auto tt = static_cast<std::time_t>(t);
    std::tm local{};
    return ::localtime_r(&tt, &local) && local.tm_zone ? local.tm_zone : "";
}

std::string formatLocalTimeLabel(UtcMoment t) {
    const auto tt = static_cast<std::time_t>(t);
    std::tm local{};
    if (!::localtime_r(&tt, &local)) return formatLocalTimeLabel(t, 0, "");
    return formatLocalTimeLabel(t, static_cast<int>(local.tm_gmtoff), local.tm_zone ? local.tm_zone : "");
}

}  // namespace orvane::app
