// The History panel offscreen on a fake clock and a small SQLite history:
// the cells' colours and hints, the best hours, the receiver choice, the
// periods, and the words for a missing, an empty and a broken database.
#include "history/ui/HistoryPanel.h"

#include <gtest/gtest.h>

#include <QComboBox>
#include <QDateTime>
#include <QLabel>
#include <QListWidget>
#include <QMouseEvent>

#include "beacons/Schedule.h"
#include "common/FakeClock.h"
#include "history/SqliteHistory.h"
#include "support/TempDir.h"
#include "support/WaitUntil.h"

using namespace orvane;
using namespace orvane::history;
using orvane::history::ui::HistoryPanel;

namespace {

constexpr int kBand = 2;       // 21.15 MHz
constexpr int kJa = 6;         // JA2IGY, slot 7
constexpr int kWaitMs = 60000;  // only ends a hung reading

std::int64_t utc(const char* text) { return QDateTime::fromString(QString::fromLatin1(text), Qt::ISODate).toMSecsSinceEpoch(); }

BeaconCalls calls() {
    BeaconCalls c;
    for (int i = 0; i < beacons::kBeaconListCount; ++i)
        c[static_cast<std::size_t>(i)] = QString::fromLatin1(beacons::kStations[static_cast<std::size_t>(i)].callsign().data(),
                                                             static_cast<qsizetype>(beacons::kStations[static_cast<std::size_t>(i)].callsign().size()));
    return c;
}

// JA2IGY's slots on 21.15 MHz in one UTC hour of 2026-12-10: the first
// `heard` of them heard, first dash at 5 dB plus the slot's number.
std::vector<SlotRecord> jaHour(int hour, int heard) {
    std::vector<SlotRecord> out;
    const std::int64_t start = utc("2026-12-10T00:00:00Z") + hour * kHourMs;
    for (std::int64_t t = start; t < start + kHourMs; t += beacons::kSlotMs) {
        if (beacons::slotIndexAt(t, kBand) != kJa) continue;
        SlotRecord r;
        r.slotStartMs = t;
        r.band = kBand;
        const bool isHeard = static_cast<int>(out.size()) < heard;
        r.outcome = isHeard ? Outcome::Heard : Outcome::NotHeard;
        if (isHeard) r.dashSnrDb[0] = 5.0 + static_cast<double>(out.size());
        out.push_back(r);
    }
    return out;
}

class HistoryPanelTest : public ::testing::Test {
protected:
    // G4ABC heard JA2IGY in 12 of 20 slots at 07 UTC and 6 of 20 at 08 UTC;
    // DL1XYZ listened at 07 UTC and heard nothing.
    void fill() {
        SqliteHistory store(file());
        store.add({"G4ABC", "JO22"}, jaHour(7, 12));
        store.add({"G4ABC", "JO22"}, jaHour(8, 6));
        store.add({"DL1XYZ", "JO31"}, jaHour(7, 0));
    }
    QString file() const { return dir.file("history.sqlite"); }
    std::unique_ptr<HistoryPanel> open(const QString& url) {
        auto panel = std::make_unique<HistoryPanel>(clock, url, "G4ABC", calls(), kBand);
        panel->resize(panel->sizeHint());
        panel->show();
        return panel;
    }
    // Reads again after `change` and waits until the reading is shown.
    static void read(HistoryPanel& panel, const std::function<void()>& change) {
        int shown = 0;
        const QMetaObject::Connection counting = QObject::connect(&panel, &HistoryPanel::shown, [&] { ++shown; });
        change();
        const bool done = waitUntil([&] { return shown > 0 && !panel.reading(); }, kWaitMs);
        QObject::disconnect(counting);
        ASSERT_TRUE(done);
    }
    // The colour painted in the middle of a cell.
    static QColor painted(HistoryPanel& panel, int beacon, int hour) {
        const QImage image = panel.grid()->grab().toImage();
        const QPointF centre = panel.grid()->geometryNow().cellRect(beacon, hour).center();
        return image.pixelColor(centre.toPoint());
    }

    TempDir dir;
    FakeClock clock{utc("2026-12-11T09:30:00Z")};
};

}  // namespace

