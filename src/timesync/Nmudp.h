#pragma once

#include <QByteArray>
#include <QObject>
#include <QString>
#include <cstdint>
#include <memory>

#include "common/OrvaneError.h"
#include "common/HostResolver.h"
#include "timesync/TimeProtocol.h"

class QSocketNotifier;

namespace orvane::timesync {

// Errors of the datagram endpoint.
class UDPSockError : public OrvaneError {
public:
    using OrvaneError::OrvaneError;
};

// Responsibilities: one IPv4 datagram socket for the life of the program,
// bound to any local address at LocalPort, that sends datagrams to
// RemoteHost:RemotePort and reports every datagram that arrives.
//
// Everything happens on the thread that owns the endpoint (the GUI thread):
// readiness comes from a QSocketNotifier, and a host name is looked up by the
// HostResolver (which tries a failed lookup once more), which answers later,
// so the caller never blocks. A dotted IPv4 address is used as it is, without
// a lookup. Socket failures read as the socket error table has them
// ("10048:Address already in use"), as they do for the FTP session.
//
// Sending: SendBuffer() resolves RemoteHost and sends; the outcome is the signal Sent or SendFailed, which may come
// before SendBuffer returns (dotted address) or later (lookup).
class TNMUDP : public QObject {
    Q_OBJECT
public:
    static constexpr int kReceiveBufferBytes = 2048;

    // Creates the socket; throws UDPSockError with the table's text.
    explicit TNMUDP(HostResolver& resolver, QObject* parent = nullptr);
    ~TNMUDP() override;

    // The resolver for host names (tests hand in a scripted one).
    // A lookup in progress on the former resolver is dropped, and its send with it.
    void setHostResolver(HostResolver& resolver);

    const QString& RemoteHost() const { return remoteHost_; }
    void setRemoteHost(const QString& host) { remoteHost_ = host; }
    quint16 RemotePort() const { return remotePort_; }
    void setRemotePort(quint16 port) { remotePort_ = port; }
    quint16 LocalPort() const { return localPort_; }
    void setLocalPort(quint16 port) { localPort_ = port; }

    // Binds to LocalPort and starts reporting datagrams. Called once the
    // properties are set. Throws UDPSockError.
    void Loaded();
    // The port the socket is bound to (the system's choice for LocalPort 0).
    quint16 boundPort() const;

    // Resolves RemoteHost and sends `data` as one datagram. Datagrams that
    // arrived before the send are reported first, so a listener can tell them
    // from answers to this datagram. Ignored (returns false) while a previous
    // send is still resolving.
    bool SendBuffer(const QByteArray& data);
    bool sending() const { return sendPending_; }

    // Copies the last datagram received, at most `capacity` bytes; returns its
    // full length (-1 after a failed receive).
    int ReadBuffer(char* buffer, int capacity) const;

    // The address the last send went to (network byte order), and as text.
    std::uint32_t RemoteAddress() const { return remoteAddress_; }
    static QString dottedAddress(std::uint32_t networkOrder);

signals:
    // One datagram arrived: its length (-1 when the receive failed), the
    // sender's dotted address and port.
    void OnDataReceived(int NumberBytes, const QString& FromIP, int Port);
    // The datagram goes out now (the lookup is done): the moment a
    // round-trip measurement starts from.
    void aboutToSend();
    // The datagram went out to `address`:RemotePort.
    void Sent(const QString& address);
    // Lookup or send failed: "Host Lookup Canceled", "Null Remote Address" or
    // the table's text for a failed send ("10013:Permission denied").
    void SendFailed(const QString& message);

private:
    void ResolveRemoteHost();
    void onResolved(std::uint32_t address);
    void ProcessIncomingdata();
    void drainIncoming();

    HostResolver* resolver_;
    // The socket is opened before the QObject part exists, so a failure to
    // open it throws from a constructor with nothing to unwind.
    TNMUDP(int fd, HostResolver& resolver, QObject* parent);
    static int openSocket();

    int fd_ = -1;
    std::unique_ptr<QSocketNotifier> notifier_;
    QString remoteHost_;
    quint16 remotePort_ = kTimeProtocolPort;
    quint16 localPort_ = 0;
    std::uint32_t remoteAddress_ = 0;
    QByteArray pendingData_;
    bool sendPending_ = false;
    char receiveBuffer_[kReceiveBufferBytes] = {};
    int receivedLength_ = 0;
};

}  // namespace orvane::timesync
