#pragma once

#include <QObject>
#include <QString>

#include "timesync/Nmudp.h"

namespace orvane::timesync {

// Responsibilities: one Time-protocol request at a time over a TNMUDP
// endpoint, and the gate that decides which datagram is its answer.
//
// A datagram is taken as the answer only while a request is outstanding, only
// from the address and port the request went to, and only once; anything else
// (a late answer after Stop, a second copy, a datagram from elsewhere) is
// ignored, so nobody on the network can set the clock uninvited.
//
// States: Idle -> request() -> Sending (looking up the host) -> Sent ->
// Awaiting -> an answer or stop() -> Idle. A failed lookup or send returns to
// Idle with requestFailed. There is no time-out: the user stops the wait.
class TimeClient : public QObject {
    Q_OBJECT
public:
    enum class State { Idle, Sending, Awaiting };

    explicit TimeClient(TNMUDP& endpoint, QObject* parent = nullptr);

    // Sends the one-byte request (a single zero byte) to `host`; false unless Idle.
    bool request(const QString& host);
    // Ends the wait; a later answer is ignored.
    void stop();

    State state() const { return state_; }
    bool AwaitingTime() const { return state_ == State::Awaiting; }
    // The dotted address the outstanding request went to.
    const QString& serverAddress() const { return serverAddress_; }

signals:
    void requestSent(const QString& address);
    void requestFailed(const QString& message);
    // The answer: its length (4 when well formed) and where it came from. Read
    // the bytes with the endpoint's ReadBuffer.
    void replyReceived(int NumberBytes, const QString& FromIP, int Port);
    // A datagram that was not the answer (for diagnostics; the program stays silent).
    void datagramIgnored(int NumberBytes, const QString& FromIP, int Port);

private:
    void onDatagram(int numberBytes, const QString& fromIP, int port);

    TNMUDP& endpoint_;
    State state_ = State::Idle;
    QString serverAddress_;
};

}  // namespace orvane::timesync
