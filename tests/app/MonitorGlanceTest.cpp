// The Monitor tab read at a glance: calls in the grid's cells with the last
// result under them, the legend of the colours, bearings and distances in
// columns, text that grows with the window and, while listening, how many
// beacons each band brought in the last cycle.
#include <gtest/gtest.h>

#include <QAction>
#include <QCoreApplication>
#include <QDir>
#include <QFontMetricsF>
#include <QLabel>
#include <QTabWidget>
#include <QTimer>
#include <memory>

#include "app/Orvane_maina.h"
#include "app/panels/ListenMenu.h"
#include "app/panels/MapPanel.h"
#include "app/panels/MonitorPanel.h"
#include "common/FakeClock.h"
#include "listen/ui/OpeningChart.h"
#include "support/TempDir.h"

using namespace orvane;
using namespace orvane::app;

namespace {

UtcMs noonMs(int minute, int second) {
    return (daysFromCivil(2026, 12, 10) * 86400 + 12 * 3600 + minute * 60 + second) * 1000;
}

listen::SlotResult result(UtcMs periodStartMs, int band, int beacon, int dashes) {
    listen::SlotResult r;
    r.periodStartMs = periodStartMs;
    r.band = band;
    r.beaconIndex = beacon;
    r.heard = dashes > 0;
    for (int i = 0; i < dashes; ++i) r.dashSnrDb[static_cast<std::size_t>(i)] = 21.4 - 10 * i;
    return r;
}

// A source that never delivers: listening on, nothing heard.
class QuietSource final : public listen::AudioSource {
public:
    void start() override {}
    void stop() override {}
};

class MonitorGlance : public ::testing::Test {
protected:
    void SetUp() override {
        previousDir = QDir::currentPath();
        QDir::setCurrent(dir.path());
    }
    void TearDown() override {
        window.reset();
        QDir::setCurrent(previousDir);
    }
    void start(UtcMs now) {
        clock.set(now);
        window = std::make_unique<TfrmTabbedOrvane>(clock, messages, nullptr, AppPaths::inDirectory(dir.path()));
        window->tickTimer()->stop();
        window->slotTimer()->stop();
        monitor().secondTimer()->stop();
    }
    MonitorPanel& monitor() const { return window->monitorPanel(); }

    TempDir dir;
    FakeClock clock;
    RecordingMessageService messages;
    std::unique_ptr<TfrmTabbedOrvane> window;
    QString previousDir;
};

}  // namespace

// Each cell holds its beacon's call; a kept result adds the first dash's SNR
// (or the dashes heard of four) under it and takes the legend's colour for
// that many dashes; the service colours are the legend's too.
TEST_F(MonitorGlance, CellsShowTheirCallsAndTheLegendNamesEveryColour) {
    TempDir::write(dir.file(QStringLiteral("orvane.STN")), "5 | ZL6B | Masterton | RE78tw | off\n");
    start(noonMs(0, 0));
    const auto legend = monitor().legend();
    const QStringList captions{QStringLiteral("in service"), QStringLiteral("not in service"),
                               QStringLiteral("off the air"), QStringLiteral("4"), QStringLiteral("3"),
                               QStringLiteral("2"), QStringLiteral("1"), QStringLiteral("0 dashes")};
    ASSERT_EQ(legend.size(), static_cast<std::size_t>(captions.size()));
    for (int i = 0; i < captions.size(); ++i) EXPECT_EQ(legend[static_cast<std::size_t>(i)].second, captions[i]);
    const auto legendColour = [&](const QString& caption) {
        for (const auto& [colour, text] : legend)
            if (text == caption) return colour;
        return QColor();
    };

    // 12:00:00 column 0: 4U1UN on 14.10, YV5B on 18.11; slot 3 (W6WX) is not
    // in service on 18.11 (column 3), slot 5 (ZL6B) is off the air.
    struct Cell {
        const char* name;
        int column, band;
        const char* text;
        const char* legend;
    };
    const Cell service[] = {
        {"InService", 0, 0, "4U1UN", "in service"},
        {"OtherBand", 0, 1, "YV5B", "in service"},
        {"NotInService", 3, 1, "W6WX", "not in service"},
        {"OffTheAir", 4, 0, "ZL6B", "off the air"},
    };
    for (const Cell& c : service) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(monitor().cellText(c.column, c.band), QString::fromLatin1(c.text));
        EXPECT_EQ(monitor().cellColour(c.column, c.band), legendColour(QString::fromLatin1(c.legend)));
    }

    // Results on 14.10 in columns 1..3 (VE8AT, W6WX, KH6WO) and 21.15.
    listen::HeardTable heard;
    heard.add(result(noonMs(0, 10), 0, 1, 4));
    heard.add(result(noonMs(0, 20), 0, 2, 1));
    heard.add(result(noonMs(0, 30), 0, 3, 0));
    heard.add(result(noonMs(0, 30), 2, 1, 2));  // column 3 on 21.15: VE8AT
    monitor().setHeard(heard);
    const Cell results[] = {
        {"FourDashes", 1, 0, "VE8AT\n21 dB", "4"},
        {"OneDash", 2, 0, "W6WX\n21 dB", "1"},
        {"NotHeard", 3, 0, "KH6WO\n0/4", "0 dashes"},
        {"TwoDashes", 3, 2, "VE8AT\n21 dB", "2"},
        {"NoResult", 5, 0, "VK6RBP", "in service"},
    };
    for (const Cell& c : results) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(monitor().cellText(c.column, c.band), QString::fromUtf8(c.text));
        EXPECT_EQ(monitor().cellColour(c.column, c.band), legendColour(QString::fromLatin1(c.legend)));
    }
    // Heard, but the detector found no first dash: the dashes found.
    listen::SlotResult noFigure = result(noonMs(0, 10), 0, 1, 3);
    noFigure.dashSnrDb[0].reset();
    heard.add(noFigure);
    monitor().setHeard(heard);
    EXPECT_EQ(monitor().cellText(1, 0), QStringLiteral("VE8AT\n2/4"));  // two dashes found
}

