#include "timesync/Nmudp.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <QSocketNotifier>
#include <algorithm>
#include <cerrno>
#include <cstring>

#include "common/SocketErrors.h"

namespace orvane::timesync {

namespace {

// A burst of stale datagrams is read at most this far before a send; the rest
// is reported as it comes, like any other datagram.
constexpr int kMaxDrainedDatagrams = 256;

[[noreturn]] void throwSocketError(int error) {
    throw UDPSockError(SocketErrorStr(socketErrorFromErrno(error)).toStdString());
}

}  // namespace

int TNMUDP::openSocket() {
    const int fd = ::socket(AF_INET, SOCK_DGRAM | SOCK_NONBLOCK | SOCK_CLOEXEC, 0);
    if (fd < 0) throwSocketError(errno);
    return fd;
}

TNMUDP::TNMUDP(HostResolver& resolver, QObject* parent) : TNMUDP(openSocket(), resolver, parent) {}

TNMUDP::TNMUDP(int fd, HostResolver& resolver, QObject* parent) : QObject(parent), resolver_(&resolver) {
    fd_ = fd;
}

TNMUDP::~TNMUDP() {
    resolver_->cancel();
    notifier_.reset();
    if (fd_ >= 0) ::close(fd_);
}

void TNMUDP::setHostResolver(HostResolver& resolver) {
    resolver_->cancel();
    sendPending_ = false;
    resolver_ = &resolver;
}

void TNMUDP::Loaded() {
    if (notifier_) return;
    sockaddr_in local{};
    local.sin_family = AF_INET;
    local.sin_addr.s_addr = htonl(INADDR_ANY);
    local.sin_port = htons(localPort_);
    if (::bind(fd_, reinterpret_cast<const sockaddr*>(&local), sizeof local) != 0) throwSocketError(errno);
    notifier_ = std::make_unique<QSocketNotifier>(fd_, QSocketNotifier::Read);
    connect(notifier_.get(), &QSocketNotifier::activated, this, [this] { ProcessIncomingdata(); });
}

quint16 TNMUDP::boundPort() const {
    sockaddr_in local{};
    socklen_t length = sizeof local;
    if (::getsockname(fd_, reinterpret_cast<sockaddr*>(&local), &length) != 0) return 0;
    return ntohs(local.sin_port);
}

QString TNMUDP::dottedAddress(std::uint32_t networkOrder) {
    const std::uint32_t a = ntohl(networkOrder);
    return QStringLiteral("%1.%2.%3.%4").arg(a >> 24).arg((a >> 16) & 0xFF).arg((a >> 8) & 0xFF).arg(a & 0xFF);
}

bool TNMUDP::SendBuffer(const QByteArray& data) {
    if (sendPending_) return false;
    sendPending_ = true;
    pendingData_ = data;
    ResolveRemoteHost();
    return true;
}

void TNMUDP::ResolveRemoteHost() {
    in_addr dotted{};
    if (::inet_pton(AF_INET, remoteHost_.toLatin1().constData(), &dotted) == 1) {
        onResolved(dotted.s_addr);
        return;
    }
    resolver_->start(remoteHost_, [this](const HostResolver::Result& result) {
        if (!sendPending_) return;
        if (result.errorNo == 0) {
            onResolved(htonl(result.ipv4HostOrder));
        } else {
            sendPending_ = false;
            emit SendFailed(QStringLiteral("Host Lookup Canceled"));
        }
    });
}

void TNMUDP::onResolved(std::uint32_t address) {
    remoteAddress_ = address;
    if (address == 0) {
        sendPending_ = false;
        emit SendFailed(QStringLiteral("Null Remote Address"));
        return;
    }
    drainIncoming();
    sockaddr_in remote{};
    remote.sin_family = AF_INET;
    remote.sin_addr.s_addr = address;
    remote.sin_port = htons(remotePort_);
    emit aboutToSend();
    const ssize_t sent = ::sendto(fd_, pendingData_.constData(), static_cast<size_t>(pendingData_.size()),
                                  MSG_NOSIGNAL, reinterpret_cast<const sockaddr*>(&remote), sizeof remote);
    const int sendError = errno;
    sendPending_ = false;
    // A send the system refuses would otherwise leave the caller waiting for
    // an answer that cannot come; say why instead.
    if (sent < 0) {
        emit SendFailed(SocketErrorStr(socketErrorFromErrno(sendError)));
        return;
    }
    emit Sent(dottedAddress(address));
}

void TNMUDP::drainIncoming() {
    for (int i = 0; i < kMaxDrainedDatagrams; ++i) {
        char probe = 0;
        if (::recv(fd_, &probe, 1, MSG_PEEK | MSG_DONTWAIT) < 0) return;
        ProcessIncomingdata();
    }
}

void TNMUDP::ProcessIncomingdata() {
    sockaddr_in from{};
    socklen_t fromLength = sizeof from;
    // MSG_TRUNC gives the datagram's real length even when it does not fit.
    const ssize_t n = ::recvfrom(fd_, receiveBuffer_, sizeof receiveBuffer_, MSG_TRUNC | MSG_DONTWAIT,
                                 reinterpret_cast<sockaddr*>(&from), &fromLength);
    if (n < 0) {
        if (errno == EAGAIN || errno == EWOULDBLOCK || errno == EINTR) return;
        receivedLength_ = -1;
        emit OnDataReceived(-1, QString(), 0);
        return;
    }
    receivedLength_ = static_cast<int>(std::min<ssize_t>(n, 65535));
    emit OnDataReceived(receivedLength_, dottedAddress(from.sin_addr.s_addr), ntohs(from.sin_port));
}

int TNMUDP::ReadBuffer(char* buffer, int capacity) const {
    if (receivedLength_ > 0 && capacity > 0) {
        const int copied = std::min({capacity, receivedLength_, kReceiveBufferBytes});
        std::memcpy(buffer, receiveBuffer_, static_cast<size_t>(copied));
    }
    return receivedLength_;
}

}  // namespace orvane::timesync
