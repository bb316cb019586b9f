// The space-weather strip on the Map and Monitor tabs and its page in the
// main window, at the classic size, offscreen.
#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QLabel>
#include <QMouseEvent>
#include <QTabWidget>

#include <memory>

#include "app/Orvane_maina.h"
#include "app/panels/MapPanel.h"
#include "common/FakeClock.h"
#include "spaceweather/SpaceWeatherState.h"
#include "spaceweather/ui/SpaceWeatherDisplay.h"
#include "spaceweather/ui/SpaceWeatherStrip.h"
#include "common/MessageService.h"
#include "support/TempDir.h"

using namespace orvane;
using namespace orvane::app;
using orvane::spaceweather::Figure;
using orvane::spaceweather::SpaceWeatherStrip;

namespace {

TEST(SpaceWeatherWindowTest, StripsFitTheClassicSizeAndAClickOpensThePage) {
    TempDir dir;
    const QString previous = QDir::currentPath();
    QDir::setCurrent(dir.path());
    QFile::copy(QStringLiteral(ORVANE_SPACEWX_TEST_DIR "/data/storm/wwv.txt"), dir.file(QStringLiteral("wwv.txt")));
    {
        FakeClock clock(daysFromCivil(2026, 9, 22) * 86400000LL + (6 * 60 + 30) * 60000LL);
        RecordingMessageService messages;
        TfrmTabbedOrvane window(clock, messages, nullptr, AppPaths::inDirectory(dir.path()));
        window.resize(window.minimumSize());
        window.show();
        QCoreApplication::processEvents();

        const QList<SpaceWeatherStrip*> strips = window.findChildren<SpaceWeatherStrip*>();
        ASSERT_GE(strips.size(), 2);
        QTabWidget* tabs = window.tabs();
        SpaceWeatherStrip* onMap = nullptr;
        for (int tab : {0, 1}) {
            tabs->setCurrentIndex(tab);
            QCoreApplication::processEvents();
            SpaceWeatherStrip* strip = nullptr;
            for (SpaceWeatherStrip* s : strips)
                if (s->isVisible() && tabs->widget(tab)->isAncestorOf(s)) strip = s;
            ASSERT_NE(strip, nullptr) << "tab " << tab;
            const QRect page = tabs->widget(tab)->rect();
            const QRect area(strip->mapTo(tabs->widget(tab), QPoint(0, 0)), strip->size());
            ASSERT_FALSE(area.isEmpty());
            EXPECT_TRUE(page.contains(area)) << "tab " << tab;
            if (tab == 0) {
                onMap = strip;
                // The map keeps its room and the strip lies below it, not over it.
                MapPanel& map = window.mapPanel();
                EXPECT_GE(map.height(), map.minimumHeight());
                EXPECT_LE(map.mapTo(tabs->widget(0), QPoint(0, map.height())).y(), area.top());
            }
            EXPECT_GE(strip->height(), strip->minimumSizeHint().height()) << "tab " << tab;
            EXPECT_EQ(strip->figureText(Figure::K), QStringLiteral("8.67"));
            EXPECT_EQ(strip->figureText(Figure::G), QStringLiteral("G4"));
        }
        const int page = tabs->indexOf(tabs->findChild<QWidget*>(QStringLiteral("spaceWeatherPage")));
        ASSERT_GT(page, 0);
        EXPECT_EQ(tabs->tabText(page), QStringLiteral("Space Weather"));
        tabs->setCurrentIndex(0);
        QLabel* g = onMap->findChildren<QLabel*>().at(static_cast<int>(Figure::G));
        QMouseEvent release(QEvent::MouseButtonRelease, QPointF(2, 2), g->mapToGlobal(QPointF(2, 2)), Qt::LeftButton,
                            Qt::NoButton, Qt::NoModifier);
        QCoreApplication::sendEvent(g, &release);
        EXPECT_EQ(tabs->currentIndex(), page);
    }
    QDir::setCurrent(previous);
}

}  // namespace
