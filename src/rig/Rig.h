#pragma once

#include <QString>
#include <memory>

#include "common/OrvaneError.h"

namespace orvane::rig {

// The radio's connection as the program sees it. Only receive-side calls
// exist here: the program never keys a transmitter, so there is no PTT, CW
// keying or any other transmit command to call.
struct RigSettings {
    int model = 2;           // Hamlib rig model; 2 is the network rig (rigctld)
    QString port;            // serial device, or host:port for a network rigctld
    int serialSpeed = 0;     // baud; 0 keeps the model's default
    int timeoutMs = 2000;    // per command; a rig that does not answer ends the call
};

// A failure reported by the rig library, its text as the library gives it.
class RigError : public OrvaneError {
public:
    using OrvaneError::OrvaneError;
};

// Responsibilities: one radio connection. Every call may block up to the
// time-out, so callers run them off the GUI thread; each throws RigError.
class Rig {
public:
    virtual ~Rig() = default;
    virtual void open() = 0;
    // Sets the receive frequency and mode CW.
    virtual void tune(double hz) = 0;
    virtual double frequencyHz() = 0;
    virtual void close() = 0;
};

// The Hamlib rig for the settings (not yet opened).
std::unique_ptr<Rig> makeHamlibRig(const RigSettings& settings);

}  // namespace orvane::rig
