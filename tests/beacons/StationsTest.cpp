// The built-in station table: calls, sites, zones and the map labels.
#include <gtest/gtest.h>

#include <QTimeZone>
#include <string>

#include "beacons/BandPlan.h"
#include "beacons/Stations.h"

using namespace orvane::beacons;

TEST(Stations, CallsSitesAndZonesAreThoseOfTheNetwork) {
    struct Row {
        int slot;
        const char* callsign;
        const char* site;
    };
    // The call of slot 8 ends in the letter O, never the digit zero.
    const Row rows[] = {{1, "4U1UN", "United Nations NY"}, {3, "W6WX", "Mt Umunhum, CA, USA"},
                        {4, "KH6WO", "Honolulu, Hawaii"},   {8, "RR9O", "Novosibirsk, Russia"},
                        {10, "4S7B", "Colombo, Sri Lanka"}, {12, "5Z4B", "Kilifi, Kenya"},
                        {15, "CS3B", "Funchal, Madeira"}};
    for (const Row& r : rows) {
        EXPECT_EQ(stationOfSlot(r.slot).callsign(), r.callsign);
        EXPECT_EQ(stationOfSlot(r.slot).site, r.site);
    }
    for (const Station& st : kStations) {
        SCOPED_TRACE(st.slotNumber);
        EXPECT_LE(st.site.size(), 25u);  // the check list's site column
        EXPECT_LE(st.callsign().size(), 10u);
        EXPECT_TRUE(QTimeZone(QByteArray(st.timeZone.data(), static_cast<qsizetype>(st.timeZone.size()))).isValid())
            << st.timeZone;
        EXPECT_LE(std::abs(st.latDeg), 90.0);
        EXPECT_LE(std::abs(st.lonDeg), 180.0);
    }
}

TEST(Stations, LabelsLieOnTheMapWithACaretOnOneSide) {
    for (int i = 0; i < kBeaconListCount; ++i) {
        const Station& st = kStations[static_cast<std::size_t>(i)];
        EXPECT_EQ(st.slotNumber, i + 1);
        EXPECT_GE(st.left, 0);
        EXPECT_LE(st.left + st.width, 480);
        EXPECT_GE(st.top, 0);
        EXPECT_LE(st.top + kLabelHeight, 240);
        EXPECT_TRUE(st.labelCaption.front() == '^' || st.labelCaption.back() == '^');
        EXPECT_EQ(st.caretLeft(), st.labelCaption.front() == '^');
    }
    EXPECT_EQ(kBandCaptions[0], "14.10");
    EXPECT_EQ(kBandCaptions[4], "28.20");
}
