#pragma once

#include <QByteArray>
#include <QDir>
#include <QFile>
#include <QString>
#include <QTcpServer>
#include <QTemporaryDir>
#include <cerrno>
#include <csignal>
#include <cstdlib>
#include <cstring>
#include <optional>
#include <stdexcept>
#include <string>
#include <vector>

#include <fcntl.h>
#include <libpq-fe.h>
#include <poll.h>
#include <pwd.h>
#include <spawn.h>
#include <sys/syscall.h>
#include <sys/wait.h>
#include <unistd.h>

extern char** environ;

// A PostgreSQL 15 server of the test's own: initdb and pg_ctl in a temporary
// folder, listening on 127.0.0.1 at a free port only (its Unix socket in
// that folder), stopped by pg_ctl and by its PID if that fails. The system's
// service is never touched. PostgreSQL refuses to run as root: when the test
// runs as root (CI does), the folder is given to `nobody` and every tool runs
// as that user through setpriv.
//
// Logins: the superuser `orvane` and any other role by trust, except the
// role `member`, which needs its password (scram), and the role `refused`,
// which pg_hba rejects.
//
// Tools are started with posix_spawn, not QProcess (see RigctldServer.h:
// the thread pass's race checker and QProcess's child code do not mix).
class PostgresServer {
public:
    // Why no server can be started here, or nullopt. Tests skip with it.
    static std::optional<std::string> unavailable() {
        for (const char* tool : {"initdb", "pg_ctl", "postgres"})
            if (::access(QFile::encodeName(binDir() + '/' + QLatin1String(tool)).constData(), X_OK) != 0)
                return "PostgreSQL's " + std::string(tool) + " is not in " + binDir().toStdString() +
                       " (tools/install-deps.sh installs postgresql-15; ORVANE_PG_BIN names another folder)";
        if (::geteuid() == 0 && (::access("/usr/bin/setpriv", X_OK) != 0 || !::getpwnam("nobody")))
            return "running as root, but setpriv or the user nobody is missing to start PostgreSQL as";
        return std::nullopt;
    }

    static QString binDir() {
        const QByteArray given = qgetenv("ORVANE_PG_BIN");
        return given.isEmpty() ? QStringLiteral("/usr/lib/postgresql/15/bin") : QString::fromLocal8Bit(given);
    }

