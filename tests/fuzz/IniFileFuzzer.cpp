// libFuzzer entry for the settings file. Input: "SECTION\x01KEY\x01VALUE",
// a NUL, then the file's bytes (without a NUL: the default names and the
// whole input as the file). Beyond not crashing:
//  - a value read is at most kMaxValueLength characters; a key that is not
//    there reads as the default;
//  - an integer read prints back to the same integer;
//  - a plain value written reads back exactly, and every other key probed
//    before the write reads as it did.
#include <QList>
#include <QStringList>

#include <utility>

#include "FuzzSupport.h"
#include "common/IniFile.h"
#include "common/OrvaneError.h"

using orvane::IniFile;
using namespace orvane::fuzz;

namespace {

// A section or key name the file format can carry: not empty, no blanks
// round it, none of the characters that shape a line.
bool plainName(const QString& name) {
    if (name.isEmpty() || name != name.trimmed() || name.startsWith(QLatin1Char(';'))) return false;
    for (const QChar c : name)
        if (c == QLatin1Char('[') || c == QLatin1Char(']') || c == QLatin1Char('=') || c == QLatin1Char('\r') ||
            c == QLatin1Char('\n'))
            return false;
    return true;
}

// A value that reads back as written: one line, no blanks round it, not quoted.
bool plainValue(const QString& value) {
    if (value != value.trimmed() || value.size() > IniFile::kMaxValueLength) return false;
    if (value.contains(QLatin1Char('\r')) || value.contains(QLatin1Char('\n'))) return false;
    return !(value.size() >= 2 && (value.front() == QLatin1Char('"') || value.front() == QLatin1Char('\'')));
}

// Up to eight (section, key) pairs named in the file, to probe before and after a write.
QList<std::pair<QString, QString>> keysIn(const QByteArray& bytes) {
    QList<std::pair<QString, QString>> keys;
    QString section;
    for (const QByteArray& raw : bytes.split('\n')) {
        const QString line = QString::fromUtf8(raw).trimmed();
        if (line.startsWith(QLatin1Char('[')) && line.endsWith(QLatin1Char(']'))) {
            section = line.mid(1, line.size() - 2).trimmed();
        } else if (const qsizetype eq = line.indexOf(QLatin1Char('=')); eq > 0 && !section.isEmpty()) {
            keys.append({section, line.left(eq).trimmed()});
            if (keys.size() == 8) break;
        }
    }
    return keys;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    static const ScratchFile scratch("settings.ini");
    const Split input = splitAtNul(bytesOf(data, size));
    QStringList names = QString::fromUtf8(input.head).split(QLatin1Char('\x01'));
    while (names.size() < 3) names.append(QStringLiteral("Main"));
    const QString &section = names[0], &key = names[1], &value = names[2];

    scratch.write(input.payload);
    IniFile ini(scratch.name());
    const QString defaultText = QStringLiteral("\x01" "default");
    const QString read = ini.readString(section, key, defaultText);
    require(read.size() <= IniFile::kMaxValueLength || read == defaultText);
    if (!ini.hasKey(section, key)) require(read == defaultText);

    int number = 0;
    if (IniFile::parseInteger(read, number)) {
        int again = 0;
        require(IniFile::parseInteger(QString::number(number), again) && again == number);
        require(ini.readInteger(section, key, 0) == number);
    }

    if (!plainName(section) || !plainName(key) || !plainValue(value)) return 0;
    const auto probes = keysIn(input.payload);
    QStringList before;
    for (const auto& [s, k] : probes) before.append(ini.readString(s, k, defaultText));
    try {
        ini.writeString(section, key, value);
    } catch (const orvane::OrvaneError&) {
        return 0;  // too large to rewrite: refused, the file left alone
    }
    require(ini.readString(section, key, defaultText) == value);
    for (qsizetype i = 0; i < probes.size(); ++i) {
        const auto& [s, k] = probes[i];
        if (s.compare(section, Qt::CaseInsensitive) == 0 && k.compare(key, Qt::CaseInsensitive) == 0) continue;
        require(ini.readString(s, k, defaultText) == before[i]);
    }
    return 0;
}
