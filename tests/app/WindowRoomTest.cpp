// The window uses the room it is given: the tabs fit the bar without
// scrolling, and the Beacons tab's lists fill the page with text that grows,
// from the classic size to a 4K screen. Widths are measured with the fonts
// actually used.
#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QDir>
#include <QFontMetrics>
#include <QListWidget>
#include <QScrollBar>
#include <QTabBar>
#include <QTabWidget>
#include <QTimer>
#include <memory>

#include "app/Orvane_maina.h"
#include "app/panels/BeaconListPanel.h"
#include "app/panels/MonitorPanel.h"
#include "app/widgets/RadioGroup.h"
#include "common/FakeClock.h"
#include "support/TempDir.h"

using namespace orvane;
using namespace orvane::app;

namespace {

class WindowRoom : public ::testing::Test {
protected:
    void SetUp() override {
        previousDir = QDir::currentPath();
        QDir::setCurrent(dir.path());
        clock.set((daysFromCivil(2026, 12, 10) * 86400 + 12 * 3600) * 1000);
        window = std::make_unique<TfrmTabbedOrvane>(clock, messages, nullptr, AppPaths::inDirectory(dir.path()));
        window->tickTimer()->stop();
        window->slotTimer()->stop();
        window->monitorPanel().secondTimer()->stop();
        window->show();
    }
    void TearDown() override {
        window.reset();
        QDir::setCurrent(previousDir);
    }
    void resizeTo(QSize size) {
        window->resize(size);
        QCoreApplication::sendPostedEvents();
    }

    struct Size {
        const char* name;
        QSize window;
    };
    std::vector<Size> sizes() const {
        return {{"Classic", window->minimumSize()}, {"FullHd", QSize(1920, 1080)}, {"Uhd", QSize(3840, 2160)}};
    }

    TempDir dir;
    FakeClock clock;
    RecordingMessageService messages;
    std::unique_ptr<TfrmTabbedOrvane> window;
    QString previousDir;
};

}  // namespace

TEST_F(WindowRoom, EveryTabCaptionFitsTheBarWithoutScrolling) {
    for (const Size& s : sizes()) {
        SCOPED_TRACE(s.name);
        resizeTo(s.window);
        QTabBar* bar = window->tabs()->tabBar();
        EXPECT_LE(bar->sizeHint().width(), window->tabs()->width());
        const QFontMetrics metrics(bar->font());
        int right = 0;
        for (int i = 0; i < bar->count(); ++i) {
            EXPECT_GE(bar->tabRect(i).width(), metrics.horizontalAdvance(bar->tabText(i))) << bar->tabText(i).toStdString();
            EXPECT_GE(bar->tabRect(i).left(), right);  // side by side, none hidden behind a scroll button
            right = bar->tabRect(i).right();
        }
        EXPECT_LE(right, bar->width());
        // With room enough the tabs keep the classic width.
        if (s.window.width() >= 1920) {
            for (int i = 0; i < bar->count(); ++i) EXPECT_GE(bar->tabRect(i).width(), 111 - 16);
        }
    }
}

TEST_F(WindowRoom, TheBeaconsTabFillsThePageAndItsTextGrows) {
    window->tabs()->setCurrentWidget(window->beaconList().parentWidget());
    BeaconListPanel& panel = window->beaconList();
    int lastPixels = 0;
    for (const Size& s : sizes()) {
        SCOPED_TRACE(s.name);
        resizeTo(s.window);
        const QWidget* page = panel.parentWidget();
        EXPECT_EQ(panel.size(), page->size());
        const QListWidget* list = panel.checkList();
        const QListWidget* bearings = panel.bearingList();
        const QWidget* bands = panel.frequencyGroup()->parentWidget();
        // Side by side across the page, down to the band choice, which sits
        // centred at the bottom.
        EXPECT_LT(list->geometry().right(), bearings->geometry().left());
        EXPECT_GE(bearings->geometry().right(), panel.width() - 16);
        EXPECT_LE(list->geometry().left(), 8);
        EXPECT_GE(list->geometry().bottom(), bands->geometry().top() - 16);
        EXPECT_LE(list->geometry().bottom(), bands->geometry().top());
        EXPECT_EQ(bands->geometry().bottom(), panel.height() - 1);
        EXPECT_NEAR(bands->geometry().center().x(), panel.width() / 2, 1);
        // Every line whole and all eighteen without scrolling.
        for (const QListWidget* l : {list, bearings}) {
            EXPECT_EQ(l->verticalScrollBar()->maximum(), 0);
            const QFontMetrics metrics(l->font());
            for (int i = 0; i < l->count(); ++i)
                EXPECT_LE(metrics.horizontalAdvance(l->item(i)->text()), l->viewport()->width())
                    << l->item(i)->text().toStdString();
        }
        // Larger than at the classic size; from full HD on as large as the
        // map's labels get.
        if (lastPixels == 0 || lastPixels == 12) {
            EXPECT_GT(panel.listPixelSize(), lastPixels);
        } else {
            EXPECT_GE(panel.listPixelSize(), lastPixels);
        }
        lastPixels = panel.listPixelSize();
    }
    // A window made large and small again is back at the classic size.
    EXPECT_EQ(window->minimumSize(), sizes().front().window);
    // Back at the smallest size: the design's text and at least the design's
    // lists (the page is a little taller than the classic one since the
    // space-weather strip joined the Map tab).
    resizeTo(window->minimumSize());
    EXPECT_EQ(panel.listPixelSize(), 12);
    EXPECT_GE(panel.checkList()->width(), 350);
    EXPECT_GE(panel.bearingList()->width(), 185);
    EXPECT_GE(panel.checkList()->height(), 256);
}
