// The Propagation page and the Solar FTP Setup dialog, without a server.
#include <gtest/gtest.h>

#include <QAction>
#include <QCheckBox>
#include <QComboBox>
#include <QDateTime>
#include <QFile>
#include <QFontInfo>
#include <QFontMetricsF>
#include <QLabel>
#include <QLayout>
#include <QLineEdit>
#include <QListWidget>
#include <QMenu>
#include <QPlainTextEdit>
#include <QProgressBar>
#include <QScrollBar>
#include <QPushButton>
#include <QTabWidget>

#include "ReportTree.h"
#include "support/FtpTestServer.h"
#include "common/FakeClock.h"
#include "common/IniFile.h"
#include "common/MessageService.h"
#include "reports/ui/PropagationPage.h"
#include "reports/ui/Setupftp.h"

using namespace orvane;
using namespace orvane::reports;

namespace {

// 2026-09-22 09:15:00 UTC
constexpr orvane::UtcMs kNowMs = 1790068500000;

int helpContextOf(const QObject* o) { return o->property("helpContext").toInt(); }

std::vector<int> visibleTabs(const PropagationPage& page) {
    std::vector<int> v;
    for (int i = 0; i < kReportCount; ++i)
        if (page.isReportTabVisible(i)) v.push_back(i);
    return v;
}

struct PageFixture {
    PageFixture() : settings(defaultPropSettings()), page(settings, clock) { page.AssignHelpContexts(); }
    WorkingDirectory cwd;
    FakeClock clock{kNowMs};
    PropSettings settings;
    PropagationPage page;
};

TEST(PropagationPageTest, FirstStartShowsTheEightDefaultTabsEmptyWithWwvActive) {
    PageFixture f;
    f.page.ShowReportTabs();
    EXPECT_EQ(visibleTabs(f.page), (std::vector<int>{0, 4, 5, 8, 10, 11, 12, 13}));
    EXPECT_EQ(f.page.activeReport(), 0);
    EXPECT_EQ(helpContextOf(f.page.pcReports), 1);
    for (const QPlainTextEdit* memo : f.page.memos) EXPECT_TRUE(memo->toPlainText().isEmpty());

    const QPlainTextEdit* memo = f.page.memos[0];
    EXPECT_EQ(memo->objectName(), QStringLiteral("mowwv"));
    EXPECT_EQ(memo->lineWrapMode(), QPlainTextEdit::NoWrap);
    // The columns of a bulletin line up: every character advances as far as
    // any other in the font the memo draws with. (What fontconfig says of the
    // family is not asked: it calls some fixed-width families proportional.)
    const QFontMetricsF metrics(memo->font());
    for (const QChar c : QStringLiteral("iW.m 0|"))
        EXPECT_DOUBLE_EQ(metrics.horizontalAdvance(c), metrics.horizontalAdvance(QLatin1Char('M'))) << c.toLatin1();
    EXPECT_EQ(f.page.pcReports->tabText(4), QStringLiteral("27 Day Outlook"));
    EXPECT_EQ(f.page.pcReports->tabPosition(), QTabWidget::South);
    EXPECT_EQ(helpContextOf(f.page.sheets[3]), 6);
    EXPECT_EQ(helpContextOf(f.page.sheets[4]), 5);
    EXPECT_EQ(f.page.sheets[5]->statusTip(),
              QStringLiteral("Alerts and Warnings Issued in the last 24 Hours, press F1 for help"));
    // The empty-range bar stays a bar rather than a busy indicator.
    EXPECT_EQ(f.page.ProgressBar1->maximum(), 11101);
}

TEST(PropagationPageTest, UntickingTheActiveReportMovesToTheNextVisibleTab) {
    struct Case {
        const char* name;
        int active;
        std::initializer_list<int> untick;
        int expected;
    };
    const Case cases[] = {
        {"to the right", 4, {4}, 5},
        {"last wraps to first", 13, {13}, 0},
        {"skips hidden ones", 8, {8, 10, 11}, 12},
        {"wraps past hidden ones", 12, {12, 13, 0, 4}, 5},
    };
    for (const Case& c : cases) {
        PageFixture f;
        f.page.ShowReportTabs();
        f.page.pcReports->setCurrentIndex(c.active);
        for (int i : c.untick) f.settings.Reports[static_cast<std::size_t>(i)] = false;
        f.page.ShowReportTabs();
        EXPECT_EQ(f.page.activeReport(), c.expected) << c.name;
        EXPECT_EQ(helpContextOf(f.page.pcReports), reportHelpContext(c.expected)) << c.name;
    }
}

TEST(PropagationPageTest, WithEveryReportUntickedNoTabIsShown) {
    PageFixture f;
    f.page.ShowReportTabs();
    f.settings.Reports.fill(false);
    f.page.ShowReportTabs();
    EXPECT_TRUE(visibleTabs(f.page).empty());
    EXPECT_EQ(f.page.activeReport(), -1);
    EXPECT_TRUE(f.page.pcReports->isHidden());
    f.settings.Reports[6] = true;
    f.page.ShowReportTabs();
    EXPECT_EQ(f.page.activeReport(), 6);
    EXPECT_FALSE(f.page.pcReports->isHidden());
}

TEST(PropagationPageTest, TabsShowTheFilesTheyFindAndKeepTheirLastText) {
    PageFixture f;
    TempDir::write(f.cwd.file(QStringLiteral("wwv.txt")), "line one\r\nline two\r\nline three\r\n");
    TempDir::write(f.cwd.file(QStringLiteral("AK.txt")), "not selected\n");
    f.page.ShowReportTabs();
    EXPECT_EQ(f.page.memos[0]->toPlainText(), QStringLiteral("line one\nline two\nline three"));
    EXPECT_TRUE(f.page.memos[1]->toPlainText().isEmpty());

    // A shorter file replaces the text, it is not merged with it.
    TempDir::write(f.cwd.file(QStringLiteral("wwv.txt")), "short\n");
    f.page.ShowReportTabs();
    EXPECT_EQ(f.page.memos[0]->toPlainText(), QStringLiteral("short"));

    // A file that went away leaves the tab with its last text; so does a
    // report that is no longer selected.
    QFile::remove(f.cwd.file(QStringLiteral("wwv.txt")));
    f.page.ShowReportTabs();
    EXPECT_EQ(f.page.memos[0]->toPlainText(), QStringLiteral("short"));
    f.settings.Reports[0] = false;
    f.page.ShowReportTabs();
    EXPECT_FALSE(f.page.isReportTabVisible(0));
    EXPECT_EQ(f.page.memos[0]->toPlainText(), QStringLiteral("short"));
}

TEST(PropagationPageTest, TheMenuOffersConfigureGetLatestAndHelp) {
    PageFixture f;
    QStringList captions;
    for (const QAction* a : f.page.puFTP_Control->actions()) captions << (a->isSeparator() ? QStringLiteral("-") : a->text());
    EXPECT_EQ(captions, (QStringList{"Configure Reports", "-", "Get Latest Reports", "-", "Help"}));
    EXPECT_EQ(helpContextOf(f.page.puConfigPropReports), 31);
    EXPECT_EQ(helpContextOf(f.page.puGetLatestReports), 37);
    EXPECT_EQ(helpContextOf(f.page.puHelp), 300);
}

// The first start says what the page is for and offers the command that
// fills it; the line and the button go once a report is on the page.
TEST(PropagationPageTest, AnEmptyPageExplainsItselfAndOffersGetLatestReports) {
    PageFixture f;
    f.page.ShowReportTabs();
    EXPECT_TRUE(f.page.pnlEmpty->isVisibleTo(&f.page));
    EXPECT_FALSE(f.page.lblEmpty->text().isEmpty());
    EXPECT_EQ(f.page.btGetLatestReports->text(), QStringLiteral("Get Latest Reports"));
    int fetches = 0;
    QObject::connect(f.page.puGetLatestReports, &QAction::triggered, [&fetches] { ++fetches; });
    f.page.btGetLatestReports->click();
    EXPECT_EQ(fetches, 1);

    TempDir::write(f.cwd.file(QStringLiteral("wwv.txt")), "line one\n");
    f.page.ShowReportTabs();
    EXPECT_FALSE(f.page.pnlEmpty->isVisibleTo(&f.page));
}

// A report is read only: its menu copies and selects, then offers the
// report commands; no Undo, Redo, Cut, Paste or Delete.
TEST(PropagationPageTest, TheReportMenuOffersCopySelectAllAndTheReportCommands) {
    PageFixture f;
    TempDir::write(f.cwd.file(QStringLiteral("wwv.txt")), "line one\n");
    f.page.ShowReportTabs();
    QPlainTextEdit* memo = f.page.memos[0];
    const auto captions = [&f, memo] {
        const std::unique_ptr<QMenu> menu = f.page.memoMenu(memo);
        QStringList list;
        for (const QAction* a : menu->actions())
            list << (a->isSeparator() ? QStringLiteral("-") : a->text() + (a->isEnabled() ? "" : "(off)"));
        return list;
    };
    EXPECT_EQ(captions(), (QStringList{"Copy(off)", "Select All", "-", "Configure Reports", "-", "Get Latest Reports",
                                       "-", "Help"}));
    memo->selectAll();
    EXPECT_EQ(captions().front(), QStringLiteral("Copy"));
}

struct DialogFixture {
    explicit DialogFixture(PropSettings initial = defaultPropSettings())
        : settings(std::move(initial)), page(settings, clock) {
        make();
    }
    void make() {
        dialog = std::make_unique<TfrmSolarFtpSetup>(
            settings, IniFile(ini.file(QStringLiteral("o.INI"))), orvane::reports::ReportServer{QStringLiteral("127.0.0.1"), 21}, page,
            [this](int panel, const QString& text) { panels[panel] = text; }, messages);
    }
    QString iniText() const { return QString::fromUtf8(TempDir::readAll(ini.file(QStringLiteral("o.INI")))); }

