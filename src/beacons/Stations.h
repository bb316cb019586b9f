#pragma once

#include <array>
#include <string_view>

namespace orvane::beacons {

// Responsibilities: the fixed table of the eighteen beacon stations in the
// order they transmit. Slot number n (1..18) is the station's place in the
// cycle; element n - 1 of kStations describes it. Each station appears as a
// map label (caption with a caret on the side of the site, hint naming the
// site, position on the 480 x 240 map), as a 44-character item of the beacon
// check list and as a button of the simulation dialog.
//
// The texts are the network's published ones as this program has always shown
// them; the check-list site texts of slots 4 and 15 deliberately differ from
// the label hints, and "RR90" in the list is kept as users know it.
inline constexpr int kBeaconListCount = 18;
inline constexpr int kLabelHeight = 13;
inline constexpr int kCheckListItemLength = 44;

struct Station {
    int slotNumber;                 // 1..18
    std::string_view labelCaption;  // e.g. "^4U1UN"
    std::string_view labelHint;     // e.g. "1  United Nations NY"
    int left, top, width;           // label geometry on the map, pixels
    std::string_view checkListItem; // exactly 44 characters

    // The call sign as the map label shows it, without the caret.
    constexpr std::string_view callsign() const {
        return labelCaption.front() == '^' ? labelCaption.substr(1) : labelCaption.substr(0, labelCaption.size() - 1);
    }
    // The site as the label hint names it, after the slot number.
    constexpr std::string_view site() const {
        std::string_view s = labelHint.substr(labelHint.find(' '));
        return s.substr(s.find_first_not_of(' '));
    }
};

inline constexpr std::array<Station, kBeaconListCount> kStations{{
    {1, "^4U1UN", "1  United Nations NY", 135, 65, 42, "1  United Nations NY        4U1UN     -05:00"},
    {2, "^VE8AT", "2  Alert, Canada", 153, 10, 40, "2  Alert, Canada            VE8AT     -05:00"},
    {3, "W6WX^", "3  Mt Umunhum, CA, USA", 39, 72, 41, "3  Mt Umunhum, CA, USA      W6WX      -08:00"},
    {4, "^KH6WO", "4  Honolulu, Hawaii", 29, 96, 46, "4  Laie, Hawaii             KH6WO     -10:00"},
    {5, "ZL6B^", "5  Masterson, NZ", 439, 178, 32, "5  Masterson, NZ            ZL6B      +12:00"},
    {6, "VK6RBP^", "6  Rolystone, Australia", 349, 164, 48, "6  Rolystone, Australia     VK6RBP    +08:00"},
    {7, "^JA2IGY", "7  Mt Asama, Japan", 424, 70, 42, "7  Mt Asama, Japan          JA2IGY    +09:00"},
    {8, "^RR9O", "8  Novosibirsk, Russia", 349, 48, 36, "8  Novosibirsk, Russia      RR90      +12:00"},
    {9, "VR2B^", "9  Hong Kong", 367, 67, 34, "9  Hong Kong                VR2B      +08:00"},
    {10, "^4S7B", "10 Colombo, Sri Lanka", 345, 115, 32, "10 Colombo, Sri Lanka       4S7B      +05:30"},
    {11, "^ZS6DN", "11 Pretoria, S Africa", 275, 158, 42, "11 Pretoria, S Africa       ZS6DN     +02:00"},
    {12, "^5Z4B", "12 Kilif, Kenya", 289, 125, 32, "12 Kilif, Kenya             5Z4B      +03:00"},
    {13, "4X6TU^", "13 Tel Aviv, Israel", 247, 77, 40, "13 Tel Aviv, Israel         4X6TU     +02:00"},
    {14, "^OH2B", "14 Espoo, Finland", 274, 41, 35, "14 Espoo, Finland           OH2B      +02:00"},
    {15, "CS3B^", "15 Funchal, Madeira", 187, 77, 33, "15 Santo da Serra, Maderia  CS3B      +00:00"},
    {16, "^LU4AA", "16 Buenos Aires, Arg", 158, 172, 40, "16 Buenos Aires, Argentina  LU4AA     -03:00"},
    {17, "OA4B^", "17 Lima, Peru", 109, 138, 34, "17 Lima, Peru               OA4B      -05:00"},
    {18, "^YV5B", "18 Caracas, Venezuela", 159, 109, 33, "18 Caracas, Venezuela       YV5B      -04:00"},
}};

// The station of slot number n (1..18).
constexpr const Station& stationOfSlot(int slotNumber) { return kStations[static_cast<std::size_t>(slotNumber - 1)]; }

}  // namespace orvane::beacons
