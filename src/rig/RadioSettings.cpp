#include "rig/RadioSettings.h"

namespace orvane::rig {

RigSettings ReadRadioIni(const IniFile& ini) {
    const QString section = QString::fromLatin1(kRadioSection);
    RigSettings s;
    const int model = ini.readInteger(section, QStringLiteral("Model"), s.model);
    if (model > 0 && model < 100'000) s.model = model;
    s.port = ini.readString(section, QStringLiteral("Port"), QString()).left(256);
    const int speed = ini.readInteger(section, QStringLiteral("Speed"), 0);
    if (speed >= 0 && speed <= 1'000'000) s.serialSpeed = speed;
    return s;
}

void SaveRadioIni(IniFile& ini, const RigSettings& settings) {
    const QString section = QString::fromLatin1(kRadioSection);
    ini.writeInteger(section, QStringLiteral("Model"), settings.model);
    ini.writeString(section, QStringLiteral("Port"), settings.port);
    ini.writeInteger(section, QStringLiteral("Speed"), settings.serialSpeed);
}

}  // namespace orvane::rig
