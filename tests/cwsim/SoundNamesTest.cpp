// What the Beacon Setup's numbers mean: words per minute of a dot time, the
// name and pitch of a MIDI note, the General MIDI instrument of a patch.
#include <gtest/gtest.h>

#include "cwsim/CwSettings.h"
#include "cwsim/SoundNames.h"

namespace orvane::cwsim {
namespace {

// PARIS: 50 units a word, so wpm = 1200 / unit ms (ARRL, "Morse code speed").
TEST(SoundNames, DotTimeInWordsPerMinute) {
    struct Case {
        int dotMs, wpm;
        const char* text;
    };
    const Case cases[] = {
        {48, 25, "25 wpm"},  // the default
        {27, 44, "44 wpm"},  // the fastest the control allows (44.4)
        {75, 16, "16 wpm"},  // the slowest
        {60, 20, "20 wpm"},  {50, 24, "24 wpm"}, {45, 27, "27 wpm"},  // 26.7 rounds up
        {0, 0, "0 wpm"},     {-5, 0, "0 wpm"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.dotMs);
        EXPECT_EQ(wordsPerMinute(c.dotMs), c.wpm);
        EXPECT_EQ(speedMeaning(c.dotMs), QString::fromLatin1(c.text));
    }
}

// Scientific pitch notation with middle C = C4 = 60, A4 = 69 = 440 Hz
// (ISO 16); the pitches from 440 * 2^((n - 69) / 12), to 0.05 Hz.
TEST(SoundNames, MidiNoteNameAndPitch) {
    struct Case {
        int note;
        const char* name;
        double hz;
        const char* text;
    };
    const Case cases[] = {
        {74, "D5", 587.33, "D5, 587.3 Hz"},    // the default tone
        {69, "A4", 440.00, "A4, 440.0 Hz"},    {60, "C4", 261.63, "C4, 261.6 Hz"},
        {61, "C#4", 277.18, "C#4, 277.2 Hz"},  {40, "E2", 82.41, "E2, 82.4 Hz"},     // the control's lowest
        {108, "C8", 4186.01, "C8, 4186.0 Hz"}, {0, "C-1", 8.18, "C-1, 8.2 Hz"},
        {127, "G9", 12543.85, "G9, 12543.9 Hz"}, {71, "B4", 493.88, "B4, 493.9 Hz"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.note);
        EXPECT_EQ(noteName(c.note), QString::fromLatin1(c.name));
        EXPECT_NEAR(noteHz(c.note), c.hz, 0.05);
        EXPECT_EQ(toneMeaning(c.note), QString::fromLatin1(c.text));
    }
    EXPECT_TRUE(noteName(-1).isEmpty());
    EXPECT_TRUE(noteName(128).isEmpty());
    // An octave doubles the pitch all the way up.
    for (int n = kToneRange.minimum; n + 12 <= kToneRange.maximum; ++n) EXPECT_NEAR(noteHz(n + 12), 2 * noteHz(n), 1e-9);
}

// The patch goes out as a 0-based program byte clamped to 0..127; General
// MIDI numbers its programs from 1.
TEST(SoundNames, PatchIsAGeneralMidiInstrument) {
    struct Case {
        int patch;
        const char* text;
    };
    const Case cases[] = {
        {79, "Ocarina (GM 80)"},                 // the default
        {1, "Bright Acoustic Piano (GM 2)"},     // the control's lowest
        {0, "Acoustic Grand Piano (GM 1)"},      // a stored 0
        {24, "Acoustic Guitar (nylon) (GM 25)"}, {56, "Trumpet (GM 57)"},
        {73, "Flute (GM 74)"},                   {80, "Lead 1 (square) (GM 81)"},
        {127, "Gunshot (GM 128)"},               {128, "Gunshot (GM 128)"},  // the control's highest, clamped
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.patch);
        EXPECT_EQ(patchMeaning(c.patch), QString::fromLatin1(c.text));
    }
    // Every program has a name of its own.
    for (int p = 0; p < 128; ++p) {
        EXPECT_FALSE(gmInstrumentName(p).empty()) << p;
        for (int q = 0; q < p; ++q) EXPECT_NE(gmInstrumentName(p), gmInstrumentName(q)) << p << " " << q;
    }
    EXPECT_TRUE(gmInstrumentName(128).empty());
    EXPECT_TRUE(gmInstrumentName(-1).empty());
}

}  // namespace
}  // namespace orvane::cwsim
