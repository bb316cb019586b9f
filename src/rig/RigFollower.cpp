#include "rig/RigFollower.h"

#include <algorithm>
#include <optional>

#include "beacons/BandPlan.h"
#include "beacons/Monitor.h"
#include "common/ThreadHandOff.h"

namespace orvane::rig {

// Owns the Rig on the worker thread; every call on it happens there.
class RigWorker final : public QObject {
public:
    RigWorker(RigFollower::RigFactory factory, const std::atomic<quint64>& current)
        : factory_(std::move(factory)), current_(current) {}

    // Opens the rig if needed and tunes; returns the error text or nothing.
    // Work of an older generation (the follower stopped or moved on since it
    // was asked), or of one whose open already failed, is dropped unseen.
    QString tune(const RigSettings& settings, double hz, quint64 generation) {
        if (generation != current_.load() || generation == failed_) return {};
        try {
            if (!rig_) rig_ = factory_(settings);
            // Opening can take the rig's whole time-out; look again.
            if (generation != current_.load()) return {};
            rig_->tune(hz);
            return {};
        } catch (const std::exception& e) {
            rig_.reset();
            failed_ = generation;
            return QString::fromStdString(e.what());
        }
    }
    // The frequency the rig reports now; nothing when it cannot say (a
    // failed read never stops following).
    std::optional<double> frequency() {
        try {
            return rig_ ? std::optional<double>(rig_->frequencyHz()) : std::nullopt;
        } catch (const std::exception&) {
            return std::nullopt;
        }
    }
    void close() {
        try {
            if (rig_) rig_->close();
        } catch (const std::exception&) {
            // Closing a connection that already failed has nothing to report.
        }
        rig_.reset();
    }

private:
    RigFollower::RigFactory factory_;
    const std::atomic<quint64>& current_;
    quint64 failed_ = 0;
    std::unique_ptr<Rig> rig_;
};

RigFollower::RigFollower(Clock& clock, RigFactory factory, QObject* parent)
    : QObject(parent), clock_(clock), worker_(new RigWorker(std::move(factory), generation_)) {
    worker_->moveToThread(&thread_);
    connect(&thread_, &QThread::finished, worker_, &QObject::deleteLater);
    thread_.setObjectName(QStringLiteral("rig"));
    thread_.start();
    timer_.setSingleShot(true);
    timer_.setTimerType(Qt::PreciseTimer);
    connect(&timer_, &QTimer::timeout, this, [this] { step(); });
}

RigFollower::~RigFollower() {
    timer_.stop();
    RigWorker* worker = worker_;
    postToThreadOf(worker, [worker] { worker->close(); });
    thread_.quit();
    // Bounded by the rig's time-out: a call in progress ends by then.
    thread_.wait();
}

void RigFollower::setSettings(const RigSettings& settings) {
    const bool changed = settings.model != settings_.model || settings.port != settings_.port ||
                         settings.serialSpeed != settings_.serialSpeed || settings.timeoutMs != settings_.timeoutMs;
    settings_ = settings;
    if (!changed) return;
    RigWorker* worker = worker_;
    postToThreadOf(worker, [worker] { worker->close(); });
}

void RigFollower::follow(int index) {
    if (index < 0 || index >= beacons::kSlotsPerCycle) return;
    ++generation_;
    followIndex_ = index;
    lastBand_ = -1;
    step();
}

void RigFollower::stayOnBand(int band) {
    if (!beacons::isValidBand(band)) return;
    stop();
    ++generation_;
    request(beacons::slotPeriodStartMs(beacons::slotPeriodOf(clock_.nowUtcMs())), band, -1);
}

void RigFollower::stop() {
    timer_.stop();
    followIndex_ = -1;
    lastBand_ = -1;
    ++generation_;
    RigWorker* worker = worker_;
    postToThreadOf(worker, [worker] { worker->close(); });
}

void RigFollower::step() {
    if (followIndex_ < 0) return;
    const std::int64_t now = clock_.nowUtcMs();
    // The transmission the radio should be ready for: the one in progress,
    // or the next when it begins within the lead time.
    const beacons::Transmission t = beacons::transmissionOfBeacon(followIndex_, now + kLeadMs);
    if (t.band != lastBand_) {
        lastBand_ = t.band;
        request(t.startMs, t.band, followIndex_);
    }
    nextTuneAtMs_ = beacons::nextTransmissionOfBeacon(followIndex_, t.startMs).startMs - kLeadMs;
    armTimer();
}

void RigFollower::armTimer() {
    // Due at the moment itself; a timer that fires a hair early finds the
    // same tuning already sent and is armed again for what is left.
    const std::int64_t delay = std::clamp<std::int64_t>(nextTuneAtMs_ - clock_.nowUtcMs(), 0, 24 * 3600 * 1000);
    timer_.start(static_cast<int>(delay));
}

void RigFollower::request(std::int64_t slotStartMs, int band, int beaconIndex) {
    const double hz = beacons::kBandFrequenciesHz[static_cast<std::size_t>(band)];
    const RigSettings settings = settings_;
    const quint64 generation = generation_.load();
    RigWorker* worker = worker_;
    ++pending_;
    postToThreadOf(worker, [this, worker, settings, hz, generation, slotStartMs, beaconIndex] {
        const QString error = worker->tune(settings, hz, generation);
        // Back to the follower's thread with the answer.
        postToThreadOf(this, [this, generation, slotStartMs, hz, beaconIndex, error] {
            onDone(generation, slotStartMs, hz, beaconIndex, error);
        });
        // Then what the radio itself says it is tuned to.
        if (!error.isEmpty()) return;
        if (const std::optional<double> readHz = worker->frequency())
            postToThreadOf(this, [this, generation, readHz] {
                if (generation == generation_) emit frequencyRead(*readHz);
            });
    });
}

void RigFollower::onDone(quint64 generation, qint64 slotStartMs, double hz, int beaconIndex, const QString& error) {
    --pending_;
    if (generation != generation_) return;
    if (error.isEmpty()) {
        emit tuned(slotStartMs, hz, beaconIndex, clock_.nowUtcMs());
        return;
    }
    stop();
    emit failed(error);
}

}  // namespace orvane::rig
