#pragma once

// The hour-by-beacon view worked out from the records themselves, and the
// check that a store shows exactly that.
#include <gtest/gtest.h>

#include <map>
#include <tuple>
#include <utility>
#include <vector>

#include "beacons/Schedule.h"
#include "history/HistoryStore.h"

namespace orvane::history::testing {

using CellKey = std::tuple<int, int, int>;

// The view worked out from the records themselves.
inline std::map<CellKey, HourCell> expectedView(const std::vector<std::pair<QString, SlotRecord>>& all, const HistoryQuery& q) {
    std::map<CellKey, HourCell> cells;
    for (const auto& [receiver, r] : all) {
        if (r.slotStartMs < q.fromMs || r.slotStartMs >= q.toMs) continue;
        if (q.band && *q.band != r.band) continue;
        if (!q.receiver.isEmpty() && q.receiver != receiver) continue;
        const int beacon = beacons::slotIndexAt(r.slotStartMs, r.band);
        const int hour = int((r.slotStartMs / 3'600'000) % 24);
        HourCell& c = cells[{r.band, beacon, hour}];
        c.band = r.band;
        c.beacon = beacon;
        c.hour = hour;
        ++c.listened;
        c.heard += r.outcome == Outcome::Heard ? 1 : 0;
        if (r.dashSnrDb[0] && (!c.bestSnrDb || *r.dashSnrDb[0] > *c.bestSnrDb)) c.bestSnrDb = r.dashSnrDb[0];
    }
    return cells;
}

inline void expectView(HistoryStore& store, const std::vector<std::pair<QString, SlotRecord>>& all, const HistoryQuery& q) {
    const std::map<CellKey, HourCell> expected = expectedView(all, q);
    const std::vector<HourCell> got = store.hours(q);
    ASSERT_EQ(got.size(), expected.size());
    auto e = expected.begin();
    for (const HourCell& c : got) {
        const HourCell& x = (e++)->second;
        ASSERT_EQ(std::tie(c.band, c.beacon, c.hour, c.listened, c.heard),
                  std::tie(x.band, x.beacon, x.hour, x.listened, x.heard));
        ASSERT_EQ(c.bestSnrDb.has_value(), x.bestSnrDb.has_value());
        if (c.bestSnrDb) {
            EXPECT_NEAR(*c.bestSnrDb, *x.bestSnrDb, 0.05);
        }
    }
}

}  // namespace orvane::history::testing
