#pragma once

#include <array>
#include <string>

#include "beacons/BandPlan.h"
#include "beacons/Stations.h"

namespace orvane::beacons {

// Responsibilities: the one piece of the beacon table the user changes, the
// per-band in-service flag of each station. A record carries the station's
// two-digit slot id ("01".."18", as read from the beacon file: at most two
// characters, possibly fewer) and one flag per band in band order.
struct TBeaconRecord {
    std::string SlotId;                      // at most two characters
    std::array<bool, kBandCount> OnBand{};   // in service on band 0..4

    friend bool operator==(const TBeaconRecord&, const TBeaconRecord&) = default;
};

// Element i is the record of slot number i + 1. An all-empty record (no slot
// id, no band) stands for a slot the beacon file did not hold.
using BeaconArray = std::array<TBeaconRecord, kBeaconListCount>;

// The table used when there is no beacon file: every station in service on
// every band except those long known to be off the air.
BeaconArray defaultBeaconArray();

}  // namespace orvane::beacons
