#pragma once

#include <charconv>
#include <string>

namespace orvane::map {

// Largest map side accepted from outside (a 8192 x 8192 picture is 256 MiB).
inline constexpr int kMaxMapSide = 8192;

// Parses "WxH" with both sides from 2 to kMaxMapSide.
inline bool parseMapSize(const std::string& text, int& width, int& height) {
    const auto x = text.find('x');
    if (x == std::string::npos) return false;
    int w = 0, h = 0;
    const char* begin = text.data();
    const char* end = begin + text.size();
    const auto a = std::from_chars(begin, begin + x, w);
    const auto b = std::from_chars(begin + x + 1, end, h);
    if (a.ec != std::errc() || a.ptr != begin + x || b.ec != std::errc() || b.ptr != end) return false;
    if (w < 2 || h < 2 || w > kMaxMapSide || h > kMaxMapSide) return false;
    width = w;
    height = h;
    return true;
}

}  // namespace orvane::map
