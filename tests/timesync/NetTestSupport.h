#pragma once

// Test-side peers of the time client: a scripted UDP server driven by the
// same event loop and the real xinetd time service. Waits use the tests' one
// wait helper, support/WaitUntil.h.

#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QFile>
#include <QProcess>
#include <QSocketNotifier>
#include <QString>
#include <QTemporaryDir>
#include <functional>
#include <memory>
#include <stdexcept>
#include <vector>

#include "support/WaitUntil.h"
#include "timesync/NtpPacket.h"

namespace timesync_test {

// 2026-12-10 12:00:00 UTC, where the fake clocks of the NTP tests stand.
inline constexpr orvane::UtcMs kNoonMs = 1'796'904'000'000;

// An NTP server's reply to `request`, received and sent at serverMs; the
// fields a hostile server would get wrong can be set.
struct NtpReplyFields {
    double serverMs = kNoonMs + 2000.0;
    int first = 0x24;  // LI 0, version 4, mode 4
    int stratum = 2;
    QByteArray refid = QByteArray("GPS\0", 4);
    bool echo = true;  // the originate timestamp echoes the request's transmit timestamp
    int size = 48;
};

inline QByteArray ntpReply(const QByteArray& request, const NtpReplyFields& fields) {
    QByteArray d(48, '\0');
    d[0] = static_cast<char>(fields.first);
    d[1] = static_cast<char>(fields.stratum);
    d.replace(12, 4, fields.refid.leftJustified(4, '\0', true));
    if (fields.echo && request.size() >= 48) d.replace(24, 8, request.mid(40, 8));
    const orvane::timesync::NtpTimestamp t = orvane::timesync::unixMsToNtp(fields.serverMs);
    QByteArray stamp(8, '\0');
    for (int i = 0; i < 4; ++i) {
        stamp[i] = static_cast<char>(t.seconds >> (24 - 8 * i));
        stamp[4 + i] = static_cast<char>(t.fraction >> (24 - 8 * i));
    }
    d.replace(32, 8, stamp);
    d.replace(40, 8, stamp);
    return d.left(fields.size);
}

// A UDP socket on 127.0.0.1 at a port the system chooses.
class LoopbackSocket {
public:
    LoopbackSocket() {
        fd_ = ::socket(AF_INET, SOCK_DGRAM | SOCK_NONBLOCK | SOCK_CLOEXEC, 0);
        sockaddr_in a{};
        a.sin_family = AF_INET;
        a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        if (fd_ < 0 || ::bind(fd_, reinterpret_cast<sockaddr*>(&a), sizeof a) != 0)
            throw std::runtime_error("cannot bind a loopback UDP socket");
    }
    ~LoopbackSocket() { ::close(fd_); }
    LoopbackSocket(const LoopbackSocket&) = delete;
    LoopbackSocket& operator=(const LoopbackSocket&) = delete;

    int fd() const { return fd_; }
    quint16 port() const {
        sockaddr_in a{};
        socklen_t n = sizeof a;
        ::getsockname(fd_, reinterpret_cast<sockaddr*>(&a), &n);
        return ntohs(a.sin_port);
    }
    void sendTo(quint16 port, const QByteArray& bytes) const {
        sockaddr_in a{};
        a.sin_family = AF_INET;
        a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        a.sin_port = htons(port);
        ::sendto(fd_, bytes.constData(), static_cast<size_t>(bytes.size()), 0, reinterpret_cast<sockaddr*>(&a), sizeof a);
    }

private:
    int fd_ = -1;
};

// A port that was free a moment ago (for servers started in another process).
inline quint16 freeUdpPort() {
    LoopbackSocket probe;
    return probe.port();
}

// Answers each request with a scripted list of datagrams: each is sent from
// the server's own port or, when `fromOtherPort`, from a second socket.
class ScriptedTimeServer : public QObject {
public:
    struct Datagram {
        QByteArray bytes;
        bool fromOtherPort = false;
    };

    ScriptedTimeServer() : notifier_(socket_.fd(), QSocketNotifier::Read) {
        QObject::connect(&notifier_, &QSocketNotifier::activated, this, [this] { onRequest(); });
    }

    quint16 port() const { return socket_.port(); }
    void answerWith(std::vector<Datagram> script) { script_ = std::move(script); }
    // Answers built from each request (an NTP reply must echo the request's timestamp).
    using Responder = std::function<std::vector<Datagram>(const QByteArray& request)>;
    void respondWith(Responder responder) { responder_ = std::move(responder); }
    // Sends to a client that asked nothing.
    void sendUnasked(quint16 clientPort, const QByteArray& bytes) const { socket_.sendTo(clientPort, bytes); }

    std::vector<QByteArray> requests;
    quint16 lastClientPort = 0;

private:
    void onRequest() {
        char buffer[2048];
        sockaddr_in from{};
        socklen_t n = sizeof from;
        const ssize_t got = ::recvfrom(socket_.fd(), buffer, sizeof buffer, 0, reinterpret_cast<sockaddr*>(&from), &n);
        if (got < 0) return;
        requests.emplace_back(buffer, static_cast<qsizetype>(got));
        lastClientPort = ntohs(from.sin_port);
        const std::vector<Datagram> answer = responder_ ? responder_(requests.back()) : script_;
        for (const Datagram& d : answer) (d.fromOtherPort ? other_ : socket_).sendTo(lastClientPort, d.bytes);
    }

