// orvane-cli cw as a user runs it.
#include <gtest/gtest.h>

#include <QFile>
#include <QProcess>

#include "support/CliRun.h"
#include "support/TempDir.h"

namespace {

CliRun cli(const QStringList& args) {
    return runProgram(QStringLiteral(ORVANE_CLI), QStringList{QStringLiteral("cw")} + args);
}

TEST(CwVerb, EventsListTheTimelineInMillisecondsAndHexBytes) {
    const CliRun r = cli({"--beacon", "1", "--events"});
    ASSERT_EQ(r.exitCode, 0) << r.err.toStdString();
    const QStringList lines = r.out.trimmed().split(QLatin1Char('\n'));
    EXPECT_EQ(lines.value(0), "0\tC0 4F 00");
    EXPECT_EQ(lines.value(1), "0\tB0 7B 00");
    EXPECT_EQ(lines.value(2), "144\t90 4A 7F");
    EXPECT_EQ(lines.last(), "7584\t80 4A 00");  // 158 units of 48 ms
}

TEST(CwVerb, OptionsOutsideTheControlsRangesAreRefused) {
    EXPECT_EQ(cli({"--beacon", "1", "--speed", "20"}).exitCode, 2);
    EXPECT_EQ(cli({"--beacon", "1", "--volume", "128"}).exitCode, 2);
    EXPECT_EQ(cli({"--speed", "48"}).exitCode, 2);
    EXPECT_EQ(cli({"--beacon", "x"}).exitCode, 2);
}

TEST(CwVerb, RendersAWaveFileWithoutAnAudioDevice) {
    if (!QFile::exists(QStringLiteral("/usr/share/sounds/sf2/FluidR3_GM.sf2"))) GTEST_SKIP() << "no soundfont";
    TempDir dir;
    const CliRun r = cli({"--beacon", "13", "--speed", "27", "-o", dir.file("b.wav")});
    ASSERT_EQ(r.exitCode, 0) << r.err.toStdString();
    const QByteArray wav = TempDir::readAll(dir.file("b.wav"));
    ASSERT_GT(wav.size(), 44);
    EXPECT_EQ(wav.left(4), "RIFF");
    // 154 units of 27 ms plus half a second of release, 16-bit stereo at 44.1 kHz.
    const qsizetype frames = (wav.size() - 44) / 4;
    EXPECT_NEAR(static_cast<double>(frames), (154 * 0.027 + 0.5) * 44100, 2.0);
}

}  // namespace
