// The strip and the plots, offscreen.
#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QLabel>
#include <QMouseEvent>

#include "spaceweather/plot/SpaceWeatherPlots.h"
#include "spaceweather/ui/SpaceWeatherStrip.h"
#include "spaceweather/ui/SpaceWeatherView.h"

using namespace orvane;
using namespace orvane::spaceweather;

namespace {

UtcMoment at(int y, int mo, int d, int h = 0, int mi = 0) { return daysFromCivil(y, mo, d) * 86400 + h * 3600 + mi * 60; }

State day(const char* name, UtcMoment now) {
    return assemble(readProductsFrom(QStringLiteral(ORVANE_SPACEWX_TEST_DIR "/data/") + QLatin1String(name)), now);
}

TEST(SpaceWeatherStripTest, FiguresHintsAgesAndStaleMarks) {
    const UtcMoment now = at(2026, 9, 22, 6, 30);
    SpaceWeatherStrip strip;
    for (int i = 0; i < kFigureCount; ++i) EXPECT_EQ(strip.figureText(static_cast<Figure>(i)), QStringLiteral("-"));
    strip.show();
    strip.resize(640, 24);
    strip.setState(day("storm", now), now);
    EXPECT_EQ(strip.figureText(Figure::G), QStringLiteral("G4"));
    EXPECT_EQ(strip.figureText(Figure::Sfi), QStringLiteral("215"));
    const QString hint = strip.figureHint(Figure::K);
    EXPECT_TRUE(hint.contains(QStringLiteral("wwv.txt"))) << hint.toStdString();
    EXPECT_TRUE(hint.contains(QStringLiteral("2026-09-22 06:00 UTC"))) << hint.toStdString();
    EXPECT_FALSE(strip.figureStale(Figure::K));

    const auto labelText = [&](int i) { return strip.findChildren<QLabel*>().at(i)->text(); };
    EXPECT_FALSE(labelText(0).contains(QStringLiteral("<small>"))) << "no ages at the classic width";
    strip.resize(SpaceWeatherStrip::kWideWidth + 100, 24);
    EXPECT_TRUE(strip.wide());
    EXPECT_TRUE(labelText(0).contains(QStringLiteral("25m"))) << labelText(0).toStdString();

    // Offline for two days: the same values, greyed, with their ages.
    strip.resize(640, 24);
    const UtcMoment later = now + 2 * 86400;
    strip.setState(day("storm", now), later);
    EXPECT_EQ(strip.figureText(Figure::K), QStringLiteral("8.67"));
    EXPECT_TRUE(strip.figureStale(Figure::K));
    EXPECT_TRUE(labelText(3).contains(QStringLiteral("2d"))) << labelText(3).toStdString();
    EXPECT_TRUE(strip.figureHint(Figure::K).contains(QStringLiteral("Stale")));
}

TEST(SpaceWeatherStripTest, AClickNamesTheFigure) {
    SpaceWeatherStrip strip;
    strip.show();
    QList<Figure> clicked;
    QObject::connect(&strip, &SpaceWeatherStrip::figureClicked, [&](Figure f) { clicked << f; });
    QLabel* g = strip.findChildren<QLabel*>().at(static_cast<int>(Figure::G));
    QMouseEvent release(QEvent::MouseButtonRelease, QPointF(2, 2), g->mapToGlobal(QPointF(2, 2)), Qt::LeftButton,
                        Qt::NoButton, Qt::NoModifier);
    QCoreApplication::sendEvent(g, &release);
    ASSERT_EQ(clicked.size(), 1);
    EXPECT_EQ(clicked.first(), Figure::G);
}

// Pixels of one colour in a region of the image.
int count(const QImage& image, const QRect& region, QColor colour) {
    int n = 0;
    for (int y = region.top(); y <= region.bottom(); ++y)
        for (int x = region.left(); x <= region.right(); ++x)
            if (image.pixelColor(x, y) == colour) ++n;
    return n;
}

TEST(SpaceWeatherPlotTest, KpBarsTakeTheirGLevelColours) {
    const UtcMoment now = at(2026, 9, 22, 6, 30);
    const QImage quiet = renderPlots(day("quiet", now), now, QSize(800, 720));
    const QImage storm = renderPlots(day("storm", now), now, QSize(800, 720));
    const QRect kp(50, 30, 740, 180);
    const QColor g0(scaleColour(0)), g4(scaleColour(4)), g5(scaleColour(5));
    EXPECT_GT(count(quiet, kp, g0), 1000);
    EXPECT_EQ(count(quiet, kp, g4), 0);
    EXPECT_GT(count(storm, kp, g4), 100);
    EXPECT_GT(count(storm, kp, g5), 10);
    // The daily and X-ray plots draw something in their areas.
    EXPECT_GT(count(storm, QRect(50, 270, 740, 180), QColor(255, 150, 0)), 10);
}

TEST(SpaceWeatherPlotTest, TheViewPaintsWhatItWasGiven) {
    const UtcMoment now = at(2026, 9, 22, 6, 30);
    SpaceWeatherView view;
    view.resize(800, 760);
    view.setState(day("storm", now), now);
    const QImage shot = view.grab().toImage();
    EXPECT_GT(count(shot, QRect(0, 0, shot.width(), shot.height()), QColor(scaleColour(4))), 100);
    EXPECT_EQ(view.strip()->figureText(Figure::R), QStringLiteral("R3"));
}

}  // namespace
