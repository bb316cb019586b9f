#include <gtest/gtest.h>

#include <cmath>
#include <vector>

#include "KeyedTone.h"
#include "SoundFileTestWriter.h"
#include "WavTestFile.h"
#include "beacons/StationTable.h"
#include "common/OrvaneError.h"
#include "listen/RecordingReader.h"
#include "listen/SlotCutter.h"
#include "support/ErrorOf.h"

using orvane::listen::RecordingChannel;
using orvane::listen::RecordingReader;

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

Read readAll(RecordingReader& reader) {
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

class RecordingReaderGood : public testing::TestWithParam<GoodCase> {};

// The same bytes from a file and from memory: every sample, stamped from the
// start, in blocks.
TEST_P(RecordingReaderGood, DeliversTheSamplesStampedFromTheStart) {
    TempDir dir;
    const auto file = dir.file(QStringLiteral("a.wav"));
    const std::vector<float> x = ramp(10'000);
    const QByteArray bytes = GetParam().format.make(x);
    TempDir::write(file, bytes);
    RecordingReader fromFile(file, 1'000'000);
    RecordingReader fromMemory(bytes, QStringLiteral("bytes"), 1'000'000);
    for (RecordingReader* reader : {&fromFile, &fromMemory}) {
        reader->open();
        EXPECT_EQ(reader->format().frames, 10'000);
        EXPECT_EQ(reader->format().channels, GetParam().format.channels);
        const Read r = readAll(*reader);
        ASSERT_EQ(r.samples.size(), x.size());
        EXPECT_EQ(r.rate, GetParam().format.sampleRate);
        for (std::size_t i = 0; i < x.size(); i += 97) EXPECT_NEAR(r.samples[i], x[i], 1e-4);
        ASSERT_GE(r.stamps.size(), 3u);  // streamed in blocks
        EXPECT_EQ(r.stamps[0], 1'000'000);
        EXPECT_EQ(r.stamps[1], 1'000'000 + RecordingReader::kBlockFrames * 1000 / GetParam().format.sampleRate);
        EXPECT_EQ(reader->framesRead(), 10'000);
        EXPECT_FALSE(reader->shortfall());
    }
}

const GoodCase kGood[] = {
    {"Mono16At12k", {}},
    {"Stereo16At8k", {.channels = 2, .sampleRate = 8000}},
    {"MonoFloatAt48k", {.sampleRate = 48000, .isFloat = true}},
    {"StereoFloatAt44100", {.channels = 2, .sampleRate = 44100, .isFloat = true}},
};
INSTANTIATE_TEST_SUITE_P(Listen, RecordingReaderGood, testing::ValuesIn(kGood),
                         [](const auto& row) { return std::string(row.param.name); });

// Above 48 kHz each sample delivered is the mean of two (88.2, 96 kHz) or
// four (176.4, 192 kHz), stamped on the delivered rate.
TEST(RecordingReaderRates, FastRecordingsAreDividedIntoTheDetectorsRange) {
    struct Row {
        int rate, deliveredRate;
    };
    for (const Row row : {Row{96000, 48000}, Row{88200, 44100}, Row{192000, 48000}, Row{176400, 44100}}) {
        const int factor = row.rate / row.deliveredRate;
        std::vector<float> x(static_cast<std::size_t>(4 * RecordingReader::kBlockFrames + 3));
        for (std::size_t i = 0; i < x.size(); ++i) x[i] = static_cast<float>(i * 7 % 11) / 11.0f - 0.5f;
        RecordingReader reader(WavBytes{.sampleRate = row.rate, .isFloat = true}.make(x), QStringLiteral("fast"), 0);
        reader.open();
        EXPECT_EQ(reader.format().deliveredRate, row.deliveredRate);
        const Read r = readAll(reader);
        EXPECT_EQ(r.rate, row.deliveredRate);
        ASSERT_EQ(r.samples.size(), x.size() / static_cast<std::size_t>(factor)) << row.rate;
        for (std::size_t j = 0; j < r.samples.size(); j += 101) {
            double mean = 0;
            for (int k = 0; k < factor; ++k)
                mean += static_cast<double>(x[j * static_cast<std::size_t>(factor) + static_cast<std::size_t>(k)]);
            EXPECT_NEAR(r.samples[j], mean / factor, 1e-6) << row.rate << " at " << j;
        }
        // Stamps count the delivered samples at the delivered rate.
        std::int64_t delivered = 0;
        reader.setBlockHandler([&](std::int64_t stamp, int, std::span<const float> s) {
            EXPECT_EQ(stamp, delivered * 1000 / row.deliveredRate);
            delivered += static_cast<std::int64_t>(s.size());
        });
        reader.open();
        reader.start();
        EXPECT_EQ(reader.framesRead(), static_cast<std::int64_t>(x.size()));
    }
}

// Left, right or their mean of a stereo recording; a mono one is its one channel.
TEST(RecordingReaderChannels, TakesTheSideAsked) {
    const std::vector<float> left{0.5f, -0.5f, 0.25f}, right{-0.25f, 0.75f, 1.0f};
    TempDir dir;
    const QString stereo = dir.file(QStringLiteral("stereo.wav"));
    ASSERT_TRUE(writeSoundFile(stereo, SF_FORMAT_WAV | SF_FORMAT_FLOAT, 12000, left, &right));
    struct Row {
        RecordingChannel channel;
        std::vector<float> expected;
    };
    const Row rows[] = {{RecordingChannel::Left, left},
                        {RecordingChannel::Right, right},
                        {RecordingChannel::Mix, {0.125f, 0.125f, 0.625f}}};
    for (const Row& row : rows) {
        RecordingReader reader(stereo, 0, row.channel);
        reader.open();
        ASSERT_EQ(reader.format().channels, 2);
        EXPECT_EQ(readAll(reader).samples, row.expected) << static_cast<int>(row.channel);
    }
    for (const RecordingChannel channel : {RecordingChannel::Left, RecordingChannel::Right, RecordingChannel::Mix}) {
        RecordingReader mono(WavBytes{.isFloat = true}.make(left), QStringLiteral("mono"), 0, channel);
        mono.open();
        EXPECT_EQ(readAll(mono).samples, left);
    }
}

struct BadCase {
    const char* name;
    QByteArray bytes;
    const char* reason;
};

TEST(RecordingReaderBad, RefusesWithAClearReason) {
    const std::vector<float> x = ramp(1000);
    const BadCase cases[] = {
        {"Empty", {}, "not a recording that can be read"},
        {"Text", QByteArray("hello, this is no wave at all, just a plain text file sitting here\n"),
         "not a recording that can be read"},
        {"HeaderOnly", WavBytes{}.make(x).left(30), "not a recording that can be read"},
        {"ThreeChannels", WavBytes{.channels = 3}.make(x), "3 channels; mono or stereo is needed"},
        {"Rate4k", WavBytes{.sampleRate = 4000}.make(x), "sample rate 4000 Hz; 8000 to 192000 Hz is needed"},
        {"Rate384k", WavBytes{.sampleRate = 384000}.make(x), "sample rate 384000 Hz"},
        // No whole factor brings it to 8..48 kHz.
        {"Rate49999", WavBytes{.sampleRate = 49999}.make(x), "sample rate 49999 Hz"},
    };
    TempDir dir;
    for (const auto& c : cases) {
        const auto file = dir.file(QString::fromLatin1(c.name) + QStringLiteral(".wav"));
        TempDir::write(file, c.bytes);
        RecordingReader reader(file, 0);
        const std::string error = errorOf<orvane::OrvaneError>([&] { reader.open(); });
        EXPECT_NE(error.find(c.reason), std::string::npos) << c.name << ": " << error;
        EXPECT_NE(error.find(c.name), std::string::npos) << c.name << ": the file is named";
    }
}

TEST(RecordingReaderBad, MissingFileAndFolderAreNamed) {
    TempDir dir;
    RecordingReader missing(dir.file(QStringLiteral("none.wav")), 0);
    EXPECT_NE(errorOf<orvane::OrvaneError>([&] { missing.open(); }).find("no such file"), std::string::npos);
    RecordingReader folder(dir.path(), 0);
    EXPECT_NE(errorOf<orvane::OrvaneError>([&] { folder.open(); }).find("not a regular file"), std::string::npos);
}

// A file cut after its header was read delivers what is left, and says it
// fell short of what the header declared.
TEST(RecordingReaderCut, AFileCutWhileReadingIsReportedNotPassedOver) {
    TempDir dir;
    const auto file = dir.file(QStringLiteral("shrinking.wav"));
    TempDir::write(file, WavBytes{}.make(ramp(20'000)));
    RecordingReader reader(file, 0);
    reader.open();
    QFile(file).resize(30'000);  // another program cuts it after the header was read
    const Read r = readAll(reader);
    ASSERT_TRUE(reader.shortfall());
    EXPECT_TRUE(reader.shortfall()->contains(QStringLiteral("cut short"))) << reader.shortfall()->toStdString();
    EXPECT_EQ(reader.framesRead(), (30'000 - 44) / 2);
    EXPECT_EQ(r.samples.size(), static_cast<std::size_t>(reader.framesRead()));
}

// Compressed recordings cut short on disc: a FLAC stream ends where its
// decoder loses the thread, and says so; an Ogg stream cut before its last
// page declares no length at all, so nothing is claimed of one. Either way
// what is there is delivered.
TEST(RecordingReaderCut, CompressedRecordingsCutOnDiscDeliverWhatIsThere) {
    struct Row {
        const char* name;
        int format;
        bool saysShort;
    };
    const Row rows[] = {{"cut.flac", SF_FORMAT_FLAC | SF_FORMAT_PCM_16, true},
                        {"cut.ogg", SF_FORMAT_OGG | SF_FORMAT_VORBIS, false}};
    KeyedTone noise;
    noise.present = false;
    const std::vector<float> audio = noise.render(12000, 20'000, 5);
    for (const Row& row : rows) {
        TempDir dir;
        const QString file = dir.file(QString::fromLatin1(row.name));
        ASSERT_TRUE(writeSoundFile(file, row.format, 12000, audio)) << row.name;
        QFile(file).resize(QFile(file).size() * 6 / 10);
        RecordingReader reader(file, 0);
        reader.open();
        const Read r = readAll(reader);
        EXPECT_GT(reader.framesRead(), 12000 * 8) << row.name;  // well past the first half
        EXPECT_LT(reader.framesRead(), 12000 * 20) << row.name;
        EXPECT_EQ(r.samples.size(), static_cast<std::size_t>(reader.framesRead())) << row.name;
        EXPECT_EQ(reader.shortfall().has_value(), row.saysShort)
            << row.name << ": " << reader.shortfall().value_or(QString()).toStdString();
        if (!row.saysShort) {
            EXPECT_EQ(reader.format().frames, -1) << row.name;
        }
    }
}

// Float files can hold any value; the listener is promised samples in
// [-1, 1]. Not finite reads as 0, beyond full scale as full scale, also
// where two channels together would overflow (the fuzzer's find: a stereo
// file with -1.2e23 in one channel reached the detector as is).
TEST(RecordingReaderBad, FloatsReadWithinFullScale) {
    const std::vector<float> written{0.5f, std::nanf(""), INFINITY, -0.25f, 2.0f, -1.17e23f, 3e38f, -1.0f};
    const std::vector<float> expected{0.5f, 0.0f, 0.0f, -0.25f, 1.0f, -1.0f, 1.0f, -1.0f};
    for (const int channels : {1, 2}) {
        RecordingReader reader(WavBytes{.channels = channels, .isFloat = true}.make(written), QStringLiteral("wild"),
                               0);
        reader.open();
        EXPECT_EQ(readAll(reader).samples, expected) << channels << " channels";
    }
}

// Each format a receiver's or an SDR program's recording comes in, written by
// libsndfile, with one beacon keyed in one whole slot: heard, at its level.
struct FormatCase {
    const char* name;
    int format;
    int rate;
    int channels;               // 1, or 2 with the beacon on `side` and other noise on the other
    RecordingChannel side;      // where the beacon is (stereo)
    RecordingChannel listenTo;  // the --channel asked for
    bool heard;
    double snrShiftDb;  // of the 100 W dash as measured, from the one keyed (mixing halves it)
    double toleranceDb;
};

constexpr int kWav = SF_FORMAT_WAV;
constexpr auto kMix = RecordingChannel::Mix;
constexpr auto kLeft = RecordingChannel::Left;
constexpr auto kRight = RecordingChannel::Right;

const FormatCase kFormats[] = {
    {"Wav16At8k", kWav | SF_FORMAT_PCM_16, 8000, 1, kMix, kMix, true, 0, 2},
    {"Wav16At11025", kWav | SF_FORMAT_PCM_16, 11025, 1, kMix, kMix, true, 0, 2},
    {"Wav24At12k", kWav | SF_FORMAT_PCM_24, 12000, 1, kMix, kMix, true, 0, 2},
    {"Wav32At44100", kWav | SF_FORMAT_PCM_32, 44100, 1, kMix, kMix, true, 0, 2},
    {"WavFloatAt48k", kWav | SF_FORMAT_FLOAT, 48000, 1, kMix, kMix, true, 0, 2},
    {"WavDoubleAt96k", kWav | SF_FORMAT_DOUBLE, 96000, 1, kMix, kMix, true, 0, 2},
    {"Wav24At192k", kWav | SF_FORMAT_PCM_24, 192000, 1, kMix, kMix, true, 0, 2},
    {"WavexStereo24At96kRight", SF_FORMAT_WAVEX | SF_FORMAT_PCM_24, 96000, 2, kRight, kRight, true, 0, 2},
    {"Rf64At12k", SF_FORMAT_RF64 | SF_FORMAT_PCM_16, 12000, 1, kMix, kMix, true, 0, 2},
    {"Flac16At12k", SF_FORMAT_FLAC | SF_FORMAT_PCM_16, 12000, 1, kMix, kMix, true, 0, 2},
    {"FlacStereo24At48kLeft", SF_FORMAT_FLAC | SF_FORMAT_PCM_24, 48000, 2, kLeft, kLeft, true, 0, 2},
    {"OggVorbisAt12k", SF_FORMAT_OGG | SF_FORMAT_VORBIS, 12000, 1, kMix, kMix, true, 0, 3},
    {"Stereo16RightHeardOnTheRight", kWav | SF_FORMAT_PCM_16, 12000, 2, kRight, kRight, true, 0, 2},
    {"Stereo16RightNotOnTheLeft", kWav | SF_FORMAT_PCM_16, 12000, 2, kRight, kLeft, false, 0, 0},
    {"StereoFloatLeftInTheMix", kWav | SF_FORMAT_FLOAT, 12000, 2, kLeft, kMix, true, -3, 2},
};

class RecordingFormats : public testing::TestWithParam<FormatCase> {};

TEST_P(RecordingFormats, TheKeyedSlotIsHeard) {
    const FormatCase& c = GetParam();
    // 12:00:10 UTC on 14.10 MHz: VE8AT (slot 2).
    constexpr std::int64_t kSlotMs = 1'796'990'410'000;
    KeyedTone beacon;
    beacon.call = "VE8AT";
    beacon.dashSnrDb = {0, -10, -20, -30};
    const std::vector<float> keyed = beacon.render(c.rate, 10'000, 7);
    KeyedTone other;
    other.present = false;
    const std::vector<float> noise = other.render(c.rate, 10'000, 8);
    TempDir dir;
    const QString file = dir.file(QStringLiteral("rx"));
    const std::vector<float>& left = c.channels == 2 && c.side == kRight ? noise : keyed;
    const std::vector<float>& right = c.side == kRight ? keyed : noise;
    ASSERT_TRUE(writeSoundFile(file, c.format, c.rate, left, c.channels == 2 ? &right : nullptr))
        << sf_strerror(nullptr);

    RecordingReader reader(file, kSlotMs, c.listenTo);
    reader.open();
    EXPECT_EQ(reader.format().sampleRate, c.rate);
    EXPECT_EQ(reader.format().channels, c.channels);
    std::vector<orvane::listen::SlotResult> results;
    orvane::listen::SlotCutter cutter({}, orvane::listen::expectOnBand(orvane::beacons::StationTable(), 0),
                                      [&](const orvane::listen::SlotResult& r) { results.push_back(r); });
    reader.setBlockHandler(
        [&](std::int64_t stamp, int rate, std::span<const float> samples) { cutter.push(stamp, rate, samples); });
    reader.start();
    EXPECT_FALSE(reader.shortfall()) << reader.shortfall()->toStdString();
    ASSERT_EQ(results.size(), 1u) << reader.format().kind.toStdString();
    const auto& r = results[0];
    EXPECT_EQ(r.periodStartMs, kSlotMs);
    EXPECT_EQ(r.beaconIndex, 1);  // VE8AT
    EXPECT_EQ(r.heard, c.heard) << reader.format().kind.toStdString();
    if (!c.heard) return;
    ASSERT_TRUE(r.dashSnrDb[0]);
    EXPECT_NEAR(*r.dashSnrDb[0], c.snrShiftDb, c.toleranceDb) << reader.format().kind.toStdString();
    EXPECT_NEAR(r.toneOffsetHz, 0, 3);
    EXPECT_NEAR(r.timeOffsetMs, 0, 30);
}

INSTANTIATE_TEST_SUITE_P(Listen, RecordingFormats, testing::ValuesIn(kFormats),
                         [](const auto& row) { return std::string(row.param.name); });

}  // namespace
