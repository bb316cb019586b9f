// Graded twilight: the edges of civil, nautical and astronomical twilight
// per map row, and the picture composed from them.
#include <gtest/gtest.h>

#include <QImage>
#include <algorithm>
#include <array>
#include <cmath>
#include <cstdio>
#include <vector>

#include "common/TimeTypes.h"
#include "map/MapPictures.h"
#include "map/Terminator.h"
#include "map/Twilight.h"

using namespace orvane;
using namespace orvane::map;

namespace {

// Pixels of each shade along one row.
std::array<int, kTwilightNight + 1> bandCounts(const TwilightTables& t, int row, int noon) {
    std::array<int, kTwilightNight + 1> counts{};
    for (int x = 0; x < t.width; ++x) ++counts[static_cast<std::size_t>(t.bandAt(row, x, noon))];
    return counts;
}

}  // namespace

// On the equator at an equinox the sun sets straight down: every 6 degrees
// of depression is 6 degrees of longitude, so each twilight band is 6
// degrees wide on both sides and the day half the world. W/60 pixels, +-1.
// The 2026 March equinox moment (12 h UT, declination -0.042 degrees) holds
// to the same tolerance.
TEST(Twilight, EquatorBandsAtTheEquinoxAreSixDegreesWide) {
    struct Case {
        const char* name;
        int width;
        double decDeg;
    };
    const double march2026 = SunAt(daysFromCivil(2026, 3, 20) * 86400 + 12 * 3600).declination;
    const Case cases[] = {
        {"Classic_Dec0", 480, 0.0},    {"Large_Dec0", 1920, 0.0},   {"Odd_Dec0", 1001, 0.0},
        {"Classic_March2026", 480, march2026}, {"Large_March2026", 1920, march2026},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        TwilightTables t;
        ProjectTwilight(t, c.width, c.width / 2, c.decDeg);
        const double bandPx = c.width * 6.0 / 360.0;
        for (int row : {c.width / 4 - 1, c.width / 4}) {  // the two rows beside the equator
            for (int noon : {0, c.width / 3, c.width - 1}) {  // also spans across the date line
                const auto n = bandCounts(t, row, noon);
                EXPECT_NEAR(n[0], c.width / 2.0, 2.0) << row << " noon " << noon;
                for (int band = 1; band <= 3; ++band)
                    EXPECT_NEAR(n[static_cast<std::size_t>(band)], 2 * bandPx, 2.0) << "band " << band;  // both sides
            }
            for (int e = 1; e < kTwilightEdges; ++e) {
                const auto& hw = t.halfWidth;
                EXPECT_NEAR(hw[static_cast<std::size_t>(e)][static_cast<std::size_t>(row)] -
                                hw[static_cast<std::size_t>(e) - 1][static_cast<std::size_t>(row)],
                            bandPx, 1.0)
                    << "edge " << e;
            }
        }
    }
}

// At the June solstice the Arctic has the midnight sun and the Antarctic
// polar night; between them, rows where the sun never rises but twilight
// comes at noon. Mirror image in December.
TEST(Twilight, PolarDayNightAndNoonTwilight) {
    const int w = 1440, h = 720;  // four pixels a degree
    for (double dec : {23.44, -23.44}) {
        SCOPED_TRACE(dec);
        TwilightTables t;
        ProjectTwilight(t, w, h, dec);
        const auto rowAt = [&](double lat) { return static_cast<int>((90.0 - (dec > 0 ? lat : -lat)) * h / 180.0); };
        const auto edge = [&](int e, int row) { return t.halfWidth[static_cast<std::size_t>(e)][static_cast<std::size_t>(row)]; };
        // Towards the sun's pole: day all round above the arctic circle.
        for (double lat : {89.9, 80.0, 70.0}) EXPECT_EQ(edge(0, rowAt(lat)), w / 2) << lat;
        // Away from it, beyond 84.56: more than 18 degrees below even at
        // noon, night all round.
        for (double lat : {-89.9, -86.0}) {
            for (int e = 0; e < kTwilightEdges; ++e) EXPECT_EQ(edge(e, rowAt(lat)), -1) << lat << " edge " << e;
            EXPECT_EQ(t.bandAt(rowAt(lat), w / 2, w / 2), kTwilightNight);
        }
        // At 70 on the dark side the noon sun stands 3.44 below the horizon:
        // civil twilight at noon, night at midnight.
        const int r70 = rowAt(-70.0);
        EXPECT_EQ(edge(0, r70), -1);
        EXPECT_GT(edge(1, r70), 0);
        EXPECT_LT(edge(3, r70), w / 2);
        EXPECT_EQ(t.bandAt(r70, 100, 100), 1);
        EXPECT_EQ(t.bandAt(r70, 100 + w / 2, 100), kTwilightNight);
        // At 60 on the sunny side the sun dips 6.56 at midnight: nautical
        // twilight at midnight, never night.
        const int r60 = rowAt(60.0);
        EXPECT_EQ(t.bandAt(r60, 100 + w / 2, 100), 2);
        EXPECT_EQ(edge(2, r60), w / 2);
        // The edges are nested on every row.
        for (int r = 0; r < h; ++r)
            for (int e = 1; e < kTwilightEdges; ++e) ASSERT_LE(edge(e - 1, r), edge(e, r)) << r;
    }
}

