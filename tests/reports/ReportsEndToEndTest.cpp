// The retrieval dialog and the report tabs against a real FTP server.
#include <gtest/gtest.h>

#include <QApplication>
#include <QListWidget>
#include <QPlainTextEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QAction>
#include <QComboBox>
#include <QLabel>

#include "ReportTree.h"
#include "support/FtpTestServer.h"
#include "support/HttpsTestServer.h"
#include "common/FakeClock.h"
#include "common/IniFile.h"
#include "common/MessageService.h"
#include "reports/ReportDisplay.h"
#include "reports/ui/PropagationPage.h"
#include "reports/ui/Setupftp.h"

using namespace orvane;
using namespace orvane::reports;

namespace {

struct Program {
    // From the FTP server alone, or, given the web service's base, as the
    // settings say (the web service by default).
    explicit Program(int port, const QString& webBase = QString()) : page(settings, clock) {
        settings = ReadPropSettings(IniFile(ini()));
        if (webBase.isEmpty()) settings.ReportSource = ReportSourceKind::Ftp;
        page.AssignHelpContexts();
        page.ShowReportTabs();
        dialog = std::make_unique<TfrmSolarFtpSetup>(
            settings, IniFile(ini()), ReportServer{QStringLiteral("127.0.0.1"), port, QUrl(webBase)}, page,
            [this](int panel, const QString& text) { panels[panel] = text; }, messages);
    }
    static QString ini() { return QDir::current().absoluteFilePath(QStringLiteral("orvane.INI")); }

    FakeClock clock;
    PropSettings settings;
    PropagationPage page;
    RecordingMessageService messages;
    QString panels[2];
    std::unique_ptr<TfrmSolarFtpSetup> dialog;
};

TEST(ReportsEndToEndTest, GetLatestFillsTheTabsAndEndsWithFullBarsAndDisconnected) {
    FtpTestServer server;
    ASSERT_TRUE(server.start(reportDataDir()));
    WorkingDirectory cwd;
    Program p(server.port());
    TfrmSolarFtpSetup& d = *p.dialog;

    d.btnGetLatest->click();

    ASSERT_TRUE(p.messages.errors.empty()) << p.messages.errors.front();
    EXPECT_EQ(server.commandsAfterLogin().filter(QStringLiteral("RETR")).size(), 8);
    EXPECT_EQ(server.commandsAfterLogin().back(), QStringLiteral("QUIT"));
    const char* shown[][2] = {{"wwv.txt", "/pub/latest/wwv.txt"}, {"ALTS.txt", "/pub/forecasts/ALTS.txt"},
                              {"DGD.txt", "/pub/indices/DGD.txt"}};
    for (const auto& s : shown) {
        const int index = reportIndexOfKey(QString::fromLatin1(s[0]).section(QLatin1Char('.'), 0, 0));
        const QString expected = *readReportFile(reportDataDir() + QString::fromLatin1(s[1]));
        EXPECT_FALSE(expected.isEmpty());
        EXPECT_EQ(p.page.memos[static_cast<std::size_t>(index)]->toPlainText(), expected) << s[0];
    }
    EXPECT_TRUE(p.page.memos[1]->toPlainText().isEmpty());

    const QStringList lines = d.StatusMemo->toPlainText().split(QLatin1Char('\n'));
    EXPECT_EQ(lines.front(), QStringLiteral("Working..."));
    EXPECT_TRUE(lines.contains(QStringLiteral("QUIT")));
    EXPECT_EQ(p.panels[0], QStringLiteral("8 of 8 reports fetched"));
    EXPECT_EQ(d.ProgressBar1->maximum(), 800);
    EXPECT_EQ(d.ProgressBar1->value(), 800);
    EXPECT_EQ(p.page.ProgressBar1->maximum(), 800);
    EXPECT_EQ(p.page.ProgressBar1->value(), 800);
    EXPECT_TRUE(d.btnGetLatest->isEnabled());
    EXPECT_TRUE(p.page.puGetLatestReports->isEnabled());
    EXPECT_EQ(QApplication::overrideCursor(), nullptr);
}

TEST(ReportsEndToEndTest, TheNewSelectionSurvivesARestart) {
    FtpTestServer server;
    ASSERT_TRUE(server.start(reportDataDir()));
    WorkingDirectory cwd;
    {
        Program first(server.port());
        first.dialog->clbLatestFiles->item(1)->setCheckState(Qt::Checked);    // AK
        first.dialog->clbLatestFiles->item(0)->setCheckState(Qt::Unchecked);  // wwv
        first.dialog->btnGetLatestClick();
        ASSERT_TRUE(first.messages.errors.empty());
    }  // program end: the dialog writes the settings

    const QString text = QString::fromLatin1(TempDir::readAll(Program::ini()));
    EXPECT_TRUE(text.contains(QStringLiteral("\nwwv=0\nAK=1\n"))) << text.toStdString();

    Program second(server.port());
    EXPECT_EQ(second.dialog->clbLatestFiles->item(0)->checkState(), Qt::Unchecked);
    EXPECT_EQ(second.dialog->clbLatestFiles->item(1)->checkState(), Qt::Checked);
    // The stored report is on its tab at once, before any retrieval.
    EXPECT_TRUE(second.page.isReportTabVisible(1));
    EXPECT_FALSE(second.page.isReportTabVisible(0));
    EXPECT_EQ(second.page.memos[1]->toPlainText(), *readReportFile(reportDataDir() + QStringLiteral("/pub/latest/AK.txt")));
}

TEST(ReportsEndToEndTest, FromTheWebServiceTheTabsFillAndSayHowOldEachReportIs) {
    ASSERT_TRUE(TestCertificates::get().ok());
    qputenv("SSL_CERT_FILE", TestCertificates::get().caFile().toLocal8Bit());
    HttpsTestServer web;
    ASSERT_TRUE(web.start(reportDataDir())) << web.error().toStdString();
    FtpTestServer ftp;
    ASSERT_TRUE(ftp.start(reportDataDir()));
    WorkingDirectory cwd;
    Program p(ftp.port(), web.base());
    p.clock.set(1790068500000);  // 2026-09-22 09:15 UTC
    qunsetenv("SSL_CERT_FILE");
    TfrmSolarFtpSetup& d = *p.dialog;
    EXPECT_EQ(d.cbReportSource->currentIndex(), 0);

    d.btnGetLatest->click();

    ASSERT_TRUE(p.messages.errors.empty()) << p.messages.errors.front();
    EXPECT_EQ(web.requests().size(), 7);
    EXPECT_EQ(p.page.memos[0]->toPlainText(), *readReportFile(reportDataDir() + QStringLiteral("/text/wwv.txt")));
    EXPECT_EQ(p.page.memos[5]->toPlainText(), *readReportFile(reportDataDir() + QStringLiteral("/pub/forecasts/ALTS.txt")));
    // wwv.txt of the test tree was issued at 06:05.
    EXPECT_EQ(p.page.ageLines[0]->text(), QStringLiteral("issued 2026-09-22 06:05 UTC, 3 h ago"));
    EXPECT_FALSE(p.page.isReportStale(0));
    const QStringList lines = d.StatusMemo->toPlainText().split(QLatin1Char('\n'));
    EXPECT_EQ(lines.back(), QStringLiteral("8 of 8 reports fetched"));
    EXPECT_EQ(d.ProgressBar1->value(), d.ProgressBar1->maximum());
    EXPECT_TRUE(d.btnGetLatest->isEnabled());
    EXPECT_EQ(QApplication::overrideCursor(), nullptr);
}

}  // namespace
