// The window uses the room it is given: the tabs fit the bar without
// scrolling, the Beacons tab's lists fill the page, the Map tab's time row,
// band choice and space-weather strip and the About tab grow with it, with
// text that grows, from the classic size to a 4K screen. Widths are measured
// with the fonts actually used.
#include <gtest/gtest.h>

#include <QComboBox>
#include <QCoreApplication>
#include <QDir>
#include <QFontInfo>
#include <QFontMetrics>
#include <QFrame>
#include <QLabel>
#include <QListWidget>
#include <QPushButton>
#include <QRadioButton>
#include <QScrollBar>
#include <QTabBar>
#include <QTabWidget>
#include <QTimer>
#include <memory>

#include "app/Orvane_maina.h"
#include "app/panels/AboutPage.h"
#include "app/panels/BeaconListPanel.h"
#include "app/panels/MapPanel.h"
#include "app/panels/MonitorPanel.h"
#include "app/panels/TimeServicePanel.h"
#include "app/widgets/RadioGroup.h"
#include "common/FakeClock.h"
#include "spaceweather/ui/SpaceWeatherStrip.h"
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

    // `w` lies wholly inside `page`.
    static void expectInside(const QWidget* w, const QWidget* page) {
        const QRect r(w->mapTo(page, QPoint(0, 0)), w->size());
        EXPECT_TRUE(page->rect().contains(r)) << w->objectName().toStdString() << " at " << r.x() << "," << r.y()
                                              << " " << r.width() << "x" << r.height();
    }
    // The whole of a label's text shows, measured in its own font.
    static void expectWhole(const QLabel* l) {
        const QFontMetrics m(l->font());
        EXPECT_LE(m.horizontalAdvance(l->text()), l->contentsRect().width()) << l->text().toStdString();
        EXPECT_LE(m.height(), l->contentsRect().height()) << l->text().toStdString();
    }
    static void expectWhole(const QAbstractButton* b) {
        EXPECT_GE(b->width(), b->sizeHint().width()) << b->text().toStdString();
        EXPECT_GE(b->height(), QFontMetrics(b->font()).height()) << b->text().toStdString();
    }
    static int pixelsOf(const QWidget* w) { return QFontInfo(w->font()).pixelSize(); }

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

