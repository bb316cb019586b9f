// libFuzzer entry for the audio-file front end (WavReader). Beyond not
// crashing: a file opened has a format within what the reader promises;
// playing it delivers exactly the frames its header counts, in blocks of at
// most kBlockFrames, at its rate, stamped at consecutive moments, every
// sample finite and within [-1, 1]; a file refused says why.
#include <cmath>

#include "FuzzSupport.h"
#include "common/OrvaneError.h"
#include "listen/Detector.h"
#include "listen/WavReader.h"

using namespace orvane::listen;
using namespace orvane::fuzz;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    static const ScratchFile file("audio.wav");
    file.write(bytesOf(data, size));

    constexpr std::int64_t kStartMs = 1'796'947'200'000;
    WavReader reader(file.name(), kStartMs);
    try {
        reader.open();
    } catch (const orvane::OrvaneError& e) {
        require(std::string_view(e.what()).size() > 0);
        return 0;
    }
    const WavFormat f = reader.format();
    require(f.channels == 1 || f.channels == 2);
    require(f.sampleRate >= kMinSampleRate && f.sampleRate <= kMaxSampleRate);
    require((f.bitsPerSample == 16 && !f.isFloat) || (f.bitsPerSample == 32 && f.isFloat));
    require(f.frames >= 0 && f.frames * f.channels * (f.bitsPerSample / 8) <= static_cast<std::int64_t>(size));

    std::int64_t delivered = 0;
    bool failed = false;
    reader.setErrorHandler([&failed](const QString&) { failed = true; });
    reader.setBlockHandler([&](std::int64_t firstSampleUtcMs, int sampleRate, std::span<const float> samples) {
        require(sampleRate == f.sampleRate);
        require(!samples.empty() && static_cast<std::int64_t>(samples.size()) <= WavReader::kBlockFrames);
        require(firstSampleUtcMs == kStartMs + delivered * 1000 / f.sampleRate);
        for (const float s : samples) require(std::isfinite(s) && s >= -1.0f && s <= 1.0f);
        delivered += static_cast<std::int64_t>(samples.size());
    });
    reader.start();
    require(failed || delivered == f.frames);
    return 0;
}
