#include <gtest/gtest.h>

#include <QColor>
#include <cstdlib>

#include "common/TimeTypes.h"
#include "map/MapPictures.h"

using namespace orvane;
using namespace orvane::map;

namespace {

QImage uniform(QSize size, QRgb colour) {
    QImage image(size, QImage::Format_RGB32);
    image.fill(colour);
    return image;
}

// Map colour at a longitude and latitude of a map image.
QColor colourAt(const QImage& map, double lon, double lat) {
    const MapGeometry g{map.width(), map.height()};
    return map.pixelColor(static_cast<int>(g.columnOf(lon)), static_cast<int>(g.rowOf(lat)));
}

}  // namespace

TEST(ShadePatterns, ChannelAndOfEveryLevel) {
    struct Case {
        const char* name;
        int level;
        int channel;     // value of every channel of the lit pixel
        int evenResult;  // at (x + y) even
        int oddResult;
    };
    const Case cases[] = {
        {"Level1_200", 0, 200, 128, 200},  {"Level2_200", 1, 200, 0, 200},   {"Level3_200", 2, 200, 128, 192},
        {"Level4_200", 3, 200, 0, 192},    {"Level5_200", 4, 200, 0, 128},   {"Level5_100", 4, 100, 0, 0},
        {"Level3_255", 2, 255, 128, 192},  {"Level1_100", 0, 100, 0, 100},
    };
    IlluminationMask night(16, 16);
    for (const Case& c : cases) {
        const QImage lit = uniform({16, 16}, qRgb(c.channel, c.channel, c.channel));
        QImage out;
        RenderShadedMap(lit, night, c.level, out);
        for (int y = 0; y < 16; ++y)
            for (int x = 0; x < 16; ++x) {
                const int expected = ((x + y) & 1) ? c.oddResult : c.evenResult;
                ASSERT_EQ(out.pixel(x, y), qRgb(expected, expected, expected)) << c.name << " at " << x << "," << y;
            }
    }
}

TEST(ShadePatterns, ChannelsAreMaskedApartAndDayPixelsKept) {
    const QImage lit = uniform({8, 2}, qRgb(200, 100, 255));
    IlluminationMask mask(8, 2);
    ToggleSpan(mask, 0, 2, 3);  // day at columns 2..4 of row 0
    QImage out;
    RenderShadedMap(lit, mask, 4, out);
    EXPECT_EQ(out.pixel(1, 0), qRgb(128, 0, 128));  // odd: AND 0x80
    EXPECT_EQ(out.pixel(0, 0), qRgb(0, 0, 0));      // even: AND 0x00
    for (int x = 2; x <= 4; ++x) EXPECT_EQ(out.pixel(x, 0), lit.pixel(x, 0)) << x;
    EXPECT_EQ(out.pixel(0, 1), qRgb(128, 0, 128));  // pattern anchored at the top-left pixel
}

TEST(ShadePatterns, BrushBitmapsAreTheCheckerboards) {
    for (int level = 0; level < kShadeLevels; ++level) {
        const QImage brush = ShadeBrush(level);
        ASSERT_EQ(brush.size(), QSize(8, 8));
        EXPECT_EQ(brush.pixel(0, 0) & 0xFFFFFFu, kShadePatterns[level].even);
        EXPECT_EQ(brush.pixel(7, 0) & 0xFFFFFFu, kShadePatterns[level].odd);
        EXPECT_EQ(brush.pixel(3, 5) & 0xFFFFFFu, kShadePatterns[level].even);
    }
}

TEST(BaseMaps, EarthReliefHasTheMapGeometry) {
    const QImage earth = LoadEarthBitmap();
    ASSERT_EQ(earth.size(), kEarthSize);
    struct Place {
        const char* name;
        double lon, lat;
        bool land;
    };
    const Place places[] = {
        {"MidPacific", -150, 0, false}, {"MidAtlantic", -35, 30, false}, {"IndianOcean", 80, -30, false},
        {"Sahara", 10, 23, true},       {"Siberia", 100, 62, true},       {"Brazil", -55, -10, true},
        {"Australia", 135, -25, true},
    };
    for (const Place& p : places) {
        const QColor c = colourAt(earth, p.lon, p.lat);
        const bool blue = c.blue() > c.red() && c.blue() > c.green();
        EXPECT_EQ(!blue, p.land) << p.name;
    }
}

