#pragma once

#include <QObject>
#include <QString>
#include <atomic>
#include <functional>
#include <memory>
#include <mutex>
#include <vector>

#include "beacons/StationTable.h"
#include "listen/AudioSource.h"
#include "listen/Detector.h"
#include "listen/SlotCutter.h"
#include "listen/live/ListenSettings.h"

namespace orvane::listen {

// Responsibilities: listening while the user has it on: opens the audio
// source the settings name, cuts its stream into slots and runs the detector
// on each for the beacon due on the band being listened to (the band chosen
// under the map, or the band the radio follower tunes for a followed
// beacon). The cutting and the detector run on the source's own thread; each
// result is handed to this object's thread and signalled there by heard(), a
// failure of the source by failed(). What a listening run handed over but
// was not yet signalled when it stopped is dropped: nothing of it arrives
// after stop() or in a later run. The band can change while listening: each
// slot expects the beacon due when it began, the slots after the change the
// new band's.
//
// A station with several receivers lists more inputs in the settings, each
// on a band of its own or following as the first does: each input gets its
// own source and cutter, and the results of all of them come by heard(),
// with the input they were heard on; the first input's failure, or
// another's, ends the whole run with failed().
//
// Collaborations: a factory for the audio source (Qt Multimedia in the
// program, fakes in tests), asked once for each input with the settings
// whose Device, DeviceId and Band are that input's; the station table
// (calls, overrides included).
class LiveListener final : public QObject {
    Q_OBJECT
public:
    using SourceFactory = std::function<std::unique_ptr<AudioSource>(const ListenSettings&)>;

    LiveListener(SourceFactory factory, QObject* parent = nullptr);
    ~LiveListener() override;

    void setStations(const beacons::StationTable& stations);
    void setSettings(const ListenSettings& settings) { settings_ = settings; }
    const ListenSettings& settings() const { return settings_; }

    // Which beacon each slot expects: the one on `band` (0..4), or the
    // followed beacon `beaconIndex` (0..17) on whatever band it is on.
    void listenOnBand(int band);
    void listenFollowing(int beaconIndex);

    // Opens the source and starts; the source's failure comes as failed().
    void start();
    // Stops; no result of a slot after it is reported.
    void stop();
    bool listening() const { return !inputs_.empty(); }

signals:
    // `input` names the input it was heard on: its description, or its id.
    void heard(const orvane::listen::SlotResult& result, const QString& call, const QString& input);
    void failed(const QString& message);

private:
    std::optional<ExpectedBeacon> expect(std::int64_t periodStartMs, int band) const;
    // Runs `signal` on this object's thread unless the run `generation` has
    // ended by then.
    template <typename Signal>
    void signalInRun(quint64 generation, Signal&& signal);

    SourceFactory factory_;
    ListenSettings settings_;
    beacons::StationTable stations_;
    // Read on the source's thread for each slot: the band (>= 0) or the
    // followed beacon (-1 - index).
    std::atomic<int> target_{0};
    // The station table as the source's thread sees it; replaced whole under the lock.
    mutable std::mutex stationsMutex_;
    std::shared_ptr<const beacons::StationTable> shared_;
    // The listening run: counted up by each stop(); this object's thread alone.
    quint64 generation_ = 0;
    // One for each input while listening; each cutter is fed on its own
    // source's thread.
    struct Input {
        std::unique_ptr<SlotCutter> cutter;
        std::unique_ptr<AudioSource> source;
    };
    std::vector<Input> inputs_;
};

}  // namespace orvane::listen

Q_DECLARE_METATYPE(orvane::listen::SlotResult)
