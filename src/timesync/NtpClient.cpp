#include "timesync/NtpClient.h"

#include <QRandomGenerator>
#include <algorithm>

namespace orvane::timesync {

NtpClient::NtpClient(TNMUDP& endpoint, const Clock& clock, QObject* parent)
    : QObject(parent), endpoint_(endpoint), clock_(clock) {
    timeout_.setSingleShot(true);
    connect(&timeout_, &QTimer::timeout, this, [this] {
        if (state_ != State::Awaiting) return;
        state_ = State::Idle;
        emit noAnswer();
    });
    connect(&endpoint_, &TNMUDP::OnDataReceived, this, &NtpClient::onDatagram);
    // The send moment is read before the datagram goes: the answer may be
    // on its way back before sendto returns.
    connect(&endpoint_, &TNMUDP::aboutToSend, this, [this] {
        if (state_ == State::Sending) t1Ms_ = clock_.nowUtcMsFine();
    });
    connect(&endpoint_, &TNMUDP::Sent, this, [this](const QString& address) {
        if (state_ != State::Sending) return;
        serverAddress_ = address;
        state_ = State::Awaiting;
        if (timeoutMs_ > 0) timeout_.start(timeoutMs_);
        emit requestSent(address);
    });
    connect(&endpoint_, &TNMUDP::SendFailed, this, [this](const QString& message) {
        if (state_ != State::Sending) return;
        state_ = State::Idle;
        emit requestFailed(message);
    });
}

bool NtpClient::request(const QString& host, quint16 port, int timeoutMs) {
    if (state_ != State::Idle || endpoint_.sending()) return false;
    state_ = State::Sending;
    serverAddress_.clear();
    refusedCount_ = 0;
    lastRefusal_.clear();
    port_ = port;
    timeoutMs_ = timeoutMs;
    // Random bits a forger cannot guess; the system generator, not a seeded one.
    QRandomGenerator* random = QRandomGenerator::system();
    sentTransmit_ = {random->generate(), random->generate()};
    if (sentTransmit_.raw() == 0) sentTransmit_.fraction = 1;  // a zero originate means "none"
    endpoint_.setRemoteHost(host);
    endpoint_.setRemotePort(port);
    endpoint_.SendBuffer(makeNtpRequest(sentTransmit_));
    return true;
}

void NtpClient::stop() {
    timeout_.stop();
    if (state_ == State::Awaiting) state_ = State::Idle;
}

void NtpClient::refuse(const QString& why) {
    ++refusedCount_;
    lastRefusal_ = why;
}

void NtpClient::onDatagram(int numberBytes, const QString& fromIP, int port) {
    if (state_ != State::Awaiting) return;
    const double t4Ms = clock_.nowUtcMsFine();
    if (numberBytes < 0) return refuse(QStringLiteral("receive failed"));
    if (fromIP != serverAddress_ || port != port_)
        return refuse(QStringLiteral("from %1:%2, not the server asked").arg(fromIP).arg(port));
    // Only the first 48 bytes are read; a longer datagram (extension fields)
    // is cut to what the receive buffer holds.
    QByteArray datagram(std::min(numberBytes, TNMUDP::kReceiveBufferBytes), '\0');
    endpoint_.ReadBuffer(datagram.data(), static_cast<int>(datagram.size()));
    const auto parsed = parseNtpReply(datagram, sentTransmit_);
    if (const auto* rejected = std::get_if<NtpRejected>(&parsed)) {
        if (rejected->refusal == NtpRefusal::KissOfDeath) {
            timeout_.stop();
            state_ = State::Idle;
            emit kissOfDeath(rejected->kissCode, fromIP);
            return;
        }
        return refuse(refusalText(rejected->refusal));
    }
    const auto& reply = std::get<NtpReply>(parsed);
    if (const auto refusal = checkExchangeTimes(reply, t1Ms_, t4Ms)) return refuse(refusalText(*refusal));
    timeout_.stop();
    state_ = State::Idle;
    emit answered(reply, measureReply(reply, t1Ms_, t4Ms), fromIP);
}

}  // namespace orvane::timesync
