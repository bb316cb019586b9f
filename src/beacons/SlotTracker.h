#pragma once

#include <cstdint>
#include <optional>
#include <string>

namespace orvane::beacons {

class StationTable;

// Responsibilities: decides, on each clock reading, whether a new beacon
// slot has begun and which beacon to show. It remembers the 10-second period
// last shown (an absolute period number rather than a second within the
// minute, so a clock that jumps by whole minutes, or a pause of exactly one
// minute, still brings the display up to date). A band change forces the
// slot to be shown again at once.
class SlotTracker {
public:
    // The index (0..17) to show now, or nothing when the shown slot is still
    // current. `forced` shows the slot even within the same period.
    std::optional<int> onClock(std::int64_t utcMs, int band, bool forced);

    // Forget the shown slot: the next reading shows one.
    void reset() { lastPeriod_.reset(); }
    bool hasShown() const { return lastPeriod_.has_value(); }

private:
    std::optional<std::int64_t> lastPeriod_;
};

// How a map label looks. The colours are roles; the window maps them to
// aqua, yellow, red and the desktop's window-text and inactive-caption
// colours.
enum class TextRole { WindowText, InactiveCaption, Red };
struct LabelLook {
    bool current;  // yellow background when true, aqua otherwise
    TextRole text;
    bool bold;
    friend bool operator==(const LabelLook&, const LabelLook&) = default;
};

// The look of a label from whether it is transmitting now and whether its
// beacon is ticked for the selected band.
constexpr LabelLook labelLook(bool current, bool ticked) {
    if (current) return ticked ? LabelLook{true, TextRole::Red, true} : LabelLook{true, TextRole::InactiveCaption, false};
    return LabelLook{false, ticked ? TextRole::WindowText : TextRole::InactiveCaption, false};
}

// The text under the map for the beacon of index 0..17, e.g.
// "Slot:1  United Nations NY", from the run's station table.
std::string beaconSlotCaption(const StationTable& stations, int index);

}  // namespace orvane::beacons
