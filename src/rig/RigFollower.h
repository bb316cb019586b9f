#pragma once

#include <atomic>

#include <QObject>
#include <QString>
#include <QThread>
#include <QTimer>
#include <cstdint>
#include <functional>
#include <memory>

#include "common/Clock.h"
#include "rig/Rig.h"

namespace orvane::rig {

class RigWorker;

// Responsibilities: keeps the radio on the band where a chosen beacon
// transmits ("Follow beacon"), tuning each time a little before the slot in
// which it moves to the next band, or tunes once to a band ("Stay on band").
// It decides on the GUI thread from the clock (a one-shot timer armed on the
// absolute moment of the next tuning, the tuning worked out afresh from the
// clock when it fires); every rig call runs on its own worker thread, so a
// rig that does not answer never blocks the window. The first rig error
// ends following and is reported once; stopping leaves the rig where it is.
//
// Collaborations: the clock; a factory for the Rig (Hamlib in the program, a
// network rigctld in the tests).
class RigFollower final : public QObject {
    Q_OBJECT
public:
    using RigFactory = std::function<std::unique_ptr<Rig>(const RigSettings&)>;
    // Tunings happen this long before the slot begins, so the radio is
    // settled when the beacon starts its call.
    static constexpr std::int64_t kLeadMs = 1000;

    RigFollower(Clock& clock, RigFactory factory, QObject* parent = nullptr);
    ~RigFollower() override;

    // New settings close the connection made with the old ones; the next
    // tuning opens the rig they name.
    void setSettings(const RigSettings& settings);
    const RigSettings& settings() const { return settings_; }

    // Follows beacon `index` (0..17): tunes now to the band of its current or
    // next transmission, then before each later one.
    void follow(int index);
    // Tunes once to band 0..4 and stops following.
    void stayOnBand(int band);
    // Stops following; the rig keeps its frequency and the connection closes.
    void stop();

    bool following() const { return followIndex_ >= 0; }
    int followedIndex() const { return followIndex_; }
    // The moment of the next tuning while following (ms since 1970, UTC).
    std::int64_t nextTuneAtMs() const { return nextTuneAtMs_; }
    // Runs the tuning due at the clock's moment and arms the next; the timer
    // calls it, and tests with a fake clock call it themselves.
    void step();
    // Tunings sent to the worker and not yet answered.
    int pending() const { return pending_; }

signals:
    // A tuning was set: the slot it is for, the frequency, the beacon index
    // (-1 for "Stay on band") and the clock reading when the rig confirmed it.
    void tuned(qint64 slotStartMs, double hz, int beaconIndex, qint64 doneAtMs);
    // After each tuning, the frequency the radio reports (read back from it).
    void frequencyRead(double hz);
    // The rig failed; following has stopped. Emitted once per failure.
    void failed(const QString& message);

private:
    void request(std::int64_t slotStartMs, int band, int beaconIndex);
    void onDone(quint64 generation, qint64 slotStartMs, double hz, int beaconIndex, const QString& error);
    void armTimer();

    Clock& clock_;
    RigSettings settings_;
    QThread thread_;
    RigWorker* worker_ = nullptr;  // lives on thread_
    QTimer timer_;
    int followIndex_ = -1;
    int lastBand_ = -1;
    std::int64_t nextTuneAtMs_ = 0;
    int pending_ = 0;
    // Answers of a connection that was stopped or failed are ignored.
    // Written on this object's thread, read by the worker to drop stale work.
    std::atomic<quint64> generation_ = 1;
};

}  // namespace orvane::rig