    LoopbackSocket socket_;
    LoopbackSocket other_;
    QSocketNotifier notifier_;
    std::vector<Datagram> script_;
    Responder responder_;
};

// xinetd's built-in RFC 868 time service (datagram form) on 127.0.0.1 at a
// free port, as a child process of the test; stopped by its PID.
class XinetdTimeServer {
public:
    XinetdTimeServer() {
        port_ = freeUdpPort();
        const QString conf = dir_.filePath(QStringLiteral("xinetd.conf"));
        QFile file(conf);
        if (!file.open(QIODevice::WriteOnly)) throw std::runtime_error("cannot write xinetd.conf");
        file.write(QStringLiteral("defaults\n{\n}\n"
                                  "service time\n{\n"
                                  "    type = INTERNAL UNLISTED\n"
                                  "    id = time-dgram\n"
                                  "    socket_type = dgram\n"
                                  "    protocol = udp\n"
                                  "    wait = yes\n"
                                  "    bind = 127.0.0.1\n"
                                  "    port = %1\n}\n")
                       .arg(port_)
                       .toLatin1());
        file.close();
        process_.setProgram(QStringLiteral("/usr/sbin/xinetd"));
        process_.setArguments({QStringLiteral("-dontfork"), QStringLiteral("-f"), conf, QStringLiteral("-pidfile"),
                               dir_.filePath(QStringLiteral("xinetd.pid"))});
        process_.setProcessChannelMode(QProcess::ForwardedErrorChannel);
        process_.start();
        if (!process_.waitForStarted(5000)) throw std::runtime_error("xinetd did not start");
    }
    ~XinetdTimeServer() {
        process_.terminate();  // SIGTERM to this child's PID only
        if (!process_.waitForFinished(3000)) process_.kill();
    }

    quint16 port() const { return port_; }

    // Waits until the service answers (xinetd binds shortly after it starts).
    bool waitReady() {
        LoopbackSocket client;
        QDeadlineTimer deadline(5000);
        while (!deadline.hasExpired()) {
            client.sendTo(port_, QByteArray(1, '\0'));
            QSocketNotifier notifier(client.fd(), QSocketNotifier::Read);
            bool answered = false;
            QObject::connect(&notifier, &QSocketNotifier::activated, [&] { answered = true; });
            if (waitUntil([&] { return answered; }, 200)) {
                char buffer[16];
                ::recv(client.fd(), buffer, sizeof buffer, 0);
                pauseAfterAnswer();
                return true;
            }
        }
        return false;
    }
    // xinetd drops a datagram that arrives right after its previous answer.
    static void pauseAfterAnswer() { runEventsFor(20); }

private:
    QTemporaryDir dir_;
    quint16 port_ = 0;
    QProcess process_;
};

#ifdef ORVANE_CHRONYD
// Debian's chronyd as an NTP server on 127.0.0.1 at a free port, as a child
// process of the test, with a configuration of its own: its local clock at
// stratum 8, no sources, no command port. Always -x: it never sets this
// machine's clock. -u root when the test runs as root, since the unpacked
// daemon has no system user to drop to. Stopped by its PID.
class ChronydServer {
public:
    ChronydServer() {
        port_ = freeUdpPort();
        const QString conf = dir_.filePath(QStringLiteral("chrony.conf"));
        QFile file(conf);
        if (!file.open(QIODevice::WriteOnly)) throw std::runtime_error("cannot write chrony.conf");
        file.write(QStringLiteral("local stratum 8\n"
                                  "allow 127.0.0.1\n"
                                  "bindaddress 127.0.0.1\n"
                                  "port %1\n"
                                  "cmdport 0\n"
                                  "pidfile %2\n"
                                  "driftfile %3\n")
                       .arg(port_)
                       .arg(dir_.filePath(QStringLiteral("chronyd.pid")), dir_.filePath(QStringLiteral("drift")))
                       .toLatin1());
        file.close();
        QStringList args{QStringLiteral("-d"), QStringLiteral("-x"), QStringLiteral("-f"), conf};
        if (::geteuid() == 0) args += {QStringLiteral("-u"), QStringLiteral("root")};
        process_.setProgram(QStringLiteral(ORVANE_CHRONYD));
        process_.setArguments(args);
        process_.setProcessChannelMode(QProcess::MergedChannels);  // its log is read on failure only
        process_.start();
        if (!process_.waitForStarted(5000)) throw std::runtime_error("chronyd did not start: " ORVANE_CHRONYD);
    }
    ~ChronydServer() {
        process_.terminate();  // SIGTERM to this child's PID only
        if (!process_.waitForFinished(3000)) process_.kill();
    }

    quint16 port() const { return port_; }
    QString log() { return QString::fromLocal8Bit(process_.readAll()); }

    // Waits until chronyd answers an NTP request (it binds shortly after it starts).
    bool waitReady() {
        LoopbackSocket client;
        QDeadlineTimer deadline(10000);
        QByteArray request(48, '\0');
        request[0] = 0x23;  // version 4, client
        request[47] = 1;
        while (!deadline.hasExpired()) {
            client.sendTo(port_, request);
            QSocketNotifier notifier(client.fd(), QSocketNotifier::Read);
            bool answered = false;
            QObject::connect(&notifier, &QSocketNotifier::activated, [&] { answered = true; });
            if (waitUntil([&] { return answered; }, 200)) {
                char buffer[128];
                ::recv(client.fd(), buffer, sizeof buffer, 0);
                return true;
            }
        }
        return false;
    }

private:
    QTemporaryDir dir_;
    quint16 port_ = 0;
    QProcess process_;
};
#endif

}  // namespace timesync_test
