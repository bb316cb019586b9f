#pragma once

#include <QWidget>
#include <array>

#include "beacons/BeaconCollection.h"
#include "beacons/Stations.h"

class QListWidget;

namespace orvane::app {

class RadioGroup;

// Responsibilities: the Beacons tab: the check list cblBeacons of the
// eighteen stations, ticked for those on the air on the chosen band, and the
// tab's own band choice rgFrequency2. A tick the user changes is written to
// the beacon table for that band at once.
//
// Collaborations: the beacon table (BeaconCollection) it edits; the main
// window keeps the band and hears of changes through the signals.
class BeaconListPanel final : public QWidget {
    Q_OBJECT
public:
    BeaconListPanel(beacons::BeaconCollection& collection, QWidget* parent);

    // Ticks the stations on the air on `band` (from the beacon table) and
    // edits that band from now on. Raises no change.
    void LoadBandChecks(int band);
    bool isTicked(int index) const;
    std::array<bool, beacons::kBeaconListCount> ticks() const;
    void setListEnabled(bool enabled);
    // The 44-character items from the run's station table (slot, site, call,
    // the site's UTC offset now).
    void SetItemTexts(const std::array<QString, beacons::kBeaconListCount>& items);
    // Beside each station: short- and long-path bearing and distance from
    // the user's station ("SP 291  LP 111  5843 km"); empty texts without one.
    void ShowBearings(const std::array<QString, beacons::kBeaconListCount>& bearings);
    QListWidget* bearingList() const { return lstBearings; }
    int bandIndex() const;
    void setBandIndex(int band);

    // For the tests.
    QListWidget* checkList() const { return cblBeacons; }
    RadioGroup* frequencyGroup() const { return rgFrequency2; }
    // The size of the lists' text now (12 at the classic size).
    int listPixelSize() const;

signals:
    // A tick changed and the table holds it.
    void ticksChanged();
    // The user picked a band in rgFrequency2.
    void bandClicked();

protected:
    // The lists fill the page above the band choice, the bearings at the
    // design's share of the width, their text growing with the page.
    void resizeEvent(QResizeEvent* e) override;

private:
    void cblBeaconsClick();

    beacons::BeaconCollection& collection_;
    int band_ = 0;
    QListWidget* cblBeacons = nullptr;
    QListWidget* lstBearings = nullptr;
    RadioGroup* rgFrequency2 = nullptr;
};

}  // namespace orvane::app
