#pragma once

#include <QString>

namespace orvane {

// Responsibilities: where the program keeps its own files. The settings file
// and the beacon file are named after the executable ("orvane" uses
// "orvane.INI" and "orvane.BCN") and lie beside it while that folder is
// writable, else in the user's config folder. The history database lies
// beside the settings when they lie beside the program, else in the user's
// data folder. Tests build one on a temporary folder.
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
    // The SQLite file of every slot listened for, unless the settings name
    // another database.
    const QString& historyFileName() const { return historyFileName_; }

private:
    AppPaths(QString baseName, QString historyFileName)
        : baseName_(std::move(baseName)), historyFileName_(std::move(historyFileName)) {}
    QString baseName_;  // full path without extension
    QString historyFileName_;
};

}  // namespace orvane
