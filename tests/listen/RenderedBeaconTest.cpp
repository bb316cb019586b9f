// The program's own simulation, rendered through FluidSynth at the network's
// timing, mixed with white noise and heard by the detector.
#include <gtest/gtest.h>

#include <QFile>
#include <cmath>
#include <random>

#include "cwsim/BeaconCalls.h"
#include "cwsim/FluidSynthOutput.h"
#include "cwsim/Transmission.h"
#include "listen/Detector.h"

using namespace orvane;

namespace {

constexpr int kRate = 12000;
// MIDI note 74 (D5), the simulation's default tone: 440 × 2^((74 - 69) / 12) Hz.
const double kNote74Hz = 440.0 * std::pow(2.0, 5.0 / 12.0);

struct RenderedCase {
    const char* name;
    int beacon;         // 1..18
    int dotTimeMs;      // 55: the network's 22 wpm; 48: the simulation's default
    double startMs;     // where the transmission begins in the slot
    double dash1SnrDb;  // of the first long dash's fundamental, in 2.5 kHz
};

class RenderedBeacon : public testing::TestWithParam<RenderedCase> {
protected:
    void SetUp() override {
        if (!QFile::exists(cwsim::defaultSoundFontPath())) GTEST_SKIP() << "no GM soundfont installed";
    }
};

TEST_P(RenderedBeacon, IsHeardAtItsToneAndTime) {
    const RenderedCase& c = GetParam();
    cwsim::TransmissionSettings settings;
    settings.dotTimeMs = c.dotTimeMs;
    cwsim::FluidRenderer renderer(cwsim::defaultSoundFontPath(), kRate);
    const std::vector<std::int16_t> stereo = renderer.render(cwsim::transmissionMessages(c.beacon, settings), 0);

    std::vector<double> slot(10 * kRate, 0.0);
    const auto offset = static_cast<std::ptrdiff_t>(c.startMs / 1000 * kRate);
    for (std::size_t i = 0; i < stereo.size() / 2; ++i) {
        const std::ptrdiff_t j = static_cast<std::ptrdiff_t>(i) + offset;
        if (j >= 0 && j < static_cast<std::ptrdiff_t>(slot.size()))
            slot[static_cast<std::size_t>(j)] = stereo[2 * i] / 32768.0;
    }
    // The first long dash's power (its fundamental carries nearly all of it),
    // measured from its middle; the noise is set from it.
    const cwsim::BeaconCall& beacon = cwsim::kBeaconCalls[static_cast<std::size_t>(c.beacon - 1)];
    const std::string_view morse = beacon.morse;
    const double dash1Ms = c.startMs + (cwsim::kLeadInUnits + cwsim::callUnits(morse) + 6) * c.dotTimeMs;
    double power = 0;
    const auto from = static_cast<std::size_t>((dash1Ms + 200) / 1000 * kRate);
    const auto to = static_cast<std::size_t>((dash1Ms + 800) / 1000 * kRate);
    for (std::size_t i = from; i < to; ++i) power += slot[i] * slot[i];
    power /= static_cast<double>(to - from);
    ASSERT_GT(power, 1e-6) << "the synthesiser made no sound";
    const double sigma = std::sqrt(power * kRate / (2 * 2500 * std::pow(10.0, c.dash1SnrDb / 10)));
    std::mt19937 rng(static_cast<std::uint32_t>(c.beacon));
    std::normal_distribution<double> noise(0, sigma);
    std::vector<float> x(slot.size());
    for (std::size_t i = 0; i < x.size(); ++i) x[i] = static_cast<float>(slot[i] + noise(rng));

    listen::DetectorSettings detector;
    detector.pitchHz = 600;
    const QString call = QString::fromStdString(std::string(beacon.callSign));
    const listen::SlotResult r = listen::detectSlot(x, kRate, call, detector, 0, 0, c.beacon - 1);
    ASSERT_TRUE(r.heard);
    EXPECT_NEAR(r.toneOffsetHz, kNote74Hz - 600, 3.0);
    // The synthesiser's attack delays the sound a little.
    EXPECT_NEAR(r.timeOffsetMs, c.startMs, 60.0);
    ASSERT_TRUE(r.dashSnrDb[0].has_value());
    // The soundfont's note is not a pure tone: a few dB of its power lie
    // outside the fundamental.
    EXPECT_NEAR(*r.dashSnrDb[0], c.dash1SnrDb, 4.0);
}

const RenderedCase kRendered[] = {
    {"UnitedNationsAt22Wpm", 1, 55, 0, 0},
    {"LongestCallLate150", 6, 55, 150, -5},
    {"SimulationSpeedEarly100", 14, 48, -100, 5},
    {"FastNoisyCall", 13, 45, 50, -12},
};
INSTANTIATE_TEST_SUITE_P(Listen, RenderedBeacon, testing::ValuesIn(kRendered),
                         [](const auto& row) { return std::string(row.param.name); });

}  // namespace
