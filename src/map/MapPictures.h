#pragma once

#include <QImage>
#include <QRgb>
#include <QSize>
#include <cstdint>

#include "map/Terminator.h"

namespace orvane::map {

// The five night-shading patterns BRUSH0..BRUSH4: 8 x 8 checkerboards of two
// colours, one where (x + y) is even and one where it is odd, positioned from
// the map's top-left pixel. The night side is the lit map with every colour
// channel ANDed with the pattern, so the relief stays visible through the
// shade: 0xFF keeps a channel, 0xC0 its two high bits, 0x80 its high bit.
struct ShadePattern {
    QRgb even;
    QRgb odd;
};
inline constexpr int kShadeLevels = 5;
inline constexpr ShadePattern kShadePatterns[kShadeLevels] = {
    {0x808080, 0xFFFFFF},  // Level 1, "Very light shading"
    {0x000000, 0xFFFFFF},  // Level 2, "Light shading"
    {0x808080, 0xC0C0C0},  // Level 3, "Medium shading"
    {0x000000, 0xC0C0C0},  // Level 4, "Dark shading"
    {0x000000, 0x808080},  // Level 5, "Very dark shading"
};
inline constexpr int kDefaultNightShade = 2;

// The 8 x 8 pattern bitmap of BRUSH<level> (level clamped to 0..4).
QImage ShadeBrush(int level);

// Size of the relief resource "EARTH" and of the outline table.
inline constexpr QSize kEarthSize{480, 240};
inline constexpr QSize kOutlineSize{640, 320};
inline constexpr QSize kFitDetourSize{640, 320};

// The relief map "EARTH" (480 x 240, oceans in blues by depth, land from
// greens through yellows and reds to white by elevation), as RGB32.
QImage LoadEarthBitmap();

// The built-in 640 x 320 one-bit coastline table: 320 rows of 80 bytes, the
// least significant bit of a byte is its leftmost pixel, a set bit is coast.
const std::uint8_t* OutlineTable();
inline constexpr int kOutlineTableBytes = 640 / 8 * 320;

// The coastline drawing (black on white) stretched to size.
QImage DrawOutlineMap(QSize size);

// Resamples a map to size through a 640 x 320 copy (the route the relief
// takes on a screen that is not at 96 pixels per inch).
QImage FitMapBitmap(const QImage& map, QSize size);

// Plain resample of a map to size (smooth filter); a copy when sizes agree.
QImage StretchMap(const QImage& map, QSize size);

// Composes the shaded picture into out (resized as needed): where the mask
// is day the lit map, elsewhere the lit map ANDed with pattern nightShade.
// One pass over the picture; no per-channel arithmetic.
void RenderShadedMap(const QImage& lit, const IlluminationMask& mask, int nightShade, QImage& out);

// Responsibilities: the picture set of the map view. Keeps the base map
// chosen once per run (the source of every rescale), the lit map at the
// display size, and the composed picture; composes it from a mask.
class MapPictures {
public:
    enum class Source { Relief, Outline };

    // Chooses the base map for the whole run. deviceScale is the display's
    // scale against 96 pixels per inch: the relief is resampled (through
    // 640 x 320) when it is not 1, the outline is drawn at pixelSize.
    void PrepareBaseMap(Source source, QSize pixelSize, double deviceScale);

    // Rescales the base map to pixelSize; the picture shows the unshaded map.
    void Rebuild(QSize pixelSize);

    // Composes the picture from the mask (mask size must equal the map size).
    void Render(const IlluminationMask& mask, int nightShade);

    Source source() const { return source_; }
    QSize size() const { return lit_.size(); }
    const QImage& baseMap() const { return base_; }
    const QImage& litMap() const { return lit_; }
    const QImage& picture() const { return picture_; }

private:
    Source source_ = Source::Relief;
    QImage base_;     // as prepared at start, never changed afterwards
    QImage lit_;      // base map at the display size
    QImage picture_;  // what the map view shows
};

}  // namespace orvane::map
