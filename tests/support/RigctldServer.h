#pragma once

#include <QFile>
#include <QProcess>
#include <QTcpServer>
#include <QTcpSocket>
#include <QTemporaryDir>
#include <stdexcept>

#include "support/WaitUntil.h"

// Hamlib's rigctld with the dummy rig (-m 1) on 127.0.0.1 at a free port
// (or the one given), a child process of the test, its -vvvv log in a
// temporary file; stopped by its PID.
class RigctldServer {
public:
    explicit RigctldServer(quint16 port = 0) {
        port_ = port ? port : freeTcpPort();
        log_ = dir_.filePath(QStringLiteral("rigctld.log"));
        process_.setProgram(QStringLiteral("/usr/bin/rigctld"));
        process_.setArguments({QStringLiteral("-m"), QStringLiteral("1"), QStringLiteral("-T"),
                               QStringLiteral("127.0.0.1"), QStringLiteral("-t"), QString::number(port_),
                               QStringLiteral("-vvvv")});
        process_.setStandardOutputFile(log_);
        process_.setStandardErrorFile(log_, QIODevice::Append);
        process_.start();
        if (!process_.waitForStarted(5000)) throw std::runtime_error("rigctld did not start");
        if (!waitReady()) throw std::runtime_error("rigctld does not listen");
    }
    ~RigctldServer() {
        process_.terminate();  // SIGTERM to this child's PID only
        if (!process_.waitForFinished(5000)) process_.kill();
    }
    RigctldServer(const RigctldServer&) = delete;
    RigctldServer& operator=(const RigctldServer&) = delete;

    quint16 port() const { return port_; }
    QString address() const { return QStringLiteral("127.0.0.1:%1").arg(port_); }
    QByteArray log() const {
        QFile f(log_);
        return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
    }

    static bool portIsFree(quint16 port) {
        QTcpServer probe;
        return probe.listen(QHostAddress::LocalHost, port);
    }

    static quint16 freeTcpPort() {
        QTcpServer probe;
        if (!probe.listen(QHostAddress::LocalHost, 0)) throw std::runtime_error("no free port");
        return probe.serverPort();
    }

private:
    // rigctld listens shortly after it starts: try to connect until it does.
    bool waitReady() {
        QTcpSocket socket;
        return waitUntil(
            [&] {
                if (socket.state() == QAbstractSocket::ConnectedState) return true;
                if (socket.state() == QAbstractSocket::UnconnectedState)
                    socket.connectToHost(QHostAddress::LocalHost, port_);
                return false;
            },
            10000, 50);
    }

    QTemporaryDir dir_;
    QString log_;
    quint16 port_ = 0;
    QProcess process_;
};