    PostgresServer() {
        if (!dir_.isValid()) throw std::runtime_error("no temporary folder for PostgreSQL");
        giveToServerUser(dir_.path());
        if (run({tool("initdb"), "-D", data(), "-U", "orvane", "-A", "trust", "-E", "UTF8", "--locale=C", "--no-sync",
                 "--no-instructions"},
                120'000) != 0)
            throw std::runtime_error("initdb failed: " + log().toStdString());
        QFile hba(dir_.filePath(QStringLiteral("data/pg_hba.conf")));
        if (!hba.open(QIODevice::WriteOnly | QIODevice::Truncate) ||
            hba.write("local all all trust\n"
                      "host all refused 127.0.0.1/32 reject\n"
                      "host all member 127.0.0.1/32 scram-sha-256\n"
                      "host all all 127.0.0.1/32 trust\n") < 0)
            throw std::runtime_error("cannot write pg_hba.conf");
        hba.close();
        giveToServerUser(hba.fileName());
        // A port found free may be taken by a test beside this one before
        // the server binds it: another port then, a few times.
        for (int attempt = 0; attempt < 5; ++attempt) {
            port_ = freeTcpPort();
            if (start()) return;
        }
        throw std::runtime_error("PostgreSQL did not start: " + log().toStdString());
    }
    ~PostgresServer() { stop(); }
    PostgresServer(const PostgresServer&) = delete;
    PostgresServer& operator=(const PostgresServer&) = delete;

    quint16 port() const { return port_; }
    QString url(const QString& database, const QString& user = QStringLiteral("orvane")) const {
        return QStringLiteral("postgresql://%1@127.0.0.1:%2/%3").arg(user).arg(port_).arg(database);
    }

    // A connection of the superuser to one database, kept open (to hold a
    // lock, to watch the server). query() returns the first row's first
    // value ("" when none) and throws with the server's reason.
    class Session {
    public:
        Session(const PostgresServer& server, const QString& database) {
            const QByteArray info = QStringLiteral("host=127.0.0.1 port=%1 user=orvane dbname=%2 connect_timeout=30")
                                        .arg(server.port())
                                        .arg(database)
                                        .toUtf8();
            conn_ = PQconnectdb(info.constData());
            if (PQstatus(conn_) != CONNECTION_OK) {
                const std::string reason = PQerrorMessage(conn_);
                PQfinish(conn_);
                throw std::runtime_error("cannot connect to " + database.toStdString() + ": " + reason);
            }
        }
        ~Session() { PQfinish(conn_); }
        Session(const Session&) = delete;
        Session& operator=(const Session&) = delete;

        QString query(const QString& sql) {
            PGresult* r = PQexec(conn_, sql.toUtf8().constData());
            const ExecStatusType status = PQresultStatus(r);
            std::string failure;
            QString value;
            if (status != PGRES_COMMAND_OK && status != PGRES_TUPLES_OK)
                failure = PQresultErrorMessage(r);
            else if (PQntuples(r) > 0 && PQnfields(r) > 0)
                value = QString::fromUtf8(PQgetvalue(r, 0, 0));
            PQclear(r);
            if (!failure.empty()) throw std::runtime_error(sql.toStdString() + ": " + failure);
            return value;
        }

    private:
        PGconn* conn_ = nullptr;
    };

    // Runs SQL as the superuser in `database`; the first value it returns.
    QString exec(const QString& database, const QString& sql) const { return Session(*this, database).query(sql); }
    void createDatabase(const QString& name) const { exec(QStringLiteral("postgres"), "CREATE DATABASE " + name); }

    // A crash: every server process ends at once, nothing is shut down
    // cleanly (pg_ctl stop -m immediate). start() brings it back on the
    // same port with the same data.
    void crash() {
        run({tool("pg_ctl"), "-D", data(), "-m", "immediate", "-w", "-t", "60", "stop"}, 120'000);
        killIfAlive();
    }
    bool start() {
        // fsync off: the tests crash the server, never the machine, and what
        // was written reached the kernel. synchronous_commit stays on: off,
        // a crash would lose commits the client was told were done.
        const QString options = QStringLiteral("-c listen_addresses=127.0.0.1 -p %1 -k %2 -c fsync=off "
                                               "-c full_page_writes=off")
                                    .arg(port_)
                                    .arg(dir_.path());
        if (run({tool("pg_ctl"), "-D", data(), "-l", dir_.filePath(QStringLiteral("server.log")), "-w", "-t", "60", "-o",
                 options, "start"},
                120'000) != 0) {
            killIfAlive();
            return false;
        }
        QFile pidFile(dir_.filePath(QStringLiteral("data/postmaster.pid")));
        if (pidFile.open(QIODevice::ReadOnly)) postmaster_ = static_cast<pid_t>(pidFile.readLine().trimmed().toInt());
        return true;
    }

    // The tools' output and the server's log.
    QString log() const {
        QFile tools(dir_.filePath(QStringLiteral("tools.log"))), server(dir_.filePath(QStringLiteral("server.log")));
        QByteArray text;
        if (tools.open(QIODevice::ReadOnly)) text += tools.readAll().right(4000);
        if (server.open(QIODevice::ReadOnly)) text += server.readAll().right(4000);
        return QString::fromUtf8(text);
    }

    static quint16 freeTcpPort() {
        QTcpServer probe;
        if (!probe.listen(QHostAddress::LocalHost, 0)) throw std::runtime_error("no free port");
        return probe.serverPort();
    }

private:
    QString tool(const char* name) const { return binDir() + '/' + QLatin1String(name); }
    QString data() const { return dir_.filePath(QStringLiteral("data")); }

    static void giveToServerUser(const QString& path) {
        if (::geteuid() != 0) return;
        const passwd* nobody = ::getpwnam("nobody");
        if (!nobody || ::chown(QFile::encodeName(path).constData(), nobody->pw_uid, nobody->pw_gid) != 0)
            throw std::runtime_error("cannot give " + path.toStdString() + " to nobody");
    }

    void stop() {
        if (postmaster_ <= 0) return;
        run({tool("pg_ctl"), "-D", data(), "-m", "fast", "-w", "-t", "60", "stop"}, 120'000);
        killIfAlive();
    }

    // The postmaster is not this process's child (pg_ctl leaves it behind):
    // ended by its PID if it still runs, and waited for on a process
    // descriptor.
    void killIfAlive() {
        if (postmaster_ <= 0) return;
        const int fd = static_cast<int>(::syscall(SYS_pidfd_open, postmaster_, 0));
        if (fd >= 0) {
            ::kill(postmaster_, SIGKILL);
            waitForExit(fd, 30'000);
            ::close(fd);
        }
        postmaster_ = -1;
    }

    static bool waitForExit(int pidFd, int timeoutMs) {
        pollfd ended{pidFd, POLLIN, 0};
        int n = 0;
        do n = ::poll(&ended, 1, timeoutMs);
        while (n < 0 && errno == EINTR);
        return n > 0;
    }

    // Runs a tool to its end (as nobody when root), its output appended to
    // tools.log; its exit status, or -1. A tool that hangs is killed at the
    // time limit.
    int run(const std::vector<QString>& command, int timeoutMs) const {
        std::vector<std::string> args;
        if (::geteuid() == 0)
            args = {"/usr/bin/setpriv", "--reuid=nobody", "--regid=nogroup", "--clear-groups", "--"};
        for (const QString& a : command) args.push_back(a.toStdString());
        std::vector<char*> argv;
        for (std::string& a : args) argv.push_back(a.data());
        argv.push_back(nullptr);
        std::vector<std::string> env;
        for (char** e = environ; *e; ++e)
            if (std::strncmp(*e, "LC_", 3) != 0 && std::strncmp(*e, "LANG=", 5) != 0 && std::strncmp(*e, "PG", 2) != 0)
                env.emplace_back(*e);
        env.emplace_back("LC_ALL=C");
        std::vector<char*> envp;
        for (std::string& e : env) envp.push_back(e.data());
        envp.push_back(nullptr);
        const QByteArray logPath = QFile::encodeName(dir_.filePath(QStringLiteral("tools.log")));
        posix_spawn_file_actions_t actions;
        posix_spawn_file_actions_init(&actions);
        posix_spawn_file_actions_addopen(&actions, STDIN_FILENO, "/dev/null", O_RDONLY, 0);
        posix_spawn_file_actions_addopen(&actions, STDOUT_FILENO, logPath.constData(), O_WRONLY | O_CREAT | O_APPEND,
                                         0644);
        posix_spawn_file_actions_adddup2(&actions, STDOUT_FILENO, STDERR_FILENO);
        // The server user's working folder: the test's may be closed to it.
        posix_spawn_file_actions_addchdir_np(&actions, QFile::encodeName(dir_.path()).constData());
        pid_t pid = -1;
        const int rc = posix_spawn(&pid, argv[0], &actions, nullptr, argv.data(), envp.data());
        posix_spawn_file_actions_destroy(&actions);
        if (rc != 0) return -1;
        const int fd = static_cast<int>(::syscall(SYS_pidfd_open, pid, 0));
        if (fd >= 0) {
            if (!waitForExit(fd, timeoutMs)) ::kill(pid, SIGKILL);
            ::close(fd);
        }
        int status = 0;
        while (::waitpid(pid, &status, 0) < 0 && errno == EINTR) {
        }
        return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    }

    QTemporaryDir dir_;
    quint16 port_ = 0;
    pid_t postmaster_ = -1;
};
