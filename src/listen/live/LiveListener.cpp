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

std::optional<ExpectedBeacon> LiveListener::expect(std::int64_t periodStartMs, int band) const {
    std::shared_ptr<const beacons::StationTable> stations;
    {
        const std::lock_guard lock(stationsMutex_);
        stations = shared_;
    }
    if (beacons::isValidBand(band)) return expectOnBand(*stations, band)(periodStartMs);
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
    const std::vector<ListenInput> inputs = listenInputs(settings_);
    for (const ListenInput& in : inputs) {
        ListenSettings one = settings_;
        one.Device = in.Device;
        one.DeviceId = in.DeviceId;
        one.Band = in.Band;
        one.MoreInputs.clear();
        const QString name = in.Device.isEmpty() ? in.DeviceId : in.Device;
        const int band = in.Band;
        // The cutter is fed and reports on the source's thread; each result
        // is signalled on this object's thread, unless the run ended meanwhile.
        auto cutter = std::make_unique<SlotCutter>(
            detector, [this, band](std::int64_t periodStartMs) { return expect(periodStartMs, band); },
            [this, generation, name](const SlotResult& result) {
                std::shared_ptr<const beacons::StationTable> stations;
                {
                    const std::lock_guard lock(stationsMutex_);
                    stations = shared_;
                }
                const QString call = QString::fromStdString(stations->entry(result.beaconIndex).call);
                // A source that delivers on this thread (at once, inside
                // start()) is in the current run: its results are signalled
                // directly.
                if (QThread::currentThread() == thread()) emit heard(result, call, name);
                else signalInRun(generation, [this, result, call, name] { emit heard(result, call, name); });
            });
        auto source = factory_(one);
        if (!source) {
            stop();
            emit failed(inputs.size() > 1 && !name.isEmpty()
                            ? QStringLiteral("There is no audio input %1.").arg(name)
                            : QStringLiteral("There is no audio input."));
            return;
        }
        SlotCutter* fed = cutter.get();
        source->setBlockHandler([fed](std::int64_t firstMs, int rate, std::span<const float> samples) {
            // The detector throws only for a rate or pitch out of its range;
            // such a stream is dropped, never allowed to end the capture thread.
            try {
                fed->push(firstMs, rate, samples);
            } catch (const std::exception&) {
                fed->reset();
            }
        });
        // Queued even from this thread: a source failing inside start() must
        // not have its receiver stop (and destroy) it before start() returns.
        const QString prefix =
            inputs.size() > 1 ? (name.isEmpty() ? QStringLiteral("The default input") : name) + QStringLiteral(": ")
                              : QString();
        source->setErrorHandler([this, generation, prefix](const QString& message) {
            signalInRun(generation, [this, message = prefix + message] { emit failed(message); });
        });
        inputs_.push_back({std::move(cutter), std::move(source)});
    }
    // Started once all are made: a source delivering inside start() finds
    // its cutter in place, and one failing leaves the others to stop().
    // A handler of a result stopping the listener at once ends the loop.
    for (std::size_t i = 0; i < inputs_.size() && generation == generation_; ++i) inputs_[i].source->start();
}

void LiveListener::stop() {
    // Every source stops (its thread no longer feeding its cutter) before
    // any cutter goes.
    for (Input& in : inputs_)
        if (in.source) in.source->stop();
    for (Input& in : inputs_) in.source.reset();
    inputs_.clear();
    // What the run handed over and is still queued is dropped on arrival.
    ++generation_;
}

}  // namespace orvane::listen
