#pragma once

#include <array>
#include <string>
#include <string_view>

namespace orvane::cwsim {

// Responsibilities: the eighteen beacons' call signs as they are keyed, in
// International Morse (ITU-R M.1677-1), in the network's fixed order. The
// sequencer keys these, never the beacon table of the schedule.
struct BeaconCall {
    int number;                    // 1..18, the place in the cycle
    std::string_view callSign;     // "4U1UN"
    std::string_view morse;        // characters separated by one space, "....- ..- .---- ..- -."
};

inline constexpr int kBeaconCount = 18;

inline constexpr std::array<BeaconCall, kBeaconCount> kBeaconCalls{{
    {1, "4U1UN", "....- ..- .---- ..- -."},
    {2, "VE8AT", "...- . ---.. .- -"},
    {3, "W6WX", ".-- -.... .-- -..-"},
    {4, "KH6WO", "-.- .... -.... .-- ---"},
    {5, "ZL6B", "--.. .-.. -.... -..."},
    {6, "VK6RBP", "...- -.- -.... .-. -... .--."},
    {7, "JA2IGY", ".--- .- ..--- .. --. -.--"},
    {8, "RR9O", ".-. .-. ----. ---"},
    {9, "VR2B", "...- .-. ..--- -..."},
    {10, "4S7B", "....- ... --... -..."},
    {11, "ZS6DN", "--.. ... -.... -.. -."},
    {12, "5Z4B", "..... --.. ....- -..."},
    {13, "4X6TU", "....- -..- -.... - ..-"},
    {14, "OH2B", "--- .... ..--- -..."},
    {15, "CS3B", "-.-. ... ...-- -..."},
    {16, "LU4AA", ".-.. ..- ....- .- .-"},
    {17, "OA4B", "--- .- ....- -..."},
    {18, "YV5B", "-.-- ...- ..... -..."},
}};

// The call of beacon 1..18, or nullptr for any other number.
constexpr const BeaconCall* beaconCall(int number) {
    return number >= 1 && number <= kBeaconCount ? &kBeaconCalls[static_cast<std::size_t>(number - 1)] : nullptr;
}

// A call sign in International Morse, characters separated by one space, as
// kBeaconCalls writes them: letters (either case), digits and "/"; any other
// character is left out.
std::string morseOf(std::string_view call);

// Units of the call sign from its first element to the end of its last
// element's trailing unit: a dot is 1 + 1, a dash 3 + 1, and a character gap
// adds 2 more (three units of silence in all).
constexpr int callUnits(std::string_view morse) {
    int units = 0;
    for (char c : morse) units += c == '.' ? 2 : c == '-' ? 4 : 2;
    return units;
}

// The whole transmission: 3 units of lead-in, the call, then 6 + 4 × 20 + 3 × 3
// units for the gap before the long dashes and the dashes themselves.
inline constexpr int kLeadInUnits = 3;
inline constexpr int kDahsUnits = 6 + 4 * 20 + 3 * 3;
constexpr int totalUnits(int number) {
    const bool known = number >= 1 && number <= kBeaconCount;
    return kLeadInUnits + (known ? callUnits(kBeaconCalls[static_cast<std::size_t>(number - 1)].morse) : 0) +
           kDahsUnits;
}

}  // namespace orvane::cwsim
