#include "listen/live/ListenSettings.h"

namespace orvane::listen {

ListenSettings ReadListenIni(const IniFile& ini) {
    const QString section = QString::fromLatin1(ListenSettings::kSection);
    ListenSettings s;
    s.Device = ini.readString(section, QStringLiteral("Device"), QString()).left(ListenSettings::kMaxDeviceChars);
    s.DeviceId = ini.readString(section, QStringLiteral("DeviceId"), QString()).left(ListenSettings::kMaxDeviceChars);
    const int pitch = ini.readInteger(section, QStringLiteral("Pitch"), ListenSettings::kDefaultPitchHz);
    if (pitch >= ListenSettings::kMinPitchHz && pitch <= ListenSettings::kMaxPitchHz) s.PitchHz = pitch;
    return s;
}

void SaveListenIni(IniFile& ini, const ListenSettings& settings) {
    const QString section = QString::fromLatin1(ListenSettings::kSection);
    ini.writeString(section, QStringLiteral("Device"), settings.Device);
    ini.writeString(section, QStringLiteral("DeviceId"), settings.DeviceId);
    ini.writeInteger(section, QStringLiteral("Pitch"), settings.PitchHz);
}

}  // namespace orvane::listen
