#pragma once

#include <QFile>
#include <QString>
#include <cstdint>

#include "listen/AudioSource.h"

namespace orvane::listen {

// What a WAV file's header says about its samples.
struct WavFormat {
    int channels = 0;       // 1 or 2
    int sampleRate = 0;     // kMinSampleRate..kMaxSampleRate
    int bitsPerSample = 0;  // 16 (integer PCM) or 32 (IEEE float)
    bool isFloat = false;
    std::int64_t frames = 0;  // sample frames in the data chunk
};

// Responsibilities: plays a recording into the listener as an audio source.
// Reads RIFF/WAVE files of one or two channels at 8 to 48 kHz, 16-bit PCM or
// 32-bit float (plain or WAVE_FORMAT_EXTENSIBLE), streamed in blocks of
// kBlockFrames so a recording of any length takes the same memory. Stereo
// is mixed to mono; float samples that are not finite read as 0, beyond
// full scale as full scale (-1 or 1).
//
// open() throws OrvaneError naming the file and the reason for anything it
// cannot read: not a regular file, not WAVE, a format outside the above, a
// data chunk that runs past the end of the file (truncated). start() then
// delivers every block, stamped from the UTC moment of the first sample, and
// reports a read failure through the error handler.
class WavReader final : public AudioSource {
public:
    static constexpr std::int64_t kBlockFrames = 4096;
    static constexpr int kMaxChunks = 64;  // chunks skipped looking for "fmt " and "data"

    WavReader(const QString& fileName, std::int64_t firstSampleUtcMs);

    void open();
    const WavFormat& format() const { return format_; }

    void start() override;
    void stop() override { stopped_ = true; }

private:
    QString fileName_;
    std::int64_t firstSampleUtcMs_;
    QFile file_;
    WavFormat format_;
    bool stopped_ = false;
};

}  // namespace orvane::listen
