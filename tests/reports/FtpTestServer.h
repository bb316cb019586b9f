#pragma once

#include <QByteArray>
#include <QDir>
#include <QFile>
#include <QProcess>
#include <QString>
#include <QStringList>

#include <gtest/gtest.h>

#include "support/TempDir.h"

// A real anonymous FTP server (pyftpdlib) on 127.0.0.1 serving the report
// tree of tests/reports/data, on a port the system picks. Started with the
// test and stopped by its own process handle. Every command the server
// receives is logged, so tests can check the exact sequence.
class FtpTestServer {
public:
    static QString testDir() { return QStringLiteral(ORVANE_REPORTS_TEST_DIR); }
    static QString dataDir() { return testDir() + QStringLiteral("/data"); }

    // Root defaults to the report tree; `refused` names files whose RETR the
    // server answers with 550.
    // `extra` are further server options ("--reply", "CWD", "*", "502 ...").
    bool start(const QStringList& refused = {}, const QString& root = dataDir(), const QStringList& extra = {}) {
        QStringList args{testDir() + QStringLiteral("/ftp_report_server.py"), root,
                         log_.file(QStringLiteral("commands.log"))};
        for (const QString& name : refused) args << QStringLiteral("--refuse") << name;
        args << extra;
        process_.setProcessChannelMode(QProcess::ForwardedErrorChannel);
        process_.start(QStringLiteral("/usr/bin/python3"), args);
        if (!process_.waitForStarted(5000)) return false;
        // The server prints its port once it listens.
        while (process_.waitForReadyRead(10000)) {
            while (process_.canReadLine()) {
                const QByteArray line = process_.readLine().trimmed();
                if (line.startsWith("PORT ")) {
                    port_ = line.mid(5).toInt();
                    return port_ > 0;
                }
            }
        }
        return false;
    }

    ~FtpTestServer() {
        if (process_.state() != QProcess::NotRunning) {
            process_.terminate();
            if (!process_.waitForFinished(3000)) {
                process_.kill();
                process_.waitForFinished(3000);
            }
        }
    }

    int port() const { return port_; }

    // The commands received so far, one per line, PASS without its argument.
    QStringList commands() const {
        const QString text = QString::fromLatin1(TempDir::readAll(log_.file(QStringLiteral("commands.log"))));
        return text.split(QLatin1Char('\n'), Qt::SkipEmptyParts);
    }

    // The commands after the login, with the PORT argument replaced by "PORT".
    QStringList commandsAfterLogin() const {
        QStringList result;
        bool loggedIn = false;
        for (const QString& c : commands()) {
            if (loggedIn) result << (c.startsWith(QStringLiteral("PORT ")) ? QStringLiteral("PORT") : c);
            if (c == QStringLiteral("PASS")) loggedIn = true;
        }
        return result;
    }

    static QByteArray served(const QString& path) { return TempDir::readAll(dataDir() + path); }

private:
    QProcess process_;
    TempDir log_;
    int port_ = 0;
};

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
