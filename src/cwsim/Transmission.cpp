#include "cwsim/Transmission.h"

#include <memory>

#include "cwsim/BeaconPlayer.h"
#include "cwsim/RecordingMidiOutputLayer.h"

namespace orvane::cwsim {

std::vector<TimedMessage> transmissionMessages(int number, const TransmissionSettings& settings) {
    auto clock = std::make_shared<VirtualPlayerClock>();
    auto output = std::make_shared<RecordingMidiOutputLayer>([clock] { return clock->nowUs(); });
    BeaconPlayer player(output, clock);
    player.OpenIt();
    player.Initialize(settings.patch);
    player.Tone = settings.tone;
    player.Volume = settings.volume;
    player.setSpeedControl(settings.dotTimeMs);
    player.PlayABeacon(number);
    std::vector<TimedMessage> messages;
    for (const auto& sent : output->sent()) messages.push_back({sent.timeUs, sent.msg});
    return messages;
}

}  // namespace orvane::cwsim
