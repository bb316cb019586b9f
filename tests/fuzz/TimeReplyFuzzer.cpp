// libFuzzer entry for the answers of time servers: NTP packets and RFC 868
// replies. Input: our request's transmit timestamp (8 bytes), our send and
// receive moments (8 bytes each, ms), then the datagram. Beyond not
// crashing: a reply believed has every field within what the checks allow
// and echoes our timestamp; the offset and delay worked out from it are
// finite and the delay never negative; a 32-bit second count placed in the
// era nearest a moment is within half an era of it and counts back to itself.
#include <cmath>

#include "FuzzSupport.h"
#include "timesync/NtpPacket.h"
#include "timesync/TimeProtocol.h"

using namespace orvane::timesync;
using namespace orvane::fuzz;

namespace {

// Moments of years 1 to 9999 as ms since 1970, the range the program's clock reads.
constexpr std::int64_t kFirstMs = -62'135'596'800'000LL;
constexpr std::int64_t kLimitMs = 253'402'300'800'000LL;

std::int64_t momentOf(std::uint64_t raw) {
    return kFirstMs + static_cast<std::int64_t>(raw % static_cast<std::uint64_t>(kLimitMs - kFirstMs));
}

void checkNtp(const QByteArray& datagram, NtpTimestamp sent, std::int64_t t1Ms, std::int64_t t4Ms) {
    const auto parsed = parseNtpReply(datagram, sent);
    if (const auto* rejected = std::get_if<NtpRejected>(&parsed)) {
        require(!refusalText(rejected->refusal).isEmpty());
        require(rejected->refusal == NtpRefusal::KissOfDeath || rejected->kissCode.isEmpty());
        return;
    }
    const NtpReply& reply = std::get<NtpReply>(parsed);
    require(datagram.size() >= kNtpPacketBytes);
    require(reply.leap >= 0 && reply.leap <= 2 && (reply.version == 3 || reply.version == 4));
    require(reply.stratum >= 1 && reply.stratum <= 15);
    require(reply.originate == sent && reply.transmit.raw() != 0);
    require(reply.rootDelayMs >= 0 && reply.rootDelayMs < 16000 && reply.rootDispersionMs >= 0 &&
            reply.rootDispersionMs < 16000);
    const double t1 = static_cast<double>(t1Ms), t4 = static_cast<double>(t4Ms);
    const NtpMeasurement m = measureReply(reply, t1, t4);
    require(std::isfinite(m.offsetMs) && std::isfinite(m.delayMs) && m.delayMs >= 0);
    if (!checkExchangeTimes(reply, t1, t4)) require(!ntpStatusText(m, reply.stratum).isEmpty());
}

void checkTimeProtocol(const QByteArray& datagram, std::int64_t nearMs) {
    const auto seconds = decodeTimeReply(datagram);
    require(seconds.has_value() == (datagram.size() == kTimeReplyBytes));
    if (!seconds) return;
    const int ofDay = DateTimeToStTime(TimeProtocolToDateTime(*seconds));
    require(ofDay >= 0 && ofDay < kSecondsPerDay);
    require(ofDay == static_cast<int>(*seconds % kSecondsPerDay));
    const std::int64_t near = nearMs / 1000;
    const std::int64_t unix = unixSecondsNearest(*seconds, near);
    require(std::llabs(unix - near) <= kEraSeconds / 2);
    require(static_cast<std::uint32_t>(unix + kNtpEpochToUnixSeconds) == *seconds);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    NtpTimestamp sent;
    sent.seconds = take<std::uint32_t>(data, size);
    sent.fraction = take<std::uint32_t>(data, size);
    const std::int64_t t1Ms = momentOf(take<std::uint64_t>(data, size));
    const std::int64_t t4Ms = t1Ms + static_cast<std::int64_t>(take<std::uint64_t>(data, size) % 600'000u);
    const QByteArray datagram = bytesOf(data, size);

    checkNtp(datagram, sent, t1Ms, t4Ms);
    checkTimeProtocol(datagram, t1Ms);
    // The timestamp of a moment reads back to that moment within a
    // microsecond (or a few units of the double's last place, in year 9999).
    const double t1 = static_cast<double>(t1Ms);
    const NtpTimestamp stamp = unixMsToNtp(t1);
    require(std::fabs(ntpToUnixMs(stamp, t1Ms) - t1) <= 0.001 + std::fabs(t1) * 2e-16);
    return 0;
}
