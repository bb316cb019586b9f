#pragma once

#include <QByteArray>
#include <QString>

#include "common/RegularFile.h"

namespace orvane {

// Responsibilities: the settings file of sections and keys. Keys and section
// names match without regard to case; integers read as decimal or as hex with
// a 0x or $ prefix, anything else gives the default; values are cut at 2047
// characters. Every write goes to the file at once, atomically (temporary file
// then rename), and leaves every other line as it was.
//
// Bytes the program does not write are kept as they are: other sections,
// comments, line ends and bytes that are not UTF-8.
//
// Errors: a failed write throws OrvaneError("Unable to write to <file>").
// A missing file, or one that cannot be read whole (larger than
// kMaxFileBytes, not a regular file, refused by the system), reads as empty;
// a write to one that exists but cannot be read whole is refused with the
// reason, and the file is left untouched.
class IniFile {
public:
    static constexpr int kMaxValueLength = 2047;
    static constexpr qint64 kMaxFileBytes = 4 * 1024 * 1024;

    explicit IniFile(QString fileName);

    const QString& fileName() const { return fileName_; }

    QString readString(const QString& section, const QString& key, const QString& defaultValue) const;
    int readInteger(const QString& section, const QString& key, int defaultValue) const;
    bool readBool(const QString& section, const QString& key, bool defaultValue) const;
    bool hasKey(const QString& section, const QString& key) const;

    void writeString(const QString& section, const QString& key, const QString& value);
    void writeInteger(const QString& section, const QString& key, int value);
    void writeBool(const QString& section, const QString& key, bool value);

    // Parses an integer the way readInteger does; false when it does not read as one.
    static bool parseInteger(const QString& text, int& value);

private:
    FileBytes load() const;
    QByteArray readableBytes() const;
    QString fileName_;
};

}  // namespace orvane
