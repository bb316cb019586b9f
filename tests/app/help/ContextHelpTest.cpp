// F1 and the help window: F1 opens the topic of the control with the focus
// (or of the nearest parent with one), of the highlighted menu item, or the
// contents; the help service opens the right page, also from a modal dialog.
#include <gtest/gtest.h>

#include <QAction>
#include <QApplication>
#include <QDialog>
#include <QKeyEvent>
#include <QLineEdit>
#include <QListWidget>
#include <QMenu>
#include <QTextBrowser>
#include <QTreeWidget>
#include <memory>
#include <vector>

#include "app/help/ContextHelp.h"
#include "app/help/HelpWindow.h"
#include "app/help/QtHelpService.h"
#include "common/HelpService.h"

namespace orvane::help {
namespace {

class RecordingHelpService final : public HelpService {
public:
    void showContents() override { requests.push_back(0); }
    void showContext(int helpContext) override { requests.push_back(helpContext); }
    std::vector<int> requests;  // 0 = contents
};

void pressKey(QObject* target, int key, Qt::KeyboardModifiers modifiers = Qt::NoModifier) {
    QKeyEvent press(QEvent::KeyPress, key, modifiers);
    QApplication::sendEvent(target, &press);
}

class ContextHelpTest : public ::testing::Test {
protected:
    void SetUp() override {
        filter_ = std::make_unique<ContextHelpFilter>(help_, nullptr);
        qApp->installEventFilter(filter_.get());
    }
    void TearDown() override { qApp->removeEventFilter(filter_.get()); }

