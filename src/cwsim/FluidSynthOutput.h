#pragma once

#include <QString>
#include <cstdint>
#include <memory>
#include <vector>

#include "cwsim/MidiOutPort.h"
#include "cwsim/Transmission.h"

namespace orvane::cwsim {

// The General MIDI soundfont installed with the program's dependencies.
QString defaultSoundFontPath();

// Responsibilities: the built-in software synthesiser as a MIDI output.
// FluidSynth with a GM soundfont whose samples load on demand (only the one
// instrument in use sits in memory), played through the desktop's audio
// (whichever of PulseAudio, PipeWire, ALSA FluidSynth can open). Reverb and
// chorus are off: Morse wants clean keying.
class FluidSynthOutput {
public:
    // Whether the synthesiser can really sound here: the soundfont exists
    // and an audio output opens. Opens and closes the audio output once.
    static bool canSound(const QString& soundFont);

    // Opens the synthesiser with its audio output; *result says why not.
    static std::unique_ptr<MidiOutPort> open(const QString& soundFont, MidiResult* result);
};

// Responsibilities: plays timed messages through FluidSynth offline into
// 16-bit stereo samples; no audio device is involved. Each message is applied
// when the output reaches its sample position (the synthesiser itself starts
// a note at its next 64-sample block, at most 1.5 ms at 44.1 kHz).
//
// Errors: OrvaneError when the soundfont cannot be loaded.
class FluidRenderer {
public:
    explicit FluidRenderer(const QString& soundFont, int sampleRate = 44100);
    ~FluidRenderer();
    FluidRenderer(const FluidRenderer&) = delete;
    FluidRenderer& operator=(const FluidRenderer&) = delete;

    int sampleRate() const { return sampleRate_; }
    // Interleaved left/right samples from time 0 to the last message plus tailUs.
    std::vector<std::int16_t> render(const std::vector<TimedMessage>& messages, std::int64_t tailUs);

private:
    struct Synth;
    std::unique_ptr<Synth> synth_;
    int sampleRate_;
};

// Writes 16-bit PCM samples (interleaved channels) as a RIFF WAVE file,
// atomically. Errors: OrvaneError("Unable to write to <file>").
void writeWav16(const QString& fileName, const std::vector<std::int16_t>& samples, int channels, int sampleRate);

}  // namespace orvane::cwsim
