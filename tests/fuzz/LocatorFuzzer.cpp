// libFuzzer entry for Maidenhead locators. Beyond not crashing: a locator
// read is 4, 6 or 8 characters, reads again to itself, and its centre lies on
// the globe and within its own square (the 6-character locator of the centre
// begins with it). The input's first 16 bytes are also taken as a place
// (longitude, latitude): inside the globe its 6-character locator reads back
// to a square that holds it.
#include <algorithm>
#include <cctype>
#include <cmath>
#include <string>

#include "FuzzSupport.h"
#include "map/Maidenhead.h"

using namespace orvane::map;
using namespace orvane::fuzz;

namespace {

bool sameLetters(std::string_view a, std::string_view b) {
    if (a.size() != b.size()) return false;
    for (std::size_t i = 0; i < a.size(); ++i)
        if (std::toupper(static_cast<unsigned char>(a[i])) != std::toupper(static_cast<unsigned char>(b[i]))) return false;
    return true;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (const auto loc = ParseLocator(viewOf(data, size))) {
        const std::size_t n = loc->text.size();
        require(n == 4 || n == 6 || n == 8);
        require(std::fabs(loc->lonDeg) < 180 && std::fabs(loc->latDeg) < 90);
        const auto again = ParseLocator(loc->text);
        require(again && again->text == loc->text && again->lonDeg == loc->lonDeg && again->latDeg == loc->latDeg);
        const std::string centre = FormatLocator(loc->lonDeg, loc->latDeg);
        require(centre.size() == 6 && sameLetters(std::string_view(centre).substr(0, std::min<std::size_t>(n, 6)),
                                                  std::string_view(loc->text).substr(0, std::min<std::size_t>(n, 6))));
    }

    const double lon = take<double>(data, size);
    const double lat = take<double>(data, size);
    if (!(std::fabs(lon) <= 180 && std::fabs(lat) <= 90)) return 0;
    const std::string text = FormatLocator(lon, lat);
    const auto square = ParseLocator(text);
    require(square && square->text == text);
    // A subsquare is 5' of longitude by 2.5' of latitude; its centre is half that from each edge.
    require(std::fabs(square->lonDeg - lon) <= 2.5 / 60 + 1e-9 && std::fabs(square->latDeg - lat) <= 1.25 / 60 + 1e-9);
    return 0;
}
