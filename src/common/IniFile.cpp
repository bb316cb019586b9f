#include "common/IniFile.h"

#include <QFile>
#include <QList>
#include <QSaveFile>

#include <optional>

#include "common/OrvaneError.h"

namespace orvane {
namespace {

struct Lines {
    QList<QString> lines;
    QString eol = QStringLiteral("\n");
};

Lines splitLines(const QByteArray& bytes) {
    Lines result;
    const QString text = QString::fromUtf8(bytes);
    if (text.contains(QLatin1String("\r\n"))) result.eol = QStringLiteral("\r\n");
    QString current;
    for (qsizetype i = 0; i < text.size(); ++i) {
        const QChar c = text.at(i);
        if (c == QLatin1Char('\r') || c == QLatin1Char('\n')) {
            result.lines.append(current);
            current.clear();
            if (c == QLatin1Char('\r') && i + 1 < text.size() && text.at(i + 1) == QLatin1Char('\n')) ++i;
        } else {
            current.append(c);
        }
    }
    if (!current.isEmpty()) result.lines.append(current);
    return result;
}

std::optional<QString> sectionName(const QString& line) {
    const QString t = line.trimmed();
    if (t.size() >= 2 && t.front() == QLatin1Char('[') && t.back() == QLatin1Char(']'))
        return t.mid(1, t.size() - 2).trimmed();
    return std::nullopt;
}

// The key of a "key=value" line, or nothing for comments and other lines.
std::optional<QString> keyOf(const QString& line) {
    const qsizetype eq = line.indexOf(QLatin1Char('='));
    if (eq <= 0) return std::nullopt;
    const QString t = line.trimmed();
    if (t.startsWith(QLatin1Char(';'))) return std::nullopt;
    return line.left(eq).trimmed();
}

bool sameName(const QString& a, const QString& b) { return a.compare(b, Qt::CaseInsensitive) == 0; }

struct Found {
    qsizetype sectionLine = -1;  // index of the section header
    qsizetype keyLine = -1;      // index of the key's line
    qsizetype lastLine = -1;     // last non-empty line of the section
};

Found find(const QList<QString>& lines, const QString& section, const QString& key) {
    Found f;
    bool inSection = false;
    for (qsizetype i = 0; i < lines.size(); ++i) {
        if (auto name = sectionName(lines[i])) {
            if (inSection) break;  // a section's keys end at the next header
            if (sameName(*name, section)) {
                inSection = true;
                f.sectionLine = i;
                f.lastLine = i;
            }
            continue;
        }
        if (!inSection) continue;
        if (!lines[i].trimmed().isEmpty()) f.lastLine = i;
        if (f.keyLine < 0) {
            if (auto k = keyOf(lines[i]); k && sameName(*k, key)) f.keyLine = i;
        }
    }
    return f;
}

}  // namespace

IniFile::IniFile(QString fileName) : fileName_(std::move(fileName)) {}

QByteArray IniFile::load() const {
    QFile file(fileName_);
    if (!file.open(QIODevice::ReadOnly)) return {};
    return file.read(kMaxFileBytes);
}

QString IniFile::readString(const QString& section, const QString& key, const QString& defaultValue) const {
    const Lines parsed = splitLines(load());
    const Found f = find(parsed.lines, section, key);
    if (f.keyLine < 0) return defaultValue;
    const QString& line = parsed.lines[f.keyLine];
    QString value = line.mid(line.indexOf(QLatin1Char('=')) + 1).trimmed();
    if (value.size() >= 2 && ((value.front() == QLatin1Char('"') && value.back() == QLatin1Char('"')) ||
                              (value.front() == QLatin1Char('\'') && value.back() == QLatin1Char('\''))))
        value = value.mid(1, value.size() - 2);
    return value.left(kMaxValueLength);
}

bool IniFile::hasKey(const QString& section, const QString& key) const {
    return find(splitLines(load()).lines, section, key).keyLine >= 0;
}

bool IniFile::parseInteger(const QString& text, int& value) {
    QString t = text.trimmed();
    bool negative = false;
    if (t.startsWith(QLatin1Char('-'))) {
        negative = true;
        t.remove(0, 1);
    } else if (t.startsWith(QLatin1Char('+'))) {
        t.remove(0, 1);
    }
    int base = 10;
    if (t.startsWith(QLatin1Char('$'))) {
        base = 16;
        t.remove(0, 1);
    } else if (t.startsWith(QLatin1String("0x"), Qt::CaseInsensitive)) {
        base = 16;
        t.remove(0, 2);
    }
    if (t.isEmpty()) return false;
    for (QChar c : t) {
        const bool digit = base == 10 ? c.isDigit() && c.unicode() < 128 : QStringLiteral("0123456789abcdefABCDEF").contains(c);
        if (!digit) return false;
    }
    bool ok = false;
    const qlonglong magnitude = t.toLongLong(&ok, base);
    if (!ok) return false;
    const qlonglong v = negative ? -magnitude : magnitude;
    // Hex values are 32-bit patterns ($FFFFFFFF is -1), decimals must fit.
    if (base == 16 && !negative && magnitude <= 0xFFFFFFFFLL) {
        value = static_cast<int>(static_cast<quint32>(magnitude));
        return true;
    }
    if (v < INT32_MIN || v > INT32_MAX) return false;
    value = static_cast<int>(v);
    return true;
}

int IniFile::readInteger(const QString& section, const QString& key, int defaultValue) const {
    int value = 0;
    return parseInteger(readString(section, key, QString()), value) ? value : defaultValue;
}

bool IniFile::readBool(const QString& section, const QString& key, bool defaultValue) const {
    return readInteger(section, key, defaultValue ? 1 : 0) != 0;
}

void IniFile::writeString(const QString& section, const QString& key, const QString& value) {
    Lines parsed = splitLines(load());
    const QString entry = key + QLatin1Char('=') + value;
    const Found f = find(parsed.lines, section, key);
    if (f.keyLine >= 0) {
        parsed.lines[f.keyLine] = entry;
    } else if (f.sectionLine >= 0) {
        parsed.lines.insert(f.lastLine + 1, entry);
    } else {
        if (!parsed.lines.isEmpty() && !parsed.lines.back().trimmed().isEmpty()) parsed.lines.append(QString());
        parsed.lines.append(QLatin1Char('[') + section + QLatin1Char(']'));
        parsed.lines.append(entry);
    }
    QString text;
    for (const QString& line : parsed.lines) text += line + parsed.eol;

    QSaveFile file(fileName_);
    const QByteArray bytes = text.toUtf8();
    if (!file.open(QIODevice::WriteOnly) || file.write(bytes) != bytes.size() || !file.commit())
        throw OrvaneError("Unable to write to " + fileName_.toStdString());
}

void IniFile::writeInteger(const QString& section, const QString& key, int value) {
    writeString(section, key, QString::number(value));
}

void IniFile::writeBool(const QString& section, const QString& key, bool value) {
    writeString(section, key, value ? QStringLiteral("1") : QStringLiteral("0"));
}

}  // namespace orvane
