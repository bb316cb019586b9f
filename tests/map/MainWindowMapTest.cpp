// The grey-line map inside the main window, on an injected clock: the first
// tick draws the terminator, quiet ticks draw nothing, the darkness level
// re-renders at once, the calendar's moment is held, resizes rebuild.
#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QFontMetrics>
#include <QFontMetricsF>
#include <QLabel>
#include <QResizeEvent>
#include <QTimer>
#include <array>
#include <cmath>
#include <memory>

#include <QGuiApplication>
#include <QScreen>
#include <QStatusBar>
#include <QTabBar>
#include <QTabWidget>
#include <QSignalSpy>
#include <QTest>

#include "app/Orvane_maina.h"
#include "app/StationHint.h"
#include "app/widgets/RadioGroup.h"
#include "map/SunTimes.h"
#include "app/panels/MapPanel.h"
#include "app/panels/TimeServicePanel.h"
#include "app/widgets/HintPanel.h"
#include "app/widgets/MapImage.h"
#include "beacons/Stations.h"
#include "common/FakeClock.h"
#include "common/IniFile.h"
#include "map/MapPictures.h"
#include "support/MainWindowFixture.h"
#include "support/TempDir.h"

using namespace orvane;
using namespace orvane::app;

namespace {

constexpr UtcMoment kJuneNoon = 1782043200;  // 2026-06-21 12:00:00 UTC

class MainWindowMap : public MainWindowFixture {
protected:
    void start(UtcMoment now = kJuneNoon, bool mono = false) {
        if (mono) {
            IniFile ini(AppPaths::inDirectory(dir.path()).iniFileName());
            ini.writeBool(QString::fromLatin1(MainSettings::kSection), QStringLiteral("MonoMap"), true);
        }
        startWindowAt(now * 1000);
    }
    void tickAt(UtcMoment t) {
        clock.set(t * 1000);
        window->Timer1Timer(window->tickTimer());
    }
    const QImage& shown() const { return window->mapPanel().imageDisplay()->image(); }
    const map::TerminatorState& state() const { return window->mapPanel().greyLine().state(); }
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

