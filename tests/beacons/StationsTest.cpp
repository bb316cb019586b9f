// The station table: captions, hints, the 44-character check-list items.
#include <gtest/gtest.h>

#include <string>

#include "beacons/BandPlan.h"
#include "beacons/Stations.h"

using namespace orvane::beacons;

namespace {

// The check-list columns: number in 3, site in 25, call sign in 10, offset.
struct ListColumns {
    const char* site;
    const char* callsign;
    const char* offset;
};

const ListColumns kColumns[kBeaconListCount] = {
    {"United Nations NY", "4U1UN", "-05:00"},   {"Alert, Canada", "VE8AT", "-05:00"},
    {"Mt Umunhum, CA, USA", "W6WX", "-08:00"},  {"Laie, Hawaii", "KH6WO", "-10:00"},
    {"Masterson, NZ", "ZL6B", "+12:00"},        {"Rolystone, Australia", "VK6RBP", "+08:00"},
    {"Mt Asama, Japan", "JA2IGY", "+09:00"},    {"Novosibirsk, Russia", "RR90", "+12:00"},
    {"Hong Kong", "VR2B", "+08:00"},            {"Colombo, Sri Lanka", "4S7B", "+05:30"},
    {"Pretoria, S Africa", "ZS6DN", "+02:00"},  {"Kilif, Kenya", "5Z4B", "+03:00"},
    {"Tel Aviv, Israel", "4X6TU", "+02:00"},    {"Espoo, Finland", "OH2B", "+02:00"},
    {"Santo da Serra, Maderia", "CS3B", "+00:00"}, {"Buenos Aires, Argentina", "LU4AA", "-03:00"},
    {"Lima, Peru", "OA4B", "-05:00"},           {"Caracas, Venezuela", "YV5B", "-04:00"},
};

std::string padded(const std::string& s, std::size_t width) { return s + std::string(width - s.size(), ' '); }

}  // namespace

TEST(Stations, CheckListItemsAreTheFourColumnsExactly) {
    for (int i = 0; i < kBeaconListCount; ++i) {
        const Station& st = kStations[static_cast<std::size_t>(i)];
        const ListColumns& c = kColumns[i];
        const std::string expected =
            padded(std::to_string(i + 1), 3) + padded(c.site, 25) + padded(c.callsign, 10) + c.offset;
        EXPECT_EQ(st.checkListItem, expected) << "slot " << i + 1;
        EXPECT_EQ(st.checkListItem.size(), 44u);
        EXPECT_EQ(st.slotNumber, i + 1);
    }
    EXPECT_EQ(kStations[0].checkListItem, "1  United Nations NY        4U1UN     -05:00");
    EXPECT_EQ(kStations[9].checkListItem, "10 Colombo, Sri Lanka       4S7B      +05:30");
}

TEST(Stations, CallsignAndSiteComeFromTheMapLabel) {
    struct Row {
        int slot;
        const char* callsign;
        const char* site;
    };
    const Row rows[] = {{1, "4U1UN", "United Nations NY"}, {3, "W6WX", "Mt Umunhum, CA, USA"},
                        {4, "KH6WO", "Honolulu, Hawaii"},   {8, "RR9O", "Novosibirsk, Russia"},
                        {10, "4S7B", "Colombo, Sri Lanka"}, {15, "CS3B", "Funchal, Madeira"}};
    for (const Row& r : rows) {
        EXPECT_EQ(stationOfSlot(r.slot).callsign(), r.callsign);
        EXPECT_EQ(stationOfSlot(r.slot).site(), r.site);
    }
}

TEST(Stations, LabelsLieOnTheMapAndHintsStartWithTheirNumber) {
    for (const Station& st : kStations) {
        EXPECT_GE(st.left, 0);
        EXPECT_LE(st.left + st.width, 480);
        EXPECT_GE(st.top, 0);
        EXPECT_LE(st.top + kLabelHeight, 240);
        const std::string number = std::to_string(st.slotNumber);
        EXPECT_EQ(st.labelHint.substr(0, number.size()), number);
        EXPECT_TRUE(st.labelCaption.front() == '^' || st.labelCaption.back() == '^');
    }
    EXPECT_EQ(kBandCaptions[0], "14.10");
    EXPECT_EQ(kBandCaptions[4], "28.20");
}
