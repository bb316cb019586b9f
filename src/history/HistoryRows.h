#pragma once

// What both back ends share: the checks a batch passes before it is stored,
// the integer columns a slot is kept in, and the view put together from the
// hourly summary (whole hours) and the slots (the ragged ends).

#include <QString>
#include <cstdint>
#include <functional>
#include <optional>
#include <span>
#include <vector>

#include "history/HistoryStore.h"

namespace orvane::history::rows {

inline constexpr std::int64_t kHourMs = 3'600'000;
// Slots from 1970 to the end of year 9999, the range every time argument has.
inline constexpr std::int64_t kLastSlotMs = 253'402'300'790'000;

// Throws OrvaneError for a batch that cannot be stored: no receiver name, a
// band that is none of the beacons', a slot outside the years 1970 to 9999.
void checkBatch(const Receiver& receiver, std::span<const SlotRecord> records);

// Tenths of a dB (SNR) or of a Hz; nullopt for a value that is not finite.
std::optional<int> tenths(const std::optional<double>& value);
// value * scale rounded, 0 for a value that is not finite.
int rounded(double value, double scale);
// The other beacon's index stored with OtherCall, else nullopt.
std::optional<int> otherBeaconOf(const SlotRecord& record);

// One row of either table as the view adds it up.
struct ViewRow {
    int band = 0;
    int beacon = 0;
    int hourOfDay = 0;
    std::int64_t listened = 0;
    std::int64_t heard = 0;
    std::optional<int> bestSnrTenths;
};
using RowSink = std::function<void(const ViewRow&)>;
// Sums over [lo, hi): hours since 1970 for the summary, slot periods
// (10 s since 1970) for the slots; hands each group to the sink.
using RangeSum = std::function<void(std::int64_t lo, std::int64_t hi, const RowSink& sink)>;

// The view of `query`: whole hours of the window from the summary, the
// ragged ends from the slots, merged and ordered by band, beacon, hour.
std::vector<HourCell> hourView(const HistoryQuery& query, const RangeSum& fromSummary, const RangeSum& fromSlots);

}  // namespace orvane::history::rows
