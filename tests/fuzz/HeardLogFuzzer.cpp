// libFuzzer entry for the heard log. The program has no reader of its CSV
// log (the log is for the user's own tools), so what is fuzzed is the line
// it writes: whatever slot result the detector hands over and whatever call
// the station table holds, the line is one line of the header's eleven
// fields, starts with the slot's ISO UTC moment, carries only a call sign's
// characters in the call field, and fits the log's line bound.
#include <QDateTime>
#include <QList>

#include <cmath>

#include "FuzzSupport.h"
#include "listen/live/HeardRecord.h"
#include "listen/live/ListenLog.h"

using namespace orvane::listen;
using namespace orvane::fuzz;

namespace {

// Moments of years 1 to 9999, the range the program's clock reads.
constexpr std::int64_t kFirstMs = -62'135'596'800'000LL;
constexpr std::int64_t kLimitMs = 253'402'300'800'000LL;

// A figure as the detector can give it: SNRs and offsets from float samples
// stay far within this; not finite stays not finite (the log leaves it empty).
double figure(double raw) { return std::isfinite(raw) ? std::fmod(raw, 1e5) : raw; }

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    SlotResult r;
    r.periodStartMs = kFirstMs + static_cast<std::int64_t>(take<std::uint64_t>(data, size) %
                                                            static_cast<std::uint64_t>(kLimitMs - kFirstMs));
    r.periodStartMs -= r.periodStartMs % 10'000;  // slots start on whole 10 s
    if (r.periodStartMs < kFirstMs) r.periodStartMs += 10'000;
    r.band = take<std::uint8_t>(data, size) % orvane::beacons::kBandCount;
    r.beaconIndex = take<std::uint8_t>(data, size) % orvane::beacons::kBeaconListCount;
    const std::uint8_t flags = take<std::uint8_t>(data, size);
    r.heard = flags & 1;
    for (std::size_t i = 0; i < r.dashSnrDb.size(); ++i) {
        const double snr = figure(take<double>(data, size));
        if (flags & (2u << i)) r.dashSnrDb[i] = snr;
    }
    r.toneOffsetHz = figure(take<double>(data, size));
    r.timeOffsetMs = figure(take<double>(data, size));
    const QString call = QString::fromUtf8(bytesOf(data, size));

    const QByteArray line = heardLogLine(r, call);
    require(!line.contains('\n') && !line.contains('\r') && !line.contains('\0'));
    require(line.size() <= ListenLog::kMaxLineBytes);
    const QList<QByteArray> fields = line.split(',');
    require(fields.size() == QByteArray(kHeardLogHeader).count(',') + 1);
    const QDateTime at = QDateTime::fromString(QString::fromLatin1(fields[0]), Qt::ISODate);
    require(at.isValid() && at.toMSecsSinceEpoch() == r.periodStartMs);
    require(fields[2].toInt() == r.beaconIndex + 1);
    for (const char c : fields[3]) require((c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == '/');
    require(fields[4] == (r.heard ? "1" : "0"));
    return 0;
}