    window->show();
    window->resize(800, 500);
    const QSize map = window->mapPanel().mapRect().size();
    ASSERT_GT(map.width(), 480);
    EXPECT_EQ(state().NoonColumn, -1);
    EXPECT_EQ(shown(), window->mapPanel().mapPictures().litMap());  // unshaded until the next tick
    tickAt(kJuneNoon + 1);
    const int pixels = qRound(map.width() * window->mapPanel().imageDisplay()->devicePixelRatioF());
    EXPECT_EQ(state().Width, pixels);
    EXPECT_EQ(state().NoonColumn, map::SunAt(kJuneNoon + 1).noonColumn(pixels));
}

// A new size is drawn at once from the classic picture; the fine relief,
// decoded on a worker, replaces it as soon as it is there, at the size the
// window has then, without resetting the grey line.
TEST_F(MainWindowMap, ABiggerWindowShowsTheMapAtOnceAndTheFineReliefFollows) {
    start();
    window->show();
    window->mapPanel().setWindowShown();
    tickAt(kJuneNoon);
    QSignalSpy fine(&window->mapPanel(), &MapPanel::fineMapShown);
    window->resize(1280, 800);
    const auto& pictures = window->mapPanel().mapPictures();
    ASSERT_TRUE(pictures.litIsStandIn());
    const QSize first = pictures.size();
    EXPECT_EQ(shown().size(), first);
    window->resize(1300, 810);  // a second size while the decode runs
    const double dpr = window->mapPanel().imageDisplay()->devicePixelRatioF();
    const QSize pixels(qRound(window->mapPanel().mapRect().width() * dpr),
                       qRound(window->mapPanel().mapRect().height() * dpr));
    ASSERT_NE(pixels, first);
    tickAt(kJuneNoon + 1);
    const int column = state().NoonColumn;
    ASSERT_GE(column, 0);

    ASSERT_TRUE(fine.count() > 0 || fine.wait(30'000));
    EXPECT_FALSE(pictures.litIsStandIn());
    EXPECT_EQ(pictures.size(), pixels);
    const QImage expected = map::StretchMap(map::MapPictures::LoadFinePicture(map::MapPictures::Source::Relief), pixels);
    EXPECT_EQ(pictures.litMap(), expected);
    EXPECT_EQ(state().NoonColumn, column);  // the same grey line, over the fine relief
    EXPECT_NE(shown(), pictures.litMap());   // shaded, not reset to the bare map
}

// A bigger map shows the stand-in and leaves the fine relief alone until the
// map has reached the screen (at start, until the window has painted it; here,
// with another tab in front, until the Map tab is chosen): the decode does not
// compete with the window's own start.
TEST_F(MainWindowMap, TheFineReliefIsDecodedOnlyOnceTheMapIsOnTheScreen) {
    start();
    window->tabs()->setCurrentIndex(1);
    window->show();
    window->mapPanel().setWindowShown();
    QSignalSpy fine(&window->mapPanel(), &MapPanel::fineMapShown);
    window->resize(1280, 800);
    QCoreApplication::processEvents();
    EXPECT_FALSE(window->mapPanel().decodingFineMap());

    window->tabs()->setCurrentIndex(0);  // laid out at the new size at once, painted by the event loop
    ASSERT_TRUE(window->mapPanel().mapPictures().litIsStandIn());
    EXPECT_FALSE(window->mapPanel().decodingFineMap());
    EXPECT_EQ(fine.count(), 0);
    ASSERT_TRUE(fine.count() > 0 || fine.wait(30'000));
    EXPECT_FALSE(window->mapPanel().mapPictures().litIsStandIn());
}

// At every window size the map keeps 2:1 inside its panel with the band
// choice below it, is drawn at its own size in device pixels, and every
// beacon label's caret corner lies on its site scaled from the design's
// 480 x 240, to a pixel. The lit map is resampled once per size, never per
// tick. Also run with QT_SCALE_FACTOR=2 (ctest entry map_window_hidpi).
TEST_F(MainWindowMap, ResizeKeepsLabelsOnTheirSites) {
    start();
    window->show();
    window->mapPanel().setWindowShown();
    struct Case {
        const char* name;
        QSize window;
    };
    const Case cases[] = {
        {"Classic", window->minimumSize()}, {"Wider", QSize(800, 500)},   {"Large", QSize(1280, 800)},
        {"FullHd", QSize(1920, 1080)},      {"Tall", QSize(700, 1000)},   {"Wide", QSize(2000, 600)},
        {"BelowMinimum", QSize(300, 200)},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        window->resize(c.window);
        const int resamples = window->mapPanel().mapPictures().resampleCount();
        const QRect map = window->mapPanel().mapRect();
        const QRect panel = window->mapPanel().rect();
        EXPECT_EQ(map.width(), 2 * map.height());
        EXPECT_GE(map.width(), 480);
        EXPECT_TRUE(panel.contains(map));
        const RadioGroup* group = window->mapPanel().frequencyGroup();
        const QRect bands(group->mapTo(&window->mapPanel(), QPoint(0, 0)), group->size());
        EXPECT_TRUE(window->mapPanel().frequencyGroup()->isVisibleTo(window.get()));
        EXPECT_TRUE(panel.contains(bands));
        EXPECT_FALSE(bands.intersects(map));
        const double dpr = window->mapPanel().imageDisplay()->devicePixelRatioF();
        const QSize pixels(qRound(map.width() * dpr), qRound(map.height() * dpr));
        EXPECT_EQ(window->mapPanel().mapPictures().size(), pixels);
        const double scale = map.width() / 480.0;
        for (int i = 0; i < beacons::kBeaconListCount; ++i) {
            const QLabel* label = window->mapPanel().slotLabel(i);
            const beacons::Station& st = beacons::kStations[static_cast<std::size_t>(i)];
            const bool caretLeft = st.labelCaption.front() == '^';
            const int corner = caretLeft ? label->x() : label->x() + label->width();
            EXPECT_NEAR(corner, (caretLeft ? st.left : st.left + st.width) * scale, 1.0) << label->text().toStdString();
            EXPECT_NEAR(label->y(), st.top * scale, 1.0) << label->text().toStdString();
        }
        for (int tick = 0; tick < 5; ++tick) tickAt(kJuneNoon + tick * 300);
        QResizeEvent same(window->size(), window->size());
        QCoreApplication::sendEvent(window.get(), &same);
        EXPECT_EQ(window->mapPanel().mapPictures().resampleCount(), resamples);
        EXPECT_EQ(state().Width, pixels.width());
    }
    EXPECT_EQ(window->size(), window->minimumSize());  // the classic size is the least
}

// The map alone fills the window; Esc brings back the tabs, the time
// panel, the band choice and the status bar.
TEST_F(MainWindowMap, MapOnlyViewAndEscapeReturns) {
    start();
    window->show();
    window->mapPanel().setWindowShown();
    window->resize(1000, 700);
    const QRect normalMap = window->mapPanel().mapRect();
    window->tabs()->setCurrentIndex(3);
    window->SetMapOnly(true);
    EXPECT_EQ(window->tabs()->currentIndex(), 0);
    EXPECT_FALSE(window->tabs()->tabBar()->isVisible());
    EXPECT_FALSE(window->statusBar()->isVisible());
    EXPECT_FALSE(window->mapPanel().frequencyGroup()->isVisible());
    const QRect onlyMap = window->mapPanel().mapRect();
    EXPECT_GT(onlyMap.width(), normalMap.width());
    EXPECT_EQ(onlyMap.width(), 2 * onlyMap.height());
    const double dpr = window->mapPanel().imageDisplay()->devicePixelRatioF();
    EXPECT_EQ(window->mapPanel().mapPictures().size(), QSize(qRound(onlyMap.width() * dpr), qRound(onlyMap.height() * dpr)));

    window->activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(window.get()));
    QTest::keyClick(window.get(), Qt::Key_Escape);
    EXPECT_FALSE(window->mapOnly());
    EXPECT_TRUE(window->tabs()->tabBar()->isVisible());
    EXPECT_TRUE(window->statusBar()->isVisible());
    EXPECT_TRUE(window->mapPanel().frequencyGroup()->isVisible());
    EXPECT_EQ(window->mapPanel().mapRect(), normalMap);

    window->SetFullScreen(true);
    EXPECT_TRUE(window->isFullScreen());
    QTest::keyClick(window.get(), Qt::Key_Escape);
    EXPECT_FALSE(window->isFullScreen());
}

// Width and Height are saved with Left and Top and give the next start its
// size, no larger than the screen.
TEST_F(MainWindowMap, SizeIsSavedAndRestored) {
    start();
    window->show();
    window->resize(760, 520);  // within the offscreen screen's 800 x 600
    window->close();
    IniFile ini(AppPaths::inDirectory(dir.path()).iniFileName());
    const QString section = QString::fromLatin1(MainSettings::kSection);
    EXPECT_EQ(ini.readInteger(section, QStringLiteral("Width"), 0), 760);
    EXPECT_EQ(ini.readInteger(section, QStringLiteral("Height"), 0), 520);
    start();
    EXPECT_EQ(window->size(), QSize(760, 520));
    window.reset();

    ini.writeInteger(section, QStringLiteral("Width"), 5000);
    ini.writeInteger(section, QStringLiteral("Height"), 4000);
    start();
    const QSize screen = QGuiApplication::primaryScreen()->availableGeometry().size();
    EXPECT_LE(window->width(), screen.width());
    EXPECT_LE(window->height(), screen.height());
}

// With twilight the picture is the graded one of the terminator's tables.
TEST_F(MainWindowMap, TwilightShowsTheGradedPicture) {
    start();
    window->mapPanel().SetTwilight(true);
    tickAt(kJuneNoon + 1000);
    const map::GreyLine& line = window->mapPanel().greyLine();
    QImage expected;
    map::RenderTwilightMap(window->mapPanel().mapPictures().litMap(), line.twilight(), line.state().NoonColumn,
                           window->mapPanel().nightShade(), expected);
    EXPECT_EQ(shown(), expected);
    window->mapPanel().SetTwilight(false);
    QImage classic;
    map::RenderShadedMap(window->mapPanel().mapPictures().litMap(), line.mask(), window->mapPanel().nightShade(),
                         classic);
    EXPECT_EQ(shown(), classic);
}

// The station's marker sits on its locator's place at any size, and its
// hint gives the displayed day's sunrise and sunset in UTC and local time.
TEST_F(MainWindowMap, StationMarkerOnItsSiteWithSunTimesInItsHint) {
    start();
    window->show();
    window->mapPanel().setWindowShown();
    window->mapPanel().setLocalZone([](UtcMoment) { return LocalZone{7200, "CEST"}; });
    ASSERT_TRUE(window->mapPanel().SetStation(QStringLiteral("JO22")));  // 5 E, 52.5 N
    tickAt(kJuneNoon + 1);
    const QWidget* marker = window->mapPanel().stationMarker();
    EXPECT_TRUE(marker->isVisible());
    // June 21 2026 at 5 E, 52.5 N: sunrise 03:17 UTC, sunset 20:05 UTC to a
    // few minutes (the almanac rule of the tests in map_tests); the hint
    // carries the computed times to the minute.
    const map::SunTimes times = map::SunTimesOn(5.0, 52.5, kJuneNoon);
    ASSERT_TRUE(times.rise && times.set);
    EXPECT_NEAR(static_cast<double>(*times.rise - (kJuneNoon - 12 * 3600 + 3 * 3600 + 17 * 60)), 0.0, 300.0);
    EXPECT_EQ(marker->toolTip().toStdString(), stationHint("JO22", times, [](UtcMoment) { return LocalZone{7200, "CEST"}; }));
    EXPECT_TRUE(marker->toolTip().startsWith(QStringLiteral("Station JO22: sunrise 0")));
    EXPECT_TRUE(marker->toolTip().contains(QStringLiteral(" CEST)")));
    for (QSize size : {window->minimumSize(), QSize(1500, 900)}) {
        window->resize(size);
        const QSize map = window->mapPanel().mapRect().size();
        const QPoint centre = marker->geometry().center();
        EXPECT_NEAR(centre.x(), (5.0 + 180.0) / 360.0 * map.width(), 1.0) << size.width();
        EXPECT_NEAR(centre.y(), (90.0 - 52.5) / 180.0 * map.height(), 1.0) << size.width();
    }
}

// Hints in the one-line status bar: a two-line hint (a label's site, then
// its bearings) reads as one line; one too long for the panel, such as the
// station marker's sunrise and sunset in the least window, is cut with "…"
// inside the window and pops up whole from the panel.
TEST_F(MainWindowMap, StatusBarHintsStayOnOneLineInsideTheWindow) {
    start();
    window->show();
    window->mapPanel().setWindowShown();
    window->mapPanel().setLocalZone([](UtcMoment) { return LocalZone{32400, "JST"}; });
    ASSERT_TRUE(window->mapPanel().SetStation(QStringLiteral("PM95vq")));  // Tokyo, near the map's east edge
    tickAt(kJuneNoon + 1);
    QCoreApplication::processEvents();
    const QString labelHint = window->mapPanel().slotLabel(0)->statusTip();
    ASSERT_TRUE(labelHint.contains(QLatin1Char('\n'))) << labelHint.toStdString();
    struct Case {
        const char* name;
        QString hint;
    };
    const Case cases[] = {
        {"TwoLineLabelHint", labelHint},
        {"StationMarker", window->mapPanel().stationMarker()->statusTip()},
        {"FarTooLong", QStringLiteral("Very long hint ").repeated(40)},
        {"Short", QStringLiteral("Right click for menu")},
    };
    const HintPanel& panel = window->hintPanel();
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        window->ShowAppHint(c.hint);
        EXPECT_EQ(window->size(), window->minimumSize());  // a long hint never widens the window
        const QString shown = panel.text();
        EXPECT_FALSE(shown.contains(QLatin1Char('\n')));
        EXPECT_EQ(window->statusPanelText(1), HintPanel::joinLines(c.hint));
        EXPECT_LE(QFontMetrics(panel.font()).horizontalAdvance(shown), panel.contentsRect().width());
        EXPECT_LE(panel.mapTo(window.get(), panel.contentsRect().bottomRight()).x(), window->width());
        if (shown == window->statusPanelText(1)) {
            EXPECT_TRUE(panel.toolTip().isEmpty());
        } else {
            EXPECT_TRUE(shown.endsWith(QChar(0x2026))) << shown.toStdString();
            EXPECT_EQ(panel.toolTip(), c.hint);
        }
    }
    // The lines of a label's hint are joined, not run together.
    EXPECT_TRUE(HintPanel::joinLines(labelHint).startsWith(QStringLiteral("1  United Nations NY · Short path ")))
        << HintPanel::joinLines(labelHint).toStdString();
    window->ShowAppHint(QStringLiteral("Very long hint ").repeated(40));
    EXPECT_NE(panel.text(), window->statusPanelText(1));  // cut in any font at this width
}

TEST_F(MainWindowMap, MonoMapDrawsTheCoastlines) {
    start(kJuneNoon, true);
    EXPECT_EQ(window->mapPanel().mapPictures().source(), map::MapPictures::Source::Outline);
    EXPECT_EQ(shown().pixel(240, 120) & 0xFFFFFFu, 0xFFFFFFu);  // white paper by day (mid-Atlantic, no coast)
}

// Run with QT_SCALE_FACTOR=2 (ctest entry map_window_hidpi): the map is
// drawn in device pixels from the fine relief, while the control and the
// beacon labels keep their logical places on the 480 x 240 panel.
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

// Every label holds its call in bold, the look of the current beacon, in
// each of its states: at rest, current, framed as heard, and both; the text
// is measured with the label's own font, and the room is what the label
// leaves inside its margins, frame and indent. The caret's side stays where
// the design puts it. Also run with QT_SCALE_FACTOR=1.5 (ctest entry
// map_window_labels_scaled).
TEST_F(MainWindowMap, BeaconLabelsHoldTheirCallInBoldAndKeepTheirSite) {
    start();
    struct State {
        const char* name;
        bool current;
        bool heard;
    };
    const State states[] = {{"AtRest", false, false}, {"Current", true, false}, {"Heard", false, true},
                            {"CurrentAndHeard", true, true}};
    MapPanel& panel = window->mapPanel();
    for (const State& state : states) {
        SCOPED_TRACE(state.name);
        std::array<bool, beacons::kBeaconListCount> heard{};
        heard.fill(state.heard);
        panel.MarkHeardBeacons(heard);
        for (int i = 0; i < beacons::kBeaconListCount; ++i) {
            if (state.current) panel.ShowCurrentBeacon(i, true);
            const QLabel* label = panel.slotLabel(i);
            const beacons::Station& st = beacons::kStations[static_cast<std::size_t>(i)];
            SCOPED_TRACE(label->text().toStdString());
            EXPECT_EQ(panel.beaconMarkedHeard(i), state.heard);
            if (state.current) {
                EXPECT_TRUE(label->font().bold());
            }
            QFont bold = label->font();
            bold.setBold(true);
            const QFontMetricsF metrics(bold);
            // A label with a frame indents its text by half an "x" unless
            // its indent is set.
            const int indent = label->indent() >= 0 ? label->indent()
                               : label->frameWidth() > 0 ? QFontMetrics(label->font()).horizontalAdvance(QLatin1Char('x')) / 2
                                                         : 0;
            const QRect room = label->contentsRect();
            EXPECT_GE(room.width() - indent, static_cast<int>(std::ceil(metrics.horizontalAdvance(label->text()))));
            EXPECT_GE(room.height(), static_cast<int>(std::ceil(metrics.height())));
            if (st.labelCaption.front() == '^') {
                EXPECT_EQ(label->x(), st.left);
            } else {
                EXPECT_EQ(label->x() + label->width(), st.left + st.width);
            }
            EXPECT_EQ(label->y(), st.top);
        }
    }
}
