#include "timesync/TimeClient.h"

namespace orvane::timesync {

TimeClient::TimeClient(TNMUDP& endpoint, QObject* parent) : QObject(parent), endpoint_(endpoint) {
    connect(&endpoint_, &TNMUDP::OnDataReceived, this, &TimeClient::onDatagram);
    connect(&endpoint_, &TNMUDP::Sent, this, [this](const QString& address) {
        if (state_ != State::Sending) return;
        serverAddress_ = address;
        state_ = State::Awaiting;
        emit requestSent(address);
    });
    connect(&endpoint_, &TNMUDP::SendFailed, this, [this](const QString& message) {
        if (state_ != State::Sending) return;
        state_ = State::Idle;
        emit requestFailed(message);
    });
}

bool TimeClient::request(const QString& host) {
    if (state_ != State::Idle || endpoint_.sending()) return false;
    state_ = State::Sending;
    serverAddress_.clear();
    endpoint_.setRemoteHost(host);
    endpoint_.SendBuffer(QByteArray(1, '\0'));
    return true;
}

void TimeClient::stop() {
    if (state_ == State::Awaiting) state_ = State::Idle;
}

void TimeClient::onDatagram(int numberBytes, const QString& fromIP, int port) {
    // A failed receive names no sender; while waiting it ends the wait with
    // the bad-length message, which is all the user can be told.
    const bool fromServer = numberBytes < 0 || (fromIP == serverAddress_ && port == endpoint_.RemotePort());
    if (state_ != State::Awaiting || !fromServer) {
        emit datagramIgnored(numberBytes, fromIP, port);
        return;
    }
    state_ = State::Idle;
    emit replyReceived(numberBytes, fromIP, port);
}

}  // namespace orvane::timesync
