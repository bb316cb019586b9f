#pragma once

#include <QString>
#include <QWidget>
#include <array>
#include <optional>

#include "beacons/BandPlan.h"
#include "beacons/Monitor.h"
#include "beacons/StationTable.h"
#include "common/Clock.h"
#include "common/TimeTypes.h"
#include "geo/Geodesy.h"
#include "listen/live/HeardRecord.h"

class QLabel;
class QTimer;

namespace orvane::app {

class CycleGrid;

// Responsibilities: the Monitor tab: all five bands at a glance, with the
// beacon on the air and the next one on each band (call, site, bearing and
// distance from the user's station), the seconds left in the slot counting
// down on each whole second, the place in the 3-minute cycle, and the
// 18 x 5 cycle grid with the current column marked and every cell coloured
// by whether its beacon is in service on that band; while listening, a cell
// whose beacon was listened for shows the last result instead, coloured by
// how many of the four dashes came through, its age in the cell's hint.
//
// Collaborations: the clock. The main window calls showSlot from the same
// slot timer that moves the map, and hands in the station table, the
// in-service flags and the user's station. Between slots its own one-shot
// timer, armed for the next whole UTC second, rewrites the countdown; the
// slot is worked out afresh from the clock each time, never counted.
class MonitorPanel final : public QWidget {
    Q_OBJECT
public:
    using InService = std::array<std::array<bool, beacons::kBandCount>, beacons::kBeaconListCount>;

    MonitorPanel(Clock& clock, QWidget* parent);

    void setStations(const beacons::StationTable& table);
    void setInService(const InService& flags);
    void setStation(std::optional<geo::LonLat> station);
    // The last result per beacon and band from listening (none: the cells
    // show the service colours).
    void setHeard(const listen::HeardTable& heard);

    // Shows the slot holding the moment, all bands, and arms the countdown.
    void showSlot(UtcMs now);
    // The countdown's own step: reads the clock, rewrites the seconds (and
    // the whole slot when one began) and arms the next whole second.
    void secondTick();
    // Stops the countdown (closing, calendar).
    void stop();

    // ---- For the tests and the benchmark --------------------------------------
    QString secondsLeftText() const;
    QString cycleText() const;
    QString nowText(int band) const;
    QString nextText(int band) const;
    int cycleColumn() const;
    bool cellInService(int column, int band) const;
    // The heard level 0..4 shown in the cell, or -1 when nothing was heard
    // or listened for there; the cell's hint text ("VE8AT 14.10: 3 of 4
    // dashes, 2 min ago") with the age at the clock's moment.
    int cellHeardLevel(int column, int band) const;
    QString cellHeardText(int column, int band) const;
    QTimer* secondTimer() const { return secondTimer_; }
    std::int64_t shownPeriodStartMs() const { return view_.periodStartMs; }
    bool hasShown() const { return shown_; }

private:
    void refresh();
    QString beaconText(int index) const;

    Clock& clock_;
    beacons::StationTable stations_;
    InService inService_{};
    std::optional<geo::LonLat> station_;
    beacons::MonitorView view_;
    bool shown_ = false;
    QLabel* lblSecondsLeft = nullptr;
    QLabel* lblCycle = nullptr;
    std::array<QLabel*, beacons::kBandCount> lblNow{};
    std::array<QLabel*, beacons::kBandCount> lblNext{};
    CycleGrid* grid_ = nullptr;
    QTimer* secondTimer_ = nullptr;
};

}  // namespace orvane::app
