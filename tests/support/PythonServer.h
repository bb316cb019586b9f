#pragma once

#include <QByteArray>
#include <QProcess>
#include <QString>
#include <QStringList>

// A test server written in Python (Debian's modules need /usr/bin/python3):
// started with its script and arguments, it prints "PORT <n>" once it
// listens on 127.0.0.1 at a port the system picked; it is stopped through
// its own process handle, never by name. The FTP and HTTPS test servers
// stand on it.
class PythonServer {
public:
    PythonServer() = default;
    PythonServer(const PythonServer&) = delete;
    PythonServer& operator=(const PythonServer&) = delete;

    ~PythonServer() {
        if (process_.state() == QProcess::NotRunning) return;
        process_.terminate();  // the child we started, by its process id
        if (!process_.waitForFinished(3000)) {
            process_.kill();
            process_.waitForFinished(3000);
        }
    }

    // Starts `script` with `args` and waits for its port; false when it did
    // not come up (see error()).
    bool start(const QString& script, const QStringList& args) {
        process_.start(QStringLiteral("/usr/bin/python3"), QStringList{script} + args);
        if (!process_.waitForStarted(5000)) return false;
        while (process_.waitForReadyRead(10000)) {
            while (process_.canReadLine()) {
                const QByteArray line = process_.readLine().trimmed();
                if (line.startsWith("PORT ")) {
                    port_ = line.mid(5).toInt();
                    // From here on nobody reads its output; keep it from piling up.
                    process_.closeReadChannel(QProcess::StandardError);
                    return port_ > 0;
                }
            }
        }
        return false;
    }

    int port() const { return port_; }
    // Why the server did not come up (its error output).
    QString error() { return QString::fromLocal8Bit(process_.readAllStandardError()) + process_.errorString(); }

private:
    QProcess process_;
    int port_ = 0;
};
