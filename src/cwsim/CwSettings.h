#pragma once

#include <QString>

namespace orvane {
class IniFile;
}

namespace orvane::cwsim {

// The range of one sound control, its position in the dialog's design and
// its default in the settings file.
struct ControlRange {
    int minimum;
    int maximum;
    int designPosition;
    int settingDefault;
    int largeStep;

    constexpr int clamp(int value) const { return value < minimum ? minimum : value > maximum ? maximum : value; }
};

inline constexpr ControlRange kSpeedRange{27, 75, 75, 48, 10};    // Morse unit in ms
inline constexpr ControlRange kPatchRange{1, 128, 1, 79, 5};      // MIDI program
inline constexpr ControlRange kToneRange{40, 108, 60, 74, 5};     // MIDI note number
inline constexpr ControlRange kVolumeRange{80, 127, 127, 127, 5}; // MIDI velocity
// Above this unit a transmission no longer fits its ten-second slot.
inline constexpr int kSlotSafeSpeed = 48;

// Responsibilities: the "CWsim" section of the settings file, as stored:
// values are read unclamped (the controls clamp them when they are applied).
// "cwDevice" names the MIDI output to use; empty means the synthesiser.
struct CwSettings {
    int speed = kSpeedRange.settingDefault;
    int patch = kPatchRange.settingDefault;
    int tone = kToneRange.settingDefault;
    int volume = kVolumeRange.settingDefault;
    QString device;

    static CwSettings read(const IniFile& ini);
    // Writes the four sound keys; "cwDevice" is only ever set by hand.
    void write(IniFile& ini) const;
};

inline const QString kCwSection = QStringLiteral("CWsim");
inline const QString kBeaconWinSection = QStringLiteral("BeaconWin");

}  // namespace orvane::cwsim
