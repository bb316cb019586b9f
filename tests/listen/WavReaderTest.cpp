#include <gtest/gtest.h>

#include <cmath>
#include <vector>

#include "WavTestFile.h"
#include "common/OrvaneError.h"
#include "listen/WavReader.h"
#include "support/ErrorOf.h"

using orvane::listen::WavReader;

namespace {

std::vector<float> ramp(std::size_t n) {
    std::vector<float> v(n);
    for (std::size_t i = 0; i < n; ++i) v[i] = static_cast<float>(std::sin(static_cast<double>(i) * 0.01) * 0.5);
    return v;
}

struct Read {
    std::vector<float> samples;
    std::vector<std::int64_t> stamps;
    int rate = 0;
};

Read readAll(WavReader& reader) {
    Read r;
    reader.setBlockHandler([&](std::int64_t stamp, int rate, std::span<const float> s) {
        r.stamps.push_back(stamp);
        r.rate = rate;
        r.samples.insert(r.samples.end(), s.begin(), s.end());
    });
    reader.start();
    return r;
}

struct GoodCase {
    const char* name;
    WavBytes format;
};

class WavReaderGood : public testing::TestWithParam<GoodCase> {};

TEST_P(WavReaderGood, DeliversTheSamplesStampedFromTheStart) {
    TempDir dir;
    const auto file = dir.file(QStringLiteral("a.wav"));
    const std::vector<float> x = ramp(10'000);
    TempDir::write(file, GetParam().format.make(x));
    WavReader reader(file, 1'000'000);
    reader.open();
    EXPECT_EQ(reader.format().frames, 10'000);
    const Read r = readAll(reader);
    ASSERT_EQ(r.samples.size(), x.size());
    EXPECT_EQ(r.rate, GetParam().format.sampleRate);
    for (std::size_t i = 0; i < x.size(); i += 97) EXPECT_NEAR(r.samples[i], x[i], 1e-4);
    ASSERT_GE(r.stamps.size(), 3u);  // streamed in blocks
    EXPECT_EQ(r.stamps[0], 1'000'000);
    EXPECT_EQ(r.stamps[1], 1'000'000 + WavReader::kBlockFrames * 1000 / GetParam().format.sampleRate);
}

const GoodCase kGood[] = {
    {"Mono16At12k", {}},
    {"Stereo16At8k", {.channels = 2, .sampleRate = 8000}},
    {"MonoFloatAt48k", {.sampleRate = 48000, .isFloat = true}},
    {"StereoFloatAt44100", {.channels = 2, .sampleRate = 44100, .isFloat = true}},
};
INSTANTIATE_TEST_SUITE_P(Listen, WavReaderGood, testing::ValuesIn(kGood),
                         [](const auto& row) { return std::string(row.param.name); });

struct BadCase {
    const char* name;
    QByteArray bytes;
    const char* reason;
};

TEST(WavReaderBad, RefusesWithAClearReason) {
    const std::vector<float> x = ramp(1000);
    QByteArray truncated = WavBytes{}.make(x);
    truncated.chop(100);
    const BadCase cases[] = {
        {"Empty", {}, "not a WAV file"},
        {"NotRiff", QByteArray("hello, this is no wave at all"), "not a WAV file"},
        {"Truncated", truncated, "truncated"},
        {"HeaderOnly", WavBytes{}.make(x).left(30), "truncated"},
        {"Bits24", WavBytes{.bitsPerSample = 24}.make(x), "unsupported sample format"},
        {"Alaw", WavBytes{.formatTag = 6}.make(x), "unsupported sample format"},
        {"ThreeChannels", WavBytes{.channels = 3}.make(x), "3 channels"},
        {"Rate96k", WavBytes{.sampleRate = 96000}.make(x), "sample rate 96000 Hz"},
        {"Rate4k", WavBytes{.sampleRate = 4000}.make(x), "sample rate 4000 Hz"},
        {"HugeDeclaredData", WavBytes{.declaredDataBytes = 0xFFFFFFF0}.make(x), "truncated"},
    };
    TempDir dir;
    for (const auto& c : cases) {
        const auto file = dir.file(QString::fromLatin1(c.name) + QStringLiteral(".wav"));
        TempDir::write(file, c.bytes);
        WavReader reader(file, 0);
        const std::string error = errorOf<orvane::OrvaneError>([&] { reader.open(); });
        EXPECT_NE(error.find(c.reason), std::string::npos) << c.name << ": " << error;
        EXPECT_NE(error.find(c.name), std::string::npos) << c.name << ": the file is named";
    }
}

TEST(WavReaderBad, MissingFileAndFolderAreNamed) {
    TempDir dir;
    WavReader missing(dir.file(QStringLiteral("none.wav")), 0);
    EXPECT_NE(errorOf<orvane::OrvaneError>([&] { missing.open(); }).find("no such file"), std::string::npos);
    WavReader folder(dir.path(), 0);
    EXPECT_NE(errorOf<orvane::OrvaneError>([&] { folder.open(); }).find("not a regular file"), std::string::npos);
}

TEST(WavReaderBad, AFileCutWhileReadingIsReportedNotPassedOver) {
    TempDir dir;
    const auto file = dir.file(QStringLiteral("shrinking.wav"));
    TempDir::write(file, WavBytes{}.make(ramp(20'000)));
    WavReader reader(file, 0);
    reader.open();
    QFile(file).resize(30'000);  // another program cuts it after the header was read
    QString failure;
    reader.setErrorHandler([&](const QString& message) { failure = message; });
    const Read r = readAll(reader);
    EXPECT_TRUE(failure.contains(QStringLiteral("read failed"))) << failure.toStdString();
    EXPECT_LT(r.samples.size(), 15'000u);
}

// Float files can hold any value; the listener is promised samples in
// [-1, 1]. Not finite reads as 0, beyond full scale as full scale, also
// where two channels together would overflow (the fuzzer's find: a stereo
// file with -1.2e23 in one channel reached the detector as is).
TEST(WavReaderBad, FloatsReadWithinFullScale) {
    const std::vector<float> written{0.5f, std::nanf(""), INFINITY, -0.25f, 2.0f, -1.17e23f, 3e38f, -1.0f};
    const std::vector<float> expected{0.5f, 0.0f, 0.0f, -0.25f, 1.0f, -1.0f, 1.0f, -1.0f};
    for (const int channels : {1, 2}) {
        TempDir dir;
        const auto file = dir.file(QStringLiteral("wild.wav"));
        TempDir::write(file, WavBytes{.channels = channels, .isFloat = true}.make(written));
        WavReader reader(file, 0);
        reader.open();
        EXPECT_EQ(readAll(reader).samples, expected) << channels << " channels";
    }
}

}  // namespace
