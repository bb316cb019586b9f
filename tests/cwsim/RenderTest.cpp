// One transmission rendered through FluidSynth with the GM soundfont: the
// sound must be where the Morse says, the four long dashes falling in level.
#include <gtest/gtest.h>

#include <QFile>
#include <cmath>

#include "cwsim/FluidSynthOutput.h"
#include "cwsim/Transmission.h"
#include "cwsim/CwTestSupport.h"
#include "support/TempDir.h"

namespace orvane::cwsim {
namespace {

constexpr int kRate = 44100;
constexpr std::int64_t kWindowUs = 2'000;

// RMS of the left channel over [fromUs, toUs).
double rms(const std::vector<std::int16_t>& stereo, std::int64_t fromUs, std::int64_t toUs) {
    const auto from = static_cast<std::size_t>(fromUs * kRate / 1'000'000);
    const auto to = std::min(static_cast<std::size_t>(toUs * kRate / 1'000'000), stereo.size() / 2);
    if (to <= from) return 0;
    double sum = 0;
    for (std::size_t i = from; i < to; ++i) sum += double(stereo[2 * i]) * double(stereo[2 * i]);
    return std::sqrt(sum / double(to - from));
}

class RenderTest : public ::testing::Test {
protected:
    void SetUp() override {
        if (!QFile::exists(defaultSoundFontPath())) GTEST_SKIP() << "no GM soundfont installed";
    }
};

TEST_F(RenderTest, TheEnvelopeShowsTheCallsElementsAndTheFourLongDashes) {
    const TransmissionSettings settings{48, 74, 127, 79};
    const auto messages = transmissionMessages(8, settings);  // RR9O: .-. .-. ----. ---
    FluidRenderer renderer(defaultSoundFontPath(), kRate);
    const auto samples = renderer.render(messages, 300'000);

    std::vector<RecordingMidiOutputLayer::Sent> sent;
    for (const auto& m : messages) sent.push_back({m.timeUs, m.msg});
    const auto notes = test::notesOf(sent);
    ASSERT_EQ(notes.size(), 14u + 4u);

    // The level of a full-velocity note, from the middle of the first dash.
    const double loud = rms(samples, notes[1].onUs + 40'000, notes[1].offUs - 20'000);
    ASSERT_GT(loud, 500.0) << "the synthesiser made no sound";

    for (std::size_t i = 0; i < notes.size(); ++i) {
        SCOPED_TRACE("note " + std::to_string(i));
        const test::Note& n = notes[i];
        // Sounding through the note (the synthesiser starts it within one
        // 64-sample block, plus its attack).
        EXPECT_GT(rms(samples, n.onUs + 10'000, n.offUs - 4'000), 0.1 * loud);
        // Silent just before it: its start is where the timeline puts it.
        if (i > 0 && n.onUs - notes[i - 1].offUs >= 3 * 48000) {
            EXPECT_LT(rms(samples, n.onUs - 2 * kWindowUs, n.onUs), 0.05 * loud);
        }
    }
    // Letter gaps, the gap before the dashes and the gaps between them are
    // silent after the release has died away.
    for (std::size_t i = 1; i < notes.size(); ++i) {
        if (notes[i].onUs - notes[i - 1].offUs < 3 * 48'000) continue;
        EXPECT_LT(rms(samples, notes[i - 1].offUs + 90'000, notes[i].onUs - 2'000), 0.05 * loud) << "gap before " << i;
    }
    // The four long dashes at velocities 127, 107, 77, 47 fall in level.
    double previous = 1e12;
    for (std::size_t d = 14; d < 18; ++d) {
        const double level = rms(samples, notes[d].onUs + 100'000, notes[d].offUs - 100'000);
        EXPECT_LT(level, previous) << "dash " << d - 13;
        previous = level;
    }
    EXPECT_GT(previous, 0.0);
}

TEST_F(RenderTest, TheWaveFileHasAPcmHeaderAndAllSamples) {
    TempDir dir;
    const std::vector<std::int16_t> samples = {0, 1, -1, 32767, -32768, 5};
    writeWav16(dir.file("x.wav"), samples, 2, kRate);
    const QByteArray bytes = TempDir::readAll(dir.file("x.wav"));
    ASSERT_EQ(bytes.size(), 44 + 12);
    EXPECT_EQ(bytes.left(4), "RIFF");
    EXPECT_EQ(bytes.mid(8, 8), "WAVEfmt ");
    EXPECT_EQ(bytes.mid(36, 4), "data");
    EXPECT_EQ(static_cast<unsigned char>(bytes[40]), 12);
    EXPECT_EQ(static_cast<unsigned char>(bytes[44 + 6]), 0xFF);  // 32767 little-endian
    EXPECT_EQ(static_cast<unsigned char>(bytes[44 + 7]), 0x7F);
    EXPECT_THROW(writeWav16(dir.file("no/such/dir/x.wav"), samples, 2, kRate), std::exception);
}

}  // namespace
}  // namespace orvane::cwsim
