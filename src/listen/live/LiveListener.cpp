#include "listen/live/LiveListener.h"

#include <QMetaType>
#include <QThread>

#include "beacons/BandPlan.h"
#include "common/ThreadHandOff.h"

namespace orvane::listen {

LiveListener::LiveListener(SourceFactory factory, QObject* parent)
    : QObject(parent), factory_(std::move(factory)), shared_(std::make_shared<beacons::StationTable>()) {
    qRegisterMetaType<SlotResult>();
}

LiveListener::~LiveListener() { stop(); }

void LiveListener::setStations(const beacons::StationTable& stations) {
    stations_ = stations;
    const std::lock_guard lock(stationsMutex_);
    shared_ = std::make_shared<const beacons::StationTable>(stations);
}

void LiveListener::listenOnBand(int band) {
    if (beacons::isValidBand(band)) target_ = band;
}

void LiveListener::listenFollowing(int beaconIndex) {
    if (beaconIndex >= 0 && beaconIndex < beacons::kBeaconListCount) target_ = -1 - beaconIndex;
}

std::optional<ExpectedBeacon> LiveListener::expect(std::int64_t periodStartMs) const {
    std::shared_ptr<const beacons::StationTable> stations;
    {
        const std::lock_guard lock(stationsMutex_);
        stations = shared_;
    }
    const int target = target_;
    return target >= 0 ? expectOnBand(*stations, target)(periodStartMs)
                       : expectFollowing(*stations, -1 - target)(periodStartMs);
}

template <typename Signal>
void LiveListener::signalInRun(quint64 generation, Signal&& signal) {
    postToThreadOf(this, [this, generation, signal = std::forward<Signal>(signal)] {
        if (generation == generation_) signal();
    });
}

void LiveListener::start() {
    stop();
    const quint64 generation = generation_;
    DetectorSettings detector;
    detector.pitchHz = settings_.PitchHz;
    // The cutter is fed and reports on the source's thread; each result is
    // signalled on this object's thread, unless the run ended meanwhile.
    cutter_ = std::make_unique<SlotCutter>(
        detector, [this](std::int64_t periodStartMs) { return expect(periodStartMs); },
        [this, generation](const SlotResult& result) {
            std::shared_ptr<const beacons::StationTable> stations;
            {
                const std::lock_guard lock(stationsMutex_);
                stations = shared_;
            }
            const QString call = QString::fromStdString(stations->entry(result.beaconIndex).call);
            // A source that delivers on this thread (at once, inside start())
            // is in the current run: its results are signalled directly.
            if (QThread::currentThread() == thread()) emit heard(result, call);
            else signalInRun(generation, [this, result, call] { emit heard(result, call); });
        });
    cutter_->setDelay(settings_.delay());
    cutter_->setDelayHandler([this, generation](const DelayEstimator& estimator, std::int64_t) {
        const double ms = estimator.delayMs();
        const bool locked = estimator.locked();
        if (QThread::currentThread() == thread()) emit delayEstimated(ms, locked);
        else signalInRun(generation, [this, ms, locked] { emit delayEstimated(ms, locked); });
    });
    source_ = factory_(settings_);
    if (!source_) {
        cutter_.reset();
        emit failed(QStringLiteral("There is no audio input."));
        return;
    }
    SlotCutter* cutter = cutter_.get();
    source_->setBlockHandler([cutter](std::int64_t firstMs, int rate, std::span<const float> samples) {
        // The detector throws only for a rate or pitch out of its range;
        // such a stream is dropped, never allowed to end the capture thread.
        try {
            cutter->push(firstMs, rate, samples);
        } catch (const std::exception&) {
            cutter->reset();
        }
    });
    // Queued even from this thread: a source failing inside start() must not
    // have its receiver stop (and destroy) it before start() returns.
    source_->setErrorHandler([this, generation](const QString& message) {
        signalInRun(generation, [this, message] { emit failed(message); });
    });
    source_->start();
}

void LiveListener::stop() {
    if (source_) source_->stop();
    source_.reset();
    cutter_.reset();
    // What the run handed over and is still queued is dropped on arrival.
    ++generation_;
}

}  // namespace orvane::listen
