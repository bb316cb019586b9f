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

// Size of the relief resource "EARTH" and of the outline table: the classic
// map, drawn from them pixel for pixel. Every other size is resampled from
// the fine pictures, made from the same elevation grid.
inline constexpr QSize kEarthSize{480, 240};
inline constexpr QSize kOutlineSize{640, 320};
inline constexpr QSize kFineMapSize{2048, 1024};

// The relief map "EARTH" (480 x 240, oceans in blues by depth, land from
// greens through yellows and reds to white by elevation), as RGB32.
QImage LoadEarthBitmap();

// The relief at kFineMapSize, as an indexed image with the palette of EARTH.
QImage LoadFineEarth();
// The coastline at kFineMapSize, black on white.
QImage LoadFineOutline();

// The built-in 640 x 320 one-bit coastline table: 320 rows of 80 bytes, the
// least significant bit of a byte is its leftmost pixel, a set bit is coast.
const std::uint8_t* OutlineTable();
inline constexpr int kOutlineTableBytes = 640 / 8 * 320;

// The coastline drawing (black on white) stretched to size.
QImage DrawOutlineMap(QSize size);

// Plain resample of a map to size (smooth filter); a copy when sizes agree.
QImage StretchMap(const QImage& map, QSize size);

// Composes the shaded picture into out (resized as needed): where the mask
// is day the lit map, elsewhere the lit map ANDed with pattern nightShade.
// One pass over the picture; no per-channel arithmetic.
void RenderShadedMap(const QImage& lit, const IlluminationMask& mask, int nightShade, QImage& out);

// Night in the graded twilight view: the pattern-shaded pixel at half its
// brightness. The pattern alone leaves land at about 0.7 of its daylight
// luminance at the default level, too little to see the line across the
// continents; halving every level keeps their order and the relief.
inline QRgb TwilightNightPixel(QRgb lit, QRgb pattern) { return ((lit & pattern) >> 1) & 0x7F7F7Fu; }

// Composes the picture with graded twilight: day as lit, night as
// TwilightNightPixel of pattern nightShade, and civil, nautical and
// astronomical twilight as a quarter, a half and three quarters of the way
// from the one to the other. Works along each row in spans of one shade: day and night
// spans are a copy and an AND, only the twilight spans blend.
void RenderTwilightMap(const QImage& lit, const TwilightTables& twilight, int noonColumn, int nightShade,
                       QImage& out);

// Responsibilities: the picture set of the map view. Keeps the base map
// chosen once per run (the classic picture, and the fine one that every
// other size is resampled from), the lit map at the display size, and the
// composed picture; composes it from a mask or from the twilight tables.
// The lit map is resampled only when the size changes, never per render.
class MapPictures {
public:
    enum class Source { Relief, Outline };

    // Chooses the base map for the whole run and builds it at pixelSize
    // (device pixels).
    void PrepareBaseMap(Source source, QSize pixelSize);
    // The same without waiting for the fine picture, as RebuildQuick.
    bool PrepareBaseMapQuick(Source source, QSize pixelSize);

    // The lit map at pixelSize: the classic picture at 480 x 240, otherwise
    // the fine one resampled (once; the same size again keeps it). The
    // picture shows the unshaded map.
    void Rebuild(QSize pixelSize);

    // Rebuild for a window that must not wait: when the size needs the fine
    // picture and it is not held, the classic picture stretched to the size
    // stands in, and true says so. The fine picture is then loaded aside
    // (LoadFinePicture, on any thread), handed over with adoptFinePicture,
    // and Rebuild at the same size replaces the stand-in.
    bool RebuildQuick(QSize pixelSize);
    // Decodes the fine picture of a source as fineBase keeps it. Touches no
    // MapPictures, so it may run on a worker thread.
    static QImage LoadFinePicture(Source source);
    // Takes a fine picture loaded aside (one of another source is ignored).
    void adoptFinePicture(Source source, QImage fine);
    // The lit map is the stretched classic picture, waiting for the fine one.
    bool litIsStandIn() const { return standIn_; }

    // Composes the picture from the mask (mask size must equal the map size).
    void Render(const IlluminationMask& mask, int nightShade);
    // Composes the picture with graded twilight (table size must agree).
    void RenderTwilight(const TwilightTables& twilight, int noonColumn, int nightShade);

    // For one picture drawn once (the command line): the base maps are let
    // go and the picture is composed over the lit map itself, so no second
    // full-size image is made. The lit map is gone afterwards (size() is
    // empty); Rebuild makes it again.
    void RenderOnce(const IlluminationMask& mask, int nightShade);
    void RenderTwilightOnce(const TwilightTables& twilight, int noonColumn, int nightShade);

    // Lets the fine picture go (8 MB for the relief); the next size that
    // needs it loads it again. For a view left alone at one size.
    void releaseFinePicture() { fine_ = QImage(); }
    bool holdsFinePicture() const { return !fine_.isNull(); }

    Source source() const { return source_; }
    QSize size() const { return lit_.size(); }
    const QImage& baseMap() const { return base_; }
    const QImage& litMap() const { return lit_; }
    const QImage& picture() const { return picture_; }
    // Times the lit map was resampled from a base map.
    int resampleCount() const { return resamples_; }

private:
    const QImage& fineBase();
    void letGoOfAllButTheLitMap();

    Source source_ = Source::Relief;
    QImage base_;     // the classic picture, never changed after preparing
    QImage fine_;     // the fine picture, loaded at the first size that needs it
    QImage lit_;      // base map at the display size
    QImage picture_;  // what the map view shows
    int resamples_ = 0;
    bool standIn_ = false;  // lit_ is stretched from base_ until fine_ comes
};

}  // namespace orvane::map
