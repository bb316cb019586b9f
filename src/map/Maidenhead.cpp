#include "map/Maidenhead.h"

#include <algorithm>
#include <cctype>
#include <cmath>

namespace orvane::map {

// Each pair splits the previous cell into a grid: fields are 20 x 10
// degrees (18 x 18 of them), squares 2 x 1 degree (10 x 10), subsquares
// 5 x 2.5 minutes (24 x 24), extended squares 30 x 15 seconds (10 x 10).
std::optional<Locator> ParseLocator(std::string_view text) {
    while (!text.empty() && std::isspace(static_cast<unsigned char>(text.front()))) text.remove_prefix(1);
    while (!text.empty() && std::isspace(static_cast<unsigned char>(text.back()))) text.remove_suffix(1);
    if (text.size() != 4 && text.size() != 6 && text.size() != 8) return std::nullopt;

    struct Pair {
        char first;     // '0' or 'A'
        int divisions;  // how many cells a character counts
        bool upper;     // how the normalised form writes it
    };
    static constexpr Pair kPairs[] = {{'A', 18, true}, {'0', 10, true}, {'A', 24, false}, {'0', 10, true}};

    Locator loc;
    double lonCell = 360.0, latCell = 180.0;
    double lon = -180.0, lat = -90.0;
    for (std::size_t p = 0; p < text.size() / 2; ++p) {
        const Pair& pair = kPairs[p];
        lonCell /= pair.divisions;
        latCell /= pair.divisions;
        for (std::size_t k = 0; k < 2; ++k) {
            char c = text[2 * p + k];
            if (pair.first == 'A') c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
            const int index = c - pair.first;
            if (index < 0 || index >= pair.divisions) return std::nullopt;
            (k == 0 ? lon : lat) += index * (k == 0 ? lonCell : latCell);
            loc.text += pair.upper ? c : static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
        }
    }
    loc.lonDeg = lon + lonCell / 2;
    loc.latDeg = lat + latCell / 2;
    return loc;
}

std::string FormatLocator(double lonDeg, double latDeg) {
    // Offsets from the grid's south-west corner in units of the smallest
    // cell used (subsquares: 1/12 degree of longitude, 1/24 of latitude).
    const auto cellIndex = [](double value, double span, int cells) {
        return std::clamp(static_cast<int>(std::floor(value / span * cells)), 0, cells - 1);
    };
    const int lon = cellIndex(lonDeg + 180.0, 360.0, 18 * 10 * 24);
    const int lat = cellIndex(latDeg + 90.0, 180.0, 18 * 10 * 24);
    std::string text;
    text += static_cast<char>('A' + lon / 240);
    text += static_cast<char>('A' + lat / 240);
    text += static_cast<char>('0' + lon / 24 % 10);
    text += static_cast<char>('0' + lat / 24 % 10);
    text += static_cast<char>('a' + lon % 24);
    text += static_cast<char>('a' + lat % 24);
    return text;
}

}  // namespace orvane::map
