#pragma once

#include <QObject>
#include <QString>
#include <QTimer>

#include "common/Clock.h"
#include "timesync/Nmudp.h"
#include "timesync/NtpPacket.h"

namespace orvane::timesync {

// Responsibilities: one NTP request at a time over a TNMUDP endpoint (the
// same endpoint as the Time-protocol client), and the gate that decides which
// datagram is its answer.
//
// The request carries a random transmit timestamp; our own send moment is
// kept here, not in the packet. A datagram is the answer only while a
// request is outstanding, only from the address and port asked, only once,
// and only when parseNtpReply accepts it against that random timestamp.
// Anything else is refused and counted; the wait goes on, since the real
// reply may still come. A kiss-o'-death that echoes our timestamp is the
// server's answer ("RATE", "DENY") and ends the wait.
//
// States: Idle -> request() -> Sending (lookup) -> Awaiting -> answered,
// kissOfDeath, noAnswer (time-out) or stop() -> Idle. A failed lookup or send
// gives requestFailed.
//
// Collaborations: the clock gives the send and receive moments (t1, t4).
class NtpClient : public QObject {
    Q_OBJECT
public:
    enum class State { Idle, Sending, Awaiting };

    NtpClient(TNMUDP& endpoint, const Clock& clock, QObject* parent = nullptr);

    // Sends to host:port; the wait ends after `timeoutMs` (0: never). False unless Idle.
    bool request(const QString& host, quint16 port, int timeoutMs);
    void stop();

    State state() const { return state_; }
    bool awaiting() const { return state_ == State::Awaiting; }
    const QString& serverAddress() const { return serverAddress_; }
    // Datagrams refused since the last request, and why the last one was.
    int refusedCount() const { return refusedCount_; }
    const QString& lastRefusal() const { return lastRefusal_; }

signals:
    void requestSent(const QString& address);
    void requestFailed(const QString& message);
    void answered(const orvane::timesync::NtpReply& reply, const orvane::timesync::NtpMeasurement& measurement,
                  const QString& fromIP);
    void kissOfDeath(const QString& code, const QString& fromIP);
    void noAnswer();

private:
    void onDatagram(int numberBytes, const QString& fromIP, int port);
    void refuse(const QString& why);

    TNMUDP& endpoint_;
    const Clock& clock_;
    State state_ = State::Idle;
    QString serverAddress_;
    quint16 port_ = kNtpPort;
    NtpTimestamp sentTransmit_;
    double t1Ms_ = 0;
    int timeoutMs_ = 0;
    QTimer timeout_;
    int refusedCount_ = 0;
    QString lastRefusal_;
};

}  // namespace orvane::timesync
