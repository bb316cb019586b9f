#pragma once

#include <QByteArray>
#include <QString>
#include <atomic>
#include <cstdint>
#include <memory>
#include <optional>
#include <vector>

#include "listen/AudioSource.h"
#include "listen/RateDivider.h"

struct sf_private_tag;  // libsndfile's SNDFILE

namespace orvane::listen {

// Which side of a stereo recording holds the receiver's audio.
enum class RecordingChannel { Mix, Left, Right };

// What a recording holds, as its header says.
struct RecordingFormat {
    int channels = 0;          // 1 or 2
    int sampleRate = 0;        // of the recording, RecordingReader::kMinRate..kMaxRate
    int deliveredRate = 0;     // what the listener gets: sampleRate divided into the detector's range
    std::int64_t frames = -1;  // the frames the header declares; -1 from a stream or where it declares none
    QString kind;              // container and sample format, as "WAV (Microsoft), Signed 24 bit PCM"
};

// Responsibilities: plays a recording into the listener as an audio source,
// the thin adapter to libsndfile (no other file includes its header). Reads
// whatever libsndfile reads (WAV, RF64, W64, FLAC, Ogg Vorbis and Opus,
// AIFF, ...) of one or two channels at 8 to 192 kHz, any sample format, from
// a file, from standard input ("-": a WAV written to a pipe, its sizes
// 0xFFFFFFFF, as sox, arecord and rtl_fm pipelines give) or from bytes in
// memory. Streamed in blocks of at most kBlockFrames, so a recording of any
// length takes the same memory. One channel or their mean is delivered;
// rates above the detector's are divided down (RateDivider). Samples that
// are not finite read as 0, beyond full scale as full scale.
//
// open() throws OrvaneError naming the input and the reason for anything it
// cannot read: no such file, not a regular file, not a recording libsndfile
// knows, more than two channels, a rate outside the above. start() then
// delivers every block, stamped from the UTC moment of the first sample. A
// recording that ends before the frames its header declares (a file cut
// short while or after it was written, a damaged FLAC stream) is delivered
// up to where it ends, and shortfall() says so: what is there is worth
// hearing.
class RecordingReader final : public AudioSource {
public:
    static constexpr std::int64_t kBlockFrames = 4096;
    static constexpr int kMinRate = 8000;
    static constexpr int kMaxRate = 192000;
    // The name that stands for standard input.
    static constexpr const char* kStandardInput = "-";

    RecordingReader(const QString& fileName, std::int64_t firstSampleUtcMs,
                    RecordingChannel channel = RecordingChannel::Mix);
    // A recording held in memory; `name` stands for it in messages.
    RecordingReader(const QByteArray& bytes, const QString& name, std::int64_t firstSampleUtcMs,
                    RecordingChannel channel = RecordingChannel::Mix);
    ~RecordingReader() override;
    RecordingReader(const RecordingReader&) = delete;
    RecordingReader& operator=(const RecordingReader&) = delete;

    void open();
    const RecordingFormat& format() const { return format_; }

    void start() override;
    void stop() override { stopped_ = true; }

    // start() in steps, for a caller that reads several recordings side by
    // side: begin(), then readBlock() until it gives false (the end, or
    // stop()), then end() to learn the shortfall. Each step delivers at most
    // one block, on the caller's thread.
    void begin();
    bool readBlock();
    void end();
    // The UTC ms up to which samples were delivered (the next block's stamp).
    std::int64_t deliveredUpToMs() const;

    // Frames of the recording read by start() (before any dividing down).
    std::int64_t framesRead() const { return framesRead_; }
    // Why the recording ended before the frames its header declares; nullopt
    // when it held them all (or, from a stream, simply ended).
    const std::optional<QString>& shortfall() const { return shortfall_; }

    struct Memory;  // the bytes and read position behind libsndfile's virtual I/O

private:
    [[noreturn]] void refuse(const QString& why) const;

    QString name_;
    std::int64_t firstSampleUtcMs_;
    RecordingChannel channel_;
    std::unique_ptr<Memory> memory_;
    sf_private_tag* file_ = nullptr;
    bool seekable_ = false;
    RecordingFormat format_;
    RateDivider divider_;
    std::vector<float> frames_;  // one block as libsndfile gives it, channels interleaved
    std::vector<float> mono_;    // one block as delivered
    std::atomic<bool> stopped_ = false;
    std::int64_t framesRead_ = 0;
    std::int64_t delivered_ = 0;  // samples delivered, after any dividing down
    std::optional<QString> shortfall_;
};

}  // namespace orvane::listen