// Bearing and distance of the beacon now on the air, and the next beacon's
// bearing, each in a column of its own whose figures line up on the right.
TEST_F(MonitorGlance, BearingsAndDistancesStandInAlignedColumns) {
    start(noonMs(0, 0));
    window->show();
    window->tabs()->setCurrentWidget(monitor().parentWidget());
    for (int band = 0; band < beacons::kBandCount; ++band) {
        EXPECT_TRUE(monitor().nowBearingText(band).isEmpty());
        EXPECT_TRUE(monitor().nowDistanceText(band).isEmpty());
        EXPECT_TRUE(monitor().nextBearingText(band).isEmpty());
    }
    EXPECT_EQ(monitor().nextText(0), QStringLiteral("2 VE8AT"));
    ASSERT_TRUE(window->mapPanel().SetStation(QStringLiteral("JO22dc")));  // The Hague
    window->resize(900, 560);
    QCoreApplication::sendPostedEvents();
    // From JO22dc: 4U1UN (New York) about 5880 km to the west-north-west,
    // VE8AT (Eureka, 80 N) just west of north, about 348 degrees.
    EXPECT_EQ(monitor().nowBearingText(0).right(1), QStringLiteral("°"));
    EXPECT_NEAR(monitor().nowBearingText(0).chopped(1).toInt(), 290, 3);
    EXPECT_TRUE(monitor().nowDistanceText(0).endsWith(QStringLiteral(" km")));
    EXPECT_NEAR(monitor().nowDistanceText(0).chopped(3).toInt(), 5880, 60);
    EXPECT_NEAR(monitor().nextBearingText(0).chopped(1).toInt(), 348, 3);
    EXPECT_EQ(monitor().nextText(0), QStringLiteral("2 VE8AT  ") + monitor().nextBearingText(0));
    EXPECT_TRUE(monitor().nowText(0).endsWith(monitor().nowDistanceText(0)));
    for (const char* column : {"lblNowBearing", "lblNowDistance", "lblNextBearing"}) {
        SCOPED_TRACE(column);
        const auto* first = monitor().findChild<QLabel*>(QStringLiteral("%1%2").arg(QLatin1String(column)).arg(0));
        ASSERT_NE(first, nullptr);
        for (int band = 0; band < beacons::kBandCount; ++band) {
            const auto* l = monitor().findChild<QLabel*>(QStringLiteral("%1%2").arg(QLatin1String(column)).arg(band));
            ASSERT_NE(l, nullptr);
            EXPECT_FALSE(l->text().isEmpty());
            EXPECT_EQ(l->geometry().right(), first->geometry().right());
            EXPECT_TRUE(l->alignment() & Qt::AlignRight);
            EXPECT_GE(l->width(), QFontMetricsF(l->font()).horizontalAdvance(l->text()));
        }
    }
}

