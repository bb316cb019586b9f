// The texts of the UTC and local time labels.
#include <gtest/gtest.h>

#include "app/TimeLabels.h"
#include "common/TimeTypes.h"

using namespace orvane;
using namespace orvane::app;

namespace {
UtcMoment at(int y, int mo, int d, int h, int mi, int s) {
    return daysFromCivil(y, mo, d) * 86400 + h * 3600 + mi * 60 + s;
}
}  // namespace

TEST(TimeLabels, UtcLabelFormat) {
    struct Case {
        UtcMoment t;
        const char* text;
    };
    const Case cases[] = {
        {at(1998, 3, 28, 0, 0, 0), "00:00:00, Sat 28 Mar 1998"},
        {0, "00:00:00, Thu 01 Jan 1970"},
        {-1, "23:59:59, Wed 31 Dec 1969"},
        {at(2024, 2, 29, 23, 59, 59), "23:59:59, Thu 29 Feb 2024"},
        {at(2026, 12, 10, 12, 1, 25), "12:01:25, Thu 10 Dec 2026"},
        {at(2038, 1, 19, 3, 14, 8), "03:14:08, Tue 19 Jan 2038"},
    };
    for (const Case& c : cases) EXPECT_EQ(formatUtcLabel(c.t), c.text);
}

TEST(TimeLabels, LocalLabelAddsTheOffsetAndTheZoneName) {
    EXPECT_EQ(formatLocalTimeLabel(at(1998, 3, 28, 23, 30, 0), 3600, "CET"),
              "Local Time: 00:30:00, Sun 29 Mar 1998, CET");
    EXPECT_EQ(formatLocalTimeLabel(at(2026, 1, 1, 2, 0, 0), -5 * 3600, ""), "Local Time: 21:00:00, Wed 31 Dec 2025, ");
}
