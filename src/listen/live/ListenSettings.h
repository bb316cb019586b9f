#pragma once

#include <QString>
#include <map>
#include <vector>

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

// One receiver's audio input beside the first, and what it listens for: a
// band of its own, or (kFollow) the band chosen under the map or tuned by
// the rig follower, as a single input does.
struct ListenInput {
    static constexpr int kFollow = -1;

    QString Device;    // its description; both empty: the system's default input
    QString DeviceId;  // its id, which tells identical codecs apart
    int Band = kFollow;  // 0..4, or kFollow

    // Its key in the settings' delays: its id, or its description when stored without one.
    QString key() const { return DeviceId.isEmpty() ? Device : DeviceId; }

    friend bool operator==(const ListenInput&, const ListenInput&) = default;
};

// Responsibilities: the section "Listen" of the settings file: the audio
// input the radio's receive audio comes in on (its id as the system names it
// in DeviceId, its description in Device for the reader and for settings
// written before ids were kept; both empty: the system's default input) and
// the pitch of the beacon's tone in the receiver (Hz). A pitch that is no
// number or out of range reads as the default, so it can always be handed to
// the detector. A station with several receivers lists the further inputs
// (Inputs=N counts all of them; Input2Device, Input2DeviceId, Input2Band and
// on), each with its band (Band=14.10 ... 28.20, or follow); a file written
// before there were several reads as the one input following the map.
//
// The "Audio delay" of each input (fixed ms or auto, with the last estimate)
// is kept by the input's key in Delays, as KEY=VALUE;KEY=VALUE..., the key
// percent-encoded; an input with none is fixed at 0, and entries that do not
// read are left out.
struct ListenSettings {
    static constexpr const char* kSection = "Listen";
    static constexpr int kDefaultPitchHz = 700;
    static constexpr int kMinPitchHz = 300;
    static constexpr int kMaxPitchHz = 1200;
    // A device description longer than this is damage, not a name.
    static constexpr int kMaxDeviceChars = 256;
    // Inputs listened to at once, the first included: one a band, and a
    // few more following.
    static constexpr int kMaxInputs = 8;
    static constexpr std::size_t kMaxDelaysKept = 32;

    QString Device;
    int PitchHz = kDefaultPitchHz;
    QString DeviceId{};  // empty with a Device: stored by its description only
    int Band = ListenInput::kFollow;  // the first input's
    std::vector<ListenInput> MoreInputs{};  // the receivers beside the first, at most kMaxInputs - 1
    std::map<QString, ReceiveDelay> Delays{};  // by inputKey()

    // The chosen input's key: its id, or its description when stored without one.
    QString inputKey() const { return ListenInput{Device, DeviceId, Band}.key(); }
    // The chosen input's delay (fixed 0 when none is kept), and setting it.
    ReceiveDelay delay() const { return delayOf({Device, DeviceId, Band}); }
    void setDelay(const ReceiveDelay& delay) { Delays[inputKey()] = delay; }
    // Any input's delay (fixed 0 when none is kept).
    ReceiveDelay delayOf(const ListenInput& input) const;

    friend bool operator==(const ListenSettings&, const ListenSettings&) = default;
};

// Every input, the first (Device, DeviceId, Band) first.
std::vector<ListenInput> listenInputs(const ListenSettings& settings);

// A band as the settings file writes it: its caption ("14.10"), or "follow".
QString listenBandText(int band);
// The band of such a text; kFollow for "follow" and for anything else.
int listenBandOf(const QString& text);

ListenSettings ReadListenIni(const IniFile& ini);
// Throws OrvaneError("Unable to write to <file>").
void SaveListenIni(IniFile& ini, const ListenSettings& settings);

}  // namespace orvane::listen
