#include "cwsim/SoundNames.h"

#include <array>
#include <cmath>

#include "cwsim/BeaconPlayer.h"

namespace orvane::cwsim {
namespace {

// The General MIDI Level 1 sound set, program 1..128 (MIDI Manufacturers
// Association, "General MIDI System Level 1", 1991), here from 0.
constexpr std::array<std::string_view, 128> kGmInstruments{
    "Acoustic Grand Piano", "Bright Acoustic Piano", "Electric Grand Piano", "Honky-tonk Piano",
    "Electric Piano 1", "Electric Piano 2", "Harpsichord", "Clavi",
    "Celesta", "Glockenspiel", "Music Box", "Vibraphone", "Marimba", "Xylophone", "Tubular Bells", "Dulcimer",
    "Drawbar Organ", "Percussive Organ", "Rock Organ", "Church Organ", "Reed Organ", "Accordion", "Harmonica",
    "Tango Accordion",
    "Acoustic Guitar (nylon)", "Acoustic Guitar (steel)", "Electric Guitar (jazz)", "Electric Guitar (clean)",
    "Electric Guitar (muted)", "Overdriven Guitar", "Distortion Guitar", "Guitar Harmonics",
    "Acoustic Bass", "Electric Bass (finger)", "Electric Bass (pick)", "Fretless Bass", "Slap Bass 1",
    "Slap Bass 2", "Synth Bass 1", "Synth Bass 2",
    "Violin", "Viola", "Cello", "Contrabass", "Tremolo Strings", "Pizzicato Strings", "Orchestral Harp", "Timpani",
    "String Ensemble 1", "String Ensemble 2", "SynthStrings 1", "SynthStrings 2", "Choir Aahs", "Voice Oohs",
    "Synth Voice", "Orchestra Hit",
    "Trumpet", "Trombone", "Tuba", "Muted Trumpet", "French Horn", "Brass Section", "SynthBrass 1", "SynthBrass 2",
    "Soprano Sax", "Alto Sax", "Tenor Sax", "Baritone Sax", "Oboe", "English Horn", "Bassoon", "Clarinet",
    "Piccolo", "Flute", "Recorder", "Pan Flute", "Blown Bottle", "Shakuhachi", "Whistle", "Ocarina",
    "Lead 1 (square)", "Lead 2 (sawtooth)", "Lead 3 (calliope)", "Lead 4 (chiff)", "Lead 5 (charang)",
    "Lead 6 (voice)", "Lead 7 (fifths)", "Lead 8 (bass + lead)",
    "Pad 1 (new age)", "Pad 2 (warm)", "Pad 3 (polysynth)", "Pad 4 (choir)", "Pad 5 (bowed)", "Pad 6 (metallic)",
    "Pad 7 (halo)", "Pad 8 (sweep)",
    "FX 1 (rain)", "FX 2 (soundtrack)", "FX 3 (crystal)", "FX 4 (atmosphere)", "FX 5 (brightness)",
    "FX 6 (goblins)", "FX 7 (echoes)", "FX 8 (sci-fi)",
    "Sitar", "Banjo", "Shamisen", "Koto", "Kalimba", "Bag pipe", "Fiddle", "Shanai",
    "Tinkle Bell", "Agogo", "Steel Drums", "Woodblock", "Taiko Drum", "Melodic Tom", "Synth Drum", "Reverse Cymbal",
    "Guitar Fret Noise", "Breath Noise", "Seashore", "Bird Tweet", "Telephone Ring", "Helicopter", "Applause",
    "Gunshot",
};

constexpr std::array<const char*, 12> kPitchClasses{"C", "C#", "D", "D#", "E", "F", "F#", "G", "G#", "A", "A#", "B"};

}  // namespace

int wordsPerMinute(int dotMs) { return dotMs > 0 ? static_cast<int>(std::lround(1200.0 / dotMs)) : 0; }

QString noteName(int midiNote) {
    if (midiNote < 0 || midiNote > 127) return {};
    return QString::fromLatin1(kPitchClasses[static_cast<std::size_t>(midiNote % 12)]) +
           QString::number(midiNote / 12 - 1);
}

double noteHz(int midiNote) { return 440.0 * std::exp2((midiNote - 69) / 12.0); }

std::string_view gmInstrumentName(int program) {
    return program >= 0 && program < static_cast<int>(kGmInstruments.size())
               ? kGmInstruments[static_cast<std::size_t>(program)]
               : std::string_view();
}

QString speedMeaning(int dotMs) { return QStringLiteral("%1 wpm").arg(wordsPerMinute(dotMs)); }

QString toneMeaning(int midiNote) {
    return QStringLiteral("%1, %2 Hz").arg(noteName(midiNote)).arg(noteHz(midiNote), 0, 'f', 1);
}

QString patchMeaning(int patch) {
    const int program = BeaconPlayer::programByte(patch);
    const std::string_view name = gmInstrumentName(program);
    return QStringLiteral("%1 (GM %2)")
        .arg(QString::fromLatin1(name.data(), static_cast<qsizetype>(name.size())))
        .arg(program + 1);
}

}  // namespace orvane::cwsim
