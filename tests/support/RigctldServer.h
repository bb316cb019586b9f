#pragma once

#include <QFile>
#include <QTcpServer>
#include <QTcpSocket>
#include <QTemporaryDir>
#include <cerrno>
#include <csignal>
#include <stdexcept>
#include <string>
#include <vector>

#include <fcntl.h>
#include <poll.h>
#include <spawn.h>
#include <sys/syscall.h>
#include <sys/wait.h>
#include <unistd.h>

#include "support/WaitUntil.h"

extern char** environ;

// Hamlib's rigctld with the dummy rig (-m 1) on 127.0.0.1 at a free port
// (or the one given), a child process of the test, its -vvvv log in a
// temporary file; stopped by its PID.
//
// Started with posix_spawn rather than QProcess: QProcess runs its own code
// in the child before exec, in the parent's memory, which the race checker
// of the thread pass takes for the parent's own thread; from then on it
// misses that thread's locks and reports races that are none (and dies at
// the next fork once a thread runs). posix_spawn runs only the C library
// in the child.
class RigctldServer {
public:
    explicit RigctldServer(quint16 port = 0) {
        if (!dir_.isValid()) throw std::runtime_error("no temporary folder for rigctld's log");
        port_ = port ? port : freeTcpPort();
        log_ = dir_.filePath(QStringLiteral("rigctld.log"));
        const QByteArray logPath = QFile::encodeName(log_);
        std::vector<std::string> args = {"/usr/bin/rigctld", "-m", "1", "-T", "127.0.0.1",
                                         "-t", std::to_string(port_), "-vvvv"};
        std::vector<char*> argv;
        for (std::string& a : args) argv.push_back(a.data());
        argv.push_back(nullptr);
        posix_spawn_file_actions_t actions;
        posix_spawn_file_actions_init(&actions);
        posix_spawn_file_actions_addopen(&actions, STDIN_FILENO, "/dev/null", O_RDONLY, 0);
        posix_spawn_file_actions_addopen(&actions, STDOUT_FILENO, logPath.constData(), O_WRONLY | O_CREAT | O_TRUNC,
                                         0600);
        posix_spawn_file_actions_adddup2(&actions, STDOUT_FILENO, STDERR_FILENO);
        const int rc = posix_spawn(&pid_, argv[0], &actions, nullptr, argv.data(), environ);
        posix_spawn_file_actions_destroy(&actions);
        if (rc != 0) {
            pid_ = -1;
            throw std::runtime_error("rigctld did not start");
        }
        if (!waitReady()) {
            stop();
            throw std::runtime_error("rigctld does not listen");
        }
    }
    ~RigctldServer() { stop(); }
    RigctldServer(const RigctldServer&) = delete;
    RigctldServer& operator=(const RigctldServer&) = delete;

    quint16 port() const { return port_; }
    QString address() const { return QStringLiteral("127.0.0.1:%1").arg(port_); }
    QByteArray log() const {
        QFile f(log_);
        return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
    }

    // The frequency the dummy rig is on, asked over rigctld's own text
    // protocol ("f"), so a test reads it without Hamlib: Hamlib keeps global
    // state that two threads using it at once would race on. 0 when no answer.
    double frequencyHz() const {
        QTcpSocket socket;
        socket.connectToHost(QHostAddress::LocalHost, port_);
        bool asked = false;
        QByteArray reply;
        const bool answered = waitUntil(
            [&] {
                if (!asked && socket.state() == QAbstractSocket::ConnectedState) {
                    socket.write("f\n");
                    asked = true;
                }
                reply += socket.readAll();
                return reply.contains('\n') || reply.size() > 1024;
            },
            10000);
        if (!answered) return 0;
        bool ok = false;
        const double hz = reply.left(reply.indexOf('\n')).trimmed().toDouble(&ok);
        return ok ? hz : 0;
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
    // SIGTERM to this child's PID only; SIGKILL if it has not ended within
    // 5 s (waited for on a process descriptor, not by polling).
    void stop() {
        if (pid_ <= 0) return;
        ::kill(pid_, SIGTERM);
        const int fd = static_cast<int>(::syscall(SYS_pidfd_open, pid_, 0));
        if (fd >= 0) {
            pollfd ended{fd, POLLIN, 0};
            int n = 0;
            do n = ::poll(&ended, 1, 5000);
            while (n < 0 && errno == EINTR);
            if (n == 0) ::kill(pid_, SIGKILL);
            ::close(fd);
        }
        int status = 0;
        while (::waitpid(pid_, &status, 0) < 0 && errno == EINTR) {
        }
        pid_ = -1;
    }

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
    pid_t pid_ = -1;
};
