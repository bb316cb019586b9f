#pragma once

#include <QByteArray>
#include <QFile>
#include <QString>
#include <QTemporaryDir>

// A temporary folder for one test, removed with it.
class TempDir {
public:
    TempDir() { dir_.setAutoRemove(true); }
    QString path() const { return dir_.path(); }
    QString file(const QString& name) const { return dir_.filePath(name); }

    static QByteArray readAll(const QString& fileName) {
        QFile f(fileName);
        return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
    }
    static void write(const QString& fileName, const QByteArray& bytes) {
        QFile f(fileName);
        if (f.open(QIODevice::WriteOnly | QIODevice::Truncate)) f.write(bytes);
    }

private:
    QTemporaryDir dir_;
};
