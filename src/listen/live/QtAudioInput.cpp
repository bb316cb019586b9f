#include "listen/live/QtAudioInput.h"

#include <QAudioDevice>
#include <QAudioFormat>
#include <QAudioSource>
#include <QDeadlineTimer>
#include <QMediaDevices>
#include <QThread>
#include <algorithm>
#include <cmath>
#include <cstring>
#include <optional>
#include <vector>

#include "common/ThreadHandOff.h"
#include "listen/Detector.h"
#include "listen/RateDivider.h"
#include "listen/live/SampleTimeline.h"

namespace orvane::listen {

// Audio held back for the whole buffer is late, not lost.
static_assert(SampleTimeline::kGapMs >= 2 * QtAudioInput::kBufferMs);

// The capture's own half, living on the capture thread: the QAudioSource and
// the conversion of its bytes into mono float.
class QtAudioCapture final : public QObject {
public:
    using BlockHandler = std::function<void(double firstSampleUtcMs, int sampleRate, std::span<const float> samples)>;
    using ErrorHandler = std::function<void(const QString& message)>;

    QtAudioCapture(Clock& clock, BlockHandler onBlock, ErrorHandler onError)
        : clock_(clock), onBlock_(std::move(onBlock)), onError_(std::move(onError)) {}

    bool open(const QString& id, const QString& description, int wantedRate, QString* reason);
    void close();
    int sampleRate() const { return format_.sampleRate() / divider_.factor(); }

private:
    static constexpr int kMaxPiecesPerWake = 64;

    void readAvailable();
    void convert(const char* bytes, qsizetype frames);

