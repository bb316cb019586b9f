// orvane-cli listen as a user runs it, on WAV files made here.
#include <gtest/gtest.h>

#include <algorithm>

#include "KeyedTone.h"
#include "WavTestFile.h"
#include "support/CliRun.h"
#include "support/TempDir.h"

namespace {

constexpr int kRate = 12000;

CliRun cli(const QStringList& args) {
    return runProgram(QStringLiteral(ORVANE_CLI), QStringList{QStringLiteral("listen")} + args);
}

// 36 s from 12:00:05 UTC (a cycle starts at 12:00:00): whole slots at :10
// (VE8AT on 14.10 MHz, keyed on time), :20 (W6WX, silent) and :30 (KH6WO,
// keyed 150 ms late and 100 Hz high).
std::vector<float> recording() {
    KeyedTone noise;
    noise.present = false;
    std::vector<float> audio = noise.render(kRate, 36'000, 1);
    KeyedTone ve8at;
    ve8at.call = "VE8AT";
    ve8at.dashSnrDb = {10, 0, -10, -20};
    KeyedTone kh6wo;
    kh6wo.call = "KH6WO";
    kh6wo.startMs = 150;
    kh6wo.toneHz = 800;
    kh6wo.dashSnrDb = {-5, -15, -25, -35};
    const auto a = ve8at.render(kRate, 10'000, 2), b = kh6wo.render(kRate, 10'000, 3);
    std::copy(a.begin(), a.end(), audio.begin() + 5 * kRate);
    std::copy(b.begin(), b.end(), audio.begin() + 25 * kRate);
    return audio;
}

QStringList fields(const QString& line) { return line.split(QLatin1Char('\t')); }

TEST(ListenVerb, PrintsOneLinePerWholeSlotOnTheBand) {
    TempDir dir;
    const QString file = dir.file(QStringLiteral("rx.wav"));
    TempDir::write(file, WavBytes{}.make(recording()));
    const CliRun r = cli({"-i", file, "--start", "2026-12-10T12:00:05Z", "--band", "14.1"});
    ASSERT_EQ(r.exitCode, 0) << r.err.toStdString();
    const QStringList lines = r.out.trimmed().split(QLatin1Char('\n'));
    ASSERT_EQ(lines.size(), 3) << r.out.toStdString();

    const QStringList first = fields(lines[0]);
    ASSERT_EQ(first.size(), 11);
    EXPECT_EQ(first.mid(0, 5).join(' '), "2026-12-10T12:00:10Z 14.10 2 VE8AT 1");
    for (int d = 0; d < 3; ++d) EXPECT_NEAR(first[5 + d].toDouble(), 10 - 10 * d, 2.0) << d;
    EXPECT_NEAR(first[9].toDouble(), 0, 3);
    EXPECT_NEAR(first[10].toDouble(), 0, 30);

    EXPECT_EQ(lines[1], "2026-12-10T12:00:20Z\t14.10\t3\tW6WX\t0\t-\t-\t-\t-\t0.0\t0");

    const QStringList third = fields(lines[2]);
    EXPECT_EQ(third.mid(0, 5).join(' '), "2026-12-10T12:00:30Z 14.10 4 KH6WO 1");
    EXPECT_NEAR(third[5].toDouble(), -5, 2.0);
    EXPECT_NEAR(third[6].toDouble(), -15, 2.0);
    EXPECT_EQ(third[8], "-");  // 0.1 W at -35 dB
    EXPECT_NEAR(third[9].toDouble(), 100, 3);
    EXPECT_NEAR(third[10].toDouble(), 150, 30);
}

TEST(ListenVerb, FollowingABeaconListensOnItsBandEachSlot) {
    TempDir dir;
    const QString file = dir.file(QStringLiteral("rx.wav"));
    TempDir::write(file, WavBytes{.channels = 2, .isFloat = true}.make(recording()));
    const CliRun r = cli({"-i", file, "--start", "2026-12-10T12:00:05Z", "--follow", "ve8at"});
    ASSERT_EQ(r.exitCode, 0) << r.err.toStdString();
    const QStringList lines = r.out.trimmed().split(QLatin1Char('\n'));
    ASSERT_EQ(lines.size(), 3);
    EXPECT_EQ(fields(lines[0]).mid(1, 4).join(' '), "14.10 2 VE8AT 1");
    EXPECT_EQ(fields(lines[1]).mid(1, 4).join(' '), "18.11 2 VE8AT 0");
    EXPECT_EQ(fields(lines[2]).mid(1, 4).join(' '), "21.15 2 VE8AT 0");
}

TEST(ListenVerb, AnUnreadableFileExitsOneWithTheReason) {
    TempDir dir;
    const QString file = dir.file(QStringLiteral("cut.wav"));
    QByteArray bytes = WavBytes{}.make(std::vector<float>(20'000, 0.0f));
    bytes.chop(1000);
    TempDir::write(file, bytes);
    const CliRun truncated = cli({"-i", file, "--start", "2026-12-10T12:00:00Z"});
    EXPECT_EQ(truncated.exitCode, 1);
    EXPECT_TRUE(truncated.err.contains("truncated")) << truncated.err.toStdString();
    EXPECT_TRUE(truncated.out.isEmpty());
    const CliRun missing = cli({"-i", dir.file(QStringLiteral("none.wav")), "--start", "@0"});
    EXPECT_EQ(missing.exitCode, 1);
    EXPECT_TRUE(missing.err.contains("no such file")) << missing.err.toStdString();
}

TEST(ListenVerb, BadArgumentsExitTwo) {
    const QStringList bad[] = {
        {},
        {"-i", "x.wav"},
        {"--start", "@0"},
        {"-i", "x.wav", "--start", "yesterday"},
        {"-i", "x.wav", "--start", "@0", "--band", "7.0"},
        {"-i", "x.wav", "--start", "@0", "--band", "14.10", "--follow", "W6WX"},
        {"-i", "x.wav", "--start", "@0", "--follow", "NOCALL"},
        {"-i", "x.wav", "--start", "@0", "--pitch", "200"},
        {"-i", "x.wav", "--start", "@0", "--pitch", "loud"},
        {"-i", "x.wav", "--start", "@0", "--bogus"},
    };
    for (const QStringList& args : bad) EXPECT_EQ(cli(args).exitCode, 2) << args.join(' ').toStdString();
}

TEST(ListenVerb, HelpNamesTheVerb) {
    const CliRun r = runProgram(QStringLiteral(ORVANE_CLI), {"listen", "--help"});
    EXPECT_EQ(r.exitCode, 0);
    EXPECT_TRUE(r.out.contains("listen -i FILE.wav --start TIME")) << r.out.toStdString();
}

}  // namespace