TEST(BaseMaps, OutlineTableBitOrderAndDrawing) {
    const std::uint8_t* table = OutlineTable();
    int setBits = 0;
    for (int i = 0; i < kOutlineTableBytes; ++i) setBits += __builtin_popcount(table[i]);
    EXPECT_GT(setBits, 3000);  // a world's coastlines
    EXPECT_LT(setBits, 40000);
    const QImage drawing = DrawOutlineMap(kOutlineSize);
    for (int i = 0; i < kOutlineTableBytes; ++i)
        for (int bit = 0; bit < 8; ++bit) {
            const int x = (i % 80) * 8 + bit, y = i / 80;  // least significant bit leftmost
            const QRgb expected = (table[i] >> bit) & 1 ? qRgb(0, 0, 0) : qRgb(255, 255, 255);
            ASSERT_EQ(drawing.pixel(x, y), expected) << x << "," << y;
        }
    // Coast near Gibraltar, none in mid-Pacific.
    const QImage small = DrawOutlineMap(kEarthSize);
    EXPECT_EQ(colourAt(small, -150, 0), QColor(Qt::white));
}

// Every size but the classic one is resampled from the fine relief; places
// stay on their sites and keep the classic picture's colours (to the
// difference of a pixel's average over fewer grid cells).
TEST(BaseMaps, ResamplingKeepsPlacesOnTheirSites) {
    const QImage earth = LoadEarthBitmap();
    ASSERT_EQ(LoadFineEarth().size(), kFineMapSize);
    for (QSize size : {QSize(720, 360), QSize(960, 480), QSize(600, 300), QSize(1920, 960), QSize(2560, 1280)}) {
        MapPictures pictures;
        pictures.PrepareBaseMap(MapPictures::Source::Relief, size);
        const QImage& fitted = pictures.litMap();
        ASSERT_EQ(fitted.size(), size);
        for (auto [lon, lat] : {std::pair{10.0, 23.0}, {-150.0, 0.0}, {135.0, -25.0}}) {
            const QColor a = colourAt(earth, lon, lat), b = colourAt(fitted, lon, lat);
            EXPECT_NEAR(a.red(), b.red(), 50) << size.width() << " " << lon;
            EXPECT_NEAR(a.blue(), b.blue(), 50) << size.width() << " " << lon;
        }
    }
}

// The fine outline stays a black-on-white drawing at any size, with its
// coasts where the classic table has them.
TEST(BaseMaps, FineOutlineIsTwoColouredWithCoastsOnSite) {
    for (QSize size : {QSize(1000, 500), QSize(1920, 960)}) {
        MapPictures pictures;
        pictures.PrepareBaseMap(MapPictures::Source::Outline, size);
        const QImage& lit = pictures.litMap();
        int black = 0;
        for (int y = 0; y < lit.height(); ++y)
            for (int x = 0; x < lit.width(); ++x) {
                const QRgb p = lit.pixel(x, y) & 0xFFFFFFu;
                ASSERT_TRUE(p == 0 || p == 0xFFFFFFu) << x << "," << y;
                black += p == 0;
            }
        EXPECT_GT(black, size.width() * 5);  // a world's coasts, not a blank sheet
        EXPECT_EQ(colourAt(lit, -150, 0), QColor(Qt::white));
        EXPECT_EQ(colourAt(lit, 10, 23), QColor(Qt::white));  // inland Sahara
    }
}

// The lit map is resampled once per new size: renders and rebuilds at the
// same size reuse it.
TEST(MapPictures, ResamplesOncePerSize) {
    MapPictures pictures;
    pictures.PrepareBaseMap(MapPictures::Source::Relief, QSize(1200, 600));
    EXPECT_EQ(pictures.resampleCount(), 1);
    GreyLine line;
    const UtcMoment t = daysFromCivil(2026, 6, 21) * 86400;
    line.InitTerminatorState(1200, 600, t, false);
    for (int tick = 0; tick < 20; ++tick) {
        if (line.Recompute(t + tick * 200, false)) pictures.Render(line.mask(), 2);
        pictures.RenderTwilight(line.twilight(), line.state().NoonColumn, 2);
    }
    pictures.Rebuild(QSize(1200, 600));
    EXPECT_EQ(pictures.resampleCount(), 1);
    pictures.Rebuild(QSize(1600, 800));
    pictures.Rebuild(QSize(1600, 800));
    EXPECT_EQ(pictures.resampleCount(), 2);
    pictures.Rebuild(kEarthSize);  // the classic picture itself
    EXPECT_EQ(pictures.resampleCount(), 3);
    EXPECT_EQ(pictures.litMap(), LoadEarthBitmap());
}