// From the classic window to a full-HD one the bands' text and the calls in
// the cells grow, and at every size each label shows its whole text and
// every call fits its cell (measured with the font actually used).
TEST_F(MonitorGlance, TextGrowsWithTheWindowAndNothingIsClipped) {
    start(noonMs(0, 0));
    ASSERT_TRUE(window->mapPanel().SetStation(QStringLiteral("JO22dc")));
    monitor().setListening(true);
    window->show();
    window->tabs()->setCurrentWidget(monitor().parentWidget());
    struct Size {
        const char* name;
        QSize window;
    };
    const Size sizes[] = {{"Classic", window->minimumSize()}, {"Large", QSize(1280, 800)}, {"FullHd", QSize(1920, 1080)}};
    int lastText = 0, lastCell = 0;
    for (const Size& s : sizes) {
        SCOPED_TRACE(s.name);
        window->resize(s.window);
        QCoreApplication::sendPostedEvents();
        EXPECT_GT(monitor().textPixelSize(), lastText);
        EXPECT_GT(monitor().cellPixelSize(), lastCell);
        lastText = monitor().textPixelSize();
        lastCell = monitor().cellPixelSize();
        for (const QLabel* l : monitor().findChildren<QLabel*>()) {
            if (!l->isVisibleTo(&monitor()) || l->text().isEmpty()) continue;
            EXPECT_GE(l->width(), qCeil(QFontMetricsF(l->font()).horizontalAdvance(l->text())))
                << l->objectName().toStdString() << " " << l->text().toStdString();
            EXPECT_TRUE(monitor().rect().contains(QRect(l->mapTo(&monitor(), QPoint(0, 0)), l->size())))
                << l->text().toStdString();
        }
        const auto* grid = monitor().findChild<QWidget*>(QStringLiteral("cycleGrid"));
        ASSERT_NE(grid, nullptr);
        QFont cellFont = grid->font();
        cellFont.setPixelSize(monitor().cellPixelSize());
        const QFontMetricsF metrics(cellFont);
        const double cellW = monitor().cellWidth();
        EXPECT_NEAR(cellW * 18, grid->width() * 0.9, grid->width() * 0.1);  // the cells take the width
        for (int band = 0; band < beacons::kBandCount; ++band)
            for (int column = 0; column < beacons::kSlotsPerCycle; ++column)
                for (const QString& line : monitor().cellText(column, band).split(QLatin1Char('\n')))
                    EXPECT_LE(metrics.horizontalAdvance(line), cellW) << line.toStdString();
    }
    EXPECT_GE(lastText, 2 * 11);  // at 1920 x 1080 at least twice the classic size
}

// While listening each band says how many beacons it brought in the eighteen
// slots before this one; results older than that, not heard, or of the slot
// on the air do not count. The lines go with listening.
TEST_F(MonitorGlance, EachBandCountsTheBeaconsHeardInTheLastCycle) {
    start(noonMs(3, 0));  // a new cycle begins: the last one is 12:00:00..12:02:59
    for (int band = 0; band < beacons::kBandCount; ++band) EXPECT_TRUE(monitor().heardCountText(band).isEmpty());
    window->listenMenu().setSourceFactory(
        [](const listen::ListenSettings&) { return std::make_unique<QuietSource>(); });
    window->listenMenu().listenItem()->trigger();
    ASSERT_TRUE(window->listenMenu().listening());
    for (int band = 0; band < beacons::kBandCount; ++band)
        EXPECT_EQ(monitor().heardCountText(band), QStringLiteral("heard in the last cycle: 0 of 18"));

    struct Row {
        const char* name;
        UtcMs periodStartMs;
        int band, beacon, dashes;
    };
    const Row rows[] = {
        {"FirstSlotOfTheCycle", noonMs(0, 0), 0, 0, 2},
        {"LastSlotOfTheCycle", noonMs(2, 50), 0, 17, 1},
        {"NotHeard", noonMs(1, 0), 0, 6, 0},
        {"TheCycleBefore", noonMs(-1, 0), 0, 12, 4},
        {"TheSlotOnTheAir", noonMs(3, 0), 0, 3, 4},
        {"AnotherBand", noonMs(1, 0), 3, 9, 3},
    };
    listen::HeardTable heard;
    for (const Row& r : rows) heard.add(result(r.periodStartMs, r.band, r.beacon, r.dashes));
    monitor().setHeard(heard);
    EXPECT_EQ(monitor().heardCountText(0), QStringLiteral("heard in the last cycle: 2 of 18"));
    EXPECT_EQ(monitor().heardCountText(3), QStringLiteral("heard in the last cycle: 1 of 18"));
    EXPECT_EQ(monitor().heardCountText(1), QStringLiteral("heard in the last cycle: 0 of 18"));
    // A slot later the cycle's first slot has left the window and the slot
    // that was on the air has come in; a cycle after that only it is left.
    clock.set(noonMs(3, 10));
    window->UpdateBeaconSlot(false);
    EXPECT_EQ(monitor().heardCountText(0), QStringLiteral("heard in the last cycle: 2 of 18"));
    clock.set(noonMs(6, 0));
    window->UpdateBeaconSlot(false);
    monitor().secondTimer()->stop();
    EXPECT_EQ(monitor().heardCountText(0), QStringLiteral("heard in the last cycle: 1 of 18"));

    window->listenMenu().listenItem()->trigger();  // off
    EXPECT_FALSE(window->listenMenu().listening());
    for (int band = 0; band < beacons::kBandCount; ++band) EXPECT_TRUE(monitor().heardCountText(band).isEmpty());
}
