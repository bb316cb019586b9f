#pragma once

#include <cstdint>

#include "cwsim/MidiOutputLayer.h"

namespace orvane::cwsim {

// An open output of the system layer: the synthesiser or a sequencer port.
// send() may be called from several threads at once.
struct MidiOutPort {
    virtual ~MidiOutPort() = default;
    virtual MidiResult send(std::uint32_t msg) = 0;
};

}  // namespace orvane::cwsim
