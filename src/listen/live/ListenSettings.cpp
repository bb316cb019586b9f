#include "listen/live/ListenSettings.h"

#include <QStringList>
#include <QUrl>
#include <algorithm>

#include "beacons/BandPlan.h"

namespace orvane::listen {

ReceiveDelay ListenSettings::delayOf(const ListenInput& input) const {
    const auto it = Delays.find(input.key());
    return it == Delays.end() ? ReceiveDelay{} : it->second;
}

namespace {

// The keys of input n (1 for the first, which keeps the names it always had).
QString keyOf(int n, const char* name) {
    return n == 1 ? QString::fromLatin1(name) : QStringLiteral("Input%1%2").arg(n).arg(QLatin1String(name));
}

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

// The entries of the inputs in use first, then the others while they fit in a value.
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
    QStringList inUse;
    for (const ListenInput& input : listenInputs(settings)) {
        const auto kept = settings.Delays.find(input.key());
        if (kept != settings.Delays.end() && !inUse.contains(kept->first)) {
            inUse << kept->first;
            add(entry(kept->first, kept->second));
        }
    }
    for (const auto& [key, delay] : settings.Delays)
        if (!inUse.contains(key)) add(entry(key, delay));
    return entries.join(QLatin1Char(';'));
}

}  // namespace

std::vector<ListenInput> listenInputs(const ListenSettings& settings) {
    std::vector<ListenInput> all{{settings.Device, settings.DeviceId, settings.Band}};
    all.insert(all.end(), settings.MoreInputs.begin(), settings.MoreInputs.end());
    return all;
}

QString listenBandText(int band) {
    if (!beacons::isValidBand(band)) return QStringLiteral("follow");
    const std::string_view caption = beacons::kBandCaptions[static_cast<std::size_t>(band)];
    return QString::fromLatin1(caption.data(), static_cast<qsizetype>(caption.size()));
}

int listenBandOf(const QString& text) {
    for (int band = 0; band < beacons::kBandCount; ++band)
        if (text.trimmed() == listenBandText(band)) return band;
    return ListenInput::kFollow;
}

ListenSettings ReadListenIni(const IniFile& ini) {
    const QString section = QString::fromLatin1(ListenSettings::kSection);
    ListenSettings s;
    const auto read = [&](int n) {
        return ListenInput{
            ini.readString(section, keyOf(n, "Device"), QString()).left(ListenSettings::kMaxDeviceChars),
            ini.readString(section, keyOf(n, "DeviceId"), QString()).left(ListenSettings::kMaxDeviceChars),
            listenBandOf(ini.readString(section, keyOf(n, "Band"), QString()).left(ListenSettings::kMaxDeviceChars))};
    };
    const ListenInput first = read(1);
    s.Device = first.Device;
    s.DeviceId = first.DeviceId;
    s.Band = first.Band;
    const int inputs = std::clamp(ini.readInteger(section, QStringLiteral("Inputs"), 1), 1, ListenSettings::kMaxInputs);
    for (int n = 2; n <= inputs; ++n) s.MoreInputs.push_back(read(n));
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
    // The further inputs; a file that never had them is left as it was.
    const std::vector<ListenInput> all = listenInputs(settings);
    const int inputs = static_cast<int>(std::min<std::size_t>(all.size(), ListenSettings::kMaxInputs));
    if (inputs == 1 && settings.Band == ListenInput::kFollow &&
        ini.readString(section, QStringLiteral("Inputs"), QString()).isEmpty())
        return;
    ini.writeInteger(section, QStringLiteral("Inputs"), inputs);
    ini.writeString(section, QStringLiteral("Band"), listenBandText(settings.Band));
    for (int n = 2; n <= inputs; ++n) {
        const ListenInput& in = all[static_cast<std::size_t>(n - 1)];
        ini.writeString(section, keyOf(n, "Device"), in.Device);
        ini.writeString(section, keyOf(n, "DeviceId"), in.DeviceId);
        ini.writeString(section, keyOf(n, "Band"), listenBandText(in.Band));
    }
}

}  // namespace orvane::listen
