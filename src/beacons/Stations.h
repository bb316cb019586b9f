#pragma once

#include <array>
#include <cstddef>
#include <string_view>

namespace orvane::beacons {

// Responsibilities: the built-in table of the eighteen beacon stations in the
// order they transmit, the one source of every view's default (map labels,
// the Beacons tab's check list, the Monitor, the command line). Slot number
// n (1..18) is the station's place in the cycle; element n - 1 of kStations
// describes it: the map label (caption with a caret on the side of the site,
// position on the 480 x 240 map), the site's name, place and time zone.
// The run-time table (StationTable) starts from it and a stations file
// overrides it.
inline constexpr int kBeaconListCount = 18;
inline constexpr int kLabelHeight = 13;
inline constexpr int kCheckListItemLength = 44;

struct Station {
    int slotNumber;                 // 1..18
    std::string_view labelCaption;  // e.g. "^4U1UN"
    std::string_view site;          // e.g. "United Nations NY"
    int left, top, width;           // label geometry on the map, pixels
    double latDeg, lonDeg;          // the site, north and east positive
    std::string_view timeZone;      // the site's zone in the time-zone database

    // The call sign as the map label shows it, without the caret.
    constexpr std::string_view callsign() const {
        return labelCaption.front() == '^' ? labelCaption.substr(1) : labelCaption.substr(0, labelCaption.size() - 1);
    }
    constexpr bool caretLeft() const { return labelCaption.front() == '^'; }
};

// Sites as the network publishes them (NCDXF beacon list; Laie for KH6WO and
// Alert for VE8AT). The UTC offset shown beside a station is taken from its
// time zone at the moment shown, daylight saving included.
inline constexpr std::array<Station, kBeaconListCount> kStations{{
    {1, "^4U1UN", "United Nations NY", 135, 65, 42, 40.7489, -73.9680, "America/New_York"},
    {2, "^VE8AT", "Alert, Canada", 153, 10, 40, 82.5000, -62.3500, "America/Iqaluit"},
    {3, "W6WX^", "Mt Umunhum, CA, USA", 39, 72, 41, 37.1583, -121.8983, "America/Los_Angeles"},
    {4, "^KH6WO", "Honolulu, Hawaii", 29, 96, 46, 21.6400, -157.9250, "Pacific/Honolulu"},
    {5, "ZL6B^", "Masterson, NZ", 439, 178, 32, -40.9000, 175.6167, "Pacific/Auckland"},
    {6, "VK6RBP^", "Rolystone, Australia", 349, 164, 48, -32.0833, 116.0500, "Australia/Perth"},
    {7, "^JA2IGY", "Mt Asama, Japan", 424, 70, 42, 34.4500, 136.7833, "Asia/Tokyo"},
    {8, "^RR9O", "Novosibirsk, Russia", 349, 48, 36, 54.9833, 82.8833, "Asia/Novosibirsk"},
    {9, "VR2B^", "Hong Kong", 367, 67, 34, 22.2667, 114.1500, "Asia/Hong_Kong"},
    {10, "^4S7B", "Colombo, Sri Lanka", 345, 115, 32, 6.9000, 79.8667, "Asia/Colombo"},
    {11, "^ZS6DN", "Pretoria, S Africa", 275, 158, 42, -25.9000, 28.3000, "Africa/Johannesburg"},
    {12, "^5Z4B", "Kilifi, Kenya", 289, 125, 32, -3.6333, 39.8500, "Africa/Nairobi"},
    {13, "4X6TU^", "Tel Aviv, Israel", 247, 77, 40, 32.0500, 34.7833, "Asia/Jerusalem"},
    {14, "^OH2B", "Espoo, Finland", 274, 41, 35, 60.2167, 24.6500, "Europe/Helsinki"},
    {15, "CS3B^", "Funchal, Madeira", 187, 77, 33, 32.6500, -16.9000, "Atlantic/Madeira"},
    {16, "^LU4AA", "Buenos Aires, Arg", 158, 172, 40, -34.6000, -58.4500, "America/Argentina/Buenos_Aires"},
    {17, "OA4B^", "Lima, Peru", 109, 138, 34, -12.0500, -77.0500, "America/Lima"},
    {18, "^YV5B", "Caracas, Venezuela", 159, 109, 33, 10.5000, -66.9000, "America/Caracas"},
}};

// The station of slot number n (1..18).
constexpr const Station& stationOfSlot(int slotNumber) { return kStations[static_cast<std::size_t>(slotNumber - 1)]; }

}  // namespace orvane::beacons
