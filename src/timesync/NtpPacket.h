#pragma once

#include <QByteArray>
#include <QString>
#include <cstdint>
#include <optional>
#include <variant>

#include "common/TimeTypes.h"

namespace orvane::timesync {

// Responsibilities: the arithmetic of the Network Time Protocol in client
// mode (RFC 5905, simple client as RFC 4330 describes it): the 48-byte
// request, the checks a reply must pass before it is believed, the choice of
// era for 32-bit second counts, and offset and round-trip delay from the four
// timestamps. Pure functions: no clock, no I/O; the moments come in as
// arguments.

inline constexpr quint16 kNtpPort = 123;
inline constexpr int kNtpPacketBytes = 48;

// NTP timestamps count seconds since 1900-01-01 00:00:00 UTC in 32 bits; the
// count wraps on 2036-02-07 06:28:16 UTC, the start of era 1.
inline constexpr std::int64_t kNtpEpochToUnixSeconds = 2'208'988'800;
inline constexpr std::int64_t kEraSeconds = std::int64_t{1} << 32;

// A 64-bit NTP timestamp as carried in the packet: whole seconds (mod 2^32)
// and the binary fraction of a second.
struct NtpTimestamp {
    std::uint32_t seconds = 0;
    std::uint32_t fraction = 0;

    std::uint64_t raw() const { return (std::uint64_t{seconds} << 32) | fraction; }
    friend bool operator==(const NtpTimestamp&, const NtpTimestamp&) = default;
};

// The Unix second named by a 32-bit count of seconds since 1900 in the era
// that puts it nearest `nearUnixSeconds` (the PC's clock). Shared by NTP and
// RFC 868 replies: after 2036 a reply of 5 means 2036-02-07 06:28:21, not 1900.
std::int64_t unixSecondsNearest(std::uint32_t secondsSince1900, std::int64_t nearUnixSeconds);

// Milliseconds since 1970 of a timestamp, in the era nearest `nearMs`. The
// fraction is rounded to the nearest microsecond before it becomes ms, kept
// as a double so that sub-millisecond offsets survive.
double ntpToUnixMs(NtpTimestamp t, UtcMs nearMs);
// The timestamp of a moment (ms since 1970); era 1 and later wrap.
NtpTimestamp unixMsToNtp(double unixMs);

// The request: LI 0, version 4, mode 3 (client), all zero but the transmit
// timestamp, which is `transmit` (random bits, so that a forged reply cannot
// guess what to echo, as RFC 5905 section 9.1 suggests for clients).
QByteArray makeNtpRequest(NtpTimestamp transmit);

// Fields of a reply that passed every check.
struct NtpReply {
    int leap = 0;
    int version = 4;
    int stratum = 0;
    NtpTimestamp originate;  // echo of our transmit timestamp
    NtpTimestamp receive;    // server got the request
    NtpTimestamp transmit;   // server sent the reply
    double rootDelayMs = 0;       // round trip to the reference clock, as the server says
    double rootDispersionMs = 0;  // the server's error bound to the reference clock
};

// Why a datagram is not the answer.
enum class NtpRefusal {
    WrongLength,       // not at least 48 bytes
    WrongMode,         // not 4 (server)
    WrongVersion,      // not 3 or 4
    WrongOriginate,    // does not echo our transmit timestamp
    Unsynchronised,    // leap indicator 3: the server's clock is not set
    KissOfDeath,       // stratum 0: the server refuses (code in kissCode)
    BadStratum,        // 16 and above
    ZeroTransmit,      // the server sent no time
    BadRootDistance,   // root delay or dispersion of 16 s or more: no usable clock
    InconsistentTimes, // receive after transmit, a hold of over a minute, or a negative round trip
};
QString refusalText(NtpRefusal refusal);

struct NtpRejected {
    NtpRefusal refusal;
    QString kissCode;  // "RATE", "DENY"... for KissOfDeath
};

// Checks a datagram against the request whose transmit timestamp was
// `sentTransmit`. A kiss-o'-death is reported only when it echoes our
// timestamp: anyone else's "DENY" must not end the wait.
std::variant<NtpReply, NtpRejected> parseNtpReply(const QByteArray& datagram, NtpTimestamp sentTransmit);

// Offset (what the PC clock must add to agree with the server) and round-trip
// delay, in ms, from t1 = our send, t2 = server receive, t3 = server send,
// t4 = our receive (RFC 5905 section 8): offset = ((t2-t1)+(t3-t4))/2,
// delay = (t4-t1)-(t3-t2). Delay is never negative (a server that claims to
// have answered before it was asked is not believed for the delay).
struct NtpMeasurement {
    double offsetMs = 0;
    double delayMs = 0;
};
NtpMeasurement measure(double t1Ms, double t2Ms, double t3Ms, double t4Ms);

// The server's timestamps read in the era nearest our own send time.
NtpMeasurement measureReply(const NtpReply& reply, double t1Ms, double t4Ms);

// Checks the four timestamps of an exchange against each other: a round trip
// that comes out shorter than the server's own hold by more than
// kNtpDelaySlackMs means at least one timestamp is false, and an offset from
// it would be as false. Empty when they agree.
inline constexpr double kNtpDelaySlackMs = 5.0;
std::optional<NtpRefusal> checkExchangeTimes(const NtpReply& reply, double t1Ms, double t4Ms);

// "Local PC was 1.237 s ahead (NTP, ±12 ms, server stratum 2)": ahead when
// the offset is negative (the server is behind the PC). ± is half the delay,
// the bound of the offset's error. Below half a millisecond: "Times Match
// (NTP, ...)".
QString ntpStatusText(const NtpMeasurement& m, int stratum);

}  // namespace orvane::timesync
