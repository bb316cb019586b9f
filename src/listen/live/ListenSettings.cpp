#include "listen/live/ListenSettings.h"

#include <QStringList>
#include <QUrl>

namespace orvane::listen {

ReceiveDelay ListenSettings::delay() const {
    const auto it = Delays.find(inputKey());
    return it == Delays.end() ? ReceiveDelay{} : it->second;
}

namespace {

std::map<QString, ReceiveDelay> delaysFrom(const QString& text) {
    std::map<QString, ReceiveDelay> delays;
    for (const QString& entry : text.split(QLatin1Char(';'), Qt::SkipEmptyParts)) {
        if (delays.size() >= ListenSettings::kMaxDelaysKept) break;
        const auto equals = entry.indexOf(QLatin1Char('='));
        if (equals < 0) continue;
        const QString key = QUrl::fromPercentEncoding(entry.left(equals).toLatin1());
        const auto delay = parseReceiveDelay(entry.mid(equals + 1));
        if (delay && key.size() <= ListenSettings::kMaxDeviceChars) delays[key] = *delay;
    }
    return delays;
}

// The chosen input's entry first, then the others while they fit in a value.
QString delaysText(const ListenSettings& settings) {
    const auto entry = [](const QString& key, const ReceiveDelay& delay) {
        return QString::fromLatin1(QUrl::toPercentEncoding(key)) + QLatin1Char('=') + receiveDelayText(delay);
    };
    QStringList entries;
    int length = 0;
    const auto add = [&](const QString& text) {
        if (length + text.size() + 1 > IniFile::kMaxValueLength ||
            entries.size() >= static_cast<qsizetype>(ListenSettings::kMaxDelaysKept))
            return;
        entries << text;
        length += static_cast<int>(text.size()) + 1;
    };
    const auto chosen = settings.Delays.find(settings.inputKey());
    if (chosen != settings.Delays.end()) add(entry(chosen->first, chosen->second));
    for (const auto& [key, delay] : settings.Delays)
        if (key != settings.inputKey()) add(entry(key, delay));
    return entries.join(QLatin1Char(';'));
}

}  // namespace

ListenSettings ReadListenIni(const IniFile& ini) {
    const QString section = QString::fromLatin1(ListenSettings::kSection);
    ListenSettings s;
    s.Device = ini.readString(section, QStringLiteral("Device"), QString()).left(ListenSettings::kMaxDeviceChars);
    s.DeviceId = ini.readString(section, QStringLiteral("DeviceId"), QString()).left(ListenSettings::kMaxDeviceChars);
    const int pitch = ini.readInteger(section, QStringLiteral("Pitch"), ListenSettings::kDefaultPitchHz);
    if (pitch >= ListenSettings::kMinPitchHz && pitch <= ListenSettings::kMaxPitchHz) s.PitchHz = pitch;
    s.Delays = delaysFrom(ini.readString(section, QStringLiteral("Delays"), QString()));
    return s;
}

void SaveListenIni(IniFile& ini, const ListenSettings& settings) {
    const QString section = QString::fromLatin1(ListenSettings::kSection);
    ini.writeString(section, QStringLiteral("Device"), settings.Device);
    ini.writeString(section, QStringLiteral("DeviceId"), settings.DeviceId);
    ini.writeInteger(section, QStringLiteral("Pitch"), settings.PitchHz);
    // Old files (and settings that never set a delay) keep no key for it.
    if (!settings.Delays.empty() || ini.hasKey(section, QStringLiteral("Delays")))
        ini.writeString(section, QStringLiteral("Delays"), delaysText(settings));
}

}  // namespace orvane::listen
