// Heard means the expected call: a slot holding another beacon's call, a
// call one character off, or the neighbour's slot of a recording that starts
// a slot late is not heard as the expected beacon, and another call of the
// table is named. The rates over many slots are measured by
// bench/listen/CallIdentityBench.cpp; these are seeded cases.
#include <gtest/gtest.h>

#include <QDir>
#include <QProcess>
#include <QStandardPaths>
#include <QString>
#include <QTemporaryDir>
#include <algorithm>
#include <array>
#include <cmath>
#include <random>
#include <string>
#include <vector>

#include "KeyedTone.h"
#include "TableCalls.h"
#include "beacons/Schedule.h"
#include "beacons/StationTable.h"
#include "cwsim/BeaconCalls.h"
#include "listen/Detector.h"
#include "listen/RecordingReader.h"
#include "listen/SlotCutter.h"

using namespace orvane;
using listen::SlotResult;

namespace {

constexpr int kRate = 12000;

// What a slot holds and what the listener expects in it.
struct KeyedCall {
    const char* keyed;
    const char* expected;
    enum { kHeard, kNotHeard, kOther } outcome;
};

// `keyed` at a first-dash SNR of `snrDb` (the call at the same level), off
// the slot start and the pitch a little, as a real transmitter is.
SlotResult hear(const KeyedCall& c, double snrDb, std::uint32_t seed, listen::DetectorWorkspace& workspace) {
    static const auto calls = tableCalls();
    KeyedTone tone;
    tone.call = c.keyed;
    tone.dashSnrDb = {snrDb, snrDb - 10, snrDb - 20, snrDb - 30};
    tone.unitMs = 45 + seed % 16;
    tone.startMs = static_cast<double>(seed % 7) * 30 - 90;
    tone.toneHz = 650 + static_cast<double>(seed % 5) * 25;
    return listen::detectSlot(tone.render(kRate, 10'000, seed), kRate, QString::fromLatin1(c.expected), {}, 0, 0, 0,
                              workspace, calls);
}

void check(const KeyedCall& c, double snrDb, std::uint32_t seed, listen::DetectorWorkspace& workspace) {
    const SlotResult r = hear(c, snrDb, seed, workspace);
    const std::string what = std::string(c.keyed) + " as " + c.expected + " at " + std::to_string(snrDb) +
                             " dB, seed " + std::to_string(seed);
    switch (c.outcome) {
    case KeyedCall::kHeard:
        EXPECT_TRUE(r.heard) << what;
        EXPECT_TRUE(r.otherCall.isEmpty()) << what << ": " << r.otherCall.toStdString();
        break;
    case KeyedCall::kNotHeard:
        EXPECT_FALSE(r.heard) << what;
        EXPECT_TRUE(r.otherCall.isEmpty()) << what << ": " << r.otherCall.toStdString();
        EXPECT_EQ(r.dashesHeard(), 0) << what;
        break;
    case KeyedCall::kOther:
        EXPECT_FALSE(r.heard) << what;
        EXPECT_EQ(r.otherCall.toStdString(), c.keyed) << what;
        EXPECT_EQ(r.dashesHeard(), 0) << what;
        EXPECT_EQ(r.timeOffsetMs, 0) << what;
        break;
    }
}

// Well above the limit of hearing every case is told for sure: the expected
// call heard, another beacon named, a call one character off (not in the
// table) neither heard nor named.
TEST(CallIdentity, ClearSignalsAreToldApart) {
    const KeyedCall cases[] = {
        {"ZL6B", "ZL6B", KeyedCall::kHeard},       {"4U1UN", "4U1UN", KeyedCall::kHeard},
        {"VK6RBP", "VK6RBP", KeyedCall::kHeard},   {"4S7B", "4S7B", KeyedCall::kHeard},
        // Another beacon of the table, among them those that share a
        // character or two (the calls ending in B).
        {"5Z4B", "ZL6B", KeyedCall::kOther},       {"OA4B", "OH2B", KeyedCall::kOther},
        {"VR2B", "OH2B", KeyedCall::kOther},       {"KH6WO", "VE8AT", KeyedCall::kOther},
        {"W6WX", "4U1UN", KeyedCall::kOther},      {"JA2IGY", "RR9O", KeyedCall::kOther},
        // One character changed: a letter, a digit, the first and the last.
        {"ZL6M", "ZL6B", KeyedCall::kNotHeard},    {"ZL6D", "ZL6B", KeyedCall::kNotHeard},
        {"ZL5B", "ZL6B", KeyedCall::kNotHeard},    {"4U1UA", "4U1UN", KeyedCall::kNotHeard},
        {"5S7B", "4S7B", KeyedCall::kNotHeard},    {"VK6RBQ", "VK6RBP", KeyedCall::kNotHeard},
    };
    listen::DetectorWorkspace workspace;
    for (const double snrDb : {0.0, 10.0})
        for (const KeyedCall& c : cases) check(c, snrDb, 100 + static_cast<std::uint32_t>(&c - cases), workspace);
}

// Near the limit of hearing (-15 and -10 dB for the first dash, the call
// keyed at that level) the expected call is still heard and another beacon
// is never heard as the expected one; naming it is not promised there.
TEST(CallIdentity, NearTheLimitTheExpectedCallIsHeardAndNoOther) {
    const auto calls = tableCalls();
    listen::DetectorWorkspace workspace;
    int heard = 0, tried = 0, otherHeard = 0, misnamed = 0;
    for (const double snrDb : {-15.0, -10.0}) {
        for (std::uint32_t i = 0; i < 18; ++i) {
            const std::string expected = calls[i].toStdString();
            const std::string other = calls[(i + 5 + i % 7) % 18].toStdString();
            ++tried;
            heard += hear({expected.c_str(), expected.c_str(), KeyedCall::kHeard}, snrDb, 200 + i, workspace).heard;
            const SlotResult r = hear({other.c_str(), expected.c_str(), KeyedCall::kOther}, snrDb, 300 + i, workspace);
            otherHeard += r.heard;
            misnamed += !r.otherCall.isEmpty() && r.otherCall.toStdString() != other;
        }
    }
    EXPECT_GE(heard, tried - 1);  // 95 % and more (bench/listen measures it over 180 slots)
    EXPECT_EQ(otherHeard, 0);
    EXPECT_LE(misnamed, 1);
}

// A recording whose start is given a slot late: each slot holds the beacon
// the schedule puts in the slot before. None is heard; each names the
// beacon it holds, which tells the user the clock is a slot off.
TEST(CallIdentity, ARecordingOffByOneSlotNamesTheNeighbours) {
    constexpr std::int64_t kNoonMs = 1'796'904'000'000;  // a cycle starts
    constexpr int kSlots = 6;
    const beacons::StationTable table;
    std::vector<float> audio;
    for (int s = 0; s < kSlots; ++s) {
        KeyedTone tone;
        tone.call = table.entry(beacons::slotIndexAt(kNoonMs + s * beacons::kSlotMs, 0)).call;
        tone.dashSnrDb = {0, -10, -20, -30};
        tone.startMs = 40;
        const std::vector<float> slot = tone.render(kRate, 10'000, 400 + static_cast<std::uint32_t>(s));
        audio.insert(audio.end(), slot.begin(), slot.end());
    }
    std::vector<SlotResult> results;
    listen::SlotCutter cutter({}, listen::expectOnBand(table, 0), [&](const SlotResult& r) { results.push_back(r); });
    // Said to start at 12:00:10 where it starts at 12:00:00.
    const std::int64_t saidStartMs = kNoonMs + beacons::kSlotMs;
    for (std::size_t i = 0; i < audio.size(); i += 4096) {
        const auto n = std::min<std::size_t>(4096, audio.size() - i);
        cutter.push(saidStartMs + static_cast<std::int64_t>(i) * 1000 / kRate, kRate,
                    std::span<const float>(audio.data() + i, n));
    }
    ASSERT_EQ(results.size(), static_cast<std::size_t>(kSlots));
    for (const SlotResult& r : results) {
        const std::string held = table.entry(beacons::slotIndexAt(r.periodStartMs - beacons::kSlotMs, 0)).call;
        EXPECT_FALSE(r.heard) << r.beaconIndex;
        EXPECT_EQ(r.otherCall.toStdString(), held) << r.beaconIndex;
    }
}

// Without the table (a caller that gives none) the call is still told from
// its one-character variants, and nothing is named.
TEST(CallIdentity, WithoutTheTableVariantsAreStillRefused) {
    listen::DetectorWorkspace workspace;
    for (const auto& [keyed, expected, heard] : {std::tuple{"ZL6M", "ZL6B", false}, std::tuple{"ZL6B", "ZL6B", true},
                                                 std::tuple{"4U1UA", "4U1UN", false}}) {
        KeyedTone tone;
        tone.call = keyed;
        tone.dashSnrDb = {0, -10, -20, -30};
        const SlotResult r = listen::detectSlot(tone.render(kRate, 10'000, 7), kRate, QString::fromLatin1(expected), {},
                                                0, 0, 0, workspace);
        EXPECT_EQ(r.heard, heard) << keyed << " as " << expected;
        EXPECT_TRUE(r.otherCall.isEmpty()) << keyed;
    }
}

// Morse keyed by another program: ebook2cw (Debian's ebook2cw), its own
// timing, keying edges and Ogg Vorbis coding, read back through the
// recording reader. The call at 22 wpm; each long dash is its "T" at 3 wpm
// (1.2 s), placed after the call with the network's gaps.
class Ebook2cw {
public:
    Ebook2cw() : program_(QStandardPaths::findExecutable(QStringLiteral("ebook2cw"))) {}
    bool installed() const { return !program_.isEmpty() && home_.isValid(); }

    // `text` keyed at `wpm`, 700 Hz, 12 kHz: the samples from its first keying
    // to its last, scaled to a peak of 1. Empty when ebook2cw failed.
    std::vector<float> keyed(const QString& text, int wpm) const {
        const QString prefix = home_.filePath(QStringLiteral("k%1_%2_").arg(wpm).arg(text));
        QProcess p;
        // ebook2cw keeps its settings in ~/.ebook2cw: a home of its own.
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert(QStringLiteral("HOME"), home_.path());
        p.setProcessEnvironment(env);
        p.setWorkingDirectory(home_.path());
        p.start(program_, {"-O", "-w", QString::number(wpm), "-f", "700", "-s", "12000", "-o", prefix});
        if (!p.waitForStarted(30'000)) return {};
        p.write(text.toLatin1() + "\n");
        p.closeWriteChannel();
        if (!p.waitForFinished(60'000) || p.exitCode() != 0) return {};
        const QStringList made = QDir(home_.path()).entryList({QFileInfo(prefix).fileName() + "*.ogg"});
        if (made.isEmpty()) return {};
        std::vector<float> audio;
        listen::RecordingReader reader(home_.filePath(made.first()), 0);
        reader.open();
        reader.setBlockHandler([&](std::int64_t, int, std::span<const float> samples) {
            audio.insert(audio.end(), samples.begin(), samples.end());
        });
        reader.start();
        float peak = 0;
        for (const float v : audio) peak = std::max(peak, std::abs(v));
        if (peak <= 0) return {};
        const auto on = [&](float v) { return std::abs(v) > 0.05f * peak; };
        const auto first = std::find_if(audio.begin(), audio.end(), on);
        const auto last = std::find_if(audio.rbegin(), audio.rend(), on).base();
        std::vector<float> keyed(first, last);
        for (float& v : keyed) v /= peak;
        return keyed;
    }

private:
    QString program_;
    QTemporaryDir home_;
};

// A slot: `call` then the four dashes at 0, -10, -20 and -30 dB from the
// first, in white noise, the first dash (and the call) at `snrDb` in 2.5 kHz.
std::vector<float> ebook2cwSlot(const std::vector<float>& call, const std::vector<float>& dash, double snrDb,
                                std::uint32_t seed) {
    constexpr double kUnitMs = 1200.0 / 22;
    constexpr double kSigma = 0.05;
    std::vector<double> slot(10 * kRate, 0.0);
    const auto at = [](double ms) { return static_cast<std::size_t>(ms / 1000 * kRate); };
    // The tone's amplitude for the SNR: (A² / 2) / (sigma² × 2500 / (fs / 2)).
    const double amplitude = std::sqrt(std::pow(10.0, snrDb / 10) * 4 * kSigma * kSigma * 2500 / kRate);
    const auto place = [&](const std::vector<float>& what, std::size_t from, double gain) {
        for (std::size_t i = 0; i < what.size() && from + i < slot.size(); ++i) slot[from + i] += gain * static_cast<double>(what[i]);
    };
    std::size_t pos = at(3 * kUnitMs);
    place(call, pos, amplitude);
    pos += call.size() + at(7 * kUnitMs);
    for (int d = 0; d < 4; ++d) {
        place(dash, pos, amplitude * std::pow(10.0, -d / 2.0));
        pos += dash.size() + at(3 * kUnitMs);
    }
    std::mt19937 rng(seed);
    std::normal_distribution<double> noise(0.0, kSigma);
    std::vector<float> out(slot.size());
    for (std::size_t i = 0; i < slot.size(); ++i) out[i] = static_cast<float>(slot[i] + noise(rng));
    return out;
}

TEST(CallIdentity, MorseKeyedByEbook2cwIsToldApart) {
    const Ebook2cw ebook2cw;
    if (!ebook2cw.installed()) GTEST_SKIP() << "ebook2cw is not installed (tools/install-deps.sh installs it)";
    const std::vector<float> dash = ebook2cw.keyed(QStringLiteral("T"), 3);
    ASSERT_GT(dash.size(), static_cast<std::size_t>(kRate)) << "ebook2cw made no dash";
    const auto calls = tableCalls();
    struct Case {
        const char* keyed;
        const char* expected;
        bool heard;
        const char* other;
    };
    const Case cases[] = {
        {"ZL6B", "ZL6B", true, ""},    {"ZL6B", "OA4B", false, "ZL6B"},  {"ZL6M", "ZL6B", false, ""},
        {"4X6TU", "4X6TU", true, ""},  {"4X6TU", "4U1UN", false, "4X6TU"}, {"4X6TA", "4X6TU", false, ""},
    };
    listen::DetectorWorkspace workspace;
    std::uint32_t seed = 500;
    for (const Case& c : cases) {
        const std::vector<float> call = ebook2cw.keyed(QString::fromLatin1(c.keyed), 22);
        ASSERT_FALSE(call.empty()) << "ebook2cw failed on " << c.keyed;
        for (const double snrDb : {0.0, 10.0}) {
            const SlotResult r = listen::detectSlot(ebook2cwSlot(call, dash, snrDb, ++seed), kRate,
                                                    QString::fromLatin1(c.expected), {}, 0, 0, 0, workspace, calls);
            EXPECT_EQ(r.heard, c.heard) << c.keyed << " as " << c.expected << " at " << snrDb << " dB";
            EXPECT_EQ(r.otherCall.toStdString(), c.other) << c.keyed << " as " << c.expected << " at " << snrDb;
        }
    }
}

}  // namespace
