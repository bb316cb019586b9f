#include "listen/RecordingReader.h"

#include <sndfile.h>
#include <unistd.h>

#include <QFile>
#include <QFileInfo>
#include <algorithm>
#include <cmath>
#include <cstring>
#include <limits>

#include "common/OrvaneError.h"

namespace orvane::listen {

struct RecordingReader::Memory {
    QByteArray bytes;
    sf_count_t pos = 0;
};

namespace {

using Memory = RecordingReader::Memory;

// libsndfile's virtual I/O over bytes in memory. Offsets come from the
// recording's own header, so every sum is checked: a seek that would
// overflow or land before the start fails, one past the end reads nothing.
sf_count_t memoryLength(void* user) { return static_cast<Memory*>(user)->bytes.size(); }

sf_count_t memorySeek(sf_count_t offset, int whence, void* user) {
    auto& m = *static_cast<Memory*>(user);
    sf_count_t base = 0;
    if (whence == SEEK_CUR) base = m.pos;
    else if (whence == SEEK_END) base = m.bytes.size();
    else if (whence != SEEK_SET) return -1;
    if (offset > 0 && base > std::numeric_limits<sf_count_t>::max() - offset) return -1;
    if (base + offset < 0) return -1;
    m.pos = base + offset;
    return m.pos;
}

sf_count_t memoryRead(void* ptr, sf_count_t count, void* user) {
    auto& m = *static_cast<Memory*>(user);
    const sf_count_t size = m.bytes.size();
    if (count <= 0 || m.pos >= size) return 0;
    const sf_count_t n = std::min(count, size - m.pos);
    std::memcpy(ptr, m.bytes.constData() + m.pos, static_cast<std::size_t>(n));
    m.pos += n;
    return n;
}

sf_count_t memoryWrite(const void*, sf_count_t, void*) { return 0; }

sf_count_t memoryTell(void* user) { return static_cast<Memory*>(user)->pos; }

SF_VIRTUAL_IO memoryIo() { return SF_VIRTUAL_IO{memoryLength, memorySeek, memoryRead, memoryWrite, memoryTell}; }

QString formatName(int format) {
    SF_FORMAT_INFO info{};
    info.format = format;
    if (sf_command(nullptr, SFC_GET_FORMAT_INFO, &info, sizeof info) != 0 || !info.name)
        return QStringLiteral("format 0x%1").arg(format, 0, 16);
    return QString::fromLatin1(info.name);
}

// Sources deliver [-1, 1]; a float recording may hold anything.
float sane(float v) { return std::isfinite(v) ? std::clamp(v, -1.0f, 1.0f) : 0.0f; }

}  // namespace

RecordingReader::RecordingReader(const QString& fileName, std::int64_t firstSampleUtcMs, RecordingChannel channel)
    : name_(fileName), firstSampleUtcMs_(firstSampleUtcMs), channel_(channel) {}

RecordingReader::RecordingReader(const QByteArray& bytes, const QString& name, std::int64_t firstSampleUtcMs,
                                 RecordingChannel channel)
    : name_(name), firstSampleUtcMs_(firstSampleUtcMs), channel_(channel),
      memory_(std::make_unique<Memory>(Memory{bytes, 0})) {}

RecordingReader::~RecordingReader() {
    if (file_) sf_close(file_);
}

void RecordingReader::refuse(const QString& why) const {
    const QString name = name_ == QLatin1String(kStandardInput) ? QStringLiteral("standard input") : name_;
    throw OrvaneError(QStringLiteral("%1: %2").arg(name, why).toStdString());
}

void RecordingReader::open() {
    if (file_) {
        sf_close(file_);
        file_ = nullptr;
    }
    SF_INFO info{};
    if (memory_) {
        memory_->pos = 0;
        SF_VIRTUAL_IO io = memoryIo();
        file_ = sf_open_virtual(&io, SFM_READ, &info, memory_.get());
    } else if (name_ == QLatin1String(kStandardInput)) {
        // libsndfile reads a pipe in order without seeking, a WAV whose sizes
        // were never filled in included; nothing is closed that it did not open.
        file_ = sf_open_fd(STDIN_FILENO, SFM_READ, &info, SF_FALSE);
    } else {
        const QFileInfo fileInfo(name_);
        if (!fileInfo.exists()) refuse(QStringLiteral("no such file"));
        if (!fileInfo.isFile()) refuse(QStringLiteral("not a regular file"));
        file_ = sf_open(QFile::encodeName(name_).constData(), SFM_READ, &info);
    }
    if (!file_) refuse(QStringLiteral("not a recording that can be read (%1)").arg(QString::fromUtf8(sf_strerror(nullptr))));

    seekable_ = info.seekable != 0;
    format_ = {};
    format_.channels = info.channels;
    format_.sampleRate = info.samplerate;
    format_.kind = formatName(info.format & SF_FORMAT_TYPEMASK) + QStringLiteral(", ") +
                   formatName(info.format & SF_FORMAT_SUBMASK);
    if (info.channels < 1 || info.channels > 2)
        refuse(QStringLiteral("%1 channels; mono or stereo is needed").arg(info.channels));
    const int factor = RateDivider::factorFor(info.samplerate);
    if (info.samplerate < kMinRate || info.samplerate > kMaxRate || factor == 0)
        refuse(QStringLiteral("sample rate %1 Hz; %2 to %3 Hz is needed").arg(info.samplerate).arg(kMinRate).arg(kMaxRate));
    format_.deliveredRate = info.samplerate / factor;
    // From a pipe the header's count is whatever the writer put there before
    // it knew the length; libsndfile says SF_COUNT_MAX where it found none
    // (an Ogg stream cut before its last page).
    format_.frames = seekable_ && info.frames < SF_COUNT_MAX ? std::max<sf_count_t>(0, info.frames) : -1;
    divider_ = RateDivider(factor);
}

void RecordingReader::start() {
    begin();
    while (readBlock()) {
    }
    if (!stopped_) end();
}

void RecordingReader::begin() {
    stopped_ = false;
    framesRead_ = 0;
    delivered_ = 0;
    shortfall_.reset();
    divider_.reset();
    frames_.resize(static_cast<std::size_t>(kBlockFrames * format_.channels));
    mono_.reserve(static_cast<std::size_t>(kBlockFrames));
}

bool RecordingReader::readBlock() {
    if (!file_) return false;
    const int channels = format_.channels;
    const int pick = channels == 1 || channel_ == RecordingChannel::Left ? 0 : 1;
    while (!stopped_) {
        const sf_count_t got = sf_readf_float(file_, frames_.data(), kBlockFrames);
        if (got <= 0) return false;
        framesRead_ += got;
        mono_.clear();
        for (sf_count_t i = 0; i < got; ++i) {
            const float* frame = frames_.data() + i * channels;
            const float v = channels == 2 && channel_ == RecordingChannel::Mix ? (sane(frame[0]) + sane(frame[1])) / 2
                                                                               : sane(frame[pick]);
            if (float out = 0; divider_.add(v, out)) mono_.push_back(out);
        }
        if (mono_.empty()) continue;
        const std::int64_t stampMs = deliveredUpToMs();
        deliver(stampMs, format_.deliveredRate, std::span<const float>(mono_.data(), mono_.size()));
        delivered_ += static_cast<std::int64_t>(mono_.size());
        return true;
    }
    return false;
}

// Stamps are worked out from the sample count, never accumulated.
std::int64_t RecordingReader::deliveredUpToMs() const {
    return format_.deliveredRate > 0 ? firstSampleUtcMs_ + delivered_ * 1000 / format_.deliveredRate
                                     : firstSampleUtcMs_;
}

void RecordingReader::end() {
    if (!file_) return;
    if (sf_error(file_) != SF_ERR_NO_ERROR) {
        shortfall_ = QStringLiteral("read failed after %1 frames (%2)")
                         .arg(framesRead_)
                         .arg(QString::fromUtf8(sf_strerror(file_)));
    } else if (format_.frames >= 0 && framesRead_ < format_.frames) {
        shortfall_ = QStringLiteral("cut short: %1 of the %2 frames its header declares")
                         .arg(framesRead_)
                         .arg(format_.frames);
    }
}

}  // namespace orvane::listen
