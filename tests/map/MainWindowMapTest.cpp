// The grey-line map inside the main window, on an injected clock: the first
// tick draws the terminator, quiet ticks draw nothing, the darkness level
// re-renders at once, the calendar's moment is held, resizes rebuild.
#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QFontMetricsF>
#include <QLabel>
#include <QResizeEvent>
#include <QTimer>
#include <cmath>
#include <memory>

#include "app/Orvane_maina.h"
#include "app/panels/MapPanel.h"
#include "app/panels/TimeServicePanel.h"
#include "app/widgets/MapImage.h"
#include "beacons/Stations.h"
#include "common/FakeClock.h"
#include "common/IniFile.h"
#include "map/MapPictures.h"
#include "support/TempDir.h"

using namespace orvane;
using namespace orvane::app;

namespace {

constexpr UtcMoment kJuneNoon = 1782043200;  // 2026-06-21 12:00:00 UTC

class MainWindowMap : public ::testing::Test {
protected:
    void start(UtcMoment now = kJuneNoon, bool mono = false) {
        if (mono) {
            IniFile ini(AppPaths::inDirectory(dir.path()).iniFileName());
            ini.writeBool(QString::fromLatin1(MainSettings::kSection), QStringLiteral("MonoMap"), true);
        }
        clock.set(now * 1000);
        window = std::make_unique<TfrmTabbedOrvane>(clock, messages, nullptr, AppPaths::inDirectory(dir.path()));
        window->tickTimer()->stop();
        window->slotTimer()->stop();
    }
    void tickAt(UtcMoment t) {
        clock.set(t * 1000);
        window->Timer1Timer(window->tickTimer());
    }
    const QImage& shown() const { return window->mapPanel().imageDisplay()->image(); }
    const map::TerminatorState& state() const { return window->mapPanel().greyLine().state(); }

    TempDir dir;
    FakeClock clock;
    RecordingMessageService messages;
    std::unique_ptr<TfrmTabbedOrvane> window;
};

}  // namespace

TEST_F(MainWindowMap, StartUpDrawsTheTerminatorOnTheFirstTick) {
    start();
    EXPECT_EQ(state().NoonColumn, map::SunAt(kJuneNoon).noonColumn(480));
    EXPECT_EQ(shown().size(), QSize(480, 240));
    EXPECT_EQ(window->mapPanel().mapPictures().source(), map::MapPictures::Source::Relief);
    const QImage& lit = window->mapPanel().mapPictures().litMap();
    EXPECT_EQ(shown().pixel(240, 120), lit.pixel(240, 120));  // noon over Greenwich
    EXPECT_NE(shown().pixel(10, 230), lit.pixel(10, 230));    // polar night
}

TEST_F(MainWindowMap, QuietTicksDrawNothingAndTheColumnMovesEveryThreeMinutes) {
    start();
    const qint64 key = shown().cacheKey();
    const int column = state().NoonColumn;
    UtcMoment t = kJuneNoon;
    while (map::SunAt(t + 1).noonColumn(480) == column) tickAt(++t);
    EXPECT_EQ(shown().cacheKey(), key);
    tickAt(++t);
    EXPECT_NE(shown().cacheKey(), key);
    EXPECT_EQ(state().NoonColumn, column - 1);
    EXPECT_EQ(window->mapPanel().displayTime(), t);
}

TEST_F(MainWindowMap, DarknessLevelRendersAtOnceWithoutTouchingTheTerminator) {
    start();
    const auto last = state().LastProjection;
    window->mapPanel().SetNightShade(4);
    EXPECT_EQ(window->mapPanel().nightShade(), 4);
    EXPECT_EQ(shown().pixel(0, 120), 0xFF000000u);  // Level 5: even pixels of the night side black
    EXPECT_EQ(state().LastProjection, last);
    window->mapPanel().SetNightShade(0);
    EXPECT_EQ(shown().pixel(1, 120), window->mapPanel().mapPictures().litMap().pixel(1, 120));  // Level 1 keeps odd pixels
}

TEST_F(MainWindowMap, CalendarMomentIsHeldAndAnimationSteps) {
    start();
    window->mapPanel().setBrowsingCalendar(true);
    const UtcMoment chosen = 891216000;  // 1998-03-30 00:00 UTC
    window->SetDisplayTime(chosen);
    EXPECT_EQ(window->mapPanel().displayTime(), chosen);
    EXPECT_EQ(state().NoonColumn, map::SunAt(chosen).noonColumn(480));
    EXPECT_EQ(window->timePanel().utcLabel()->text(), QStringLiteral("00:00:00, Mon 30 Mar 1998"));
    tickAt(kJuneNoon + 5);
    EXPECT_EQ(window->mapPanel().displayTime(), chosen);
    window->mapPanel().setBrowsingCalendar(false);

    EXPECT_TRUE(window->mapPanel().ToggleTerminatorFlag(map::TerminatorState::FlagAnimate));
    tickAt(kJuneNoon + 6);
    EXPECT_EQ(window->mapPanel().displayTime(), chosen + 180);
    EXPECT_FALSE(window->mapPanel().ToggleTerminatorFlag(map::TerminatorState::FlagAnimate));
    tickAt(kJuneNoon + 7);
    EXPECT_EQ(window->mapPanel().displayTime(), kJuneNoon + 7);
    EXPECT_EQ(state().LastProjection, kJuneNoon + 7);  // back on the clock: the shape is projected afresh
}

