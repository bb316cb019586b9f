#include "app/StationHint.h"

#include <array>
#include <cstdio>
#include <ctime>

namespace orvane::app {
namespace {

std::string hhmm(UtcMoment t) {
    const UtcMoment secs = floorMod(t, 86400);
    std::array<char, 8> buf{};
    std::snprintf(buf.data(), buf.size(), "%02d:%02d", static_cast<int>(secs / 3600), static_cast<int>(secs / 60 % 60));
    return buf.data();
}

std::string event(const char* what, const std::optional<UtcMoment>& t, const LocalZoneAt& zoneAt) {
    if (!t) return std::string("no ") + what;
    const LocalZone zone = zoneAt ? zoneAt(*t) : LocalZone{};
    std::string local = hhmm(*t + zone.offsetSeconds);
    local += zone.name.empty() ? std::string(" local") : " " + zone.name;
    return std::string(what) + " " + hhmm(*t) + " UTC (" + local + ")";
}

}  // namespace

std::string stationHint(const std::string& locator, const map::SunTimes& times, const LocalZoneAt& zoneAt) {
    const std::string head = "Station " + locator + ": ";
    if (times.upAllDay) return head + "the sun stays up all day";
    if (times.downAllDay) return head + "the sun stays down all day";
    return head + event("sunrise", times.rise, zoneAt) + ", " + event("sunset", times.set, zoneAt);
}

LocalZone systemLocalZone(UtcMoment t) {
    const auto tt = static_cast<std::time_t>(t);
    std::tm local{};
    if (!::localtime_r(&tt, &local)) return {};
    return LocalZone{static_cast<int>(local.tm_gmtoff), local.tm_zone ? local.tm_zone : ""};
}

}  // namespace orvane::app
