#pragma once

#include <cstdint>
#include <string>

namespace orvane::cwsim {

// Result of every call of the MIDI output layer; 0 is success. The numbers
// follow the classic multimedia result codes so that a code seen in a report
// means the same thing everywhere.
using MidiResult = std::uint16_t;

namespace midierr {
inline constexpr MidiResult kNoError = 0;
inline constexpr MidiResult kError = 1;          // unspecified failure of the device
inline constexpr MidiResult kBadDeviceId = 2;    // no device with that number
inline constexpr MidiResult kAllocated = 4;      // the device is in use
inline constexpr MidiResult kInvalidHandle = 5;  // not an open output
inline constexpr MidiResult kNoDriver = 6;       // no audio or sequencer driver
inline constexpr MidiResult kNoMem = 7;
inline constexpr MidiResult kInvalidParam = 11;  // e.g. a data byte above 127
inline constexpr MidiResult kNoDevice = 68;      // the port went away
}  // namespace midierr

// The default output: the software synthesiser, or the device the user chose.
inline constexpr unsigned kMidiMapper = 0xFFFF;

// Three bytes packed for midiOutShortMsg: status lowest, then the two data
// bytes, 0 in the top byte.
constexpr std::uint32_t packShortMsg(std::uint8_t status, std::uint8_t data1, std::uint8_t data2) {
    return static_cast<std::uint32_t>(status) | static_cast<std::uint32_t>(data1) << 8 |
           static_cast<std::uint32_t>(data2) << 16;
}
constexpr std::uint8_t shortMsgStatus(std::uint32_t msg) { return static_cast<std::uint8_t>(msg & 0xFFu); }
constexpr std::uint8_t shortMsgData1(std::uint32_t msg) { return static_cast<std::uint8_t>(msg >> 8 & 0xFFu); }
constexpr std::uint8_t shortMsgData2(std::uint32_t msg) { return static_cast<std::uint8_t>(msg >> 16 & 0xFFu); }

// True for a channel message whose data bytes fit 7 bits and whose top byte is 0.
constexpr bool isValidShortMsg(std::uint32_t msg) {
    return (msg & 0xFF000000u) == 0 && (shortMsgStatus(msg) & 0x80u) != 0 && shortMsgStatus(msg) < 0xF0u &&
           shortMsgData1(msg) < 0x80u && shortMsgData2(msg) < 0x80u;
}

// An open output; what it is belongs to the layer that handed it out.
struct MidiOutPort;
using MidiOutHandle = MidiOutPort*;

// Responsibilities: the program's MIDI output devices under the names the
// player uses: count them, open one, send short messages, close it.
// Device numbers run 0..midiOutGetNumDevs()-1; kMidiMapper opens the default.
// Sends of one open output may come from several threads at once; each
// message goes out whole. The layer never blocks for longer than a send.
class MidiOutputLayer {
public:
    virtual ~MidiOutputLayer() = default;

    // Devices that can really sound: the synthesiser when it has a soundfont
    // and an audio output, and each sequencer port that leads to a synthesiser.
    virtual unsigned midiOutGetNumDevs() = 0;
    // The device's name for lists and settings; empty for a bad number.
    virtual std::string midiOutDeviceName(unsigned deviceId) = 0;
    virtual MidiResult midiOutOpen(MidiOutHandle* handle, unsigned deviceId) = 0;
    virtual MidiResult midiOutShortMsg(MidiOutHandle handle, std::uint32_t msg) = 0;
    virtual MidiResult midiOutClose(MidiOutHandle handle) = 0;
    // Loads ahead of time what opening the device needs (the synthesiser's
    // soundfont), so that a later open is quick. May take long; callable from
    // any thread. An open that comes first loads it itself.
    virtual void midiOutPrepare(unsigned deviceId) { (void)deviceId; }
};

// The text for a result code, written into text (at most size - 1 characters
// and a terminator). Gives kInvalidParam for a null buffer or size 0.
MidiResult midiGetErrorText(MidiResult code, char* text, unsigned size);
std::string midiErrorText(MidiResult code);

}  // namespace orvane::cwsim
