#include "timesync/NtpPacket.h"

#include <algorithm>
#include <cmath>

#include "common/TimeTypes.h"

namespace orvane::timesync {

namespace {

constexpr double kFractionPerSecond = 4294967296.0;  // 2^32

std::uint32_t readU32(const QByteArray& d, int at) {
    std::uint32_t v = 0;
    for (int i = 0; i < 4; ++i) v = (v << 8) | static_cast<std::uint8_t>(d[at + i]);
    return v;
}

NtpTimestamp readTimestamp(const QByteArray& d, int at) { return {readU32(d, at), readU32(d, at + 4)}; }

void writeU32(QByteArray& d, int at, std::uint32_t v) {
    for (int i = 3; i >= 0; --i) {
        d[at + i] = static_cast<char>(v & 0xFF);
        v >>= 8;
    }
}

}  // namespace

std::int64_t unixSecondsNearest(std::uint32_t secondsSince1900, std::int64_t nearUnixSeconds) {
    const std::int64_t era0 = static_cast<std::int64_t>(secondsSince1900) - kNtpEpochToUnixSeconds;
    // The era whose copy of the count lies within half an era of `near`.
    const std::int64_t era = floorDiv(nearUnixSeconds - era0 + kEraSeconds / 2, kEraSeconds);
    return era0 + era * kEraSeconds;
}

double ntpToUnixMs(NtpTimestamp t, UtcMs nearMs) {
    const std::int64_t seconds = unixSecondsNearest(t.seconds, floorDiv(nearMs, 1000));
    const double micros = std::round(static_cast<double>(t.fraction) * 1e6 / kFractionPerSecond);
    return static_cast<double>(seconds) * 1000.0 + micros / 1000.0;
}

NtpTimestamp unixMsToNtp(double unixMs) {
    const double wholeMs = std::floor(unixMs);
    const auto ms = static_cast<std::int64_t>(wholeMs);
    const std::int64_t seconds = floorDiv(ms, 1000) + kNtpEpochToUnixSeconds;
    const double fractionMs = static_cast<double>(floorMod(ms, 1000)) + (unixMs - wholeMs);
    const auto fraction = static_cast<std::uint64_t>(std::llround(fractionMs / 1000.0 * kFractionPerSecond));
    return {static_cast<std::uint32_t>(static_cast<std::uint64_t>(seconds) & 0xFFFFFFFFu),
            static_cast<std::uint32_t>(std::min<std::uint64_t>(fraction, 0xFFFFFFFFu))};
}

QByteArray makeNtpRequest(NtpTimestamp transmit) {
    QByteArray packet(kNtpPacketBytes, '\0');
    packet[0] = static_cast<char>((0 << 6) | (4 << 3) | 3);  // LI 0, version 4, mode 3
    writeU32(packet, 40, transmit.seconds);
    writeU32(packet, 44, transmit.fraction);
    return packet;
}

QString refusalText(NtpRefusal refusal) {
    switch (refusal) {
        case NtpRefusal::WrongLength: return QStringLiteral("not an NTP packet (too short)");
        case NtpRefusal::WrongMode: return QStringLiteral("not a server reply (mode)");
        case NtpRefusal::WrongVersion: return QStringLiteral("unsupported NTP version");
        case NtpRefusal::WrongOriginate: return QStringLiteral("does not answer our request");
        case NtpRefusal::Unsynchronised: return QStringLiteral("server clock not synchronised");
        case NtpRefusal::KissOfDeath: return QStringLiteral("server refused (kiss-o'-death)");
        case NtpRefusal::BadStratum: return QStringLiteral("server stratum out of range");
        case NtpRefusal::ZeroTransmit: return QStringLiteral("server sent no time");
        case NtpRefusal::BadRootDistance: return QStringLiteral("server's root delay or dispersion out of range");
        case NtpRefusal::InconsistentTimes: return QStringLiteral("server's timestamps contradict each other");
    }
    return {};
}

std::variant<NtpReply, NtpRejected> parseNtpReply(const QByteArray& datagram, NtpTimestamp sentTransmit) {
    // Extension fields and a MAC may follow the 48 bytes; they are not read.
    if (datagram.size() < kNtpPacketBytes) return NtpRejected{NtpRefusal::WrongLength, {}};
    const auto first = static_cast<std::uint8_t>(datagram[0]);
    NtpReply reply;
    reply.leap = first >> 6;
    reply.version = (first >> 3) & 7;
    const int mode = first & 7;
    reply.stratum = static_cast<std::uint8_t>(datagram[1]);
    reply.originate = readTimestamp(datagram, 24);
    reply.receive = readTimestamp(datagram, 32);
    reply.transmit = readTimestamp(datagram, 40);
    // Root delay and dispersion: unsigned 16.16 seconds (NTP short format).
    reply.rootDelayMs = readU32(datagram, 4) * (1000.0 / 65536.0);
    reply.rootDispersionMs = readU32(datagram, 8) * (1000.0 / 65536.0);
    if (mode != 4) return NtpRejected{NtpRefusal::WrongMode, {}};
    if (reply.version != 3 && reply.version != 4) return NtpRejected{NtpRefusal::WrongVersion, {}};
    if (reply.originate != sentTransmit) return NtpRejected{NtpRefusal::WrongOriginate, {}};
    if (reply.stratum == 0) {
        // The kiss code is four ASCII letters in the reference id; anything
        // else is shown as '?', never as raw bytes.
        QString code;
        for (int i = 12; i < 16; ++i) {
            const char c = datagram[i];
            code += (c >= 0x20 && c < 0x7F) ? QChar::fromLatin1(c) : QLatin1Char('?');
        }
        return NtpRejected{NtpRefusal::KissOfDeath, code};
    }
    if (reply.leap == 3) return NtpRejected{NtpRefusal::Unsynchronised, {}};
    if (reply.stratum > 15) return NtpRejected{NtpRefusal::BadStratum, {}};
    if (reply.transmit.raw() == 0) return NtpRejected{NtpRefusal::ZeroTransmit, {}};
    // RFC 5905's MAXDISP: a server this far from its reference has no time to give.
    constexpr double kMaxRootMs = 16'000.0;
    if (!(reply.rootDelayMs < kMaxRootMs) || !(reply.rootDispersionMs < kMaxRootMs))
        return NtpRejected{NtpRefusal::BadRootDistance, {}};
    // The server received before it sent, and held the request a moment, not
    // a minute. The difference of the raw stamps is taken modulo 2^64, so an
    // era boundary between them does not matter.
    const auto holdUnits = static_cast<std::int64_t>(reply.transmit.raw() - reply.receive.raw());
    constexpr std::int64_t kMaxHoldUnits = std::int64_t{60} << 32;  // 60 s
    if (holdUnits < 0 || holdUnits > kMaxHoldUnits) return NtpRejected{NtpRefusal::InconsistentTimes, {}};
    return reply;
}

NtpMeasurement measure(double t1Ms, double t2Ms, double t3Ms, double t4Ms) {
    NtpMeasurement m;
    m.offsetMs = ((t2Ms - t1Ms) + (t3Ms - t4Ms)) / 2.0;
    m.delayMs = std::max(0.0, (t4Ms - t1Ms) - (t3Ms - t2Ms));
    return m;
}

NtpMeasurement measureReply(const NtpReply& reply, double t1Ms, double t4Ms) {
    const auto near = static_cast<UtcMs>(std::floor(t1Ms));
    return measure(t1Ms, ntpToUnixMs(reply.receive, near), ntpToUnixMs(reply.transmit, near), t4Ms);
}

std::optional<NtpRefusal> checkExchangeTimes(const NtpReply& reply, double t1Ms, double t4Ms) {
    const auto near = static_cast<UtcMs>(std::floor(t1Ms));
    const double t2Ms = ntpToUnixMs(reply.receive, near);
    const double t3Ms = ntpToUnixMs(reply.transmit, near);
    const double delayMs = (t4Ms - t1Ms) - (t3Ms - t2Ms);
    if (!std::isfinite(delayMs) || delayMs < -kNtpDelaySlackMs) return NtpRefusal::InconsistentTimes;
    return std::nullopt;
}

QString ntpStatusText(const NtpMeasurement& m, int stratum) {
    const QString detail = QStringLiteral("(NTP, \u00B1%1 ms, server stratum %2)")
                               .arg(static_cast<long long>(std::llround(m.delayMs / 2.0)))
                               .arg(stratum);
    const long long offsetMs = std::llround(m.offsetMs);
    if (offsetMs == 0) return QStringLiteral("Times Match ") + detail;
    const long long magnitude = offsetMs < 0 ? -offsetMs : offsetMs;
    return QStringLiteral("Local PC was %1.%2 s %3 %4")
        .arg(magnitude / 1000)
        .arg(magnitude % 1000, 3, 10, QLatin1Char('0'))
        .arg(offsetMs < 0 ? QStringLiteral("ahead") : QStringLiteral("behind"), detail);
}

}  // namespace orvane::timesync
