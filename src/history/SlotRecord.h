#pragma once

#include <QString>
#include <array>
#include <cstdint>
#include <optional>

namespace orvane::history {

// What became of a beacon's slot on one band at one receiver.
enum class Outcome : int {
    NotHeard = 0,
    Heard = 1,
    OtherCall = 2,  // another beacon's call was recognised in the slot
};

// One slot as the history keeps it. The expected beacon follows from the
// slot and the band (the network's schedule), so it is not stored.
struct SlotRecord {
    std::int64_t slotStartMs = 0;  // UTC, on a 10-second boundary
    int band = 0;                  // 0..4
    Outcome outcome = Outcome::NotHeard;
    int otherBeacon = -1;  // 0..17 with OtherCall, else -1
    // The four dashes' SNR in dB; nullopt: not found.
    std::array<std::optional<double>, 4> dashSnrDb{};
    double toneOffsetHz = 0;
    double timeOffsetMs = 0;
    QString input;  // where the audio came from ("" when unknown)
};

// One line of the hour-by-beacon view: over the period asked, in UTC hour
// 0..23, the slots in which `beacon` was expected on `band` and listened
// for, how many of them heard it, and the best first-dash SNR in them.
struct HourCell {
    int band = 0;
    int beacon = 0;
    int hour = 0;
    std::int64_t heard = 0;
    std::int64_t listened = 0;
    std::optional<double> bestSnrDb;
};

}  // namespace orvane::history
