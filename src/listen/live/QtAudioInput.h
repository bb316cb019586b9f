#pragma once

#include <QString>
#include <QStringList>
#include <cstdint>
#include <functional>
#include <memory>
#include <span>

#include "common/Clock.h"
#include "listen/AudioSource.h"
#include "listen/live/ListenSettings.h"

class QThread;

namespace orvane::listen {

class QtAudioCapture;

// Responsibilities: the radio's receive audio from the desktop's sound system
// (Qt Multimedia's QAudioSource; PulseAudio, PipeWire or ALSA underneath) as
// blocks of mono float samples, each stamped with the UTC ms of its first
// sample (SampleTimeline). Capture runs on a thread of its own, so a busy
// window never loses audio; the device keeps a buffer of kBufferMs, enough
// for a busy machine to leave the thread unscheduled for well over a second
// (through PulseAudio, Qt asks it as the size of the lumps the server hands
// on, the server's own queue being longer still), and each read takes at
// most kMaxBlockFrames, so memory stays bounded whatever the device does.
// This is the one file that includes Qt Multimedia.
//
// Collaborations: the clock (read as each block arrives). The handlers run on
// the capture thread; they must hand results on by queued signal.
class QtAudioInput final : public AudioSource {
public:
    static constexpr int kPreferredRate = 12000;
    // The fastest device taken; a device faster than the detector's
    // kMaxSampleRate is divided down to it (96 kHz to 48, 88.2 to 44.1).
    static constexpr int kMaxDeviceRate = 384000;
    static constexpr int kBufferMs = 2000;
    static constexpr int kMaxBlockFrames = 4096;

    // The input with id `deviceId`; without an id, the first with the
    // description (settings written before ids were kept); with neither,
    // the system's default input.
    QtAudioInput(Clock& clock, QString deviceDescription, QString deviceId = QString());
    ~QtAudioInput() override;
    QtAudioInput(const QtAudioInput&) = delete;
    QtAudioInput& operator=(const QtAudioInput&) = delete;

    // Opens the device and starts capturing. False with the reason when there is no such device
    // or it cannot be opened.
    bool open(QString* reason);
    // The same, the reason going to the error handler.
    void start() override;
    // Stops capturing and ends the thread; no handler runs after it returns.
    void stop() override;
    bool running() const;
    // The sample rate of the blocks: the device's, divided down to the
    // detector's range when faster (0 before start()).
    int sampleRate() const;
    // The rate asked of the device (kPreferredRate unless set before open);
    // the device may offer another, which is taken as above.
    void setWantedRate(int hz) { wantedRate_ = hz; }

    // The inputs the system offers, the default first.
    static QList<AudioInput> inputDevices();

private:
    Clock& clock_;
    QString device_;
    QString deviceId_;
    int wantedRate_ = kPreferredRate;
    std::unique_ptr<QThread> thread_;
    QtAudioCapture* capture_ = nullptr;  // lives on thread_
};

}  // namespace orvane::listen