    Clock& clock_;
    BlockHandler onBlock_;
    ErrorHandler onError_;
    QAudioSource* source_ = nullptr;
    QIODevice* io_ = nullptr;
    QAudioFormat format_;
    std::unique_ptr<SampleTimeline> timeline_;
    QByteArray raw_;
    std::vector<float> samples_;
    // A device faster than the detector takes is divided down.
    RateDivider divider_;
    bool failed_ = false;
};

namespace {

QString idText(const QAudioDevice& device) { return QString::fromUtf8(device.id()); }

// By id when there is one: an input of the same make under another id is
// another radio's. Never by description then.
std::optional<QAudioDevice> findInput(const QString& id, const QString& description) {
    if (id.isEmpty() && description.isEmpty()) {
        const QAudioDevice device = QMediaDevices::defaultAudioInput();
        return device.isNull() ? std::nullopt : std::optional(device);
    }
    for (const QAudioDevice& device : QMediaDevices::audioInputs())
        if (id.isEmpty() ? device.description() == description : idText(device) == id) return device;
    return std::nullopt;
}

// 12 kHz mono 16-bit is plenty for a tone below 1.2 kHz and light to carry;
// a device that offers other formats is taken as it is and converted here.
QAudioFormat chooseFormat(const QAudioDevice& device, int wantedRate) {
    QAudioFormat wanted;
    wanted.setSampleRate(wantedRate);
    wanted.setChannelCount(1);
    wanted.setSampleFormat(QAudioFormat::Int16);
    if (device.isFormatSupported(wanted)) return wanted;
    return device.preferredFormat();
}

}  // namespace

bool QtAudioCapture::open(const QString& id, const QString& description, int wantedRate, QString* reason) {
    const std::optional<QAudioDevice> device = findInput(id, description);
    if (!device) {
        const QString name = description.isEmpty() ? id : description;
        *reason = name.isEmpty() ? QStringLiteral("There is no audio input.")
                                 : QStringLiteral("The audio input \"%1\" is not there.").arg(name);
        return false;
    }
    format_ = chooseFormat(*device, wantedRate);
    const int factor = RateDivider::factorFor(format_.sampleRate());
    if (format_.sampleRate() < kMinSampleRate || format_.sampleRate() > QtAudioInput::kMaxDeviceRate || factor == 0 ||
        format_.channelCount() < 1 || format_.channelCount() > 32 || format_.sampleFormat() == QAudioFormat::Unknown) {
        *reason = QStringLiteral("The audio input \"%1\" offers no usable format (%2 Hz, %3 channels).")
                      .arg(device->description())
                      .arg(format_.sampleRate())
                      .arg(format_.channelCount());
        return false;
    }
    divider_ = RateDivider(factor);
    timeline_ = std::make_unique<SampleTimeline>(sampleRate());
    source_ = new QAudioSource(*device, format_, this);
    source_->setBufferSize(format_.bytesForDuration(QtAudioInput::kBufferMs * 1000));
    QObject::connect(source_, &QAudioSource::stateChanged, this, [this](QAudio::State state) {
        if (state != QAudio::StoppedState || failed_ || !source_ || source_->error() == QAudio::NoError) return;
        failed_ = true;
        if (onError_) onError_(QStringLiteral("The audio input stopped (error %1).").arg(static_cast<int>(source_->error())));
    });
    io_ = source_->start();
    if (!io_ || source_->error() != QAudio::NoError) {
        *reason = QStringLiteral("The audio input \"%1\" cannot be opened.").arg(device->description());
        delete source_;
        source_ = nullptr;
        io_ = nullptr;
        return false;
    }
    QObject::connect(io_, &QIODevice::readyRead, this, [this] { readAvailable(); });
    return true;
}

void QtAudioCapture::close() {
    if (!source_) return;
    QObject::disconnect(source_, nullptr, this, nullptr);
    if (io_) QObject::disconnect(io_, nullptr, this, nullptr);
    source_->stop();
    delete source_;
    source_ = nullptr;
    io_ = nullptr;
}

void QtAudioCapture::readAvailable() {
    if (!io_) return;
    const int bytesPerFrame = format_.bytesPerFrame();
    const double nowMs = clock_.nowUtcMsFine();
    // Everything waiting is read in bounded pieces; the last piece ends now,
    // each earlier one as much before as the audio still waiting behind it.
    // (The device's own bytesAvailable() is not kept by every backend; the
    // source's is.) A bounded count of pieces per wake-up: a device that
    // never runs dry cannot hold the thread.
    raw_.resize(static_cast<qsizetype>(QtAudioInput::kMaxBlockFrames) * bytesPerFrame);
    for (int piece = 0; piece < kMaxPiecesPerWake; ++piece) {
        const qint64 got = io_->read(raw_.data(), raw_.size());
        const qsizetype frames = got > 0 ? static_cast<qsizetype>(got) / bytesPerFrame : 0;
        if (frames == 0) break;
        convert(raw_.constData(), frames);
        if (samples_.empty()) continue;
        // Input samples still being averaged belong to the next block.
        const qsizetype framesLeft = (source_ ? source_->bytesAvailable() / bytesPerFrame : 0) + divider_.pending();
        const double arrivedMs = nowMs - static_cast<double>(framesLeft) * 1000.0 / format_.sampleRate();
        const double firstMs = timeline_->stamp(arrivedMs, static_cast<std::int64_t>(samples_.size()));
        if (onBlock_) onBlock_(firstMs, sampleRate(), std::span<const float>(samples_.data(), samples_.size()));
    }
}

// Channels are averaged: the receiver's audio is the same on both sides of a
// stereo input, or on one of them only.
void QtAudioCapture::convert(const char* bytes, qsizetype frames) {
    const int channels = format_.channelCount();
    const int bytesPerSample = format_.bytesPerSample();
    samples_.clear();
    for (qsizetype f = 0; f < frames; ++f) {
        float sum = 0;
        for (int c = 0; c < channels; ++c) {
            const char* p = bytes + (f * channels + c) * bytesPerSample;
            switch (format_.sampleFormat()) {
            case QAudioFormat::UInt8:
                sum += (static_cast<float>(static_cast<unsigned char>(*p)) - 128.0f) / 128.0f;
                break;
            case QAudioFormat::Int16: {
                std::int16_t v;
                std::memcpy(&v, p, sizeof v);
                sum += static_cast<float>(v) / 32768.0f;
                break;
            }
            case QAudioFormat::Int32: {
                std::int32_t v;
                std::memcpy(&v, p, sizeof v);
                sum += static_cast<float>(static_cast<double>(v) / 2147483648.0);
                break;
            }
            case QAudioFormat::Float: {
                float v;
                std::memcpy(&v, p, sizeof v);
                sum += std::clamp(v, -1.0f, 1.0f);
                break;
            }
            default:
                break;
            }
        }
        if (float out = 0; divider_.add(sum / static_cast<float>(channels), out)) samples_.push_back(out);
    }
}

QtAudioInput::QtAudioInput(Clock& clock, QString deviceDescription, QString deviceId)
    : clock_(clock), device_(std::move(deviceDescription)), deviceId_(std::move(deviceId)) {}

QtAudioInput::~QtAudioInput() { stop(); }

void QtAudioInput::start() {
    QString reason;
    if (!open(&reason)) fail(reason);
}

bool QtAudioInput::open(QString* reason) {
    stop();
    thread_ = std::make_unique<QThread>();
    thread_->setObjectName(QStringLiteral("audio input"));
    // The stamp is rounded to the millisecond the slot cutter works in; it
    // joins blocks by their sample count, so the rounding never adds up.
    capture_ = new QtAudioCapture(
        clock_,
        [this](double firstMs, int rate, std::span<const float> samples) {
            deliver(std::llround(firstMs), rate, samples);
        },
        [this](const QString& message) { fail(message); });
    capture_->moveToThread(thread_.get());
    QObject::connect(thread_.get(), &QThread::finished, capture_, &QObject::deleteLater);
    thread_->start();
    bool opened = false;
    QString why;
    // Opening is quick and its answer is needed here, so the caller waits for it.
    postToThreadOfAndWait(capture_, [&] { opened = capture_->open(deviceId_, device_, wantedRate_, &why); });
    if (!opened) {
        stop();
        if (reason) *reason = why;
        return false;
    }
    return true;
}

void QtAudioInput::stop() {
    if (!thread_) return;
    postToThreadOfAndWait(capture_, [this] { capture_->close(); });
    thread_->quit();
    thread_->wait(QDeadlineTimer(QDeadlineTimer::Forever));
    thread_.reset();
    capture_ = nullptr;
}

bool QtAudioInput::running() const { return thread_ != nullptr; }

int QtAudioInput::sampleRate() const {
    if (!thread_) return 0;
    int rate = 0;
    postToThreadOfAndWait(capture_, [&] { rate = capture_->sampleRate(); });
    return rate;
}

QList<AudioInput> QtAudioInput::inputDevices() {
    QList<AudioInput> inputs;
    const QAudioDevice preferred = QMediaDevices::defaultAudioInput();
    if (!preferred.isNull()) inputs.append({idText(preferred), preferred.description()});
    for (const QAudioDevice& device : QMediaDevices::audioInputs()) {
        const AudioInput input{idText(device), device.description()};
        if (!inputs.contains(input)) inputs.append(input);
    }
    return inputs;
}

}  // namespace orvane::listen
