#pragma once

#include <QString>

namespace orvane {

// Responsibilities: where the program keeps its own files. The settings file
// and the beacon file are named after the executable ("orvane" uses
// "orvane.INI" and "orvane.BCN") and lie beside it while that folder is
// writable, else in the user's config folder. Tests build one on a temporary
// folder.
class AppPaths {
public:
    // Decides the folder for the running executable.
    static AppPaths forExecutable(const QString& executablePath);
    // Files named <stem>.INI and <stem>.BCN in the given folder.
    static AppPaths inDirectory(const QString& directory, const QString& stem = QStringLiteral("orvane"));

    const QString& baseName() const { return baseName_; }
    QString iniFileName() const { return baseName_ + QStringLiteral(".INI"); }
    QString beaconFileName() const { return baseName_ + QStringLiteral(".BCN"); }
    // The optional stations file that renames and moves beacons.
    QString stationFileName() const { return baseName_ + QStringLiteral(".STN"); }
    // The CSV log of what listening heard, one line per slot.
    QString heardLogFileName() const { return baseName_ + QStringLiteral("-heard.csv"); }

private:
    explicit AppPaths(QString baseName) : baseName_(std::move(baseName)) {}
    QString baseName_;  // full path without extension
};

}  // namespace orvane