    RecordingHelpService help_;
    std::unique_ptr<ContextHelpFilter> filter_;
};

TEST_F(ContextHelpTest, F1OpensTheNearestContextUpTheParents) {
    QWidget page;  // a tab page of the main window
    setHelpContext(&page, ctx::kMapTab);
    QWidget panel(&page);  // the time panel
    setHelpContext(&panel, ctx::kTimePanel);
    QLineEdit host(&panel);
    setHelpContext(&host, ctx::kHostBox);
    QLineEdit plain(&panel);   // no topic of its own: the panel's
    QLineEdit onPage(&page);   // no topic of its own: the page's

    pressKey(&host, Qt::Key_F1);
    pressKey(&plain, Qt::Key_F1);
    pressKey(&onPage, Qt::Key_F1);
    EXPECT_EQ(help_.requests, (std::vector<int>{ctx::kHostBox, ctx::kTimePanel, ctx::kMapTab}));
}

TEST_F(ContextHelpTest, F1WithoutAnyContextOpensTheContents) {
    QWidget lonely;
    pressKey(&lonely, Qt::Key_F1);
    EXPECT_EQ(help_.requests, std::vector<int>{0});
}

TEST_F(ContextHelpTest, OtherKeysAndShiftF1AreLeftAlone) {
    QLineEdit edit;
    setHelpContext(&edit, ctx::kHostBox);
    pressKey(&edit, Qt::Key_F2);
    pressKey(&edit, Qt::Key_A);
    pressKey(&edit, Qt::Key_F1, Qt::ShiftModifier);
    EXPECT_TRUE(help_.requests.empty());
}

TEST_F(ContextHelpTest, TheContextFollowsTheActiveTabAsTheWindowSetsIt) {
    QWidget tabs;
    QLineEdit child(&tabs);
    setHelpContext(&tabs, ctx::kMapTab);
    pressKey(&child, Qt::Key_F1);
    setHelpContext(&tabs, ctx::kAboutTab);
    pressKey(&child, Qt::Key_F1);
    EXPECT_EQ(help_.requests, (std::vector<int>{ctx::kMapTab, ctx::kAboutTab}));
}

TEST_F(ContextHelpTest, F1InAMenuOpensTheHighlightedItemsTopic) {
    QMenu menu;
    setHelpContext(&menu, ctx::kMapMenu);
    QAction* animate = menu.addAction(QStringLiteral("Animate"));
    setHelpContext(animate, ctx::kAnimate);
    QAction* help = menu.addAction(QStringLiteral("Help"));  // no topic: the menu's
    QMenu* darkness = menu.addMenu(QStringLiteral("Darkness Level"));
    setHelpContext(darkness->menuAction(), ctx::kDarknessLevel);
    darkness->addAction(QStringLiteral("Level 3"));

    menu.setActiveAction(animate);
    pressKey(&menu, Qt::Key_F1);
    menu.setActiveAction(help);
    pressKey(&menu, Qt::Key_F1);
    darkness->setActiveAction(darkness->actions().front());
    pressKey(darkness, Qt::Key_F1);
    EXPECT_EQ(help_.requests, (std::vector<int>{ctx::kAnimate, ctx::kMapMenu, ctx::kDarknessLevel}));
}

TEST(HelpContextProperty, IsReadBackAndIgnoresJunk) {
    QObject o;
    EXPECT_EQ(helpContextOf(&o), 0);
    setHelpContext(&o, 607);
    EXPECT_EQ(helpContextOf(&o), 607);
    o.setProperty(kHelpContextProperty, QStringLiteral("seven"));
    EXPECT_EQ(helpContextOf(&o), 0);
    o.setProperty(kHelpContextProperty, -4);
    EXPECT_EQ(helpContextOf(&o), 0);
    EXPECT_EQ(helpContextOf(nullptr), 0);
}

struct OpenCase {
    const char* name;
    int context;  // 0: contents
    const char* url;
};
constexpr OpenCase kOpens[] = {
    {"Contents", 0, "qrc:/help/index.html"},
    {"HelpItem300", 300, "qrc:/help/index.html"},
    {"CalendarDialog", 18, "qrc:/help/calendar.html"},
    {"WwvTab", 1, "qrc:/help/reports.html#wwv"},
    {"DgdTab", 607, "qrc:/help/reports.html#dgd"},
    {"HostBox", 10, "qrc:/help/clock.html#hosts"},
    {"UnknownGivesContents", 4242, "qrc:/help/index.html"},
};

class HelpServiceOpens : public ::testing::TestWithParam<OpenCase> {};

TEST_P(HelpServiceOpens, TheTopicOfTheContext) {
    QWidget main;
    QtHelpService service(&main);
    if (GetParam().context == 0) {
        service.showContents();
    } else {
        service.showContext(GetParam().context);
    }
    const HelpWindow* window = service.window();
    ASSERT_NE(window, nullptr);
    EXPECT_TRUE(window->isVisible());
    EXPECT_EQ(window->currentUrl().toString(), QString::fromUtf8(GetParam().url));
}

INSTANTIATE_TEST_SUITE_P(Help, HelpServiceOpens, ::testing::ValuesIn(kOpens),
                         [](const auto& c) { return std::string(c.param.name); });

TEST(HelpService, ReusesOneWindowAndMovesBetweenTopics) {
    QWidget main;
    QtHelpService service(&main);
    service.showContext(ctx::kReportWwv);
    HelpWindow* first = service.window();
    ASSERT_NE(first, nullptr);
    service.showContext(ctx::kReportDgd);  // same page, other anchor
    EXPECT_EQ(service.window(), first);
    EXPECT_EQ(first->currentUrl().fragment(), QStringLiteral("dgd"));
    service.showContext(ctx::kBeaconsTab);
    EXPECT_EQ(first->currentUrl().toString(), QStringLiteral("qrc:/help/beacons-tab.html"));
    EXPECT_TRUE(first->browser()->toPlainText().contains(QStringLiteral("in service")));
}

TEST(HelpService, HelpFromAModalDialogIsUsableAndSurvivesTheDialog) {
    QWidget main;
    QtHelpService service(&main);
    auto* calendar = new QDialog(&main);
    calendar->setModal(true);
    calendar->show();
    ASSERT_EQ(QApplication::activeModalWidget(), calendar);

    service.showContext(ctx::kBrowseCalendar);
    const HelpWindow* fromDialog = service.window();
    ASSERT_NE(fromDialog, nullptr);
    EXPECT_EQ(fromDialog->parentWidget(), calendar);  // not blocked by the dialog

    delete calendar;  // the calendar dialog is destroyed when it closes
    EXPECT_EQ(service.window(), nullptr);
    service.showContents();
    const HelpWindow* later = service.window();
    ASSERT_NE(later, nullptr);
    EXPECT_EQ(later->parentWidget(), &main);
}

TEST(HelpWindow, DoesNotKeepTheProgramRunning) {
    const HelpWindow window;
    EXPECT_FALSE(window.testAttribute(Qt::WA_QuitOnClose));
}

TEST(HelpWindow, ContentsTreeAndSearchOpenPages) {
    HelpWindow window;
    QTreeWidget* tree = window.contentsTree();
    ASSERT_GT(tree->topLevelItemCount(), 5);

    window.searchField()->setText(QStringLiteral("setcap"));
    QMetaObject::invokeMethod(window.searchField(), "returnPressed");
    ASSERT_EQ(window.searchResults()->count(), 1);
    EXPECT_EQ(window.searchResults()->item(0)->text(), QStringLiteral("Setting the PC clock"));
    emit window.searchResults()->itemActivated(window.searchResults()->item(0));
    EXPECT_EQ(window.currentUrl().toString(), QStringLiteral("qrc:/help/clock.html"));
    EXPECT_TRUE(window.browser()->textCursor().hasSelection());  // the word found is marked

    window.searchField()->setText(QStringLiteral("qwertzuiop"));
    QMetaObject::invokeMethod(window.searchField(), "returnPressed");
    ASSERT_EQ(window.searchResults()->count(), 1);
    EXPECT_EQ(window.searchResults()->item(0)->flags(), Qt::NoItemFlags);  // "nothing found" line
}

}  // namespace
}  // namespace orvane::help
