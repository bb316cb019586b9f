#include "app/MainSettings.h"

#include <algorithm>

#include "beacons/BandPlan.h"
#include "map/Maidenhead.h"

namespace orvane::app {
namespace {

const QString kSectionName = QString::fromLatin1(MainSettings::kSection);

}  // namespace

MainSettings ReadMainIni(const IniFile& ini) {
    MainSettings s;
    s.HostsText = ini.readString(kSectionName, QStringLiteral("HostsText"), s.HostsText);
    s.BeaconBand = ini.readInteger(kSectionName, QStringLiteral("BeaconBand"), MainSettings::kDefaultBeaconBand);
    // Above the last band selects the last band, as the radio groups always
    // did; below the first selects the first instead of no band at all.
    s.BeaconBand = std::clamp(s.BeaconBand, 0, beacons::kBandCount - 1);
    s.NightShade = ini.readInteger(kSectionName, QStringLiteral("NightShade"), MainSettings::kDefaultNightShade);
    if (s.NightShade < 0 || s.NightShade > 4) s.NightShade = MainSettings::kDefaultNightShade;
    s.MonoMap = ini.readBool(kSectionName, QStringLiteral("MonoMap"), false);
    s.Twilight = ini.readBool(kSectionName, QStringLiteral("Twilight"), false);
    s.MapOnly = ini.readBool(kSectionName, QStringLiteral("MapOnly"), false);
    const QString locator = ini.readString(kSectionName, QStringLiteral("Locator"), QString());
    if (const auto parsed = map::ParseLocator(locator.toStdString())) s.Locator = QString::fromStdString(parsed->text);
    s.ClockCorrection = ini.readString(kSectionName, QStringLiteral("ClockCorrection"), QString());
    return s;
}

WindowPosition ReadWindowPosition(const IniFile& ini) {
    WindowPosition p;
    const auto coordinate = [&ini](const char* key, int fallback) {
        return std::clamp(ini.readInteger(kSectionName, QString::fromLatin1(key), fallback), -kMaxWindowCoordinate,
                          kMaxWindowCoordinate);
    };
    p.Left = coordinate("Left", MainSettings::kDefaultLeft);
    p.Top = coordinate("Top", MainSettings::kDefaultTop);
    return p;
}

WindowSize ReadWindowSize(const IniFile& ini, const QSize& minimum) {
    const auto side = [&ini](const char* key, int low) {
        return std::clamp(ini.readInteger(kSectionName, QString::fromLatin1(key), 0), low, std::max(low, kMaxWindowSide));
    };
    return WindowSize{side("Width", minimum.width()), side("Height", minimum.height())};
}

void SaveMainIni(IniFile& ini, const MainSettings& settings, const WindowPosition& position,
                 const WindowSize& size) {
    ini.writeString(kSectionName, QStringLiteral("HostsText"), settings.HostsText);
    ini.writeInteger(kSectionName, QStringLiteral("BeaconBand"), settings.BeaconBand);
    ini.writeInteger(kSectionName, QStringLiteral("NightShade"), settings.NightShade);
    // Written only while there is one, so a file without it stays as it was.
    if (!settings.ClockCorrection.isEmpty() || ini.hasKey(kSectionName, QStringLiteral("ClockCorrection")))
        ini.writeString(kSectionName, QStringLiteral("ClockCorrection"), settings.ClockCorrection);
    ini.writeInteger(kSectionName, QStringLiteral("Left"), position.Left);
    ini.writeInteger(kSectionName, QStringLiteral("Top"), position.Top);
    ini.writeInteger(kSectionName, QStringLiteral("Width"), size.Width);
    ini.writeInteger(kSectionName, QStringLiteral("Height"), size.Height);
    ini.writeBool(kSectionName, QStringLiteral("Twilight"), settings.Twilight);
    ini.writeBool(kSectionName, QStringLiteral("MapOnly"), settings.MapOnly);
    ini.writeString(kSectionName, QStringLiteral("Locator"), settings.Locator);
}

WindowPosition PlaceOnScreens(const WindowPosition& stored, const QSize& frameSize,
                              const QList<QRect>& availableScreens) {
    if (availableScreens.isEmpty()) return stored;
    const QRect window(QPoint(stored.Left, stored.Top), frameSize);
    for (const QRect& screen : availableScreens) {
        const QRect shown = window.intersected(screen);
        if (shown.width() >= std::min(kMinVisiblePixels, window.width()) &&
            shown.height() >= std::min(kMinVisiblePixels, window.height()))
            return stored;
    }
    const QRect& first = availableScreens.front();
    // A window larger than the screen keeps its top left corner on it.
    const auto fit = [](int value, int low, int length, int room) {
        return std::max(low, std::min(value, low + room - length));
    };
    return WindowPosition{fit(stored.Left, first.left(), frameSize.width(), first.width()),
                          fit(stored.Top, first.top(), frameSize.height(), first.height())};
}

}  // namespace orvane::app
