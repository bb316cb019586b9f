// The retrieval from the web service against a real HTTPS server on
// 127.0.0.1 (and the real FTP server for the reports the web service lacks).
#include <gtest/gtest.h>

#include <QDir>
#include <QRegularExpression>
#include <QTimer>

#include "FakeRetrievalView.h"
#include "ReportTree.h"
#include "common/MessageService.h"
#include "reports/ReportRetrieval.h"
#include "support/FtpTestServer.h"
#include "support/HttpsTestServer.h"
#include "support/ScriptedResolver.h"

using namespace orvane;
using namespace orvane::reports;
using orvane::reports::test::FakeView;

namespace {

// The test CA is trusted the way a user trusts a private mirror's CA: through
// SSL_CERT_FILE, read when a client is made.
void trustTestCa() {
    ASSERT_TRUE(TestCertificates::get().ok()) << TestCertificates::get().error().toStdString();
    qputenv("SSL_CERT_FILE", TestCertificates::get().caFile().toLocal8Bit());
}

PropSettings webOnly(std::initializer_list<int> indices) {
    PropSettings s = defaultPropSettings();
    s.Reports.fill(false);
    for (int i : indices) s.Reports[static_cast<std::size_t>(i)] = true;
    return s;
}

struct WebSession {
    WebSession(PropSettings s, const QString& webBase, int ftpPort = 1, std::unique_ptr<HostResolver> lookup = nullptr)
        : settings(std::move(s)), view(settings), retrieval(settings, view, messages, std::move(lookup)) {
        retrieval.WebBase = QUrl(webBase);
        retrieval.ServerPort = ftpPort;
    }
    PropSettings settings;
    RecordingMessageService messages;
    FakeView view;
    ReportRetrieval retrieval;
};

QByteArray servedWeb(const QString& path) { return served(QStringLiteral("/text/") + path); }

TEST(ReportWebRetrievalTest, DefaultReportsArriveByteForByteOverOneConnectionAndTheAlertsByFtp) {
    trustTestCa();
    HttpsTestServer web;
    ASSERT_TRUE(web.start(reportDataDir())) << web.error().toStdString();
    FtpTestServer ftp;
    ASSERT_TRUE(ftp.start(reportDataDir()));
    WorkingDirectory cwd;
    WebSession s(defaultPropSettings(), web.base(), ftp.port());

    ASSERT_TRUE(s.retrieval.GetLatest()) << s.view.lines.join(QLatin1Char('\n')).toStdString();

    const char* fetched[][2] = {{"wwv.txt", "wwv.txt"},
                                {"27DO.txt", "27-day-outlook.txt"},
                                {"SGAS.txt", "sgas.txt"},
                                {"WKHF.txt", "weekly.txt"},
                                {"rad.txt", "solar_radio_flux.txt"},
                                {"DSD.txt", "daily-solar-indices.txt"},
                                {"DGD.txt", "daily-geomagnetic-indices.txt"}};
    QStringList paths;
    for (const auto& f : fetched) {
        paths << QStringLiteral("/text/") + QString::fromLatin1(f[1]);
        EXPECT_EQ(TempDir::readAll(cwd.file(QString::fromLatin1(f[0]))), servedWeb(QString::fromLatin1(f[1]))) << f[0];
    }
    EXPECT_EQ(web.paths(), paths);
    // One keep-alive connection for all seven, and the program names itself.
    const auto requests = web.requests();
    ASSERT_EQ(requests.size(), 7);
    for (const auto& r : requests) {
        EXPECT_EQ(r.clientPort, requests.front().clientPort) << r.path.toStdString();
        EXPECT_TRUE(r.userAgent.startsWith(QStringLiteral("Orvane++/2.1.2.361"))) << r.userAgent.toStdString();
    }

    // The alerts have no twin on the web service: the FTP server, same run.
    EXPECT_EQ(TempDir::readAll(cwd.file(QStringLiteral("ALTS.txt"))), served(QStringLiteral("/pub/forecasts/ALTS.txt")));
    EXPECT_EQ(ftp.commandsAfterLogin(),
              (QStringList{"CWD /pub/forecasts", "PORT", "RETR ALTS.txt", "QUIT"}));

    const QString wwvLine = QStringLiteral("GET %1text/wwv.txt 200 OK (%2 bytes)").arg(web.base()).arg(servedWeb(QStringLiteral("wwv.txt")).size());
    EXPECT_TRUE(s.view.lines.contains(wwvLine)) << s.view.lines.join(QLatin1Char('\n')).toStdString();
    EXPECT_TRUE(s.view.lines.contains(QStringLiteral("RETR ALTS.txt")));
    EXPECT_EQ(s.view.lines.front(), QStringLiteral("Working..."));
    EXPECT_EQ(s.view.lines.back(), QStringLiteral("8 of 8 reports fetched"));
    // The session's last word in panel 0 is its count, not the last report's own text.
    EXPECT_EQ(s.view.panels[0], QStringLiteral("8 of 8 reports fetched"));
    EXPECT_EQ(s.view.dialogBar, (ProgressBarState{800, 100, 800}));
    EXPECT_EQ(s.view.runningStates, (std::vector<bool>{true, false}));
    EXPECT_EQ(s.view.tabRefreshes, 1);
    EXPECT_TRUE(s.messages.errors.empty());
    EXPECT_FALSE(s.retrieval.client().Connected());
}

TEST(ReportWebRetrievalTest, ARedirectToAnotherHttpsPathIsFollowed) {
    trustTestCa();
    HttpsTestServer web;
    ASSERT_TRUE(web.start(reportDataDir(), {"--redirect", "/text/wwv.txt", "301", "https://127.0.0.1:{port}/text/sgas.txt"}))
        << web.error().toStdString();
    WorkingDirectory cwd;
    WebSession s(webOnly({0}), web.base());

    ASSERT_TRUE(s.retrieval.GetLatest()) << s.view.lines.join(QLatin1Char('\n')).toStdString();

    EXPECT_EQ(TempDir::readAll(cwd.file(QStringLiteral("wwv.txt"))), servedWeb(QStringLiteral("sgas.txt")));
    EXPECT_EQ(web.paths(), (QStringList{"/text/wwv.txt", "/text/sgas.txt"}));
    EXPECT_TRUE(s.view.lines.contains(QStringLiteral("GET %1text/wwv.txt 301 Moved Permanently -> %1text/sgas.txt").arg(web.base())))
        << s.view.lines.join(QLatin1Char('\n')).toStdString();
    EXPECT_EQ(s.view.lines.back(), QStringLiteral("1 of 1 reports fetched"));
}

// One failure of one report: the reason in the last status line, the earlier
// copy kept byte for byte, no temporary file left behind.
struct FailureCase {
    const char* name;
    QStringList rules;
    const char* basePath;  // below the server's root
    bool wrongCertificate;
    const char* reason;    // a part of the reason
    int timeOutMs = 20000;  // of silence; short only where the silence is the case
};

void PrintTo(const FailureCase& c, std::ostream* os) { *os << c.name; }

class ReportWebFailureTest : public ::testing::TestWithParam<FailureCase> {};

TEST_P(ReportWebFailureTest, EndsThatReportAndKeepsTheEarlierCopy) {
    const FailureCase& c = GetParam();
    trustTestCa();
    HttpsTestServer web;
    ASSERT_TRUE(web.start(reportDataDir(), c.rules, c.wrongCertificate)) << web.error().toStdString();
    WorkingDirectory cwd;
    const QByteArray earlier = "yesterday's wwv\n";
    TempDir::write(cwd.file(QStringLiteral("wwv.txt")), earlier);
    WebSession s(webOnly({0, 8}), web.base() + QString::fromLatin1(c.basePath));
    s.retrieval.web().TimeOut = c.timeOutMs;

    EXPECT_FALSE(s.retrieval.GetLatest());

    EXPECT_EQ(TempDir::readAll(cwd.file(QStringLiteral("wwv.txt"))), earlier);
    const QString last = s.view.lines.isEmpty() ? QString() : s.view.lines.back();
    EXPECT_TRUE(last.startsWith(QStringLiteral("1 of 2 reports fetched; wwv.txt: ")) ||
                last.startsWith(QStringLiteral("0 of 2 reports fetched; wwv.txt: ")))
        << last.toStdString();
    EXPECT_TRUE(last.contains(QString::fromLatin1(c.reason))) << last.toStdString();
    const QStringList left = QDir(cwd.path()).entryList(QDir::Files);
    for (const QString& name : left)
        EXPECT_TRUE(name == QStringLiteral("wwv.txt") || name == QStringLiteral("SGAS.txt")) << name.toStdString();
    EXPECT_EQ(s.view.runningStates, (std::vector<bool>{true, false}));
    EXPECT_TRUE(s.messages.errors.empty());
    // The failed report's tab is told why; the other one whether it came.
    ASSERT_EQ(s.view.reportFailures.count(0), 1u);
    EXPECT_TRUE(s.view.reportFailures[0].contains(QString::fromLatin1(c.reason))) << s.view.reportFailures[0].toStdString();
    ASSERT_EQ(s.view.reportFailures.count(8), 1u);
    EXPECT_EQ(s.view.reportFailures[8].isEmpty(), QFile::exists(cwd.file(QStringLiteral("SGAS.txt"))));
}

INSTANTIATE_TEST_SUITE_P(
    Cases, ReportWebFailureTest,
    ::testing::Values(
        FailureCase{"NotFound", {}, "nowhere/", false, "HTTP 404"},
        FailureCase{"RedirectToHttpRefused",
                    {"--redirect", "/text/wwv.txt", "301", "http://127.0.0.1:{port}/text/wwv.txt"}, "", false,
                    "refused: only https is followed"},
        FailureCase{"HtmlPageWith200", {"--html", "/text/wwv.txt"}, "", false,
                    "an HTML page (\"Service Unavailable\"), not a report"},
        FailureCase{"NulByte", {"--nul", "/text/wwv.txt"}, "", false, "holds a NUL byte"},
        FailureCase{"OverFourMiB", {"--big", "/text/wwv.txt", "4194305"}, "", false, "Transfer too large"},
        FailureCase{"StallMidBody", {"--stall", "/text/wwv.txt"}, "", false, "Transfer Timed out", 500},
        // Framings that do not say the body is complete: the fragment is not a report.
        FailureCase{"ChunkSizeNotHex", {"--bad-chunk", "/text/wwv.txt", "zz"}, "", false,
                    "Bad HTTP answer: chunk size 'zz'"},
        FailureCase{"ChunkSizeBeyondAnyLength", {"--bad-chunk", "/text/wwv.txt", "FFFFFFFFFFFFFFFFFFFFFFFF"}, "", false,
                    "Bad HTTP answer: chunk size 'FFFFFFFFFFFFFFFFFFFFFFFF'"},
        FailureCase{"TwoContentLengths", {"--two-lengths", "/text/wwv.txt"}, "", false,
                    "conflicting Content-Length values (10, "},
        FailureCase{"NoLengthAndNoCloseNotify", {"--no-length", "/text/wwv.txt"}, "", false,
                    "Transfer incomplete: a body without a length ended by a bare TCP close, no TLS close_notify (20 bytes)"},
        // A header without end costs 64 KiB, not memory without bound; one
        // trickled byte by byte does not keep the silence from ending it.
        FailureCase{"EndlessHeader", {"--endless-header", "/text/wwv.txt"}, "", false,
                    "HTTP header too large: over 65536 bytes"},
        FailureCase{"TrickledHeader", {"--trickle-header", "/text/wwv.txt"}, "", false, "Transfer Timed out", 1000},
        FailureCase{"WrongHostName", {}, "", true, "TLS error: The host name did not match"}),
    [](const ::testing::TestParamInfo<FailureCase>& row) { return std::string(row.param.name); });

// A body whose framing says it is complete replaces the earlier copy: chunked,
// or without a length but ended by TLS close_notify.
TEST(ReportWebRetrievalTest, BodiesFramedCompleteAreStored) {
    trustTestCa();
    for (const char* rule : {"--chunked", "--no-length-notify"}) {
        HttpsTestServer web;
        ASSERT_TRUE(web.start(reportDataDir(), {QString::fromLatin1(rule), "/text/wwv.txt"})) << web.error().toStdString();
        WorkingDirectory cwd;
        TempDir::write(cwd.file(QStringLiteral("wwv.txt")), "yesterday's wwv\n");
        WebSession s(webOnly({0, 8}), web.base());

        EXPECT_TRUE(s.retrieval.GetLatest()) << rule << ": " << s.view.lines.join(QLatin1Char('\n')).toStdString();

        EXPECT_EQ(TempDir::readAll(cwd.file(QStringLiteral("wwv.txt"))), servedWeb(QStringLiteral("wwv.txt"))) << rule;
        EXPECT_EQ(TempDir::readAll(cwd.file(QStringLiteral("SGAS.txt"))), servedWeb(QStringLiteral("sgas.txt"))) << rule;
    }
}

// A kept connection the server closed without answering the next request:
// the request goes once more over a new connection.
TEST(ReportWebRetrievalTest, AKeptConnectionClosedBeforeTheAnswerIsReplacedOnce) {
    trustTestCa();
    HttpsTestServer web;
    ASSERT_TRUE(web.start(reportDataDir(), {"--drop-next", "/text/wwv.txt"})) << web.error().toStdString();
    WorkingDirectory cwd;
    WebSession s(webOnly({0, 8}), web.base());

    ASSERT_TRUE(s.retrieval.GetLatest()) << s.view.lines.join(QLatin1Char('\n')).toStdString();

    EXPECT_EQ(TempDir::readAll(cwd.file(QStringLiteral("SGAS.txt"))), servedWeb(QStringLiteral("sgas.txt")));
    const auto requests = web.requests();
    ASSERT_EQ(requests.size(), 3);
    EXPECT_EQ(web.paths(), (QStringList{"/text/wwv.txt", "/text/sgas.txt", "/text/sgas.txt"}));
    EXPECT_EQ(requests[1].clientPort, requests[0].clientPort);
    EXPECT_NE(requests[2].clientPort, requests[0].clientPort);
}

TEST(ReportWebRetrievalTest, WithoutTheTestCaTheServerIsNotTrusted) {
    qunsetenv("SSL_CERT_FILE");
    HttpsTestServer web;
    ASSERT_TRUE(web.start(reportDataDir())) << web.error().toStdString();
    WorkingDirectory cwd;
    WebSession s(webOnly({0}), web.base());

    EXPECT_FALSE(s.retrieval.GetLatest());

    EXPECT_TRUE(s.retrieval.failures().value(0).startsWith(QStringLiteral("wwv.txt: TLS error: ")))
        << s.retrieval.failures().value(0).toStdString();
    EXPECT_FALSE(QFile::exists(cwd.file(QStringLiteral("wwv.txt"))));
}

TEST(ReportWebRetrievalTest, ACaFileThatDoesNotVouchForTheServerGivesNoTrust) {
    ASSERT_TRUE(TestCertificates::get().ok());
    HttpsTestServer web;
    ASSERT_TRUE(web.start(reportDataDir())) << web.error().toStdString();
    WorkingDirectory cwd;
    TempDir::write(cwd.file(QStringLiteral("empty.pem")), "no certificate here\n");
    struct Case {
        QString caFile;
        const char* note;  // what the failure adds, if anything
    };
    // Another server's certificate is no CA, even with the system's CAs
    // added when it does not help; a file without a certificate is named.
    const Case cases[] = {{TestCertificates::get().certFile(true), ""},
                          {cwd.file(QStringLiteral("empty.pem")), "holds no certificate"}};
    for (const Case& c : cases) {
        qputenv("SSL_CERT_FILE", c.caFile.toLocal8Bit());
        WebSession s(webOnly({0}), web.base());
        EXPECT_FALSE(s.retrieval.GetLatest()) << c.caFile.toStdString();
        const QString failure = s.retrieval.failures().value(0);
        EXPECT_TRUE(failure.startsWith(QStringLiteral("wwv.txt: TLS error: "))) << failure.toStdString();
        EXPECT_TRUE(failure.contains(QString::fromLatin1(c.note))) << failure.toStdString();
    }
    qunsetenv("SSL_CERT_FILE");
    EXPECT_FALSE(QFile::exists(cwd.file(QStringLiteral("wwv.txt"))));
}

TEST(ReportWebRetrievalTest, AnUnreachableFtpServerFailsOnlyTheReportsThatNeedItAndQuietly) {
    trustTestCa();
    HttpsTestServer web;
    ASSERT_TRUE(web.start(reportDataDir())) << web.error().toStdString();
    int freePort = 0;
    {
        FtpTestServer probe;
        ASSERT_TRUE(probe.start(reportDataDir()));
        freePort = probe.port();
    }
    WorkingDirectory cwd;
    WebSession s(webOnly({0, 1, 5}), web.base(), freePort);

    EXPECT_FALSE(s.retrieval.GetLatest());

    EXPECT_EQ(TempDir::readAll(cwd.file(QStringLiteral("wwv.txt"))), servedWeb(QStringLiteral("wwv.txt")));
    // The web service's lines stay; the FTP server's failure is each
    // report's reason, said once per report and in no message box.
    EXPECT_TRUE(s.view.lines.filter(QStringLiteral("GET ")).size() == 1) << s.view.lines.join(QLatin1Char('\n')).toStdString();
    const QString reason =
        QStringLiteral("FTP server: Connection Failed: 127.0.0.1:%1 could not be reached (Connection refused)").arg(freePort);
    EXPECT_EQ(s.view.lines.back(), QStringLiteral("1 of 3 reports fetched; AK.txt: %1; ALTS.txt: %1").arg(reason));
    EXPECT_EQ(s.view.panels[0], QStringLiteral("1 of 3 reports fetched"));
    // Each tab hears of its own report: the two that failed why, the one that came nothing.
    EXPECT_EQ(s.view.reportFailures, (std::map<int, QString>{{0, QString()}, {1, reason}, {5, reason}}));
    EXPECT_TRUE(s.messages.messages.empty());
    EXPECT_TRUE(s.messages.errors.empty());
}

TEST(ReportWebRetrievalTest, AnUnreachableWebServiceIsNamedWithItsPort) {
    int freePort = 0;
    {
        FtpTestServer probe;
        ASSERT_TRUE(probe.start(reportDataDir()));
        freePort = probe.port();
    }
    WorkingDirectory cwd;
    WebSession s(webOnly({0}), QStringLiteral("https://127.0.0.1:%1/").arg(freePort));

    EXPECT_FALSE(s.retrieval.GetLatest());

    EXPECT_EQ(s.retrieval.failures(),
              QStringList{QStringLiteral("wwv.txt: Connection Failed: 127.0.0.1:%1 could not be reached (Connection refused)")
                              .arg(freePort)});
}

TEST(ReportWebRetrievalTest, APasswordIsAskedForOnlyWhenTheFtpServerIsNeeded) {
    trustTestCa();
    HttpsTestServer web;
    ASSERT_TRUE(web.start(reportDataDir())) << web.error().toStdString();
    WorkingDirectory cwd;
    WebSession webOnlyRun(webOnly({0, 8}), web.base());
    webOnlyRun.view.password.clear();
    EXPECT_TRUE(webOnlyRun.retrieval.GetLatest());
    EXPECT_TRUE(webOnlyRun.messages.messages.empty());

    WebSession withAlerts(webOnly({0, 5}), web.base());
    withAlerts.view.password.clear();
    EXPECT_FALSE(withAlerts.retrieval.GetLatest());
    ASSERT_EQ(withAlerts.messages.messages.size(), 1u);
    EXPECT_TRUE(withAlerts.messages.messages[0].starts_with("You must enter a password"));
}

TEST(ReportWebRetrievalTest, AnUnknownFtpHostNeitherClearsTheLinesNorPopsUpABox) {
    trustTestCa();
    HttpsTestServer web;
    ASSERT_TRUE(web.start(reportDataDir())) << web.error().toStdString();
    WorkingDirectory cwd;
    WebSession s(webOnly({0, 5}), web.base(), 21,
                 std::make_unique<ScriptedResolver>(std::vector{ScriptedResolver::notFound()}));
    s.view.host = QStringLiteral("ftp.example.invalid");

    EXPECT_FALSE(s.retrieval.GetLatest());

    EXPECT_TRUE(s.view.lines.contains(QStringLiteral("Working...")));
    EXPECT_EQ(s.view.lines.filter(QStringLiteral("GET ")).size(), 1);
    EXPECT_EQ(s.view.lines.back(), QStringLiteral("1 of 2 reports fetched; ALTS.txt: FTP server: Null Remote Address: ftp.example.invalid could not be resolved"));
    EXPECT_TRUE(s.messages.messages.empty());
    EXPECT_TRUE(s.messages.errors.empty());
}

TEST(ReportWebRetrievalTest, ProgramEndStopsAFetchQuietlyAndKeepsTheEarlierCopy) {
    trustTestCa();
    HttpsTestServer web;
    ASSERT_TRUE(web.start(reportDataDir(), {"--stall", "/text/wwv.txt"})) << web.error().toStdString();
    WorkingDirectory cwd;
    TempDir::write(cwd.file(QStringLiteral("wwv.txt")), "yesterday's wwv\n");
    WebSession s(webOnly({0, 8}), web.base());
    // The stalled body would hold the session for 20 s; the program ends first.
    s.view.onProcessEvents = [&s] {
        QTimer::singleShot(0, [&s] { QTimer::singleShot(50, [&s] { s.retrieval.Abort(); }); });
        s.view.onProcessEvents = nullptr;
    };

    EXPECT_FALSE(s.retrieval.GetLatest());

    EXPECT_EQ(TempDir::readAll(cwd.file(QStringLiteral("wwv.txt"))), QByteArray("yesterday's wwv\n"));
    EXPECT_FALSE(QFile::exists(cwd.file(QStringLiteral("SGAS.txt"))));  // nothing after the stop
    EXPECT_TRUE(s.messages.errors.empty());
    EXPECT_TRUE(s.messages.messages.empty());
    EXPECT_EQ(s.view.runningStates, (std::vector<bool>{true, false}));
}

}  // namespace
