// The "Listen settings" dialog and the chart of openings, painted into an image.
#include <gtest/gtest.h>

#include <QComboBox>
#include <QPushButton>
#include <QTableWidget>
#include <QSpinBox>

#include "common/TimeTypes.h"
#include "listen/ui/ListenDialog.h"
#include "listen/ui/OpeningChart.h"

namespace orvane::listen::ui {
namespace {

TEST(ListenDialog, OffersTheInputsKeepsTheStoredOneAndBoundsThePitch) {
    const QList<AudioInput> inputs{{QStringLiteral("pci-0000_00_1f.3"), QStringLiteral("Built-in Audio")},
                                   {QStringLiteral("usb-CODEC-00"), QStringLiteral("USB Audio CODEC")}};
    {
        ListenDialog dialog(inputs, ListenSettings{}, nullptr);
        EXPECT_EQ(dialog.deviceBox()->count(), 3);  // the default first
        EXPECT_EQ(dialog.settings(), ListenSettings{});
        dialog.deviceBox()->setCurrentIndex(2);
        dialog.pitchBox()->setValue(5000);
        EXPECT_EQ(dialog.settings(),
                  (ListenSettings{QStringLiteral("USB Audio CODEC"), 1200, QStringLiteral("usb-CODEC-00")}));
        dialog.pitchBox()->setValue(10);
        EXPECT_EQ(dialog.settings().PitchHz, 300);
    }
    // An input not plugged in now stays chosen.
    ListenDialog dialog(inputs, ListenSettings{QStringLiteral("IC-7300 USB"), 650, QStringLiteral("usb-IC-7300")},
                        nullptr);
    EXPECT_EQ(dialog.deviceBox()->count(), 4);
    EXPECT_EQ(dialog.settings(), (ListenSettings{QStringLiteral("IC-7300 USB"), 650, QStringLiteral("usb-IC-7300")}));
}

// Two radios, each on a USB codec of the same make: the two are listed apart
// by their ids, the stored one is chosen by its id, and a setting stored by
// description only (before ids were kept) picks the first of that name and
// is stored with its id from then on.
TEST(ListenDialog, TwoIdenticalCodecsAreToldApartByTheirIds) {
    const QString codec = QStringLiteral("USB Audio CODEC Analog Stereo");
    const QList<AudioInput> inputs{{QStringLiteral("usb-CODEC-00"), codec}, {QStringLiteral("usb-CODEC-00.2"), codec}};
    struct Stored {
        const char* name;
        ListenSettings settings;
        int chosen;  // index in the box
        QString id;
    };
    const Stored cases[] = {
        {"first by id", {codec, 700, QStringLiteral("usb-CODEC-00")}, 1, QStringLiteral("usb-CODEC-00")},
        {"second by id", {codec, 700, QStringLiteral("usb-CODEC-00.2")}, 2, QStringLiteral("usb-CODEC-00.2")},
        {"by description only", {codec, 700, QString()}, 1, QStringLiteral("usb-CODEC-00")},
    };
    for (const Stored& c : cases) {
        ListenDialog dialog(inputs, c.settings, nullptr);
        ASSERT_EQ(dialog.deviceBox()->count(), 3) << c.name;
        EXPECT_NE(dialog.deviceBox()->itemText(1), dialog.deviceBox()->itemText(2));
        EXPECT_TRUE(dialog.deviceBox()->itemText(2).contains(QStringLiteral("usb-CODEC-00.2")));
        EXPECT_EQ(dialog.deviceBox()->currentIndex(), c.chosen) << c.name;
        EXPECT_EQ(dialog.settings(), (ListenSettings{codec, 700, c.id})) << c.name;
    }
}

// A station with several receivers: the first input's band, and more inputs
// added and removed in the table, each with its band; stored ones shown.
TEST(ListenDialog, MoreInputsAreAddedEachWithItsBand) {
    const QList<AudioInput> inputs{{QStringLiteral("sink1.monitor"), QStringLiteral("Radio 1")},
                                   {QStringLiteral("sink2.monitor"), QStringLiteral("Radio 2")},
                                   {QStringLiteral("sink3.monitor"), QStringLiteral("Radio 3")}};
    ListenDialog dialog(inputs, ListenSettings{}, nullptr);
    EXPECT_EQ(dialog.settings(), ListenSettings{});  // one input, following the map
    EXPECT_EQ(dialog.moreInputsTable()->rowCount(), 0);
    dialog.deviceBox()->setCurrentIndex(1);
    dialog.bandBox()->setCurrentIndex(dialog.bandBox()->findData(0));
    dialog.addButton()->click();  // the next band no input is on: 18.11
    dialog.addButton()->click();  // then 21.15
    ASSERT_EQ(dialog.moreInputsTable()->rowCount(), 2);
    const auto boxAt = [&](int row, int column) {
        return qobject_cast<QComboBox*>(dialog.moreInputsTable()->cellWidget(row, column));
    };
    boxAt(0, 0)->setCurrentIndex(2);
    boxAt(1, 0)->setCurrentIndex(3);
    boxAt(1, 1)->setCurrentIndex(boxAt(1, 1)->findData(4));
    ListenSettings expected{QStringLiteral("Radio 1"), 700, QStringLiteral("sink1.monitor")};
    expected.Band = 0;
    expected.MoreInputs = {{QStringLiteral("Radio 2"), QStringLiteral("sink2.monitor"), 1},
                           {QStringLiteral("Radio 3"), QStringLiteral("sink3.monitor"), 4}};
    EXPECT_EQ(dialog.settings(), expected);

    // Shown again as stored, an input not plugged in now included; removed
    // from the table, it is no longer listened to.
    expected.MoreInputs.push_back({QStringLiteral("IC-7300"), QStringLiteral("usb-IC-7300"), ListenInput::kFollow});
    ListenDialog again(inputs, expected, nullptr);
    ASSERT_EQ(again.moreInputsTable()->rowCount(), 3);
    EXPECT_EQ(again.settings(), expected);
    again.moreInputsTable()->setCurrentCell(1, 0);
    again.removeButton()->click();
    expected.MoreInputs.erase(expected.MoreInputs.begin() + 1);
    EXPECT_EQ(again.settings(), expected);
    for (int i = 0; i < 2 * ListenSettings::kMaxInputs; ++i) again.addButton()->click();
    EXPECT_EQ(again.moreInputsTable()->rowCount(), ListenSettings::kMaxInputs - 1);
}

TEST(OpeningChart, EachBeaconsRowShowsItsCyclesInTheLevelsColours) {
    const std::int64_t now = msFromSystemTime(SystemTime{2026, 12, 4, 10, 14, 1, 0, 0});
    OpeningHistory history;
    SlotResult heard;
    heard.periodStartMs = now - 60'000;  // this cycle
    heard.band = 1;
    heard.beaconIndex = 2;
    heard.heard = true;
    heard.dashSnrDb = {10.0, 0.0, std::nullopt, std::nullopt};
    history.add(heard);
    SlotResult missed = heard;
    missed.periodStartMs = now - 2 * OpeningHistory::kCycleMs;  // two cycles back
    missed.heard = false;
    missed.dashSnrDb = {};
    history.add(missed);
    std::array<QString, beacons::kBeaconListCount> calls;
    calls[2] = QStringLiteral("W6WX");
    const QImage image = renderChart(history, 1, now, calls);
    // The rightmost column of row 2 is this cycle; two columns (of 2 px) to its left, the cycle two back.
    const int x = image.width() - 10 - 1;
    const int y = 22 + 2 * 14 + 7;
    EXPECT_EQ(image.pixelColor(x, y), levelColour(2));
    EXPECT_EQ(image.pixelColor(x - 4, y), levelColour(0));
    EXPECT_EQ(image.pixelColor(x - 2, y), QColor(235, 235, 235));  // not listened for
    EXPECT_EQ(image.pixelColor(x, y + 14), QColor(235, 235, 235));  // another beacon
    // Another band shows nothing of it.
    const QImage other = renderChart(history, 0, now, calls);
    EXPECT_EQ(other.pixelColor(x, y), QColor(235, 235, 235));
    EXPECT_NE(levelColour(4), levelColour(3));
    EXPECT_EQ(levelColour(9), levelColour(4));
}

}  // namespace
}  // namespace orvane::listen::ui
