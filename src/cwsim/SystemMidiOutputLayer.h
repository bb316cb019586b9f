#pragma once

#include <QString>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "cwsim/FluidSynthOutput.h"
#include "cwsim/MidiOutputLayer.h"

namespace orvane::cwsim {

// Responsibilities: the program's real MIDI outputs. Device 0 is the built-in
// FluidSynth synthesiser when it can sound here; after it come the ALSA
// sequencer ports that accept MIDI from other programs (hardware and external
// synthesisers; the kernel's "Midi Through" port and this program's own are
// left out, they make no sound). The devices are counted once, on the first
// question, and kept for the run. kMidiMapper opens the preferred device by
// name when it is present, else device 0. The synthesiser loads its
// soundfont on the first open or midiOutPrepare and keeps it; each open of
// it is an audio stream that ends with its close.
class SystemMidiOutputLayer final : public MidiOutputLayer {
public:
    explicit SystemMidiOutputLayer(QString soundFont, std::string preferredDevice = {});

    unsigned midiOutGetNumDevs() override;
    std::string midiOutDeviceName(unsigned deviceId) override;
    MidiResult midiOutOpen(MidiOutHandle* handle, unsigned deviceId) override;
    MidiResult midiOutShortMsg(MidiOutHandle handle, std::uint32_t msg) override;
    MidiResult midiOutClose(MidiOutHandle handle) override;
    void midiOutPrepare(unsigned deviceId) override;
    // Whether the synthesiser's soundfont is in memory.
    bool synthLoaded() const;

    static constexpr const char* kSynthName = "FluidSynth (General MIDI)";

private:
    struct Device {
        std::string name;
        bool synth;
        int client;
        int port;
    };
    const std::vector<Device>& devices();
    const Device* resolve(unsigned deviceId, MidiResult* result);

    QString soundFont_;
    std::string preferred_;
    std::once_flag counted_;
    std::vector<Device> devices_;
    std::unique_ptr<FluidSynthOutput> synth_;
};

}  // namespace orvane::cwsim
