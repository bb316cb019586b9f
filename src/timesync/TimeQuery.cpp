#include "timesync/TimeQuery.h"

namespace orvane::timesync {

HostEntry parseHostEntry(const QString& entry) {
    const QString text = entry.trimmed();
    for (const auto& [prefix, proto] : {std::pair{QStringLiteral("ntp:"), TimeProto::Ntp},
                                        std::pair{QStringLiteral("time:"), TimeProto::Time}}) {
        if (text.startsWith(prefix, Qt::CaseInsensitive)) return {proto, text.mid(prefix.size()).trimmed()};
    }
    return {TimeProto::Auto, text};
}

TimeQuery::TimeQuery(TNMUDP& endpoint, const Clock& clock, QObject* parent)
    : QObject(parent), endpoint_(endpoint), ntp_(endpoint, clock), time_(endpoint) {
    connect(&ntp_, &NtpClient::requestSent, this, &TimeQuery::requestSent);
    connect(&ntp_, &NtpClient::requestFailed, this, &TimeQuery::requestFailed);
    connect(&ntp_, &NtpClient::answered, this, &TimeQuery::ntpAnswered);
    connect(&ntp_, &NtpClient::kissOfDeath, this, [this](const QString& code, const QString& fromIP) {
        emit failed(QStringLiteral("%1 refused the request: kiss-o'-death \"%2\"").arg(fromIP, code));
    });
    connect(&ntp_, &NtpClient::noAnswer, this, [this] {
        if (entry_.proto == TimeProto::Auto) return askByTime();
        QString text = QStringLiteral("No answer from %1 (NTP) within %2 ms").arg(entry_.host).arg(ntpTimeoutMs_);
        if (ntp_.refusedCount() > 0)
            text += QStringLiteral("; %1 datagram(s) refused, the last: %2").arg(ntp_.refusedCount()).arg(ntp_.lastRefusal());
        emit failed(text);
    });
    connect(&time_, &TimeClient::requestSent, this, [this](const QString& address) {
        // A fallback's send is no news to the caller, who already saw the first.
        if (entry_.proto != TimeProto::Auto) emit requestSent(address);
    });
    connect(&time_, &TimeClient::requestFailed, this, &TimeQuery::requestFailed);
    connect(&time_, &TimeClient::replyReceived, this,
            [this](int numberBytes, const QString& fromIP, int) { emit timeAnswered(numberBytes, fromIP); });
}

bool TimeQuery::start(const HostEntry& entry) {
    if (busy() || entry.host.isEmpty()) return false;
    entry_ = entry;
    if (entry.proto == TimeProto::Time) {
        askByTime();
        return true;
    }
    asking_ = TimeProto::Ntp;
    return ntp_.request(entry.host, ntpPort_, ntpTimeoutMs_);
}

void TimeQuery::askByTime() {
    asking_ = TimeProto::Time;
    endpoint_.setRemotePort(timePort_);
    if (!time_.request(entry_.host)) emit requestFailed(QStringLiteral("The time request could not be sent"));
}

void TimeQuery::stop() {
    ntp_.stop();
    time_.stop();
}

bool TimeQuery::busy() const {
    return ntp_.state() != NtpClient::State::Idle || time_.state() != TimeClient::State::Idle;
}

bool TimeQuery::awaiting() const { return ntp_.awaiting() || time_.AwaitingTime(); }

}  // namespace orvane::timesync