TEST_F(HistoryPanelTest, CellsShowTheShareHeardWithTheirHintAndTheBestHours) {
    fill();
    auto panel = open("sqlite:" + file());
    read(*panel, [&] { panel->refresh(); });
    EXPECT_EQ(panel->receiver(), "G4ABC") << "this station first";
    const GridCell& cell = panel->grid()->grid().at(kJa, 7);
    EXPECT_EQ(cell.heard, 12);
    EXPECT_EQ(cell.listened, 20);
    EXPECT_EQ(cell.bestSnrDb, 16.0);
    EXPECT_EQ(painted(*panel, kJa, 7), shareColour(0.6));
    EXPECT_EQ(painted(*panel, kJa, 8), shareColour(0.3));
    EXPECT_EQ(painted(*panel, kJa, 9), shareColour(std::nullopt));
    EXPECT_NE(shareColour(0.6), shareColour(0.3));

    // The mouse over the cell: its hint under the grid.
    const QPoint centre = panel->grid()->geometryNow().cellRect(kJa, 7).center().toPoint();
    QMouseEvent move(QEvent::MouseMove, QPointF(centre), panel->grid()->mapToGlobal(QPointF(centre)), Qt::NoButton,
                     Qt::NoButton, Qt::NoModifier);
    QCoreApplication::sendEvent(panel->grid(), &move);
    EXPECT_EQ(panel->hintText(), QString::fromUtf8("JA2IGY on 21.15 MHz, 07–08 UTC: heard in 12 of 20 slots (60 %), "
                                                   "best first dash 16.0 dB"));
    ASSERT_EQ(panel->bestList()->count(), 1);
    EXPECT_EQ(panel->bestList()->item(0)->text(), QString::fromUtf8("21.15 MHz to JA2IGY: 07–09 UTC, 45 %"));
    EXPECT_TRUE(panel->statusText().contains("40 slots listened for, 18 heard")) << panel->statusText().toStdString();

    // Another band: nothing listened for there.
    panel->setBand(0);
    EXPECT_TRUE(panel->grid()->grid().empty());
    EXPECT_EQ(panel->bestList()->count(), 0);
}

TEST_F(HistoryPanelTest, TheReceiverIsThisStationAnyOtherOrAllTogether) {
    fill();
    auto panel = open("sqlite:" + file());
    read(*panel, [&] { panel->refresh(); });
    QComboBox& box = *panel->receiverBox();
    ASSERT_EQ(box.count(), 3);
    EXPECT_EQ(box.itemData(0).toString(), "");
    EXPECT_EQ(box.itemText(1), "DL1XYZ (JO31)");
    EXPECT_EQ(box.itemText(2), "G4ABC (JO22), this station");
    struct Case {
        int index;
        std::int64_t heard, listened;
        const char* best;
    };
    for (const Case& c : {Case{1, 0, 20, "No beacon heard on 21.15 MHz in this period"},
                          Case{0, 12, 40, "21.15 MHz to JA2IGY: 07–09 UTC, 30 %"},
                          Case{2, 12, 20, "21.15 MHz to JA2IGY: 07–09 UTC, 45 %"}}) {
        SCOPED_TRACE(box.itemText(c.index).toStdString());
        read(*panel, [&] { box.setCurrentIndex(c.index); });
        EXPECT_EQ(box.currentIndex(), c.index) << "the choice is kept when the list is read again";
        EXPECT_EQ(panel->grid()->grid().at(kJa, 7).heard, c.heard);
        EXPECT_EQ(panel->grid()->grid().at(kJa, 7).listened, c.listened);
        ASSERT_EQ(panel->bestList()->count(), 1);
        EXPECT_EQ(panel->bestList()->item(0)->text(), QString::fromUtf8(c.best));
    }
    // DL1XYZ never heard JA2IGY: red, not the grey of never listened for.
    read(*panel, [&] { box.setCurrentIndex(1); });
    EXPECT_EQ(painted(*panel, kJa, 7), shareColour(0.0));
}

