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
        log_ = dir_.filePath(QStringLiteral("rigctld.log"));
        // A port found free may be taken by a test running beside this one
        // before rigctld binds it: that rigctld ends with a bind error and a
        // connection would reach the other test's server. Another port then,
        // a few times; a port given by the test is tried once.
        const int attempts = port ? 1 : 5;
        for (int attempt = 0; attempt < attempts; ++attempt) {
            port_ = port ? port : freeTcpPort();
            start();
            if (waitReady()) return;
            stop();
        }
        throw std::runtime_error("rigctld does not listen");
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
    // state that two threads using it at once would race on. 0 when no
    // number came within 10 s.
    //
    // Asked on the connection that proved the server ready, kept open for
    // the server's life: rigctld 4.5 closes a leaving client's descriptor
    // twice, and a client connecting at that moment (the program's own) can
    // lose its fresh connection to the second close. An error line or a lost
    // connection is asked again, every 50 ms, until the deadline.
    double frequencyHz() const {
        QByteArray reply;
        bool asked = false;
        double hz = 0;
        waitUntil(
            [&] {
                if (control_.state() == QAbstractSocket::UnconnectedState) {
                    control_.connectToHost(QHostAddress::LocalHost, port_);
                    asked = false;
                    reply.clear();
                }
                if (!asked && control_.state() == QAbstractSocket::ConnectedState) {
                    control_.write("f\n");
                    asked = true;
                }
                reply += control_.readAll();
                if (reply.size() > 1024) reply.clear();
                const qsizetype end = reply.indexOf('\n');
                if (end < 0) return false;
                bool ok = false;
                hz = reply.left(end).trimmed().toDouble(&ok);
                if (ok) return true;
                hz = 0;
                reply.clear();
                asked = false;  // an error line: ask again at the next poll
                return false;
            },
            10000, 50);
        return hz;
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

    void start() {
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
    }

    bool exited() const {
        int status = 0;
        return ::waitpid(pid_, &status, WNOHANG) == pid_;
    }

    // rigctld listens shortly after it starts: connect until it does, and
    // until its own log shows the connection from this socket's port (the
    // proof that the listener is this child, not another test's). False
    // when the child ended (the port was taken) or after 10 s. The
    // connection stays open (see frequencyHz).
    bool waitReady() {
        control_.abort();
        bool ended = false;
        const bool ready = waitUntil(
            [&] {
                if (exited()) return ended = true;
                if (control_.state() == QAbstractSocket::UnconnectedState)
                    control_.connectToHost(QHostAddress::LocalHost, port_);
                if (control_.state() != QAbstractSocket::ConnectedState) return false;
                return log().contains("Connection opened from 127.0.0.1:" + QByteArray::number(control_.localPort()) +
                                      '\n');
            },
            10000, 50);
        if (ended) pid_ = -1;  // reaped by exited()
        return ready && !ended;
    }

    QTemporaryDir dir_;
    QString log_;
    mutable QTcpSocket control_;
    quint16 port_ = 0;
    pid_t pid_ = -1;
};
