#pragma once

#include <QObject>
#include <QStringList>
#include <functional>
#include <optional>

#include "rig/Rig.h"

class QAction;
class QMenu;

namespace orvane::rig {
class RigFollower;
}

namespace orvane::app {

class TfrmTabbedOrvane;

// Responsibilities: the radio items of the map menu: "Follow beacon..."
// (pick a beacon and the radio's connection, then the radio follows it
// through the bands; chosen again while following, it stops and leaves the
// radio where it is) and "Stay on band" (tune once to the band chosen under
// the map). Tunings, with the frequency the radio reports after each, and
// the first rig error go to the status bar.
//
// Collaborations: the main window (band, station table, status bar, the
// settings file for the "Radio" section) and the follower, which does the
// tuning off the GUI thread.
class RadioMenu final : public QObject {
    Q_OBJECT
public:
    RadioMenu(TfrmTabbedOrvane& main, rig::RigFollower& follower, QMenu* menu, QAction* before);

    struct FollowChoice {
        int beaconIndex = 0;
        rig::RigSettings settings;
    };
    // The dialog: the beacons' captions, the beacon chosen first and the
    // radio settings in, the choice out (nothing when cancelled). The
    // "Follow beacon" dialog unless replaced (tests).
    using FollowDialog =
        std::function<std::optional<FollowChoice>(const QStringList& beacons, int current, const rig::RigSettings&)>;
    void setFollowDialog(FollowDialog ask) { askFollow_ = std::move(ask); }

    QAction* followItem() const { return mnFollowBeacon; }
    QAction* stayItem() const { return mnStayOnBand; }

    void mnFollowBeaconClick();
    void mnStayOnBandClick();

private:
    // "Radio: 14.100 MHz CW (radio reads 14100.00 kHz), following 4U1UN".
    void showRadio();

    TfrmTabbedOrvane& main_;
    rig::RigFollower& follower_;
    QAction* mnFollowBeacon = nullptr;
    QAction* mnStayOnBand = nullptr;
    FollowDialog askFollow_;
    double askedHz_ = 0;
    int tunedIndex_ = -1;
    std::optional<double> readHz_;
};

}  // namespace orvane::app