// The time row, the band choice and the space-weather strip grow with the
// Map tab as the map's labels do; at the classic size they keep the classic
// row and panel, and at no size is any of their text cut off.
TEST_F(WindowRoom, TheMapTabsRowsGrowWithThePageAndShowTheirTextWhole) {
    TimeServicePanel& row = window->timePanel();
    MapPanel& map = window->mapPanel();
    const QWidget* page = map.parentWidget();
    window->tabs()->setCurrentWidget(const_cast<QWidget*>(page));
    const spaceweather::SpaceWeatherStrip& strip = window->mapStrip();
    const RadioGroup* bands = map.frequencyGroup();
    int classicPixels = 0;
    for (const Size& s : sizes()) {
        SCOPED_TRACE(s.name);
        resizeTo(s.window);
        // Across the whole page: the row along the top, the strip along the
        // foot, the map and its band choice between them.
        EXPECT_EQ(row.geometry().topLeft(), QPoint(0, 0));
        EXPECT_EQ(row.width(), page->width());
        EXPECT_EQ(strip.width(), page->width());
        EXPECT_EQ(strip.geometry().bottom(), page->height() - 1);
        EXPECT_EQ(map.geometry().top(), row.geometry().bottom() + 1);
        EXPECT_EQ(map.geometry().bottom() + 1, strip.geometry().top());
        for (const QWidget* w : std::initializer_list<const QWidget*>{row.utcLabel(), row.hostLabel(), row.hostBox(),
                                                                      row.getTimeButton()})
            expectInside(w, &row);
        expectInside(bands, &map);
        const QRect bandPanel = bands->parentWidget()->geometry();
        EXPECT_GT(bandPanel.top(), map.mapRect().bottom());
        // Every text whole in its own font.
        expectWhole(row.utcLabel());
        expectWhole(row.hostLabel());
        expectWhole(row.getTimeButton());
        EXPECT_GE(row.hostBox()->height(), QFontMetrics(row.hostBox()->font()).height());
        EXPECT_GE(bands->width(), bands->sizeHint().width());
        EXPECT_GE(bands->height(), bands->sizeHint().height());
        for (int i = 0; i < bands->count(); ++i) {
            expectWhole(bands->item(i));
            expectInside(bands->item(i), bands);
        }
        for (const QLabel* l : strip.findChildren<QLabel*>()) {
            EXPECT_GE(l->width(), l->sizeHint().width()) << l->text().toStdString();
            EXPECT_GE(l->height(), l->sizeHint().height()) << l->text().toStdString();
            expectInside(l, &strip);
        }
        // The classic row and band panel at the classic size; the text grows
        // with the page, the row's and the strip's alike.
        const int pixels = pixelsOf(row.utcLabel());
        EXPECT_EQ(pixelsOf(bands->item(0)), pixels);
        EXPECT_EQ(pixelsOf(strip.findChildren<QLabel*>().front()), pixels);
        if (classicPixels == 0) {
            classicPixels = pixels;
            EXPECT_DOUBLE_EQ(row.textScale(), 1.0);
            EXPECT_EQ(row.getTimeButton()->geometry().left(), 450);
            EXPECT_EQ(row.height(), std::max(32, row.getTimeButton()->sizeHint().height() + 8));
            EXPECT_EQ(row.hostBox()->width(), std::max(180, row.hostBox()->minimumSizeHint().width()));
            EXPECT_EQ(bandPanel.height(), std::max(46, bands->sizeHint().height() + 8));
        } else {
            EXPECT_GE(pixels, classicPixels * 3 / 2);
            EXPECT_GE(row.height(), pixels);
        }
    }
    // The Monitor tab's strip grows as far.
    window->tabs()->setCurrentWidget(window->monitorPanel().parentWidget());
    QCoreApplication::sendPostedEvents();
    EXPECT_EQ(pixelsOf(window->monitorStrip().findChildren<QLabel*>().front()), pixelsOf(row.utcLabel()));
    // Small again: the classic row.
    window->tabs()->setCurrentWidget(const_cast<QWidget*>(page));
    resizeTo(window->minimumSize());
    EXPECT_EQ(pixelsOf(row.utcLabel()), classicPixels);
    EXPECT_EQ(window->minimumSize(), sizes().front().window);
}

// The About tab fills its page: the column of texts stays centred, takes at
// least half the page's height at every size, and its text grows with the
// page without any line cut off.
TEST_F(WindowRoom, TheAboutTabFillsThePageWithTextThatGrows) {
    AboutPage& about = window->aboutPage();
    QWidget* page = about.parentWidget();
    window->tabs()->setCurrentWidget(page);
    about.showLocalTime(clock.nowMoment());
    int lastPixels = 0;
    for (const Size& s : sizes()) {
        SCOPED_TRACE(s.name);
        resizeTo(s.window);
        EXPECT_EQ(about.size(), page->size());
        const std::initializer_list<const QWidget*> column{about.versionLabel(), about.localTimeLabel(),
                                                            about.upperFrame(), about.creditsButton(), about.lowerFrame()};
        int top = page->height(), bottom = 0;
        for (const QWidget* w : column) {
            expectInside(w, page);
            const QRect r(w->mapTo(page, QPoint(0, 0)), w->size());
            EXPECT_NEAR(r.center().x(), page->width() / 2, 2) << w->objectName().toStdString();
            top = std::min(top, r.top());
            bottom = std::max(bottom, r.bottom());
        }
        EXPECT_GE(bottom - top, page->height() / 2);
        // In order down the page, none over another.
        int below = 0;
        for (const QWidget* w : column) {
            EXPECT_GE(w->mapTo(page, QPoint(0, 0)).y(), below) << w->objectName().toStdString();
            below = w->mapTo(page, QPoint(0, w->height())).y();
        }
        for (const QLabel* l : {about.versionLabel(), about.localTimeLabel()}) expectWhole(l);
        for (const QLabel* l : about.frameLines()) {
            expectWhole(l);
            expectInside(l, l->parentWidget());
        }
        expectWhole(about.webSiteButton());
        expectWhole(about.creditsButton());
        const int pixels = pixelsOf(about.versionLabel());
        if (lastPixels == 0) {
            EXPECT_DOUBLE_EQ(about.textScale(), 1.0);
            EXPECT_EQ(about.upperFrame()->height(), 108);
        } else {
            EXPECT_GT(pixels, lastPixels);
        }
        lastPixels = pixels;
    }
}
