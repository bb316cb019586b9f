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
        window->setUrlOpener([this](const QUrl& url) {
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

TEST_F(AboutTest, TabShowsTheVersionAndAlwaysShowsItsHints) {
    EXPECT_EQ(window->Label11->text(), QStringLiteral("This is Version: 2.1.2.361, of Orvane ++"));
    EXPECT_EQ(window->Label11->toolTip(), QStringLiteral("MajorVersion.MinorVersion.Release.Build"));
    EXPECT_EQ(window->lblLocalTime->toolTip(), QStringLiteral("User system local time"));
    EXPECT_EQ(window->btnWebSite->toolTip(), QStringLiteral("Visit our web site"));
    EXPECT_EQ(window->btnCredits->text(), QStringLiteral("&Credits"));
    EXPECT_EQ(window->btnCredits->toolTip(), QStringLiteral("Remembering a few others"));
}

TEST_F(AboutTest, LocalTimeCatchesUpOnlyWhileTheTabIsShown) {
    window->Timer1Timer(nullptr);
    const QString before = window->lblLocalTime->text();
    clock.set(noonPlus(65));
    window->Timer1Timer(nullptr);
    EXPECT_EQ(window->lblLocalTime->text(), before);  // Map tab active
    window->pcMain->setCurrentWidget(window->tsAbout);
    window->Timer1Timer(nullptr);
    EXPECT_TRUE(window->lblLocalTime->text().startsWith(QStringLiteral("Local Time: ")));
    EXPECT_NE(window->lblLocalTime->text(), before);
}

TEST_F(AboutTest, WebSiteButtonOpensTheAddress) {
    window->btnWebSite->click();
    EXPECT_EQ(opened, std::vector<QString>{webSiteUrl().toString()});
}

TEST_F(AboutTest, CreditsIsAFreshDialogEachTimeAndGoesWhenClosed) {
    std::vector<QPointer<QWidget>> dialogs;
    const auto inspectAndClose = [&](bool withOk) {
        QTimer::singleShot(0, window.get(), [&, withOk] {
            auto* dialog = qobject_cast<TfrmMoreAbout*>(QApplication::activeModalWidget());
            ASSERT_NE(dialog, nullptr);
            EXPECT_EQ(window->frmMoreAbout, dialog);
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
        window->btnCredits->click();
    };
    inspectAndClose(true);
    inspectAndClose(false);
    ASSERT_EQ(dialogs.size(), 2u);
    EXPECT_TRUE(dialogs[0].isNull());  // destroyed when closed
    EXPECT_TRUE(dialogs[1].isNull());
    EXPECT_EQ(window->frmMoreAbout, nullptr);
    EXPECT_EQ(opened, (std::vector<QString>{QStringLiteral("mailto:orvane@example.org?subject=Orvane++"),
                                            QStringLiteral("mailto:orvane@example.org?subject=Orvane++")}));
}

// F1 on the main window's controls opens their topics in the help window.
class F1Test : public WindowFixture {};

TEST_F(F1Test, OpensTheTopicOfTheControlOrOfTheActiveTab) {
    clock.set(noonPlus(5));
    help::QtHelpService service(nullptr);
    window = std::make_unique<TfrmTabbedOrvane>(clock, messages, &service, AppPaths::inDirectory(dir.path()));
    window->Timer1->stop();
    help::ContextHelpFilter filter(service, nullptr);
    qApp->installEventFilter(&filter);
    const auto f1 = [&](QWidget* target) {
        QKeyEvent press(QEvent::KeyPress, Qt::Key_F1, Qt::NoModifier);
        QApplication::sendEvent(target, &press);
        return service.window() ? service.window()->currentUrl().toString() : QString();
    };
    EXPECT_EQ(f1(window->cbHost), QStringLiteral("qrc:/help/clock.html#hosts"));
    EXPECT_EQ(f1(window->lblUTC), QStringLiteral("qrc:/help/clock.html"));  // on the time panel
    EXPECT_EQ(f1(window->ImageDisplay), QStringLiteral("qrc:/help/map-tab.html"));
    window->pcMain->setCurrentWidget(window->tsAbout);
    EXPECT_EQ(f1(window->btnCredits), QStringLiteral("qrc:/help/about.html"));
    window->pcMain->setCurrentWidget(window->tsBeacons);
    EXPECT_EQ(f1(window->cblBeacons), QStringLiteral("qrc:/help/beacons-tab.html"));
    window->puMenu->setActiveAction(window->mnFake);
    EXPECT_EQ(f1(window->puMenu), QStringLiteral("qrc:/help/map-menu.html#fake"));
    qApp->removeEventFilter(&filter);
    window.reset();
}

}  // namespace
}  // namespace orvane::app::testing
