#pragma once

#include <QString>
#include <QStringList>

#include "support/PythonServer.h"
#include "support/TempDir.h"

// The one real FTP server of the tests (pyftpdlib, Debian's
// python3-pyftpdlib, which needs /usr/bin/python3; support/ftp_test_server.py):
// started on 127.0.0.1 at a port the system picks, over a folder of the
// test's choosing, and stopped through its own process handle. "anonymous"
// and the user "ham" (password "secret") may log in. Every command the
// server receives is logged, so tests can check the exact sequence.
class FtpTestServer {
public:
    // Starts the server over `root`; `refused` names files whose RETR it
    // answers with 550; `extra` are further options ("--reply", "CWD", "*",
    // "502 ..."). False when it did not come up (see error()).
    bool start(const QString& root, const QStringList& refused = {}, const QStringList& extra = {}) {
        QStringList args{root, logFile()};
        for (const QString& name : refused) args << QStringLiteral("--refuse") << name;
        args << extra;
        return server_.start(QStringLiteral(ORVANE_TEST_SUPPORT_DIR "/ftp_test_server.py"), args);
    }

    int port() const { return server_.port(); }

    // Why the server did not come up (its error output).
    QString error() { return server_.error(); }

    // The commands received so far, one per line, PASS without its argument.
    QStringList commands() const {
        return QString::fromLatin1(TempDir::readAll(logFile())).split(QLatin1Char('\n'), Qt::SkipEmptyParts);
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

private:
    QString logFile() const { return log_.file(QStringLiteral("commands.log")); }

    PythonServer server_;
    TempDir log_;
};
