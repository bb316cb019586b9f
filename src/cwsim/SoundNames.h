#pragma once

#include <QString>
#include <string_view>

namespace orvane::cwsim {

// What the "Beacon Setup" dialog's numbers mean to a listener: the Morse
// speed of a dot time, the name and pitch of a MIDI note, and the General
// MIDI instrument of a patch.

// PARIS words per minute of a Morse unit (the dot) of `dotMs` ms: a word is
// 50 units, so wpm = 60000 / (50 * dotMs) = 1200 / dotMs, rounded. 0 for a
// unit of 0 ms or less.
int wordsPerMinute(int dotMs);

// The note's name in scientific pitch notation, with sharps, middle C (60)
// being C4: 74 is "D5", 61 "C#4". Notes outside 0..127 have no name ("").
QString noteName(int midiNote);

// The note's pitch in equal temperament with A4 (69) at 440 Hz.
double noteHz(int midiNote);

// The General MIDI Level 1 instrument of a 0-based program number (0..127),
// "" outside that range: 0 "Acoustic Grand Piano", 79 "Ocarina".
std::string_view gmInstrumentName(int program);

// The meanings shown beside the classic captions: "25 wpm" for "Speed: 48",
// "D5, 587.3 Hz" for "Tone: 74", "Ocarina (GM 80)" for "Patch: 79" (the
// patch goes out as the program byte, clamped to 0..127, which GM numbers
// from 1).
QString speedMeaning(int dotMs);
QString toneMeaning(int midiNote);
QString patchMeaning(int patch);

}  // namespace orvane::cwsim
