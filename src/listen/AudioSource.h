#pragma once

#include <QString>
#include <cstdint>
#include <functional>
#include <span>
#include <utility>

namespace orvane::listen {

// Responsibilities: the one way receive audio reaches the listener, whatever
// produces it (the sound card through Qt Multimedia, a recording, a test
// fake). A source delivers blocks of mono float samples in [-1, 1], each
// stamped with the UTC ms of its first sample, and reports a failure as a
// message. Handlers are set before start() and may be called on any thread
// (the source's own); they must not throw.
class AudioSource {
public:
    using BlockHandler =
        std::function<void(std::int64_t firstSampleUtcMs, int sampleRate, std::span<const float> samples)>;
    using ErrorHandler = std::function<void(const QString& message)>;

    virtual ~AudioSource() = default;

    void setBlockHandler(BlockHandler handler) { onBlock_ = std::move(handler); }
    void setErrorHandler(ErrorHandler handler) { onError_ = std::move(handler); }

    // A file source delivers everything before start() returns; a device
    // source starts capturing and delivers until stop().
    virtual void start() = 0;
    virtual void stop() = 0;

protected:
    void deliver(std::int64_t firstSampleUtcMs, int sampleRate, std::span<const float> samples) const {
        if (onBlock_) onBlock_(firstSampleUtcMs, sampleRate, samples);
    }
    void fail(const QString& message) const {
        if (onError_) onError_(message);
    }

private:
    BlockHandler onBlock_;
    ErrorHandler onError_;
};

}  // namespace orvane::listen
