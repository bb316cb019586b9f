#pragma once

#include <cstdint>
#include <functional>
#include <mutex>
#include <string>
#include <vector>

#include "cwsim/MidiOutputLayer.h"

namespace orvane::cwsim {

// A MIDI output layer for tests and measurements: every message sent is kept
// with the time it was sent, read from the clock it is given (microseconds).
// Opens, sends and closes can be made to fail with a chosen code.
class RecordingMidiOutputLayer final : public MidiOutputLayer {
public:
    struct Sent {
        std::int64_t timeUs;
        std::uint32_t msg;
    };

    explicit RecordingMidiOutputLayer(std::function<std::int64_t()> nowUs, unsigned deviceCount = 1)
        : nowUs_(std::move(nowUs)), deviceCount_(deviceCount) {}

    unsigned midiOutGetNumDevs() override { return deviceCount_; }
    std::string midiOutDeviceName(unsigned deviceId) override {
        return deviceId < deviceCount_ ? "Recorder " + std::to_string(deviceId) : std::string();
    }
    MidiResult midiOutOpen(MidiOutHandle* handle, unsigned deviceId) override {
        std::lock_guard lock(mutex_);
        ++opens_;
        if (openResult_ != midierr::kNoError) return openResult_;
        if (deviceCount_ == 0 || (deviceId != kMidiMapper && deviceId >= deviceCount_)) return midierr::kBadDeviceId;
        *handle = port();
        open_ = true;
        openTimesUs_.push_back(nowUs_());
        return midierr::kNoError;
    }
    MidiResult midiOutShortMsg(MidiOutHandle handle, std::uint32_t msg) override {
        std::lock_guard lock(mutex_);
        if (!open_ || handle != port()) {
            ++sendsWhileClosed_;
            return midierr::kInvalidHandle;
        }
        if (!isValidShortMsg(msg)) return midierr::kInvalidParam;
        if (failStatus_ != 0 && shortMsgStatus(msg) == failStatus_) return sendResult_;
        sent_.push_back({nowUs_(), msg});
        return midierr::kNoError;
    }
    MidiResult midiOutClose(MidiOutHandle handle) override {
        std::lock_guard lock(mutex_);
        ++closes_;
        if (!open_ || handle != port()) return midierr::kInvalidHandle;
        open_ = false;
        closeTimesUs_.push_back(nowUs_());
        return closeResult_;
    }

    void midiOutPrepare(unsigned) override { std::lock_guard lock(mutex_); ++prepares_; }

    void failOpensWith(MidiResult code) { std::lock_guard lock(mutex_); openResult_ = code; }
    void failClosesWith(MidiResult code) { std::lock_guard lock(mutex_); closeResult_ = code; }
    // Sends whose status byte is `status` fail with `code`.
    void failSendsWith(std::uint8_t status, MidiResult code) {
        std::lock_guard lock(mutex_);
        failStatus_ = status;
        sendResult_ = code;
    }

    std::vector<Sent> sent() const { std::lock_guard lock(mutex_); return sent_; }
    void clear() { std::lock_guard lock(mutex_); sent_.clear(); }
    bool isOpen() const { std::lock_guard lock(mutex_); return open_; }
    int opens() const { std::lock_guard lock(mutex_); return opens_; }
    int closes() const { std::lock_guard lock(mutex_); return closes_; }
    // When each successful open and each close of an open output happened.
    std::vector<std::int64_t> openTimesUs() const { std::lock_guard lock(mutex_); return openTimesUs_; }
    std::vector<std::int64_t> closeTimesUs() const { std::lock_guard lock(mutex_); return closeTimesUs_; }
    int prepares() const { std::lock_guard lock(mutex_); return prepares_; }
    int sendsWhileClosed() const { std::lock_guard lock(mutex_); return sendsWhileClosed_; }

private:
    MidiOutHandle port() { return reinterpret_cast<MidiOutHandle>(this); }

    std::function<std::int64_t()> nowUs_;
    unsigned deviceCount_;
    mutable std::mutex mutex_;
    std::vector<Sent> sent_;
    std::vector<std::int64_t> openTimesUs_, closeTimesUs_;
    bool open_ = false;
    int opens_ = 0, closes_ = 0, prepares_ = 0, sendsWhileClosed_ = 0;
    MidiResult openResult_ = midierr::kNoError, closeResult_ = midierr::kNoError, sendResult_ = midierr::kNoError;
    std::uint8_t failStatus_ = 0;
};

}  // namespace orvane::cwsim
