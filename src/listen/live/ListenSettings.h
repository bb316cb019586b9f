#pragma once

#include <QString>
#include <map>

#include "common/IniFile.h"
#include "listen/DelayEstimator.h"

namespace orvane::listen {

// An audio input as the system offers it: its id, which tells two inputs of
// the same make apart (two identical USB codecs), and the description shown.
struct AudioInput {
    QString id;
    QString description;

    friend bool operator==(const AudioInput&, const AudioInput&) = default;
};

// Responsibilities: the section "Listen" of the settings file: the audio
// input the radio's receive audio comes in on (its id as the system names it
// in DeviceId, its description in Device for the reader and for settings
// written before ids were kept; both empty: the system's default input) and
// the pitch of the beacon's tone in the receiver (Hz). A pitch that is no
// number or out of range reads as the default, so it can always be handed to
// the detector. The "Audio delay" of each input (fixed ms or auto, with the
// last estimate) is kept by the input's key in Delays, as
// KEY=VALUE;KEY=VALUE..., the key percent-encoded; an input with none is
// fixed at 0, and entries that do not read are left out.
struct ListenSettings {
    static constexpr const char* kSection = "Listen";
    static constexpr int kDefaultPitchHz = 700;
    static constexpr int kMinPitchHz = 300;
    static constexpr int kMaxPitchHz = 1200;
    // A device description longer than this is damage, not a name.
    static constexpr int kMaxDeviceChars = 256;
    static constexpr std::size_t kMaxDelaysKept = 32;

    QString Device;
    int PitchHz = kDefaultPitchHz;
    QString DeviceId{};  // empty with a Device: stored by its description only
    std::map<QString, ReceiveDelay> Delays{};  // by inputKey()

    // The chosen input's key: its id, or its description when stored without one.
    QString inputKey() const { return DeviceId.isEmpty() ? Device : DeviceId; }
    // The chosen input's delay (fixed 0 when none is kept), and setting it.
    ReceiveDelay delay() const;
    void setDelay(const ReceiveDelay& delay) { Delays[inputKey()] = delay; }

    friend bool operator==(const ListenSettings&, const ListenSettings&) = default;
};

ListenSettings ReadListenIni(const IniFile& ini);
// Throws OrvaneError("Unable to write to <file>").
void SaveListenIni(IniFile& ini, const ListenSettings& settings);

}  // namespace orvane::listen