// A view left at one size lets the fine picture go; the next size loads it
// again and resamples just as the first time did.
TEST(MapPictures, TheFinePictureLetGoIsLoadedAgainForTheNextSize) {
    for (MapPictures::Source source : {MapPictures::Source::Relief, MapPictures::Source::Outline}) {
        MapPictures kept, released;
        kept.PrepareBaseMap(source, QSize(1200, 600));
        released.PrepareBaseMap(source, QSize(1200, 600));
        ASSERT_TRUE(released.holdsFinePicture());
        released.releaseFinePicture();
        EXPECT_FALSE(released.holdsFinePicture());
        released.Rebuild(QSize(1200, 600));  // same size: the lit map serves
        EXPECT_FALSE(released.holdsFinePicture());
        kept.Rebuild(QSize(1000, 500));
        released.Rebuild(QSize(1000, 500));
        EXPECT_TRUE(released.holdsFinePicture());
        EXPECT_EQ(released.litMap(), kept.litMap());
    }
}

// A window must not wait for the fine picture: the classic one stretched
// stands in at once, and once the fine picture loaded aside is handed over
// the lit map is what a plain rebuild makes. Sizes the fine picture is not
// needed for, or already held, are built as ever.
TEST(MapPictures, AStandInServesUntilTheFinePictureLoadedAsideComes) {
    for (MapPictures::Source source : {MapPictures::Source::Relief, MapPictures::Source::Outline}) {
        SCOPED_TRACE(source == MapPictures::Source::Relief ? "relief" : "outline");
        const QSize size(1000, 500);
        MapPictures plain, quick;
        plain.PrepareBaseMap(source, size);
        EXPECT_TRUE(quick.PrepareBaseMapQuick(source, size));
        EXPECT_TRUE(quick.litIsStandIn());
        EXPECT_FALSE(quick.holdsFinePicture());
        EXPECT_EQ(quick.size(), size);
        EXPECT_EQ(quick.picture(), quick.litMap());
        // Most of the stand-in agrees with the fine map: the same world.
        int near = 0, all = 0;
        for (int y = 5; y < size.height(); y += 10)
            for (int x = 5; x < size.width(); x += 10, ++all) {
                const QColor a = plain.litMap().pixelColor(x, y), b = quick.litMap().pixelColor(x, y);
                near += std::abs(a.red() - b.red()) + std::abs(a.green() - b.green()) + std::abs(a.blue() - b.blue()) < 120;
            }
        EXPECT_GT(near, all * 8 / 10);

        EXPECT_TRUE(quick.RebuildQuick(size));  // still waiting: no second stretch
        EXPECT_EQ(quick.resampleCount(), 1);
        quick.adoptFinePicture(source == MapPictures::Source::Relief ? MapPictures::Source::Outline
                                                                     : MapPictures::Source::Relief,
                               MapPictures::LoadFinePicture(source == MapPictures::Source::Relief
                                                                ? MapPictures::Source::Outline
                                                                : MapPictures::Source::Relief));
        EXPECT_FALSE(quick.holdsFinePicture());  // another source's picture is no use
        quick.adoptFinePicture(source, MapPictures::LoadFinePicture(source));
        ASSERT_TRUE(quick.holdsFinePicture());
        EXPECT_FALSE(quick.RebuildQuick(size));
        EXPECT_FALSE(quick.litIsStandIn());
        EXPECT_EQ(quick.litMap(), plain.litMap());
        EXPECT_FALSE(quick.RebuildQuick(QSize(1200, 600)));  // held: resampled at once
        EXPECT_FALSE(quick.RebuildQuick(kEarthSize));        // the classic size needs no fine picture
        EXPECT_EQ(quick.litMap(), source == MapPictures::Source::Relief ? LoadEarthBitmap() : DrawOutlineMap(kEarthSize));
    }
}

TEST(MapPictures, SolsticeNoonShadesTheSouthAndMidnightSide) {
    MapPictures pictures;
    pictures.PrepareBaseMap(MapPictures::Source::Relief, kEarthSize);
    GreyLine line;
    const UtcMoment t = daysFromCivil(2026, 6, 21) * 86400 + 12 * 3600;
    line.InitTerminatorState(480, 240, t, false);
    EXPECT_EQ(pictures.picture(), pictures.litMap());  // unshaded until the first tick draws
    ASSERT_TRUE(line.Recompute(t, false));
    pictures.Render(line.mask(), 4);
    const QImage& shown = pictures.picture();
    const QImage& lit = pictures.litMap();
    for (int x = 0; x < 480; ++x) EXPECT_EQ(shown.pixel(x, 5), lit.pixel(x, 5)) << x;    // midnight sun
    EXPECT_NE(shown.pixel(11, 235), lit.pixel(11, 235));                                 // polar night
    EXPECT_EQ(shown.pixel(240, 120), lit.pixel(240, 120));                               // noon at Greenwich
    EXPECT_EQ(shown.pixel(1, 120), 0xFF000000u);                                         // midnight, Level 5 even
}

