#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace orvane::map {

// A station's place from its Maidenhead locator: the centre of the square
// the locator names, longitude before latitude, in degrees.
struct Locator {
    std::string text;  // normalised: "JO22", "JO22dc", "JO22dc45"
    double lonDeg = 0;
    double latDeg = 0;
};

// Parses a Maidenhead locator of 4, 6 or 8 characters: a field pair A..R,
// a square pair 0..9, a subsquare pair a..x, an extended pair 0..9; letters
// in either case, surrounding blanks ignored. Anything else (odd lengths,
// letters out of range, more than 8 characters) is no locator.
std::optional<Locator> ParseLocator(std::string_view text);

// The 6-character locator ("JO22dc") of the square holding the place;
// latitude 90 and longitude 180 fall in the last square of the grid.
std::string FormatLocator(double lonDeg, double latDeg);

}  // namespace orvane::map
