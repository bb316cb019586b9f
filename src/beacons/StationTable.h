#pragma once

#include <QString>
#include <array>
#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

#include "beacons/Stations.h"
#include "common/TimeTypes.h"

namespace orvane::beacons {

// Responsibilities: the eighteen stations as every view uses them at run
// time: call, site, place, time zone and whether the beacon is on the air. By
// default the built-in table (Stations.h); a stations file overrides any slot
// line by line. A line that does not parse is named with
// its number and leaves the slot's built-in entry in place.
//
// Stations file: UTF-8 text, at most kMaxStationFileBytes, one beacon a line,
// fields separated by "|", blanks round fields ignored, "#" starts a comment
// line, blank lines skipped:
//
//   slot | call | site | position | on-air [| time zone]
//   4    | KH6RS | Maui, Hawaii | BL10ts | on
//   12   | 5Z4B  | Kilifi, Kenya | KI86 | on | Africa/Nairobi
//
// slot 1..18; call 1..10 characters A-Z, 0-9 and "/"; site 1..25 printable
// characters other than "|"; position a Maidenhead locator (4, 6 or 8
// characters) or "LAT/LON" in decimal degrees, north and east positive;
// on-air "on" or "off"; time zone, optional, a name of the time-zone database
// (without it the slot keeps its built-in zone). A later line for the same slot replaces an earlier one.
inline constexpr qint64 kMaxStationFileBytes = 1024 * 1024;
inline constexpr std::size_t kMaxCallLength = 10;
inline constexpr std::size_t kMaxSiteLength = 25;
inline constexpr std::size_t kMaxTimeZoneLength = 64;

struct StationEntry {
    int slotNumber = 0;    // 1..18
    std::string call;      // "KH6RS"
    std::string site;      // "Maui, Hawaii"
    std::string locator;   // 6 characters, or as given in the file
    double lonDeg = 0;     // east positive
    double latDeg = 0;     // north positive
    std::string timeZone;  // "Pacific/Honolulu"; the UTC offset shown comes from it
    bool onAir = true;
    bool overridden = false;  // from the stations file
};

struct StationFileProblem {
    int line = 0;  // 1-based
    std::string message;  // empty past the first kDescribedStationProblems
};
// How many problems are described (the rest are counted).
inline constexpr std::size_t kDescribedStationProblems = 20;

class StationTable {
public:
    // The built-in stations.
    StationTable();

    const StationEntry& entry(int index) const { return entries_[static_cast<std::size_t>(index)]; }
    const StationEntry& ofSlot(int slotNumber) const { return entry(slotNumber - 1); }
    // The index (0..17) of a call (any case) or a slot number "1".."18";
    // -1 for neither.
    int find(std::string_view callOrSlot) const;

    // Applies the lines of a stations file to the built-in table; returns
    // the lines that were refused, each named with its number.
    std::vector<StationFileProblem> apply(std::string_view text);

    // Reads and applies a stations file. A file that cannot be read (missing,
    // not a regular file, larger than kMaxStationFileBytes) throws
    // OrvaneError naming it, and the table stays as it was.
    std::vector<StationFileProblem> load(const QString& fileName);

    // The stations file puts the beacon more than a quarter of a degree from
    // its built-in site (its map label then moves to the new site).
    bool siteMoved(int index) const;

    // The map label caption with the built-in caret side ("^KH6RS") and the
    // label hint ("4  Maui, Hawaii").
    std::string labelCaption(int index) const;
    std::string labelHint(int index) const;
    // The site's offset from UTC at the moment, daylight saving included
    // ("-10:00", "+05:30"); empty when the time-zone database lacks the zone.
    std::string utcOffset(int index, UtcMs at) const;
    // The 44-character item of the Beacons tab: slot, site, call and the
    // UTC offset at the moment, in columns of 3, 25, 10 and 6 characters.
    std::string checkListItem(int index, UtcMs at) const;

private:
    std::array<StationEntry, kBeaconListCount> entries_;
};

// The problems as one text, one line each: "line 3: unknown slot 19"; the
// first kDescribedStationProblems, then "and N more".
QString describeProblems(const QString& fileName, const std::vector<StationFileProblem>& problems);

}  // namespace orvane::beacons