// The slots lie on 2026-12-10, 07 and 08 UTC; the clock is 2026-12-11 09:30.
TEST_F(HistoryPanelTest, ThePeriodChosenBoundsTheSlots) {
    fill();
    auto panel = open("sqlite:" + file());
    read(*panel, [&] { panel->refresh(); });
    struct Case {
        const char* name;
        std::function<void()> choose;
        std::int64_t listened7, listened8;
    };
    for (const Case& c : {
             Case{"last day: from 12-10 10:00", [&] { panel->setPeriod(HistoryPeriod::Day); }, 0, 0},
             Case{"last month", [&] { panel->setPeriod(HistoryPeriod::Month); }, 20, 20},
             Case{"12-10 alone", [&] { panel->setRange(QDate(2026, 12, 10), QDate(2026, 12, 10)); }, 20, 20},
             Case{"12-11 alone", [&] { panel->setRange(QDate(2026, 12, 11), QDate(2026, 12, 11)); }, 0, 0},
             Case{"last year", [&] { panel->setPeriod(HistoryPeriod::Year); }, 20, 20},
         }) {
        SCOPED_TRACE(c.name);
        read(*panel, c.choose);
        EXPECT_EQ(panel->grid()->grid().at(kJa, 7).listened, c.listened7);
        EXPECT_EQ(panel->grid()->grid().at(kJa, 8).listened, c.listened8);
        if (c.listened7 == 0) {
            EXPECT_TRUE(panel->statusText().startsWith("No slots listened for")) << panel->statusText().toStdString();
        }
    }
}

TEST_F(HistoryPanelTest, AMissingEmptyOrBrokenDatabaseIsSaidInWords) {
    { SqliteHistory empty(dir.file("empty.sqlite")); }
    TempDir::write(dir.file("junk.sqlite"), QByteArray(4096, 'x'));
    struct Case {
        QString url;
        const char* says;
    };
    for (const Case& c : {Case{"sqlite:" + dir.file("missing.sqlite"), "No history yet"},
                          Case{"sqlite:" + dir.file("empty.sqlite"), "holds no slots yet"},
                          Case{dir.file("junk.sqlite"), "not a database"}}) {
        SCOPED_TRACE(c.says);
        auto panel = open(c.url);
        read(*panel, [&] { panel->refresh(); });
        EXPECT_TRUE(panel->statusText().contains(c.says)) << panel->statusText().toStdString();
        EXPECT_TRUE(panel->grid()->grid().empty());
        EXPECT_EQ(panel->bestList()->count(), 0);
        EXPECT_EQ(painted(*panel, 0, 0), shareColour(std::nullopt));
    }
    EXPECT_FALSE(QFileInfo::exists(dir.file("missing.sqlite")));
}

// At its smallest and on a big screen the panel shows its words whole, and
// the grid has room for the calls and the hours in its labels' font, which
// grows with the grid.
TEST_F(HistoryPanelTest, TextIsWholeFromTheSmallestSizeToABigScreen) {
    fill();
    auto panel = open("sqlite:" + file());
    read(*panel, [&] { panel->refresh(); });
    const QFontInfo base(panel->grid()->font());
    for (const QSize size : {panel->minimumSizeHint(), QSize(1900, 1000)}) {
        SCOPED_TRACE(size.width());
        panel->resize(size);
        QCoreApplication::sendPostedEvents();
        for (const QLabel* label : panel->findChildren<QLabel*>()) {
            if (label->text().isEmpty() || label->wordWrap()) continue;
            SCOPED_TRACE(label->text().toStdString());
            EXPECT_GE(label->width(), label->sizeHint().width());
        }
        for (const QComboBox* box : panel->findChildren<QComboBox*>())
            EXPECT_GE(box->width(), box->minimumSizeHint().width());
        const QFont labels = panel->grid()->labelFont();
        const QFontMetrics fm(labels);
        const GridGeometry g = panel->grid()->geometryNow();
        for (const QString& call : calls()) EXPECT_LE(fm.horizontalAdvance(call), g.cells.left()) << call.toStdString();
        EXPECT_GE(g.cellWidth(), fm.horizontalAdvance("00"));
        EXPECT_GE(g.cells.top(), 2 * fm.height());
        EXPECT_GE(g.cellHeight(), 8);
        if (size.width() > 1000) {
            EXPECT_GE(QFontInfo(labels).pixelSize(), base.pixelSize() * 1.4);
        } else {
            EXPECT_EQ(QFontInfo(labels).pixelSize(), base.pixelSize());
        }
    }
}
