#pragma once

#include <QString>

#include "common/IniFile.h"

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
// the detector.
struct ListenSettings {
    static constexpr const char* kSection = "Listen";
    static constexpr int kDefaultPitchHz = 700;
    static constexpr int kMinPitchHz = 300;
    static constexpr int kMaxPitchHz = 1200;
    // A device description longer than this is damage, not a name.
    static constexpr int kMaxDeviceChars = 256;

    QString Device;
    int PitchHz = kDefaultPitchHz;
    QString DeviceId{};  // empty with a Device: stored by its description only

    friend bool operator==(const ListenSettings&, const ListenSettings&) = default;
};

ListenSettings ReadListenIni(const IniFile& ini);
// Throws OrvaneError("Unable to write to <file>").
void SaveListenIni(IniFile& ini, const ListenSettings& settings);

}  // namespace orvane::listen
