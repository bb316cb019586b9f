#pragma once

#include <QColor>
#include <QString>
#include <QWidget>
#include <array>
#include <optional>
#include <utility>
#include <vector>

#include "beacons/BandPlan.h"
#include "beacons/Monitor.h"
#include "beacons/StationTable.h"
#include "common/Clock.h"
#include "common/TimeTypes.h"
#include "geo/Geodesy.h"
#include "listen/live/HeardRecord.h"

class QGridLayout;
class QLabel;
class QTimer;

namespace orvane::app {

class CycleGrid;
class Swatch;

// Responsibilities: the Monitor tab: all five bands at a glance, with the
// beacon on the air and the next one on each band (call, site, bearing and
// distance from the user's station in columns of their own), the seconds
// left in the slot counting down on each whole second, the place in the
// 3-minute cycle, and the 18 x 5 cycle grid with the current column marked
// and every cell holding its beacon's call, coloured by whether the beacon
// is in service on that band; while listening, a cell whose beacon was
// listened for shows the last result instead, coloured by how many of the
// four dashes came through, with the first dash's SNR (or the dashes heard)
// under the call and its age in the cell's hint, and each band says how many
// beacons were heard in the last cycle. A legend explains the colours. The
// text grows with the panel, as the map's labels grow with the map.
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
    // Listening on or off: the per-band "heard in the last cycle" lines.
    void setListening(bool on);

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
    // The columns as shown: bearing ("047°") and distance ("6012 km") of the
    // beacon now on the band, the next beacon's bearing; empty without a
    // station. The band's "heard in the last cycle: N of 18" (empty and
    // hidden when not listening).
    QString nowBearingText(int band) const;
    QString nowDistanceText(int band) const;
    QString nextBearingText(int band) const;
    QString heardCountText(int band) const;
    // What a cell shows: the call, and under it the last result while one is
    // kept ("21 dB", "3/4" or "0/4"); its fill colour.
    QString cellText(int column, int band) const;
    QColor cellColour(int column, int band) const;
    // The legend as shown: each swatch's colour and caption.
    std::vector<std::pair<QColor, QString>> legend() const;
    // The pixel size of the bands' text and of the calls in the cells.
    int textPixelSize() const;
    int cellPixelSize() const;
    double cellWidth() const;
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

    // The text is sized to the room, so the room never has to grow to the
    // text: a window made large and then small again shrinks back.
    QSize minimumSizeHint() const override { return {0, 0}; }

protected:
    void resizeEvent(QResizeEvent* e) override;

private:
    void refresh();
    void refreshTexts();
    void refreshHeardCounts();
    void applyTextScale();
    void setTextPixels(int pixels, bool sites);
    int neededWidth() const;
    QString beaconText(int index) const;
    QString callText(int index) const;
    std::optional<geo::Path> pathTo(int index) const;

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
    std::array<QLabel*, beacons::kBandCount> lblNowBearing{};
    std::array<QLabel*, beacons::kBandCount> lblNowDistance{};
    std::array<QLabel*, beacons::kBandCount> lblNextBearing{};
    std::array<QLabel*, beacons::kBandCount> lblHeardCount{};
    std::vector<QLabel*> headers_;
    std::vector<QLabel*> bandCaptions_;
    std::vector<std::pair<Swatch*, QLabel*>> legend_;
    QWidget* legendBox_ = nullptr;
    listen::HeardTable heard_;
    bool listening_ = false;
    int textPixels_ = 0;
    bool showSites_ = true;
    QGridLayout* bands_ = nullptr;
    CycleGrid* grid_ = nullptr;
    QTimer* secondTimer_ = nullptr;
};

}  // namespace orvane::app
