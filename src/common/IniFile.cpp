#include "common/IniFile.h"

#include <QFile>
#include <QList>
#include <QRegularExpression>

#include <optional>
#include <vector>

#include <cerrno>
#include <sys/stat.h>
#include <unistd.h>

#include "common/AtomicFile.h"
#include "common/OrvaneError.h"

namespace orvane {
namespace {

// One line of the file as it is on disk: its bytes and its own line end
// (empty for a last line without one). Only lines the program writes are
// ever re-encoded; every other byte goes back exactly as it was read, also
// bytes that are not UTF-8.
struct RawLine {
    QByteArray bytes;
    QByteArray eol;
};

struct Lines {
    std::vector<RawLine> raw;
    QList<QString> lines;  // the same lines decoded, for matching and reading
    QByteArray eol = "\n";  // for lines the program adds
};

Lines splitLines(const QByteArray& bytes) {
    Lines result;
    if (bytes.contains("\r\n")) result.eol = "\r\n";
    qsizetype start = 0;
    qsizetype i = 0;
    while (i < bytes.size()) {
        const char c = bytes[i];
        if (c == '\r' || c == '\n') {
            const qsizetype endLength = (c == '\r' && i + 1 < bytes.size() && bytes[i + 1] == '\n') ? 2 : 1;
            result.raw.push_back({bytes.mid(start, i - start), bytes.mid(i, endLength)});
            i += endLength;
            start = i;
        } else {
            ++i;
        }
    }
    if (start < bytes.size()) result.raw.push_back({bytes.mid(start), QByteArray()});
    result.lines.reserve(static_cast<qsizetype>(result.raw.size()));
    for (const RawLine& line : result.raw) result.lines.append(QString::fromUtf8(line.bytes));
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

// No write permission bit at all, or none for this process. The bits are
// looked at too because root's access() says yes to every file.
bool isReadOnly(const QString& fileName) {
    const QByteArray path = QFile::encodeName(fileName);
    struct stat st {};
    if (::stat(path.constData(), &st) != 0) return false;  // the write says why, if it fails
    if ((st.st_mode & (S_IWUSR | S_IWGRP | S_IWOTH)) == 0) return true;
    return ::access(path.constData(), W_OK) != 0 && errno != ENOENT;
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

FileBytes IniFile::load() const { return readRegularFile(fileName_, kMaxFileBytes); }

QByteArray IniFile::readableBytes() const {
    FileBytes file = load();
    // A file that could not be read whole reads as empty: every key its
    // default. Half a file could give a value cut in the middle.
    return file.readWhole() ? std::move(file.bytes) : QByteArray();
}

QString IniFile::readString(const QString& section, const QString& key, const QString& defaultValue) const {
    const Lines parsed = splitLines(readableBytes());
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
    return find(splitLines(readableBytes()).lines, section, key).keyLine >= 0;
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
    const FileBytes file = load();
    if (!file.readWhole() && file.status != FileBytes::Status::Missing) {
        // Rewriting a file the program could not read whole would lose what
        // it did not read; the file is left for the user to look at.
        throw OrvaneError("Unable to write to " + fileName_.toStdString() + ": " + file.reason.toStdString() +
                          "; the file has been left as it is");
    }
    if (file.status != FileBytes::Status::Missing && isReadOnly(fileName_)) {
        // The replacement goes by rename, which a read-only file does not
        // stop; the user's read-only mark is kept as a "do not change".
        throw OrvaneError("Unable to write to " + fileName_.toStdString() +
                          ": the file is read-only; the file has been left as it is");
    }
    Lines parsed = splitLines(file.bytes);
    // A value is one line: a line break in it would start a line of its own
    // (a key or a section header nobody wrote). What a read would give back,
    // the text before the break, is what is written.
    const qsizetype lineBreak = value.indexOf(QRegularExpression(QStringLiteral("[\r\n]")));
    const QByteArray entry = (key + QLatin1Char('=') + (lineBreak < 0 ? value : value.left(lineBreak))).toUtf8();
    const Found f = find(parsed.lines, section, key);
    const auto insertAt = [&parsed](qsizetype index, QByteArray bytes) {
        // The line before a new one gets a line end if it was the last
        // line of the file and had none.
        if (index > 0 && parsed.raw[static_cast<std::size_t>(index - 1)].eol.isEmpty())
            parsed.raw[static_cast<std::size_t>(index - 1)].eol = parsed.eol;
        parsed.raw.insert(parsed.raw.begin() + index, RawLine{std::move(bytes), parsed.eol});
    };
    if (f.keyLine >= 0) {
        RawLine& line = parsed.raw[static_cast<std::size_t>(f.keyLine)];
        line.bytes = entry;
        if (line.eol.isEmpty()) line.eol = parsed.eol;
    } else if (f.sectionLine >= 0) {
        insertAt(f.lastLine + 1, entry);
    } else {
        if (!parsed.lines.isEmpty() && !parsed.lines.back().trimmed().isEmpty())
            insertAt(static_cast<qsizetype>(parsed.raw.size()), QByteArray());
        insertAt(static_cast<qsizetype>(parsed.raw.size()), (QLatin1Char('[') + section + QLatin1Char(']')).toUtf8());
        insertAt(static_cast<qsizetype>(parsed.raw.size()), entry);
    }
    QByteArray bytes;
    bytes.reserve(file.bytes.size() + entry.size() + section.size() + 8);
    for (const RawLine& line : parsed.raw) bytes += line.bytes + line.eol;

    if (!writeFileAtomically(fileName_, bytes)) throw OrvaneError("Unable to write to " + fileName_.toStdString());
}

void IniFile::writeInteger(const QString& section, const QString& key, int value) {
    writeString(section, key, QString::number(value));
}

void IniFile::writeBool(const QString& section, const QString& key, bool value) {
    writeString(section, key, value ? QStringLiteral("1") : QStringLiteral("0"));
}

}  // namespace orvane
