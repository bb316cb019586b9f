// libFuzzer entry for the stations file. Beyond not crashing: every refused
// line is named by a line number within the file; every slot keeps a call,
// site and place within their bounds; and the table written back as a
// stations file reads as the same table, time zones included.
#include <QString>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <string>

#include "FuzzSupport.h"
#include "beacons/StationTable.h"
#include "map/Maidenhead.h"

using namespace orvane::beacons;
using namespace orvane::fuzz;

namespace {

// Two moments for the offsets shown: a northern summer's and a winter's.
const orvane::UtcMs kSummer = 1'784'116'800'000;  // 2026-07-15 12:00 UTC
const orvane::UtcMs kWinter = 1'796'990'400'000;  // 2026-12-11 12:00 UTC

bool callChar(char c) { return (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == '/'; }

// One line for the entry: by its locator when that names the very place,
// else by latitude and longitude printed to round-trip exactly.
std::string lineOf(const StationEntry& e) {
    std::string position;
    if (const auto loc = orvane::map::ParseLocator(e.locator); loc && loc->lonDeg == e.lonDeg && loc->latDeg == e.latDeg) {
        position = e.locator;
    } else {
        char text[64];
        std::snprintf(text, sizeof text, "%.17g/%.17g", e.latDeg, e.lonDeg);
        position = text;
    }
    return std::to_string(e.slotNumber) + " | " + e.call + " | " + e.site + " | " + position + " | " +
           (e.onAir ? "on" : "off") + " | " + e.timeZone + "\n";
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view text = viewOf(data, size);
    StationTable table;
    const std::vector<StationFileProblem> problems = table.apply(text);
    const long lineEnds = std::count(text.begin(), text.end(), '\n') + std::count(text.begin(), text.end(), '\r');
    for (std::size_t i = 0; i < problems.size(); ++i) {
        require(problems[i].line >= 1 && problems[i].line <= lineEnds + 1);
        require(i >= kDescribedStationProblems || !problems[i].message.empty());
    }
    require(!orvane::beacons::describeProblems(QStringLiteral("fuzz.stations"), problems).isEmpty() || problems.empty());

    std::string written;
    for (int i = 0; i < kBeaconListCount; ++i) {
        const StationEntry& e = table.entry(i);
        require(e.slotNumber == i + 1);
        require(!e.call.empty() && e.call.size() <= kMaxCallLength && std::all_of(e.call.begin(), e.call.end(), callChar));
        require(!e.site.empty() && e.site.size() <= kMaxSiteLength);
        require(std::isfinite(e.lonDeg) && std::isfinite(e.latDeg) && std::fabs(e.lonDeg) <= 180 && std::fabs(e.latDeg) <= 90);
        require(table.find(e.call) >= 0);
        (void)table.labelCaption(i);
        (void)table.labelHint(i);
        (void)table.checkListItem(i, kSummer);
        (void)table.checkListItem(i, kWinter);
        (void)table.siteMoved(i);
        if (e.overridden) written += lineOf(e);
    }

    StationTable again;
    require(again.apply(written).empty());
    for (int i = 0; i < kBeaconListCount; ++i) {
        const StationEntry &a = table.entry(i), &b = again.entry(i);
        require(a.call == b.call && a.site == b.site && a.onAir == b.onAir && a.overridden == b.overridden);
        require(a.lonDeg == b.lonDeg && a.latDeg == b.latDeg && a.locator == b.locator && a.timeZone == b.timeZone);
    }
    return 0;
}