// The composed picture shows each pixel in the shade its row's edges give
// it: day as lit, night as the pattern AND at half brightness, twilight blended a
// quarter, half and three quarters of the way, across the date line too.
TEST(Twilight, RenderShadesEveryPixelByItsBand) {
    for (const int w : {720, 721}) {  // an odd width has a column opposite noon
        SCOPED_TRACE(w);
        const int h = 360;
        QImage lit(w, h, QImage::Format_RGB32);
        for (int y = 0; y < h; ++y)
            for (int x = 0; x < w; ++x) lit.setPixel(x, y, qRgb((x * 7) & 0xFF, (y * 5) & 0xFF, 200));
        TwilightTables t;
        ProjectTwilight(t, w, h, 17.5);
        for (int noon : {5, 360, w - 6}) {
            for (int level : {0, 4}) {
                QImage out;
                RenderTwilightMap(lit, t, noon, level, out);
                const QImage brush = ShadeBrush(level);
                for (int y = 0; y < h; y += 3)
                    for (int x = 0; x < w; ++x) {
                        const int band = t.bandAt(y, x, noon);
                        const QRgb in = lit.pixel(x, y);
                        const QRgb dark = TwilightNightPixel(in, brush.pixel(x & 7, y & 7));
                        const auto mix = [&](int a, int b) { return (a * (4 - band) + b * band) >> 2; };
                        const QRgb expected = qRgb(mix(qRed(in), qRed(dark)), mix(qGreen(in), qGreen(dark)),
                                                   mix(qBlue(in), qBlue(dark)));
                        ASSERT_EQ(out.pixel(x, y), expected) << x << "," << y << " band " << band << " noon " << noon;
                    }
            }
        }
    }
}

namespace {

double luminance(QRgb p) { return 0.2126 * qRed(p) + 0.7152 * qGreen(p) + 0.0722 * qBlue(p); }

double median(std::vector<double> v) {
    if (v.empty()) return 0.0;
    std::nth_element(v.begin(), v.begin() + static_cast<std::ptrdiff_t>(v.size() / 2), v.end());
    return v[v.size() / 2];
}

// Per band, the median luminance of the land pixels in that band over the
// median luminance of the same pixels in daylight. Land is every relief
// pixel that is not ocean blue.
std::array<double, kTwilightNight + 1> landRatios(int level, UtcMoment at, int w, int h) {
    MapPictures pictures;
    pictures.PrepareBaseMap(MapPictures::Source::Relief, QSize(w, h));
    GreyLine line;
    line.InitTerminatorState(w, h, at, false);
    line.Recompute(at, true);
    pictures.RenderTwilight(line.twilight(), line.state().NoonColumn, level);
    const QImage& lit = pictures.litMap();
    const QImage& shaded = pictures.picture();
    std::array<std::vector<double>, kTwilightNight + 1> day, shown;
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x) {
            const QRgb p = lit.pixel(x, y);
            if (qBlue(p) > qRed(p) && qBlue(p) > qGreen(p)) continue;  // ocean
            const auto band = static_cast<std::size_t>(line.twilight().bandAt(y, x, line.state().NoonColumn));
            day[band].push_back(luminance(p));
            shown[band].push_back(luminance(shaded.pixel(x, y)));
        }
    std::array<double, kTwilightNight + 1> ratios{};
    for (std::size_t b = 0; b < ratios.size(); ++b) {
        EXPECT_GT(day[b].size(), 50u) << "land pixels in band " << b;
        ratios[b] = median(shown[b]) / std::max(median(day[b]), 1.0);
    }
    return ratios;
}

}  // namespace

// The line must show across the continents, not only over the dark ocean:
// at the 2026 March equinox, 12:00 UTC, on a 960 x 480 map at the default
// darkness, night land is at most 0.45 of its daylight luminance and every
// twilight band a visible step (0.08) darker than the one before. Every
// level darkens band by band, and the levels keep their patterns' order.
TEST(Twilight, NightOverLandIsClearlyDarkerThanDay) {
    const UtcMoment equinox = daysFromCivil(2026, 3, 20) * 86400 + 12 * 3600;
    std::array<double, kShadeLevels> night{};
    for (int level = 0; level < kShadeLevels; ++level) {
        SCOPED_TRACE(level);
        const auto r = landRatios(level, equinox, 960, 480);
        std::printf("level %d: day %.2f civil %.2f nautical %.2f astronomical %.2f night %.2f\n", level + 1, r[0],
                    r[1], r[2], r[3], r[4]);
        EXPECT_NEAR(r[0], 1.0, 1e-9);
        // The goal holds at the default level; every level darkens band by band.
        const double step = level == kDefaultNightShade ? 0.08 : 0.0;
        if (level == kDefaultNightShade) {
            EXPECT_LE(r[kTwilightNight], 0.45);
        }
        for (std::size_t b = 1; b < r.size(); ++b) EXPECT_LT(r[b], r[b - 1] - step) << "band " << b;
        night[static_cast<std::size_t>(level)] = r[kTwilightNight];
    }
    // The classic patterns' own order: Level 2 (black and white) is darker
    // on average than Level 3; keep whatever order the patterns give.
    std::array<double, kShadeLevels> classic{};
    for (int level = 0; level < kShadeLevels; ++level) {
        const QImage b = ShadeBrush(level);
        double sum = 0;
        for (int y = 0; y < 8; ++y)
            for (int x = 0; x < 8; ++x) sum += luminance(b.pixel(x, y));
        classic[static_cast<std::size_t>(level)] = sum;
    }
    for (int a = 0; a < kShadeLevels; ++a)
        for (int b = 0; b < kShadeLevels; ++b)
            if (classic[static_cast<std::size_t>(a)] < classic[static_cast<std::size_t>(b)]) {
                EXPECT_LT(night[static_cast<std::size_t>(a)], night[static_cast<std::size_t>(b)]) << a << " vs " << b;
            }
}
