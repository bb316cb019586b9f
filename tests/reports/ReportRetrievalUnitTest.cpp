// The session's checks and failures that need no FTP server.
#include <gtest/gtest.h>

#include <QTimer>

#include "common/MessageService.h"
#include "reports/ReportRetrieval.h"
#include "support/ScriptedResolver.h"

using namespace orvane;
using namespace orvane::reports;

namespace {

class StubView : public RetrievalView {
public:
    QString hostText() const override { return host; }
    QString passwordText() const override { return password; }
    bool useProxyTicked() const override { return useProxy; }
    bool isReportTicked(int) const override { return true; }
    void clearStatusLines() override { lines.clear(); }
    void addStatusLine(const QString& line) override { lines << line; }
    void setStatusPanel(int panel, const QString& text) override { panels[panel] = text; }
    void showProgress(const ProgressBarState&, const ProgressBarState&) override {}
    void setRetrievalRunning(bool on) override { runningStates.push_back(on); }
    void showReportTabs() override { ++tabRefreshes; }
    void processEvents() override {}

    QString host = QStringLiteral("no.such.host.invalid");
    QString password = QStringLiteral("me@example.org");
    bool useProxy = false;
    QStringList lines;
    QString panels[2];
    std::vector<bool> runningStates;
    int tabRefreshes = 0;
};

TEST(ReportRetrievalTest, EmptyPasswordIsRefusedBeforeAnythingHappens) {
    PropSettings settings = defaultPropSettings();
    settings.ReportSource = ReportSourceKind::Ftp;
    StubView view;
    view.password.clear();
    RecordingMessageService messages;
    ReportRetrieval retrieval(settings, view, messages, std::make_unique<ScriptedResolver>(std::vector{ScriptedResolver::notFound()}));
    EXPECT_FALSE(retrieval.GetLatest());
    ASSERT_EQ(messages.messages.size(), 1u);
    EXPECT_EQ(messages.messages[0],
              "You must enter a password to retrieve reports. It's no big deal. \n"
              " Just right click and select Configure Reports");
    EXPECT_TRUE(view.runningStates.empty());
    EXPECT_TRUE(messages.errors.empty());
}

TEST(ReportRetrievalTest, UnknownHostShowsTheLookupMessageThenTheError) {
    PropSettings settings = defaultPropSettings();
    settings.ReportSource = ReportSourceKind::Ftp;
    StubView view;
    view.password = QStringLiteral("   ");  // only the empty text is refused
    RecordingMessageService messages;
    ReportRetrieval retrieval(settings, view, messages, std::make_unique<ScriptedResolver>(std::vector{ScriptedResolver::notFound()}));
    EXPECT_FALSE(retrieval.GetLatest());
    EXPECT_EQ(messages.messages, (std::vector<std::string>{"Invalid Host, or Host Lookup failed"}));
    EXPECT_EQ(messages.errors, (std::vector<std::string>{"Null Remote Address: no.such.host.invalid could not be resolved"}));
    EXPECT_TRUE(view.lines.isEmpty());
    EXPECT_TRUE(view.panels[0].isEmpty());
    EXPECT_EQ(view.runningStates, (std::vector<bool>{true, false}));
    EXPECT_EQ(view.tabRefreshes, 0);
}

TEST(ReportRetrievalTest, ProxyIsTakenFromTheSettingsOnlyWhenTicked) {
    PropSettings settings = defaultPropSettings();
    settings.ReportSource = ReportSourceKind::Ftp;
    settings.Proxy = QStringLiteral("proxy.invalid");
    settings.ProxyPort = 8021;
    StubView view;
    RecordingMessageService messages;
    ReportRetrieval retrieval(settings, view, messages, std::make_unique<ScriptedResolver>(std::vector{ScriptedResolver::notFound()}));
    view.useProxy = true;
    retrieval.GetLatest();
    EXPECT_EQ(retrieval.client().Proxy, QStringLiteral("proxy.invalid"));
    EXPECT_EQ(retrieval.client().ProxyPort, 8021);
    view.useProxy = false;
    retrieval.GetLatest();
    EXPECT_TRUE(retrieval.client().Proxy.isEmpty());
    EXPECT_EQ(retrieval.client().UserID, QStringLiteral("anonymous"));
    EXPECT_EQ(retrieval.client().TimeOut, 20000);
    EXPECT_EQ(retrieval.client().ReportLevel, 2);
}

}  // namespace
