#include <gtest/gtest.h>

#include <limits>
#include <numbers>
#include <random>

#include <cmath>
#include <vector>

#include "KeyedTone.h"
#include "listen/Detector.h"

using orvane::listen::DetectorSettings;
using orvane::listen::detectSlot;
using orvane::listen::SlotResult;

namespace {

constexpr double kSlotMs = 10'000;

SlotResult detect(const KeyedTone& tone, int fs, std::uint32_t seed, double pitchHz = 700) {
    DetectorSettings settings;
    settings.pitchHz = pitchHz;
    const std::vector<float> x = tone.render(fs, kSlotMs, seed);
    return detectSlot(x, fs, QString::fromStdString(tone.call), settings, 0, 0, 0);
}

// A dash at this SNR or more is found, and its SNR is then held to ±2 dB
// from -15 to +20 dB.
constexpr double kSureDb = -15;

struct Case {
    const char* name;
    KeyedTone tone;
    int fs = 12000;
    double pitchHz = 700;
    bool heard = true;
};

KeyedTone with(auto change) {
    KeyedTone t;
    change(t);
    return t;
}

class DetectorCase : public testing::TestWithParam<Case> {};

TEST_P(DetectorCase, HearsAndMeasures) {
    const Case& c = GetParam();
    for (std::uint32_t seed : {1u, 2u, 3u}) {
        const SlotResult r = detect(c.tone, c.fs, seed, c.pitchHz);
        ASSERT_EQ(r.heard, c.heard) << "seed " << seed;
        if (!c.heard) {
            EXPECT_EQ(r.dashesHeard(), 0);
            continue;
        }
        EXPECT_NEAR(r.toneOffsetHz, c.tone.toneHz - c.pitchHz, 3.0) << "seed " << seed;
        EXPECT_NEAR(r.timeOffsetMs, c.tone.startMs, 30.0) << "seed " << seed;
        for (std::size_t d = 0; d < 4; ++d) {
            const double truth = c.tone.dashSnrDb[d];
            if (c.tone.qsbDepthDb > 0 || truth < kSureDb) continue;
            ASSERT_TRUE(r.dashSnrDb[d].has_value()) << "dash " << d + 1 << " seed " << seed;
            EXPECT_NEAR(*r.dashSnrDb[d], truth, 2.0) << "dash " << d + 1 << " seed " << seed;
        }
        // A dash far below what can be heard is never reported.
        for (std::size_t d = 0; d < 4; ++d) {
            if (c.tone.dashSnrDb[d] < -32) {
                EXPECT_FALSE(r.dashSnrDb[d].has_value()) << "dash " << d + 1;
            }
        }
    }
}

const Case kCases[] = {
    {"Network22WpmAtMinus15dB", {}},
    {"AllFourDashesStrong", with([](KeyedTone& t) {
         t.dashSnrDb = {20, 10, 0, -10};
     })},
    {"WeakestDashAtMinus15dB", with([](KeyedTone& t) {
         t.dashSnrDb = {15, 5, -5, -15};
     })},
    {"Unit45Gap300Early200", with([](KeyedTone& t) {
         t.unitMs = 45, t.dashGapMs = 300, t.startMs = -200, t.dashSnrDb = {10, 0, -10, -20};
     })},
    {"Unit60Gap0Late200", with([](KeyedTone& t) {
         t.call = "W6WX", t.unitMs = 60, t.dashGapMs = 0, t.startMs = 200, t.dashSnrDb = {10, 0, -10, -20};
     })},
    {"OneSecondDashesLongCall", with([](KeyedTone& t) {
         t.call = "VK6RBP", t.dashMs = 1000, t.dashGapMs = 200, t.dashSnrDb = {5, -5, -15, -25};
     })},
    {"TunedHigh150Hz", with([](KeyedTone& t) {
         t.toneHz = 850, t.dashSnrDb = {0, -10, -20, -30};
     })},
    {"TunedLow150Hz", with([](KeyedTone& t) { t.toneHz = 550, t.startMs = 90; })},
    {"Pitch300", with([](KeyedTone& t) {
         t.toneHz = 320, t.dashSnrDb = {0, -10, -20, -30};
     }),
     12000, 300},
    {"Pitch1200At8kHz", with([](KeyedTone& t) {
         t.toneHz = 1180, t.dashSnrDb = {0, -10, -20, -30};
     }),
     8000, 1200},
    {"At48kHz", with([](KeyedTone& t) {
         t.call = "JA2IGY", t.dashSnrDb = {0, -10, -20, -30};
     }),
     48000},
    {"At44100Hz", with([](KeyedTone& t) {
         t.call = "OH2B", t.dashSnrDb = {0, -10, -20, -30};
     }),
     44100},
    {"FadingQsb20dB", with([](KeyedTone& t) {
         t.dashSnrDb = {5, -5, -15, -25}, t.qsbDepthDb = 20;
     })},
    {"DcOffset", with([](KeyedTone& t) {
         t.dcOffset = 0.3, t.dashSnrDb = {0, -10, -20, -30};
     })},
    {"MissingBeacon", with([](KeyedTone& t) { t.present = false; }), 12000, 700, false},
};

INSTANTIATE_TEST_SUITE_P(Listen, DetectorCase, testing::ValuesIn(kCases),
                         [](const auto& row) { return std::string(row.param.name); });

// Statistics over many seeded noise realisations (fixed seeds: the outcome is
// the same on every run).
TEST(DetectorStatistics, FalseHeardOnNoiseOnlyAtMostOnePercent) {
    KeyedTone noise;
    noise.present = false;
    int heard = 0;
    const int runs = 200;
    for (int s = 0; s < runs; ++s) heard += detect(noise, 12000, 10'000u + static_cast<std::uint32_t>(s)).heard;
    EXPECT_LE(heard, runs / 100);
}

TEST(DetectorStatistics, HeardAtMinus15dBAtLeast95Percent) {
    KeyedTone tone;
    int heard = 0;
    const int runs = 100;
    for (int s = 0; s < runs; ++s) {
        tone.call = orvane::cwsim::kBeaconCalls[static_cast<std::size_t>(s % 18)].callSign;
        tone.startMs = (s % 9 - 4) * 50.0;
        tone.unitMs = 45 + s % 16;
        tone.toneHz = 700 + (s % 7 - 3) * 50.0;
        heard += detect(tone, 12000, 20'000u + static_cast<std::uint32_t>(s)).heard;
    }
    EXPECT_GE(heard, runs * 95 / 100);
}

TEST(DetectorStatistics, DashSnrWithin2dBFromMinus15To20) {
    const std::array<std::array<double, 4>, 3> levels{{{20, 10, 0, -10}, {5, -5, -15, -25}, {-5, -15, -25, -35}}};
    int measured = 0, within = 0;
    double sumError = 0;
    for (std::size_t l = 0; l < levels.size(); ++l) {
        KeyedTone tone;
        tone.dashSnrDb = levels[l];
        for (std::uint32_t s = 0; s < 20; ++s) {
            const SlotResult r = detect(tone, 12000, 30'000u + 100 * static_cast<std::uint32_t>(l) + s);
            for (std::size_t d = 0; d < 4; ++d) {
                const double truth = tone.dashSnrDb[d];
                if (truth < -15) continue;
                ++measured;
                if (!r.dashSnrDb[d]) continue;
                const double error = *r.dashSnrDb[d] - truth;
                sumError += error;
                within += std::abs(error) <= 2.0;
            }
        }
    }
    EXPECT_GE(within, measured * 98 / 100);
    EXPECT_NEAR(sumError / measured, 0.0, 0.5);  // no bias
}

struct BadSamples {
    const char* name;
    std::vector<float> samples;
};

TEST(DetectorBadInput, SilenceClippingAndNonFiniteValuesAreNeverHeardNorCrash) {
    KeyedTone loud;
    loud.noiseSigma = 0.5;
    loud.present = false;
    std::vector<float> clipped = loud.render(12000, kSlotMs, 7);
    for (float& v : clipped) v = std::clamp(v, -1.0f, 1.0f);
    std::vector<float> nonFinite(120'000, 0.0f);
    for (std::size_t i = 0; i < nonFinite.size(); i += 3) nonFinite[i] = std::nanf("");
    nonFinite[5] = INFINITY;
    const BadSamples cases[] = {
        {"Silent", std::vector<float>(120'000, 0.0f)},
        {"ClippedNoise", clipped},
        {"NonFinite", nonFinite},
        {"Short", std::vector<float>(100, 0.1f)},
        {"Empty", {}},
    };
    for (const auto& c : cases) {
        const SlotResult r = detectSlot(c.samples, 12000, "4U1UN", {}, 0, 0, 0);
        EXPECT_FALSE(r.heard) << c.name;
        EXPECT_EQ(r.dashesHeard(), 0) << c.name;
    }
}

TEST(DetectorBadInput, ClippedStrongSignalIsStillHeard) {
    KeyedTone strong;
    strong.dashSnrDb = {30, 20, 10, 0};
    std::vector<float> x = strong.render(12000, kSlotMs, 8);
    for (float& v : x) v = std::clamp(v * 4, -1.0f, 1.0f);
    const SlotResult r = detectSlot(x, 12000, "4U1UN", {}, 0, 0, 0);
    EXPECT_TRUE(r.heard);
    EXPECT_EQ(r.dashesHeard(), 4);
}

TEST(DetectorBadInput, HugeSearchesAreBoundedAndStillHear) {
    KeyedTone tone;
    tone.dashSnrDb = {0, -10, -20, -30};
    tone.startMs = 150;
    DetectorSettings wide;
    wide.searchMs = 1e12;
    wide.searchHz = 1e9;
    const SlotResult r = detectSlot(tone.render(12000, kSlotMs, 4), 12000, "4U1UN", wide, 0, 0, 0);
    EXPECT_TRUE(r.heard);
    EXPECT_NEAR(r.timeOffsetMs, 150, 30);
}

TEST(DetectorBadInput, RatesAndPitchesOutOfRangeAreRefused) {
    const std::vector<float> x(1000, 0.0f);
    EXPECT_THROW(detectSlot(x, 7999, "4U1UN", {}, 0, 0, 0), std::invalid_argument);
    EXPECT_THROW(detectSlot(x, 96000, "4U1UN", {}, 0, 0, 0), std::invalid_argument);
    DetectorSettings s;
    s.pitchHz = 250;
    EXPECT_THROW(detectSlot(x, 12000, "4U1UN", s, 0, 0, 0), std::invalid_argument);
    constexpr double kNaN = std::numeric_limits<double>::quiet_NaN(), kInf = std::numeric_limits<double>::infinity();
    for (const DetectorSettings& bad : {DetectorSettings{kNaN, 150, 200}, DetectorSettings{700, kNaN, 200},
                                        DetectorSettings{700, 150, kNaN}, DetectorSettings{700, kInf, 200},
                                        DetectorSettings{700, 150, -kInf}})
        EXPECT_THROW(detectSlot(x, 12000, "4U1UN", bad, 0, 0, 0), std::invalid_argument);
}

}  // namespace

namespace {

// Another beacon keyed at the moment (a wrong band, a wrong schedule) is not
// the one expected, however strong: its elements fill the expected call's gaps.
TEST(DetectorWrongCall, AnotherCallIsNotHeardAsTheExpectedOne) {
    const std::pair<const char*, const char*> pairs[] = {
        {"KH6WO", "VE8AT"}, {"4U1UN", "W6WX"}, {"JA2IGY", "RR9O"}, {"ZS6DN", "5Z4B"}};
    for (const auto& [keyed, expected] : pairs) {
        KeyedTone tone;
        tone.call = keyed;
        tone.dashSnrDb = {10, 0, -10, -20};
        const std::vector<float> x = tone.render(12000, kSlotMs, 5);
        EXPECT_FALSE(detectSlot(x, 12000, expected, {}, 0, 0, 0).heard) << keyed << " as " << expected;
        EXPECT_TRUE(detectSlot(x, 12000, keyed, {}, 0, 0, 0).heard) << keyed;
    }
}

}  // namespace

namespace {

// A carrier that is never keyed (a birdie, a heterodyne, a tuning tone, a
// sound card's whistle at half its rate) is no beacon, however clean, on the
// pitch, inside the search or far outside it: the call's keying and each
// long dash need on/off contrast in the tone's own bin. Audio made without
// noise (a test tone, a file) is the hard case: the tone's leakage and the
// slot's cut edges are all there is to compare with. Plain, rounded to 16
// bits as a WAV file holds it, and with one step of 16-bit noise.
TEST(DetectorSteadyTone, AnUnkeyedCarrierIsNeverHeardNorItsDashes) {
    struct Carrier {
        const char* name;
        int fs;
        double toneHz;  // pitch 700 Hz, searched ±150 Hz
        double amplitude;
    };
    const Carrier cases[] = {
        {"OnThePitch", 12000, 700, 0.5},
        {"InsideTheSearch", 12000, 760, 0.5},
        {"AtTheSearchEdge", 12000, 850, 0.5},
        {"JustOutside162_5Hz", 12000, 862.5, 0.5},
        {"Below162_5Hz", 12000, 537.5, 0.5},
        {"Above525Hz", 12000, 1225, 0.5},
        {"Above900Hz", 12000, 1600, 0.9},
        {"LowHum", 12000, 100, 0.5},
        {"Far", 12000, 4000, 0.5},
        {"Nyquist8kHz", 8000, 4000, 0.9},
        {"Nyquist12kHz", 12000, 6000, 0.5},
        {"Nyquist48kHz", 48000, 24000, 0.5},
        {"Above525HzAt48kHz", 48000, 1225, 0.5},
        {"WeakJustOutside", 12000, 862.5, 0.001},
    };
    enum class Noise { None, Rounded16Bits, OneStep };
    constexpr double kStep = 1.0 / 32768;
    for (const Carrier& c : cases) {
        for (const Noise noise : {Noise::None, Noise::Rounded16Bits, Noise::OneStep}) {
            const auto n = static_cast<std::size_t>(c.fs * kSlotMs / 1000);
            std::vector<float> x(n);
            std::mt19937 rng(11);
            std::normal_distribution<double> gauss(0.0, kStep);
            for (std::size_t i = 0; i < n; ++i) {
                // A tone at half the rate is +a, -a, ...; any other a sine.
                const double t = static_cast<double>(i) / c.fs;
                double s = 2 * c.toneHz == c.fs ? (i % 2 ? -c.amplitude : c.amplitude)
                                                : c.amplitude * std::sin(2 * std::numbers::pi * c.toneHz * t + 0.3);
                if (noise == Noise::Rounded16Bits) s = std::round(s / kStep) * kStep;
                if (noise == Noise::OneStep) s += gauss(rng);
                x[i] = static_cast<float>(s);
            }
            for (const char* call : {"4U1UN", "W6WX", "CS3B"}) {
                const SlotResult r = detectSlot(x, c.fs, call, {}, 0, 0, 0);
                const std::string what = std::string(c.name) + " noise " + std::to_string(static_cast<int>(noise)) +
                                         " as " + call + ": offset " + std::to_string(r.toneOffsetHz) + " Hz";
                EXPECT_FALSE(r.heard) << what;
                EXPECT_EQ(r.dashesHeard(), 0) << what;
            }
        }
    }
}

}  // namespace

namespace {

// A workspace carried from slot to slot (as the slot cutter does) keeps
// nothing of one slot in the next: each result is the one a fresh workspace
// gives, whatever came before at whatever rate, call, search or content:
// longer slots before shorter ones, heard before not heard, values that are
// no number before clean audio.
TEST(DetectorWorkspace, ResultsAreThoseOfAFreshWorkspace) {
    struct Slot {
        const char* name;
        int fs;
        KeyedTone tone;
        DetectorSettings settings;
        bool spoil = false;  // NaN and infinity sprinkled in
    };
    KeyedTone noise;
    noise.present = false;
    KeyedTone loud;
    loud.call = "VK6RBP";
    loud.dashSnrDb = {10, 0, -10, -20};
    KeyedTone late = loud;
    late.call = "JA2IGY";
    late.startMs = 120;
    late.toneHz = 760;
    const Slot sequence[] = {
        {"Heard48k", 48000, loud, {}},
        {"Noise12k", 12000, noise, {}},
        {"LateOtherCall44100", 44100, late, {.pitchHz = 700, .searchHz = 300, .searchMs = 500}},
        {"Spoilt8k", 8000, loud, {}, true},
        {"Heard8k", 8000, loud, {}},
        {"Heard12kAgain", 12000, loud, {}},
        {"Noise48k", 48000, noise, {}},
    };
    orvane::listen::DetectorWorkspace workspace;
    std::uint32_t seed = 40;
    for (const Slot& s : sequence) {
        std::vector<float> x = s.tone.render(s.fs, kSlotMs, ++seed);
        if (s.spoil) {
            for (std::size_t i = 0; i < x.size(); i += 997)
                x[i] = i % 2 ? std::numeric_limits<float>::quiet_NaN() : std::numeric_limits<float>::infinity();
        }
        const QString call = QString::fromStdString(s.tone.call);
        const SlotResult fresh = detectSlot(x, s.fs, call, s.settings, 0, 0, 0);
        const SlotResult reused = detectSlot(x, s.fs, call, s.settings, 0, 0, 0, workspace);
        EXPECT_EQ(reused.heard, fresh.heard) << s.name;
        EXPECT_EQ(reused.dashSnrDb, fresh.dashSnrDb) << s.name;
        EXPECT_EQ(reused.toneOffsetHz, fresh.toneOffsetHz) << s.name;
        EXPECT_EQ(reused.timeOffsetMs, fresh.timeOffsetMs) << s.name;
        EXPECT_EQ(reused.otherCall, fresh.otherCall) << s.name;
        if (s.tone.present && !s.spoil) {
            EXPECT_TRUE(fresh.heard) << s.name;  // the table holds heard slots
        }
    }
}

}  // namespace
