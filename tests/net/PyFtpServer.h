#pragma once

// The real FTP server of the tests (pyftpdlib, Debian's python3-pyftpdlib,
// which needs /usr/bin/python3): started on 127.0.0.1 at a free port over a
// folder of the test's own, stopped again through its process.

#include <QProcess>
#include <QString>
#include <QStringList>


class PyFtpServer {
public:
    // Starts the server over `root`; port() is 0 when it did not come up.
    explicit PyFtpServer(const QString& root) {
        const QString script = QStringLiteral(ORVANE_NET_TEST_DIR "/ftp_server.py");
        process_.start(QStringLiteral("/usr/bin/python3"), {script, root});
        if (!process_.waitForStarted(5000)) return;
        while (process_.state() == QProcess::Running && !process_.canReadLine()) {
            if (!process_.waitForReadyRead(5000)) return;
        }
        const QByteArray line = process_.readLine().trimmed();
        if (line.startsWith("PORT ")) port_ = line.mid(5).toInt();
        // From here on nobody reads its output; keep it from piling up.
        process_.closeReadChannel(QProcess::StandardError);
    }

    // Why the server did not come up (its error output).
    QString error() { return QString::fromLocal8Bit(process_.readAllStandardError()) + process_.errorString(); }

    ~PyFtpServer() {
        if (process_.state() != QProcess::NotRunning) {
            process_.kill();  // the child we started, by its process id
            process_.waitForFinished(5000);
        }
    }

    int port() const { return port_; }

private:
    QProcess process_;
    int port_ = 0;
};
