// The map verbs of orvane-cli, run as a process.
#include <gtest/gtest.h>

#include <QImage>
#include <QRegularExpression>

#include "support/CliRun.h"
#include "support/TempDir.h"

namespace {

CliRun cli(const QStringList& args) { return runProgram(QStringLiteral(ORVANE_CLI), args); }

}  // namespace

TEST(MapCli, SunPrintsTheJ2000Values) {
    const CliRun r = cli({"sun", "--at", "2000-01-01T12:00:00Z"});
    ASSERT_EQ(r.exitCode, 0) << r.err.toStdString();
    static const QRegularExpression re(
        QStringLiteral("^jd=(\\S+) ra=(\\S+) dec=(\\S+) gst=(\\S+) column480=(\\d+)\\n$"));
    const auto m = re.match(r.out);
    ASSERT_TRUE(m.hasMatch()) << r.out.toStdString();
    EXPECT_DOUBLE_EQ(m.captured(1).toDouble(), 2451545.0);
    EXPECT_NEAR(m.captured(2).toDouble(), 281.292, 1e-3);
    EXPECT_NEAR(m.captured(3).toDouble(), -23.033, 1e-3);
    EXPECT_NEAR(m.captured(4).toDouble(), 18.6974, 1e-4);
    EXPECT_GE(m.captured(3).remove(QLatin1Char('-')).remove(QLatin1Char('.')).length(), 9);  // significant digits
}

TEST(MapCli, WidthsPrintsOneEntryPerRow) {
    const CliRun r = cli({"widths", "--size", "480x240", "--dec", "-0.042"});
    ASSERT_EQ(r.exitCode, 0) << r.err.toStdString();
    const QStringList entries = r.out.trimmed().split(QLatin1Char(' '));
    ASSERT_EQ(entries.size(), 240);
    EXPECT_EQ(entries.mid(0, 3), (QStringList{"1", "59", "118"}));
    EXPECT_EQ(entries.mid(238), (QStringList{"240", "240"}));
}

TEST(MapCli, GreylineWritesThePictureOfTheSizeAsked) {
    TempDir dir;
    const QString file = dir.path() + QStringLiteral("/map.png");
    const CliRun r = cli({"greyline", "--at", "2026-06-21T12:00:00Z", "--size", "640x320", "--level", "5", "-o", file});
    ASSERT_EQ(r.exitCode, 0) << r.err.toStdString();
    const QImage image(file);
    ASSERT_EQ(image.size(), QSize(640, 320));
    EXPECT_EQ(image.pixel(0, 160) & 0xFFFFFFu, 0u);  // midnight meridian, Level 5, even pixel
}

// With --twilight a large map goes from day through three graded shades to
// night: on the equator at the equinox each band is 6 degrees of longitude.
TEST(MapCli, GreylineTwilightGradesTheShadeAtLargeSize) {
    TempDir dir;
    const QString plain = dir.path() + QStringLiteral("/plain.png");
    const QString graded = dir.path() + QStringLiteral("/graded.png");
    const QStringList common{"greyline", "--at", "2026-03-20T12:00:00Z", "--size", "1920x960", "--level", "2"};
    ASSERT_EQ(cli(QStringList(common) << "-o" << plain).exitCode, 0);
    const CliRun r = cli(QStringList(common) << "--twilight" << "-o" << graded);
    ASSERT_EQ(r.exitCode, 0) << r.err.toStdString();
    const QImage a(plain), b(graded);
    ASSERT_EQ(b.size(), QSize(1920, 960));
    // Level 2 makes every even pixel of the night black; the twilight bands
    // are not black there. Along the row beside the equator the graded map
    // has 2 x 3 bands of 32 pixels more that are not black: 96 even ones.
    const int y = 480;
    const auto notBlack = [y](const QImage& image) {
        int n = 0;
        for (int x = y & 1; x < image.width(); x += 2) n += (image.pixel(x, y) & 0xFFFFFFu) != 0;
        return n;
    };
    EXPECT_NEAR(notBlack(b) - notBlack(a), 96, 4);
    const int noon = 960;  // the sub-solar point lies within a few columns of it
    EXPECT_EQ(b.pixel(noon, y), a.pixel(noon, y));
}

TEST(MapCli, TheFirstAndLastSecondsOfTheYearsOneTo9999AreTaken) {
    for (const char* at : {"@-62135596800", "@253402300799"}) EXPECT_EQ(cli({"sun", "--at", at}).exitCode, 0) << at;
}

TEST(MapCli, BadArgumentsAreRefused) {
    const QStringList cases[] = {
        {"widths", "--size", "480x", "--dec", "1"},  {"widths", "--size", "99999x2", "--dec", "1"},
        {"widths", "--size", "480x240"},             {"widths", "--size", "480x240", "--dec", "95"},
        {"greyline", "--level", "6", "-o", "x.png"}, {"greyline", "--size", "480x240"},
        {"sun", "--at", "2026-02-30T00:00:00Z"},     {"sun", "--bogus"},
        // Outside the years 1 to 9999: refused before any arithmetic can overflow.
        {"sun", "--at", "@10000000000000"},          {"sun", "--at", "@-9223372036854775808"},
        {"sun", "--at", "@253402300800"},            {"greyline", "--at", "@10000000000000", "-o", "x.png"},
        {"greyline", "--at", "@-62135596801", "-o", "x.png"},
        {"report-age", "--now", "@9223372036854775807", "x"},
    };
    for (const QStringList& args : cases) EXPECT_EQ(cli(args).exitCode, 2) << args.join(' ').toStdString();
}
