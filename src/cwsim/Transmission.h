#pragma once

#include <cstdint>
#include <vector>

namespace orvane::cwsim {

// The sound settings one transmission is played with.
struct TransmissionSettings {
    int dotTimeMs = 48;  // 27..75
    int tone = 74;       // 40..108
    int volume = 127;    // 80..127
    int patch = 79;      // 1..128
};

struct TimedMessage {
    std::int64_t timeUs;  // from the start of the transmission
    std::uint32_t msg;    // packed short message
};

// The messages of one transmission of beacon `number` (any number outside
// 1..18 gives the long dashes only) with their ideal times, as the player
// sends them, preceded by the program change for the patch at time 0.
// Computed by playing it on a virtual clock into a recording output.
std::vector<TimedMessage> transmissionMessages(int number, const TransmissionSettings& settings);

}  // namespace orvane::cwsim