// The command line composes its one picture over the lit map itself: the
// same picture as the map view's, for both sources and both views.
TEST(MapPictures, APictureDrawnOnceEqualsTheViewsPicture) {
    const UtcMoment t = daysFromCivil(2026, 3, 20) * 86400 + 7 * 3600 + 1234;
    for (MapPictures::Source source : {MapPictures::Source::Relief, MapPictures::Source::Outline})
        for (QSize size : {kEarthSize, QSize(1000, 500)})
            for (bool twilight : {false, true}) {
                SCOPED_TRACE(testing::Message() << (source == MapPictures::Source::Relief ? "relief " : "outline ")
                                                << size.width() << (twilight ? " twilight" : " classic"));
                GreyLine line;
                line.InitTerminatorState(size.width(), size.height(), t, false);
                line.Recompute(t, true);
                MapPictures view, once;
                view.PrepareBaseMap(source, size);
                once.PrepareBaseMap(source, size);
                if (twilight) {
                    view.RenderTwilight(line.twilight(), line.state().NoonColumn, 2);
                    once.RenderTwilightOnce(line.twilight(), line.state().NoonColumn, 2);
                } else {
                    view.Render(line.mask(), 3);
                    once.RenderOnce(line.mask(), 3);
                }
                EXPECT_EQ(once.picture(), view.picture());
                EXPECT_TRUE(once.baseMap().isNull());
                once.Rebuild(size);  // the lit map comes back for another picture
                EXPECT_EQ(once.litMap(), view.litMap());
            }
}

TEST(MapPictures, OutlineNightTakesThePatternColours) {
    MapPictures pictures;
    pictures.PrepareBaseMap(MapPictures::Source::Outline, kEarthSize);
    IlluminationMask night(480, 240);
    pictures.Render(night, 0);
    // White paper becomes the Level 1 checkerboard, black coast stays black.
    EXPECT_EQ(pictures.picture().pixel(0, 120), qRgb(0x80, 0x80, 0x80));
    EXPECT_EQ(pictures.picture().pixel(1, 120), qRgb(0xFF, 0xFF, 0xFF));
}

namespace {

// FNV-1a over the picture's visible pixels, row by row.
std::uint64_t pictureChecksum(const QImage& picture) {
    std::uint64_t h = 14695981039346656037ull;
    for (int y = 0; y < picture.height(); ++y) {
        const auto* row = reinterpret_cast<const std::uint32_t*>(picture.constScanLine(y));
        for (int x = 0; x < picture.width(); ++x) {
            const std::uint32_t p = row[x] & 0xFFFFFFu;
            for (int b = 0; b < 3; ++b) h = (h ^ ((p >> (8 * b)) & 0xFFu)) * 1099511628211ull;
        }
    }
    return h;
}

}  // namespace

// The classic 480 x 240 picture of a fixed moment, in both sources and with
// the classic single terminator, pixel for pixel as it has always been drawn
// (the checksums were taken before the large-map and twilight work).
TEST(MapPictures, ClassicSizePixelsAreUnchanged) {
    const UtcMoment moment = daysFromCivil(2026, 3, 20) * 86400 + 9 * 3600 + 17 * 60;
    struct Case {
        const char* name;
        MapPictures::Source source;
        int level;
        std::uint64_t checksum;
    };
    const Case cases[] = {
        {"Relief_Level3", MapPictures::Source::Relief, 2, 10737011518403517311ull},
        {"Relief_Level5", MapPictures::Source::Relief, 4, 5008887090808833855ull},
        {"Outline_Level2", MapPictures::Source::Outline, 1, 2492927757095469904ull},
    };
    for (const Case& c : cases) {
        MapPictures pictures;
        pictures.PrepareBaseMap(c.source, kEarthSize);
        GreyLine line;
        line.InitTerminatorState(480, 240, moment, false);
        line.Recompute(moment, true);
        pictures.Render(line.mask(), c.level);
        EXPECT_EQ(pictureChecksum(pictures.picture()), c.checksum) << c.name;
    }
}
