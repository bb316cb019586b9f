#include "history/HistoryRows.h"

#include <algorithm>
#include <cmath>
#include <map>
#include <tuple>

#include "beacons/BandPlan.h"
#include "beacons/Schedule.h"
#include "common/OrvaneError.h"

namespace orvane::history::rows {

void checkBatch(const Receiver& receiver, std::span<const SlotRecord> records) {
    if (receiver.name.isEmpty()) throw OrvaneError("History: a receiver needs a name");
    for (const SlotRecord& r : records) {
        if (r.band < 0 || r.band >= beacons::kBandCount)
            throw OrvaneError(QStringLiteral("History: band %1 is not one of the beacons' bands").arg(r.band).toStdString());
        if (r.slotStartMs < 0 || r.slotStartMs > kLastSlotMs)
            throw OrvaneError("History: a slot outside the years 1970 to 9999");
    }
}

std::optional<int> tenths(const std::optional<double>& value) {
    if (!value || !std::isfinite(*value)) return std::nullopt;
    return static_cast<int>(std::lround(std::clamp(*value, -1000.0, 1000.0) * 10));
}

int rounded(double value, double scale) {
    return std::isfinite(value) ? static_cast<int>(std::lround(std::clamp(value, -1e6, 1e6) * scale)) : 0;
}

std::optional<int> otherBeaconOf(const SlotRecord& r) {
    return r.outcome == Outcome::OtherCall && r.otherBeacon >= 0 && r.otherBeacon < beacons::kSlotsPerCycle
               ? std::optional<int>(r.otherBeacon)
               : std::nullopt;
}

std::vector<HourCell> hourView(const HistoryQuery& query, const RangeSum& fromSummary, const RangeSum& fromSlots) {
    const std::int64_t from = std::max<std::int64_t>(query.fromMs, 0);
    const std::int64_t to = std::min(query.toMs, kLastSlotMs + beacons::kSlotMs);
    std::map<std::tuple<int, int, int>, ViewRow> cells;  // band, beacon, hour of day
    const RowSink add = [&cells](const ViewRow& row) {
        ViewRow& s = cells[{row.band, row.beacon, row.hourOfDay}];
        s.listened += row.listened;
        s.heard += row.heard;
        if (row.bestSnrTenths && (!s.bestSnrTenths || *row.bestSnrTenths > *s.bestSnrTenths))
            s.bestSnrTenths = row.bestSnrTenths;
    };
    if (from < to) {
        const std::int64_t firstHour = (from + kHourMs - 1) / kHourMs;
        const std::int64_t endHour = to / kHourMs;
        // Slots starting in [a, b) ms.
        auto slotsIn = [&](std::int64_t a, std::int64_t b) {
            if (a < b) fromSlots((a + beacons::kSlotMs - 1) / beacons::kSlotMs, (b + beacons::kSlotMs - 1) / beacons::kSlotMs, add);
        };
        if (firstHour < endHour) {
            fromSummary(firstHour, endHour, add);
            slotsIn(from, firstHour * kHourMs);
            slotsIn(endHour * kHourMs, to);
        } else {
            slotsIn(from, to);
        }
    }
    std::vector<HourCell> out;
    out.reserve(cells.size());
    for (const auto& [key, s] : cells) {
        HourCell c;
        std::tie(c.band, c.beacon, c.hour) = key;
        c.listened = s.listened;
        c.heard = s.heard;
        if (s.bestSnrTenths) c.bestSnrDb = *s.bestSnrTenths / 10.0;
        out.push_back(c);
    }
    return out;
}

}  // namespace orvane::history::rows
