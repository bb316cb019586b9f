#pragma once

#include <QByteArray>
#include <QDir>
#include <QString>

#include "support/TempDir.h"

// The report tree the report tests serve (tests/reports/data, laid out as the
// report server's folders) and the working directory a retrieval stores into.

inline QString reportDataDir() { return QStringLiteral(ORVANE_REPORTS_TEST_DIR "/data"); }

// The bytes the server holds at `path` ("/pub/latest/wwv.txt").
inline QByteArray served(const QString& path) { return TempDir::readAll(reportDataDir() + path); }

// Runs a test inside its own working directory, where the reports are stored.
class WorkingDirectory {
public:
    WorkingDirectory() : previous_(QDir::currentPath()) { QDir::setCurrent(dir_.path()); }
    ~WorkingDirectory() { QDir::setCurrent(previous_); }
    QString file(const QString& name) const { return dir_.file(name); }
    QString path() const { return dir_.path(); }

private:
    TempDir dir_;
    QString previous_;
};
