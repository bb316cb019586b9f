#pragma once

#include <QByteArray>
#include <QString>

namespace orvane {

// Responsibilities: the settings file of sections and keys. Keys and section
// names match without regard to case; integers read as decimal or as hex with
// a 0x or $ prefix, anything else gives the default; values are cut at 2047
// characters. Every write goes to the file at once, atomically (temporary file
// then rename), and leaves every other line as it was.
//
// Errors: a failed write throws OrvaneError("Unable to write to <file>").
// A missing or unreadable file reads as empty.
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
    QByteArray load() const;
    QString fileName_;
};

}  // namespace orvane
