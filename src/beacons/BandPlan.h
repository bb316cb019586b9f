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

constexpr bool isValidBand(int band) { return band >= 0 && band < kBandCount; }

}  // namespace orvane::beacons
