// The About tab, the credits dialog, and F1 on the main window's controls.
#include <QApplication>
#include <QComboBox>
#include <QListWidget>
#include <QMenu>
#include <QKeyEvent>
#include <QLabel>
#include <QPlainTextEdit>
#include <QPointer>
#include <QPushButton>
#include <QTabWidget>
#include <QTimer>

#include "MenuFixture.h"
#include "app/AboutInfo.h"
#include "app/MoreAbout.h"
#include "app/help/ContextHelp.h"
#include "app/help/HelpWindow.h"
#include "app/help/QtHelpService.h"
#include "app/widgets/MapImage.h"

namespace orvane::app::testing {
namespace {

class AboutTest : public WindowFixture {
protected:
    void SetUp() override {
        WindowFixture::SetUp();
        start();
        window->aboutPage().setUrlOpener([this](const QUrl& url) {
            opened.push_back(url.toString());
            return true;
        });
    }
    std::vector<QString> opened;
};

TEST(Version, LabelReadsTheFourNumbersOfTheBuild) {
    EXPECT_EQ(GetBuildInfoString(), QStringLiteral("2.1.2.361"));
    EXPECT_EQ(versionLabelText(), QStringLiteral("This is Version: 2.1.2.361, of Orvane ++"));
    std::uint16_t major = 9, minor = 9, release = 9, build = 9;
    GetBuildInfo(major, minor, release, build);
    EXPECT_EQ(major, 2);
    EXPECT_EQ(minor, 1);
    EXPECT_EQ(release, 2);
    EXPECT_EQ(build, 361);
}

// Window titles read exactly as given: Qt appends the application's display
// name to every title that does not end in it once one is set, which would
// make "Calendar Toy" read "Calendar Toy — Orvane ++". So none is set.
TEST(ApplicationName, LeavesEveryWindowTitleAsGiven) {
    nameApplication();
    EXPECT_EQ(QGuiApplication::applicationName(), QStringLiteral("orvane"));
    EXPECT_EQ(QGuiApplication::applicationDisplayName(), QGuiApplication::applicationName());  // i.e. none set
    EXPECT_EQ(QGuiApplication::desktopFileName(), QStringLiteral("orvane"));
}

TEST_F(AboutTest, TabShowsTheVersionAndAlwaysShowsItsHints) {
    EXPECT_EQ(window->windowTitle(), QStringLiteral("Orvane ++"));
    EXPECT_EQ(window->aboutPage().versionLabel()->text(), QStringLiteral("This is Version: 2.1.2.361, of Orvane ++"));
    EXPECT_EQ(window->aboutPage().versionLabel()->toolTip(), QStringLiteral("MajorVersion.MinorVersion.Release.Build"));
    EXPECT_EQ(window->aboutPage().localTimeLabel()->toolTip(), QStringLiteral("User system local time"));
    EXPECT_EQ(window->aboutPage().webSiteButton()->toolTip(), QStringLiteral("Visit our web site"));
    EXPECT_EQ(window->aboutPage().creditsButton()->text(), QStringLiteral("&Credits"));
    EXPECT_EQ(window->aboutPage().creditsButton()->toolTip(), QStringLiteral("Remembering a few others"));
}

TEST_F(AboutTest, LocalTimeCatchesUpOnlyWhileTheTabIsShown) {
    window->Timer1Timer(nullptr);
    const QString before = window->aboutPage().localTimeLabel()->text();
    clock.set(noonPlus(65));
    window->Timer1Timer(nullptr);
    EXPECT_EQ(window->aboutPage().localTimeLabel()->text(), before);  // Map tab active
    window->tabs()->setCurrentWidget(window->aboutPage().parentWidget());  // About
    window->Timer1Timer(nullptr);
    EXPECT_TRUE(window->aboutPage().localTimeLabel()->text().startsWith(QStringLiteral("Local Time: ")));
    EXPECT_NE(window->aboutPage().localTimeLabel()->text(), before);
}

TEST_F(AboutTest, WebSiteButtonOpensTheAddress) {
    window->aboutPage().webSiteButton()->click();
    EXPECT_EQ(opened, std::vector<QString>{webSiteUrl().toString()});
}

TEST_F(AboutTest, CreditsIsAFreshDialogEachTimeAndGoesWhenClosed) {
    std::vector<QPointer<QWidget>> dialogs;
    const auto inspectAndClose = [&](bool withOk) {
        QTimer::singleShot(0, window.get(), [&, withOk] {
            auto* dialog = qobject_cast<TfrmMoreAbout*>(QApplication::activeModalWidget());
            ASSERT_NE(dialog, nullptr);
            EXPECT_EQ(window->aboutPage().creditsDialog(), dialog);
            EXPECT_EQ(dialog->windowTitle(), QStringLiteral("More About - Credits"));
            EXPECT_TRUE(dialog->btnOK->isDefault());
            EXPECT_TRUE(dialog->moCredits->isReadOnly());
            EXPECT_TRUE(dialog->moCredits->toPlainText().contains(QStringLiteral("Space Weather")));
            dialog->btnMail->click();
            dialogs.emplace_back(dialog);
            if (withOk) {
                dialog->btnOK->click();
            } else {
                dialog->close();  // the window's close box
            }
        });
        window->aboutPage().creditsButton()->click();
    };
    inspectAndClose(true);
    inspectAndClose(false);
    ASSERT_EQ(dialogs.size(), 2u);
    EXPECT_TRUE(dialogs[0].isNull());  // destroyed when closed
    EXPECT_TRUE(dialogs[1].isNull());
    EXPECT_EQ(window->aboutPage().creditsDialog(), nullptr);
    EXPECT_EQ(opened, (std::vector<QString>{QStringLiteral("mailto:orvane@example.org?subject=Orvane++"),
                                            QStringLiteral("mailto:orvane@example.org?subject=Orvane++")}));
}

// F1 on the main window's controls opens their topics in the help window.
class F1Test : public WindowFixture {};

TEST_F(F1Test, OpensTheTopicOfTheControlOrOfTheActiveTab) {
    clock.set(noonPlus(5));
    help::QtHelpService service(nullptr);
    window = std::make_unique<TfrmTabbedOrvane>(clock, messages, &service, AppPaths::inDirectory(dir.path()));
    window->tickTimer()->stop();
    help::ContextHelpFilter filter(service, nullptr);
    qApp->installEventFilter(&filter);
    const auto f1 = [&](QWidget* target) {
        QKeyEvent press(QEvent::KeyPress, Qt::Key_F1, Qt::NoModifier);
        QApplication::sendEvent(target, &press);
        return service.window() ? service.window()->currentUrl().toString() : QString();
    };
    EXPECT_EQ(f1(window->timePanel().hostBox()), QStringLiteral("qrc:/help/clock.html#hosts"));
    EXPECT_EQ(f1(window->timePanel().utcLabel()), QStringLiteral("qrc:/help/clock.html"));  // on the time panel
    EXPECT_EQ(f1(window->mapPanel().imageDisplay()), QStringLiteral("qrc:/help/map-tab.html"));
    window->tabs()->setCurrentWidget(window->aboutPage().parentWidget());  // About
    EXPECT_EQ(f1(window->aboutPage().creditsButton()), QStringLiteral("qrc:/help/about.html"));
    window->tabs()->setCurrentWidget(window->beaconList().parentWidget());  // Beacons
    EXPECT_EQ(f1(window->beaconList().checkList()), QStringLiteral("qrc:/help/beacons-tab.html"));
    window->mapMenu().menu()->setActiveAction(menuItem("mnFake"));
    EXPECT_EQ(f1(window->mapMenu().menu()), QStringLiteral("qrc:/help/map-menu.html#fake"));
    qApp->removeEventFilter(&filter);
    window.reset();
}

}  // namespace
}  // namespace orvane::app::testing
