#pragma once

#include <QList>
#include <QRect>
#include <QSize>
#include <QString>

#include "common/IniFile.h"

namespace orvane::app {

// Responsibilities: the main window's own section "Orvane" of the settings
// file: which keys, their defaults, the range each value must lie in, and the
// order in which they are written at close. No widgets: the window hands the
// values in and out.
struct MainSettings {
    static constexpr const char* kSection = "Orvane";
    static constexpr int kDefaultLeft = 2;
    static constexpr int kDefaultTop = 2;
    static constexpr int kDefaultBeaconBand = 0;
    static constexpr int kDefaultNightShade = 2;
    // A public server that still answers the Time protocol (RFC 868, UDP 37).
    static constexpr const char* kDefaultHostsText = "time.nist.gov";

    QString HostsText = QString::fromLatin1(kDefaultHostsText);
    int BeaconBand = kDefaultBeaconBand;  // 0..4
    int NightShade = kDefaultNightShade;  // 0..4
    bool MonoMap = false;
    // The map's own view: graded twilight instead of the single terminator,
    // the map alone in the window, and the user's station as a Maidenhead
    // locator ("JO22"; empty when none is set).
    bool Twilight = false;
    bool MapOnly = false;
    QString Locator;
    // The display's correction of the PC clock, "offsetMs measuredAtUtcMs"
    // (timesync/CorrectedClock.h); empty: none.
    QString ClockCorrection;
};

struct WindowPosition {
    int Left = MainSettings::kDefaultLeft;
    int Top = MainSettings::kDefaultTop;
    friend bool operator==(const WindowPosition&, const WindowPosition&) = default;
};

// The size of the window's client area; 0 is the classic size.
struct WindowSize {
    int Width = 0;
    int Height = 0;
    friend bool operator==(const WindowSize&, const WindowSize&) = default;
};
// Largest side taken from the file, so a damaged value cannot ask for a
// picture of gigabytes (the map follows the window).
inline constexpr int kMaxWindowSide = 8192;

// Reads HostsText, BeaconBand, NightShade, MonoMap, Twilight, MapOnly,
// Locator and ClockCorrection, in that order. A band outside 0..4 is taken as the nearest band
// and a darkness level outside 0..4 as the default, so either can safely
// select a radio item or a flag; a locator that does not parse is none.
MainSettings ReadMainIni(const IniFile& ini);

// Left and Top as stored, within ±kMaxWindowCoordinate (a damaged value must
// not overflow the window's edges); PlaceOnScreens brings them onto a screen.
inline constexpr int kMaxWindowCoordinate = 1'000'000;
WindowPosition ReadWindowPosition(const IniFile& ini);

// Width and Height as stored, each brought up to `minimum` (the classic
// size) and down to kMaxWindowSide; missing keys give the minimum.
WindowSize ReadWindowSize(const IniFile& ini, const QSize& minimum);

// The stored place of a window of `frameSize`, kept where at least a corner
// of it (kMinVisiblePixels square) shows on one of the screens' available
// areas; otherwise moved into the first screen's area (a settings file from
// a larger or a second, now missing, monitor). No screens: kept.
inline constexpr int kMinVisiblePixels = 32;
WindowPosition PlaceOnScreens(const WindowPosition& stored, const QSize& frameSize,
                              const QList<QRect>& availableScreens);

// Writes HostsText, BeaconBand, NightShade, ClockCorrection (while there is
// one or the file has the key), Left and Top, then Width, Height, Twilight,
// MapOnly and Locator. MonoMap is never written. Throws
// OrvaneError("Unable to write to <file>").
void SaveMainIni(IniFile& ini, const MainSettings& settings, const WindowPosition& position,
                 const WindowSize& size);

}  // namespace orvane::app