TEST_F(MainWindowMap, ResizeRebuildsAndResetsOnlyOnANewSize) {
    start();
    QResizeEvent same(window->size(), window->size());
    QCoreApplication::sendEvent(window.get(), &same);  // the first notice only marks the window as shown
    ASSERT_TRUE(window->mapPanel().windowShown());
    const int column = state().NoonColumn;
    QCoreApplication::sendEvent(window.get(), &same);
    EXPECT_EQ(state().NoonColumn, column);

    window->mapPanel().imageDisplay()->resize(600, 300);
    QCoreApplication::sendEvent(window.get(), &same);
    EXPECT_EQ(state().NoonColumn, -1);
    EXPECT_EQ(shown(), window->mapPanel().mapPictures().litMap());  // unshaded until the next tick
    tickAt(kJuneNoon + 1);
    EXPECT_EQ(state().Width, 600);
    EXPECT_EQ(state().NoonColumn, map::SunAt(kJuneNoon + 1).noonColumn(600));
}

TEST_F(MainWindowMap, MonoMapDrawsTheCoastlines) {
    start(kJuneNoon, true);
    EXPECT_EQ(window->mapPanel().mapPictures().source(), map::MapPictures::Source::Outline);
    EXPECT_EQ(shown().pixel(240, 120) & 0xFFFFFFu, 0xFFFFFFu);  // white paper by day (mid-Atlantic, no coast)
}

// Run with QT_SCALE_FACTOR=2 (ctest entry map_window_hidpi): the map is
// drawn in device pixels through the 640 x 320 detour, while the control and
// the beacon labels keep their logical places on the 480 x 240 panel.
TEST_F(MainWindowMap, HighDpiMapIsResampledAndLabelsKeepTheirSites) {
    start();
    const double scale = window->mapPanel().imageDisplay()->devicePixelRatioF();
    if (scale == 1.0) GTEST_SKIP() << "needs QT_SCALE_FACTOR=2";
    EXPECT_EQ(window->mapPanel().imageDisplay()->size(), QSize(480, 240));
    EXPECT_EQ(window->mapPanel().mapPictures().size(), QSize(qRound(480 * scale), qRound(240 * scale)));
    EXPECT_EQ(shown().devicePixelRatio(), scale);
    EXPECT_EQ(state().Width, qRound(480 * scale));
    for (int i = 0; i < beacons::kBeaconListCount; ++i) {
        const QLabel* label = window->mapPanel().slotLabel(i);
        ASSERT_NE(label, nullptr);
        EXPECT_TRUE(QRect(0, 0, 480, 240).intersects(label->geometry())) << label->text().toStdString();
        EXPECT_EQ(label->parentWidget(), window->mapPanel().imageDisplay()->parentWidget());
    }
    // Places of the relief at the same logical position as at 96 pixels per inch.
    const QImage earth = map::LoadEarthBitmap();
    const QImage& lit = window->mapPanel().mapPictures().litMap();
    for (auto [x, y] : {std::pair{337, 90}, {40, 120}, {420, 153}}) {
        const QColor a = earth.pixelColor(x, y);
        const QColor b = lit.pixelColor(qRound((x + 0.5) * scale), qRound((y + 0.5) * scale));
        EXPECT_NEAR(a.red(), b.red(), 50) << x;
        EXPECT_NEAR(a.blue(), b.blue(), 50) << x;
    }
}

// Every label is wide enough for its call in bold, the look of the current
// beacon, and keeps its site: the caret's side stays where the design puts
// it. Also run with QT_SCALE_FACTOR=1.5 (ctest entry map_window_labels_scaled).
TEST_F(MainWindowMap, BeaconLabelsHoldTheirCallInBoldAndKeepTheirSite) {
    start();
    for (int i = 0; i < beacons::kBeaconListCount; ++i) {
        const QLabel* label = window->mapPanel().slotLabel(i);
        const beacons::Station& st = beacons::kStations[static_cast<std::size_t>(i)];
        SCOPED_TRACE(label->text().toStdString());
        QFont bold = label->font();
        bold.setBold(true);
        const double textWidth = QFontMetricsF(bold).horizontalAdvance(label->text());
        EXPECT_GE(label->contentsRect().width(), static_cast<int>(std::ceil(textWidth)));
        if (st.labelCaption.front() == '^') {
            EXPECT_EQ(label->x(), st.left);
        } else {
            EXPECT_EQ(label->x() + label->width(), st.left + st.width);
        }
        EXPECT_EQ(label->y(), st.top);
    }
}
