#include "cwsim/MidiOutputLayer.h"

#include <algorithm>
#include <cstring>
#include <string_view>

namespace orvane::cwsim {
namespace {

std::string_view textOf(MidiResult code) {
    switch (code) {
    case midierr::kNoError: return "The operation completed successfully.";
    case midierr::kError: return "The MIDI output device reported an unspecified error.";
    case midierr::kBadDeviceId: return "There is no MIDI output device with that number.";
    case midierr::kAllocated: return "The MIDI output device is already in use by another program. Close that program and try again.";
    case midierr::kInvalidHandle: return "The MIDI output is not open.";
    case midierr::kNoDriver: return "No audio output could be opened for the MIDI synthesiser. Check that the desktop's sound service is running.";
    case midierr::kNoMem: return "There is not enough memory for the MIDI output.";
    case midierr::kInvalidParam: return "A MIDI message with an invalid value was not sent.";
    case midierr::kNoDevice: return "The MIDI output device is no longer present. Check that it is connected and switched on.";
    default: return {};
    }
}

}  // namespace

MidiResult midiGetErrorText(MidiResult code, char* text, unsigned size) {
    if (text == nullptr || size == 0) return midierr::kInvalidParam;
    const std::string full = midiErrorText(code);
    const std::size_t n = std::min<std::size_t>(full.size(), size - 1u);
    std::memcpy(text, full.data(), n);
    text[n] = '\0';
    return midierr::kNoError;
}

std::string midiErrorText(MidiResult code) {
    const std::string_view known = textOf(code);
    if (!known.empty()) return std::string(known);
    return "MIDI error " + std::to_string(code) + ".";
}

}  // namespace orvane::cwsim
