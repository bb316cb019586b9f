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

TEST(MapCli, BadArgumentsAreRefused) {
    const QStringList cases[] = {
        {"widths", "--size", "480x", "--dec", "1"},  {"widths", "--size", "99999x2", "--dec", "1"},
        {"widths", "--size", "480x240"},             {"widths", "--size", "480x240", "--dec", "95"},
        {"greyline", "--level", "6", "-o", "x.png"}, {"greyline", "--size", "480x240"},
        {"sun", "--at", "2026-02-30T00:00:00Z"},     {"sun", "--bogus"},
    };
    for (const QStringList& args : cases) EXPECT_EQ(cli(args).exitCode, 2) << args.join(' ').toStdString();
}
