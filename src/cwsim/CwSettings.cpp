#include "cwsim/CwSettings.h"

#include "common/IniFile.h"

namespace orvane::cwsim {

CwSettings CwSettings::read(const IniFile& ini) {
    CwSettings s;
    s.speed = ini.readInteger(kCwSection, QStringLiteral("cwSpeed"), kSpeedRange.settingDefault);
    s.patch = ini.readInteger(kCwSection, QStringLiteral("cwPatch"), kPatchRange.settingDefault);
    s.tone = ini.readInteger(kCwSection, QStringLiteral("cwTone"), kToneRange.settingDefault);
    s.volume = ini.readInteger(kCwSection, QStringLiteral("cwVolume"), kVolumeRange.settingDefault);
    s.device = ini.readString(kCwSection, QStringLiteral("cwDevice"), QString());
    return s;
}

void CwSettings::write(IniFile& ini) const {
    ini.writeInteger(kCwSection, QStringLiteral("cwSpeed"), speed);
    ini.writeInteger(kCwSection, QStringLiteral("cwPatch"), patch);
    ini.writeInteger(kCwSection, QStringLiteral("cwTone"), tone);
    ini.writeInteger(kCwSection, QStringLiteral("cwVolume"), volume);
}

}  // namespace orvane::cwsim
