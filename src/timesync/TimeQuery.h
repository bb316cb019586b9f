#pragma once

#include <QObject>
#include <QString>

#include "common/Clock.h"
#include "timesync/NtpClient.h"
#include "timesync/TimeClient.h"

namespace orvane::timesync {

// How a host-list entry is asked: "ntp:HOST" by NTP only, "time:HOST" by the
// Time protocol only, a bare host by NTP first and by the Time protocol when
// NTP gets no answer within the time-out.
enum class TimeProto { Auto, Ntp, Time };

struct HostEntry {
    TimeProto proto = TimeProto::Auto;
    QString host;
    friend bool operator==(const HostEntry&, const HostEntry&) = default;
};

// The prefix is read without regard to case; spaces around the host go.
HostEntry parseHostEntry(const QString& entry);

// Responsibilities: one question to a time server in the protocol its entry
// names, over one endpoint shared by the NTP and the Time-protocol client,
// with the fallback of a bare host from NTP to the Time protocol. Either
// answer is handed on as it came; the comparison with the clock is the
// caller's.
//
// Collaborations: NtpClient, TimeClient, the endpoint's remote port (set for
// each request: ntpPort or timePort).
class TimeQuery : public QObject {
    Q_OBJECT
public:
    static constexpr int kDefaultNtpTimeoutMs = 3000;

    TimeQuery(TNMUDP& endpoint, const Clock& clock, QObject* parent = nullptr);

    // The ports asked (tests and orvane-cli --port point both at one server).
    void setPorts(quint16 ntpPort, quint16 timePort) {
        ntpPort_ = ntpPort;
        timePort_ = timePort;
    }
    // How long NTP waits before giving up (or falling back); 0 waits until stop().
    void setNtpTimeoutMs(int ms) { ntpTimeoutMs_ = ms; }

    // False while a question is outstanding or the host is empty.
    bool start(const HostEntry& entry);
    void stop();
    bool busy() const;
    // Awaiting an answer (the request went out).
    bool awaiting() const;
    TimeProto askingBy() const { return asking_; }
    const NtpClient& ntp() const { return ntp_; }
    TimeClient& timeClient() { return time_; }

signals:
    void requestSent(const QString& address);
    void requestFailed(const QString& message);
    void ntpAnswered(const orvane::timesync::NtpReply& reply, const orvane::timesync::NtpMeasurement& measurement,
                     const QString& fromIP);
    // A Time-protocol answer: read the bytes with the endpoint's ReadBuffer.
    void timeAnswered(int numberBytes, const QString& fromIP);
    // The wait ended without a usable answer (no answer, kiss-o'-death); the text says why.
    void failed(const QString& message);

private:
    void askByTime();

    TNMUDP& endpoint_;
    NtpClient ntp_;
    TimeClient time_;
    HostEntry entry_;
    TimeProto asking_ = TimeProto::Auto;
    quint16 ntpPort_ = kNtpPort;
    quint16 timePort_ = kTimeProtocolPort;
    int ntpTimeoutMs_ = kDefaultNtpTimeoutMs;
};

}  // namespace orvane::timesync
