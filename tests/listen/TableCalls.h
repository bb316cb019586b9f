#pragma once

#include <QString>
#include <array>
#include <cstddef>

#include "beacons/StationTable.h"
#include "cwsim/BeaconCalls.h"

// The built-in station table's calls, slot by slot, as the detector is given
// them to tell the expected call from the others.
inline std::array<QString, orvane::cwsim::kBeaconCount> tableCalls() {
    std::array<QString, orvane::cwsim::kBeaconCount> calls;
    const orvane::beacons::StationTable table;
    for (int i = 0; i < orvane::cwsim::kBeaconCount; ++i)
        calls[static_cast<std::size_t>(i)] = QString::fromStdString(table.entry(i).call);
    return calls;
}
