#include "listen/WavReader.h"

#include <QFileInfo>
#include <algorithm>
#include <array>
#include <cmath>
#include <cstring>
#include <vector>

#include "common/OrvaneError.h"
#include "listen/Detector.h"

namespace orvane::listen {

namespace {

constexpr std::uint16_t kFormatPcm = 1;
constexpr std::uint16_t kFormatFloat = 3;
constexpr std::uint16_t kFormatExtensible = 0xFFFE;

std::uint32_t le32(const char* p) {
    const auto* u = reinterpret_cast<const unsigned char*>(p);
    return std::uint32_t{u[0]} | std::uint32_t{u[1]} << 8 | std::uint32_t{u[2]} << 16 | std::uint32_t{u[3]} << 24;
}
std::uint16_t le16(const char* p) {
    const auto* u = reinterpret_cast<const unsigned char*>(p);
    return static_cast<std::uint16_t>(u[0] | u[1] << 8);
}

}  // namespace

WavReader::WavReader(const QString& fileName, std::int64_t firstSampleUtcMs)
    : fileName_(fileName), firstSampleUtcMs_(firstSampleUtcMs), file_(fileName) {}

void WavReader::open() {
    const auto fail = [this](const QString& why) {
        throw OrvaneError(QStringLiteral("%1: %2").arg(fileName_, why).toStdString());
    };
    const QFileInfo info(fileName_);
    if (!info.exists()) fail(QStringLiteral("no such file"));
    if (!info.isFile()) fail(QStringLiteral("not a regular file"));
    if (!file_.open(QIODevice::ReadOnly)) fail(file_.errorString());
    const qint64 fileSize = file_.size();

    char riff[12];
    if (file_.read(riff, 12) != 12 || std::memcmp(riff, "RIFF", 4) != 0 || std::memcmp(riff + 8, "WAVE", 4) != 0)
        fail(QStringLiteral("not a WAV file (no RIFF/WAVE header)"));

    bool haveFormat = false;
    std::uint16_t tag = 0, blockAlign = 0;
    qint64 dataBytes = 0;
    for (int chunk = 0; chunk < kMaxChunks; ++chunk) {
        char head[8];
        if (file_.read(head, 8) != 8)
            fail(haveFormat ? QStringLiteral("truncated: no data chunk")
                            : QStringLiteral("truncated: no format chunk"));
        const qint64 size = le32(head + 4);
        const qint64 body = file_.pos();
        if (std::memcmp(head, "fmt ", 4) == 0) {
            if (size < 16 || size > 64) fail(QStringLiteral("format chunk of %1 bytes").arg(size));
            std::array<char, 64> f{};
            if (file_.read(f.data(), size) != size) fail(QStringLiteral("truncated in the format chunk"));
            tag = le16(f.data());
            format_.channels = le16(f.data() + 2);
            format_.sampleRate = static_cast<int>(std::min<std::uint32_t>(le32(f.data() + 4), 1u << 30));
            blockAlign = le16(f.data() + 12);
            format_.bitsPerSample = le16(f.data() + 14);
            if (tag == kFormatExtensible) {
                if (size < 40) fail(QStringLiteral("extensible format chunk of %1 bytes").arg(size));
                tag = le16(f.data() + 24);  // the sub-format GUID begins with the plain tag
            }
            haveFormat = true;
        } else if (std::memcmp(head, "data", 4) == 0) {
            if (!haveFormat) fail(QStringLiteral("data before the format chunk"));
            if (body + size > fileSize)
                fail(QStringLiteral("truncated: the data chunk declares %1 bytes, the file holds %2")
                         .arg(size)
                         .arg(fileSize - body));
            dataBytes = size;
            break;
        }
        // Chunks are padded to an even size.
        if (!file_.seek(body + size + (size & 1))) fail(QStringLiteral("truncated"));
        if (chunk + 1 == kMaxChunks) fail(QStringLiteral("no data chunk among the first %1 chunks").arg(kMaxChunks));
    }

    const bool pcm16 = tag == kFormatPcm && format_.bitsPerSample == 16;
    const bool float32 = tag == kFormatFloat && format_.bitsPerSample == 32;
    if (!pcm16 && !float32)
        fail(QStringLiteral("unsupported sample format (format %1, %2 bits); 16-bit PCM or 32-bit float is needed")
                 .arg(tag)
                 .arg(format_.bitsPerSample));
    format_.isFloat = float32;
    if (format_.channels != 1 && format_.channels != 2)
        fail(QStringLiteral("%1 channels; mono or stereo is needed").arg(format_.channels));
    if (format_.sampleRate < kMinSampleRate || format_.sampleRate > kMaxSampleRate)
        fail(QStringLiteral("sample rate %1 Hz; %2 to %3 Hz is needed")
                 .arg(format_.sampleRate)
                 .arg(kMinSampleRate)
                 .arg(kMaxSampleRate));
    if (blockAlign != format_.channels * format_.bitsPerSample / 8)
        fail(QStringLiteral("block size %1 does not match the format").arg(blockAlign));
    format_.frames = dataBytes / blockAlign;
}

void WavReader::start() {
    stopped_ = false;
    const int bytesPerSample = format_.bitsPerSample / 8;
    const qint64 frameBytes = format_.channels * bytesPerSample;
    std::vector<char> raw(static_cast<std::size_t>(kBlockFrames * frameBytes));
    std::vector<float> mono(static_cast<std::size_t>(kBlockFrames));
    std::int64_t done = 0;
    while (!stopped_ && done < format_.frames) {
        const std::int64_t frames = std::min(kBlockFrames, format_.frames - done);
        const qint64 want = frames * frameBytes;
        if (file_.read(raw.data(), want) != want) {
            fail(QStringLiteral("%1: read failed after %2 of %3 frames: %4")
                     .arg(fileName_)
                     .arg(done)
                     .arg(format_.frames)
                     .arg(file_.errorString()));
            return;
        }
        for (std::int64_t i = 0; i < frames; ++i) {
            float sum = 0;
            for (int c = 0; c < format_.channels; ++c) {
                const char* p = raw.data() + i * frameBytes + c * bytesPerSample;
                float v = 0;
                if (format_.isFloat) {
                    const std::uint32_t bits = le32(p);
                    std::memcpy(&v, &bits, 4);
                    // Sources deliver [-1, 1]; a float file may hold anything.
                    v = std::isfinite(v) ? std::clamp(v, -1.0f, 1.0f) : 0.0f;
                } else {
                    v = static_cast<float>(static_cast<std::int16_t>(le16(p))) / 32768.0f;
                }
                sum += v;
            }
            mono[static_cast<std::size_t>(i)] = sum / static_cast<float>(format_.channels);
        }
        // Stamps are worked out from the frame count, never accumulated.
        const std::int64_t stampMs = firstSampleUtcMs_ + done * 1000 / format_.sampleRate;
        deliver(stampMs, format_.sampleRate, std::span<const float>(mono.data(), static_cast<std::size_t>(frames)));
        done += frames;
    }
}

}  // namespace orvane::listen
