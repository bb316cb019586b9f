#pragma once

#include <QString>
#include <cstdint>
#include <memory>
#include <mutex>
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
//
// Nothing is loaded when it is made: the synthesiser and its soundfont load
// on the first load() or open() and then stay for the run. Each open() starts
// an audio stream on that one synthesiser, which runs only until its port is
// deleted, so an idle program keeps no stream (and no sound device) busy.
// Thread-safe: load() and open() may come from any thread at once.
class FluidSynthOutput {
public:
    explicit FluidSynthOutput(QString soundFont);
    ~FluidSynthOutput();
    FluidSynthOutput(const FluidSynthOutput&) = delete;
    FluidSynthOutput& operator=(const FluidSynthOutput&) = delete;

    // Whether the synthesiser can really sound here: the soundfont is
    // readable and an audio output opens. Asks ALSA's default device first,
    // where the synthesiser plays first (on a desktop, the sound server
    // through ALSA's plug-in), so that counting the outputs at start does not
    // load FluidSynth; only when that device takes no stream does it open and
    // close FluidSynth's own outputs once, on a synthesiser without a
    // soundfont (nothing is loaded).
    static bool canSound(const QString& soundFont);

    // Loads the synthesiser and its soundfont, once; kNoError when it is
    // there. A failed load is tried again at the next call.
    MidiResult load();
    bool loaded() const;

    // An audio stream on the loaded synthesiser (loaded first if need be);
    // *result says why not. Deleting the port stops the stream and silences
    // what still sounds, so nothing is left over for the next one.
    std::unique_ptr<MidiOutPort> open(MidiResult* result);

private:
    struct Engine;
    QString soundFont_;
    mutable std::mutex mutex_;
    std::unique_ptr<Engine> engine_;
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