    WorkingDirectory cwd;
    TempDir ini;
    FakeClock clock{kNowMs};
    PropSettings settings;
    PropagationPage page;
    RecordingMessageService messages;
    QString panels[2];
    std::unique_ptr<TfrmSolarFtpSetup> dialog;
};

TEST(SolarFtpSetupTest, CreationShowsTheSettings) {
    PropSettings s = defaultPropSettings();
    s.UseProxy = true;
    s.Proxy = QStringLiteral("proxy.example.net");
    s.ProxyPort = 8021;
    s.pass = QStringLiteral("g4abc@example.org");
    s.Reports[1] = true;
    s.ReportSource = ReportSourceKind::Ftp;
    DialogFixture f(s);
    TfrmSolarFtpSetup& d = *f.dialog;

    EXPECT_EQ(d.windowTitle(), QStringLiteral("Solar FTP Setup"));
    EXPECT_EQ(d.cbReportSource->currentText(), QStringLiteral("NOAA FTP server"));
    // The classic size, or larger where the desktop's font needs it.
    EXPECT_GE(d.width(), 480);
    EXPECT_GE(d.height(), 435);
    ASSERT_EQ(d.clbLatestFiles->count(), kReportCount);
    for (int i = 0; i < kReportCount; ++i) {
        EXPECT_EQ(d.clbLatestFiles->item(i)->text(), reportTitle(i));
        EXPECT_EQ(d.clbLatestFiles->item(i)->checkState() == Qt::Checked, s.Reports[static_cast<std::size_t>(i)]);
    }
    EXPECT_EQ(d.edPassTxt->text(), QStringLiteral("g4abc@example.org"));
    EXPECT_EQ(d.edHostTxt->text(), QStringLiteral("127.0.0.1"));
    EXPECT_FALSE(d.edHostTxt->isEnabled());
    EXPECT_EQ(d.edUserTxt->text(), QStringLiteral("anonymous"));
    EXPECT_TRUE(d.cbUseProxyServer->isChecked());
    EXPECT_TRUE(d.edProxyServer->isEnabled());
    // The stored proxy is shown, as it is used.
    EXPECT_EQ(d.edProxyServer->text(), QStringLiteral("proxy.example.net"));
    EXPECT_EQ(d.edProxyPort->text(), QStringLiteral("8021"));
    EXPECT_EQ(f.settings.Proxy, QStringLiteral("proxy.example.net"));
    // The status box is empty until a retrieval writes to it.
    EXPECT_EQ(d.StatusMemo->toPlainText(), QString());
    EXPECT_EQ(d.ProgressBar1->value(), 0);
    EXPECT_EQ(d.btnGetLatest->text(), QStringLiteral("&Get Latest HF Propagation Information"));
    struct Topic {
        const QObject* control;
        int context;
    };
    for (const Topic& t : {Topic{&d, 31}, Topic{d.clbLatestFiles, 32}, Topic{d.edHostTxt, 33}, Topic{d.edPassTxt, 33},
                           Topic{d.btnGetLatest, 34}, Topic{d.StatusMemo, 35}})
        EXPECT_EQ(helpContextOf(t.control), t.context) << t.control->objectName().toStdString();
}

TEST(SolarFtpSetupTest, TheCheckListAndProxyFieldsKeepTheSettingsCurrent) {
    DialogFixture f;
    TfrmSolarFtpSetup& d = *f.dialog;
    f.page.ShowReportTabs();

    d.clbLatestFiles->item(2)->setCheckState(Qt::Checked);
    EXPECT_TRUE(f.settings.Reports[2]);
    EXPECT_TRUE(f.page.isReportTabVisible(2));
    d.clbLatestFiles->item(0)->setCheckState(Qt::Unchecked);
    EXPECT_FALSE(f.settings.Reports[0]);
    EXPECT_FALSE(f.page.isReportTabVisible(0));

    d.cbUseProxyServer->click();
    EXPECT_TRUE(f.settings.UseProxy);
    EXPECT_TRUE(d.edProxyPort->isEnabled() && d.lblProxyServer->isEnabled());

    // Typing in the server field while the port is empty is no error; the
    // port is judged when the dialog is accepted, which it then refuses.
    d.show();
    d.edProxyServer->setText(QStringLiteral("p"));
    emit d.edProxyServer->textEdited(QStringLiteral("p"));
    EXPECT_EQ(f.settings.Proxy, QStringLiteral("p"));
    EXPECT_TRUE(f.messages.errors.empty());
    d.OKBtn->click();
    EXPECT_EQ(f.messages.errors, (std::vector<std::string>{"'' is not a valid integer value"}));
    EXPECT_TRUE(d.isVisible());
    d.edProxyPort->setText(QStringLiteral("8021"));
    emit d.edProxyPort->textEdited(QStringLiteral("8021"));
    EXPECT_EQ(f.settings.ProxyPort, 8021);
    d.OKBtn->click();
    EXPECT_FALSE(d.isVisible());
    EXPECT_EQ(f.messages.errors.size(), 1u);

    d.cbUseProxyServer->click();
    EXPECT_FALSE(f.settings.UseProxy);
    EXPECT_FALSE(d.edProxyServer->isEnabled());
}

TEST(SolarFtpSetupTest, ClosingStoresTheSettingsButThePasswordOnlyAtProgramEnd) {
    DialogFixture f;
    TfrmSolarFtpSetup& d = *f.dialog;
    const QString placeholder = f.settings.pass;
    d.show();
    d.edPassTxt->setText(QStringLiteral("new@example.org"));
    d.clbLatestFiles->item(0)->setCheckState(Qt::Unchecked);
    d.OKBtn->click();
    EXPECT_FALSE(d.isVisible());
    EXPECT_TRUE(f.iniText().contains(QStringLiteral("wwv=0\n")));
    EXPECT_TRUE(f.iniText().contains(QStringLiteral("pass=") + placeholder + QLatin1Char('\n')));

    f.dialog.reset();  // program end
    EXPECT_TRUE(f.iniText().contains(QStringLiteral("pass=new@example.org\n")));

    // And a restart reads it all back.
    const PropSettings reread = ReadPropSettings(IniFile(f.ini.file(QStringLiteral("o.INI"))));
    EXPECT_EQ(reread.pass, QStringLiteral("new@example.org"));
    EXPECT_FALSE(reread.Reports[0]);
    EXPECT_TRUE(reread.Reports[4]);
}

TEST(SolarFtpSetupTest, EmptyPasswordOnlyShowsTheMessage) {
    DialogFixture f;
    f.dialog->edPassTxt->clear();
    f.dialog->btnGetLatest->click();
    ASSERT_EQ(f.messages.messages.size(), 1u);
    EXPECT_TRUE(f.messages.messages[0].starts_with("You must enter a password"));
    EXPECT_EQ(f.dialog->StatusMemo->toPlainText(), QString());
    EXPECT_TRUE(f.dialog->btnGetLatest->isEnabled());
}

TEST(PropagationPageTest, EachReportSaysWhenItWasIssuedAndWarnsWhenStale) {
    PageFixture f;  // the clock reads 2026-09-22 09:15 UTC
    TempDir::write(f.cwd.file(QStringLiteral("wwv.txt")), ":Product: wwv.txt\n:Issued: 2026 Sep 22 0615 UTC\n");
    TempDir::write(f.cwd.file(QStringLiteral("27DO.txt")), ":Product: 27DO.txt\n:Issued: 2026 Sep 01 0205 UTC\n");
    TempDir::write(f.cwd.file(QStringLiteral("DSD.txt")), ":Product: DSD.txt\n#  Date  Radio\n");
    f.page.ShowReportTabs();

    const QLabel* wwv = f.page.ageLines[0];
    EXPECT_TRUE(wwv->isVisibleTo(&f.page));
    EXPECT_EQ(wwv->text(), QStringLiteral("issued 2026-09-22 06:15 UTC, 3 h ago"));
    EXPECT_FALSE(f.page.isReportStale(0));

    // The weekly outlook three weeks old: past twice its cadence.
    EXPECT_TRUE(f.page.isReportStale(4));
    EXPECT_TRUE(f.page.ageLines[4]->text().startsWith(QStringLiteral("issued 2026-09-01 02:05 UTC, 21 d ago")));
    EXPECT_TRUE(f.page.ageLines[4]->styleSheet().contains(QStringLiteral("color")));

    // No issue line: the file's own time, and it says so.
    EXPECT_TRUE(f.page.ageLines[12]->text().startsWith(QStringLiteral("file saved ")));
    EXPECT_TRUE(f.page.ageLines[12]->text().endsWith(QStringLiteral("(no issue time in the report)")));

    // A report not on disk shows no age at all.
    EXPECT_FALSE(f.page.ageLines[8]->isVisibleTo(&f.page));

    // Time goes on: the line follows the clock, and WWV turns stale past 6 h.
    f.clock.advance(3LL * 3600 * 1000 + 1000);
    f.page.refreshReportAges();
    EXPECT_TRUE(wwv->text().startsWith(QStringLiteral("issued 2026-09-22 06:15 UTC, 6 h ago"))) << wwv->text().toStdString();
    EXPECT_TRUE(f.page.isReportStale(0));
}

TEST(PropagationPageTest, AFailedReportSaysWhyAndWhenItsCopyArrived) {
    PageFixture f;  // the clock reads 2026-09-22 09:15 UTC
    const QString wwv = f.cwd.file(QStringLiteral("wwv.txt"));
    TempDir::write(wwv, ":Product: wwv.txt\n:Issued: 2026 Sep 22 0615 UTC\n");
    {
        QFile file(wwv);
        ASSERT_TRUE(file.open(QIODevice::ReadWrite));
        // 2026-09-22 06:20 UTC: the copy arrived five minutes after it was issued.
        ASSERT_TRUE(file.setFileTime(QDateTime::fromSecsSinceEpoch(kNowMs / 1000 - 2 * 3600 - 55 * 60, Qt::UTC),
                                     QFileDevice::FileModificationTime));
    }
    f.page.ShowReportTabs();
    // (Hidden, not merely off screen: only the active tab's sheet is visible.)
    EXPECT_TRUE(f.page.failureLines[0]->isHidden());

    f.page.setReportFailure(0, QStringLiteral("Transfer Timed out"));
    f.page.setReportFailure(4, QStringLiteral("HTTP 404 Not Found"));
    f.page.setReportFailure(8, QString());

    EXPECT_FALSE(f.page.failureLines[0]->isHidden());
    EXPECT_EQ(f.page.failureLines[0]->text(),
              QStringLiteral("Last fetch failed 2026-09-22 09:15 UTC: Transfer Timed out. "
                             "The copy shown arrived 2026-09-22 06:20 UTC, 2 h ago."));
    // The copy is still shown below the line, with its own age.
    EXPECT_TRUE(f.page.memos[0]->toPlainText().contains(QStringLiteral(":Issued: 2026 Sep 22 0615 UTC")));
    EXPECT_EQ(f.page.ageLines[0]->text(), QStringLiteral("issued 2026-09-22 06:15 UTC, 3 h ago"));
    EXPECT_EQ(f.page.failureLines[4]->text(),
              QStringLiteral("Last fetch failed 2026-09-22 09:15 UTC: HTTP 404 Not Found. No copy has arrived yet."));
    EXPECT_FALSE(f.page.failureLines[4]->isHidden());
    EXPECT_TRUE(f.page.failureLines[8]->isHidden());

    // The ages follow the clock; a later fetch that succeeds takes the line away.
    f.clock.advance(2LL * 3600 * 1000);
    f.page.refreshReportAges();
    EXPECT_TRUE(f.page.failureLines[0]->text().endsWith(QStringLiteral("06:20 UTC, 4 h ago."))) << f.page.failureLines[0]->text().toStdString();
    f.page.setReportFailure(0, QString());
    EXPECT_TRUE(f.page.failureLines[0]->isHidden());
}

// Every report title whole, at the size the dialog opens with and at the
// smallest it allows, in whatever font the machine has; made larger, the list
// and the status lines take the room.
TEST(SolarFtpSetupTest, TitlesAreWholeAndTheContentsFollowTheDialogsSize) {
    DialogFixture f;
    TfrmSolarFtpSetup& d = *f.dialog;
    d.show();
    QListWidget* list = d.clbLatestFiles;
    const auto titlesWhole = [&](const char* when) {
        if (d.layout()) d.layout()->activate();
        const int widest = list->sizeHintForColumn(0);
        EXPECT_GE(list->viewport()->width(), widest) << when;
        EXPECT_EQ(list->horizontalScrollBar()->maximum(), 0) << when;
        for (int i = 0; i < kReportCount; ++i) {
            const QListWidgetItem* item = list->item(i);
            EXPECT_LE(list->sizeHintForIndex(list->model()->index(i, 0)).width(), list->viewport()->width())
                << when << ": " << item->text().toStdString();
        }
        // Nothing of the dialog lies outside it.
        for (const QWidget* w : d.findChildren<QWidget*>(Qt::FindDirectChildrenOnly))
            if (w->isVisibleTo(&d)) {
                EXPECT_TRUE(d.rect().contains(w->geometry())) << when << ": " << w->objectName().toStdString();
            }
    };
    titlesWhole("at the default size");

    const QRect listBefore = list->geometry();
    const QRect memoBefore = d.StatusMemo->geometry();
    const QRect buttonBefore = d.btnGetLatest->geometry();
    d.resize(d.size() + QSize(300, 200));
    titlesWhole("made larger");
    EXPECT_GT(list->width(), listBefore.width());
    EXPECT_GT(d.StatusMemo->width(), memoBefore.width());
    EXPECT_GT(d.StatusMemo->height(), memoBefore.height());
    EXPECT_GT(d.btnGetLatest->width(), buttonBefore.width());

    d.resize(QSize(100, 100));  // as small as the dialog lets it be
    EXPECT_GE(d.width(), d.minimumSizeHint().width());
    titlesWhole("at its smallest");
}

TEST(SolarFtpSetupTest, ReportSourceDefaultsToTheWebServiceAndIsStored) {
    DialogFixture f;
    TfrmSolarFtpSetup& d = *f.dialog;
    ASSERT_EQ(d.cbReportSource->count(), 2);
    EXPECT_EQ(d.cbReportSource->itemText(0), QStringLiteral("NOAA web service (HTTPS)"));
    EXPECT_EQ(d.cbReportSource->itemText(1), QStringLiteral("NOAA FTP server"));
    EXPECT_EQ(d.cbReportSource->currentIndex(), 0);
    EXPECT_EQ(d.edHostTxt->text(), QStringLiteral("services.swpc.noaa.gov"));

    d.show();
    d.cbReportSource->setCurrentIndex(1);
    EXPECT_EQ(f.settings.ReportSource, ReportSourceKind::Ftp);
    EXPECT_EQ(d.edHostTxt->text(), QStringLiteral("127.0.0.1"));
    d.OKBtn->click();
    EXPECT_TRUE(f.iniText().contains(QStringLiteral("ReportSource=1\n")));
    EXPECT_EQ(ReadPropSettings(IniFile(f.ini.file(QStringLiteral("o.INI")))).ReportSource, ReportSourceKind::Ftp);
}

}  // namespace
