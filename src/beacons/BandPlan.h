#pragma once

#include <array>
#include <string_view>

namespace orvane::beacons {

// Responsibilities: the five bands of the beacon network. A band is addressed
// everywhere by its index 0..4: the settings key BeaconBand, the item of both
// band radio groups and the position of a flag in TBeaconRecord::OnBand.
inline constexpr int kBandCount = 5;

// Radio item captions, in MHz.
inline constexpr std::array<std::string_view, kBandCount> kBandCaptions{"14.10", "18.11", "21.15", "24.93", "28.20"};

// Where the beacons transmit, in Hz (the captions rounded to 10 kHz).
inline constexpr std::array<double, kBandCount> kBandFrequenciesHz{14.100e6, 18.110e6, 21.150e6, 24.930e6, 28.200e6};

constexpr bool isValidBand(int band) { return band >= 0 && band < kBandCount; }

}  // namespace orvane::beacons
