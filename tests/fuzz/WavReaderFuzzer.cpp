// libFuzzer entry for the recording front end (RecordingReader over
// libsndfile, here through its virtual I/O on the bytes). Beyond not
// crashing: a recording opened has a format within what the reader
// promises; playing it delivers the frames it read, divided by the factor
// its rate needs, in blocks of at most kBlockFrames, at the delivered rate,
// stamped at consecutive moments, every sample finite and within [-1, 1];
// it reads at least the frames the header declares (if it declares any) or says why
// not; a recording refused says why. The channel asked for comes from the
// first byte, so each side is read.
#include <cmath>

#include "FuzzSupport.h"
#include "common/OrvaneError.h"
#include "listen/Detector.h"
#include "listen/RecordingReader.h"

using namespace orvane::listen;
using namespace orvane::fuzz;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    // Codecs can make many samples of few bytes; past this the rest is
    // more of the same, and a run stays quick.
    constexpr std::int64_t kMaxDelivered = 1 << 20;
    constexpr std::int64_t kStartMs = 1'796'947'200'000;
    const RecordingChannel channel =
        size == 0 ? RecordingChannel::Mix : static_cast<RecordingChannel>(data[0] % 3);
    RecordingReader reader(QByteArray(reinterpret_cast<const char*>(data), static_cast<qsizetype>(size)),
                           QStringLiteral("fuzz"), kStartMs, channel);
    try {
        reader.open();
    } catch (const orvane::OrvaneError& e) {
        require(std::string_view(e.what()).size() > std::string_view("fuzz: ").size());
        return 0;
    }
    const RecordingFormat f = reader.format();
    require(f.channels == 1 || f.channels == 2);
    require(f.sampleRate >= RecordingReader::kMinRate && f.sampleRate <= RecordingReader::kMaxRate);
    require(f.deliveredRate >= kMinSampleRate && f.deliveredRate <= kMaxSampleRate);
    require(f.sampleRate % f.deliveredRate == 0);
    require(f.frames >= -1);  // -1: the recording declares no count
    const std::int64_t factor = f.sampleRate / f.deliveredRate;

    std::int64_t delivered = 0;
    reader.setErrorHandler([](const QString&) { require(false); });  // a short read is a shortfall, not an error
    reader.setBlockHandler([&](std::int64_t firstSampleUtcMs, int sampleRate, std::span<const float> samples) {
        require(sampleRate == f.deliveredRate);
        require(!samples.empty() && static_cast<std::int64_t>(samples.size()) <= RecordingReader::kBlockFrames);
        require(firstSampleUtcMs == kStartMs + delivered * 1000 / f.deliveredRate);
        for (const float s : samples) require(std::isfinite(s) && s >= -1.0f && s <= 1.0f);
        delivered += static_cast<std::int64_t>(samples.size());
        if (delivered >= kMaxDelivered) reader.stop();
    });
    reader.start();
    require(delivered == reader.framesRead() / factor);
    if (delivered < kMaxDelivered && f.frames >= 0) require(reader.shortfall() || reader.framesRead() >= f.frames);
    if (reader.shortfall()) require(!reader.shortfall()->isEmpty());
    return 0;
}
