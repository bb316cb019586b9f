#pragma once

#include <QString>
#include <QStringList>
#include <QUrl>

#include <array>
#include <memory>

#include "net/HttpsClient.h"
#include "net/Nmftp.h"
#include "reports/PropSettings.h"

namespace orvane {
class MessageService;
}

namespace orvane::reports {

// A progress bar's range, step and position. Stepping stops at the maximum:
// a bar that is full stays full until the next retrieval resets it.
struct ProgressBarState {
    int maximum = 0;
    int step = 0;
    int position = 0;

    void stepIt() { position = position + step > maximum ? maximum : position + step; }
    bool operator==(const ProgressBarState&) const = default;
};

// Responsibilities: what a retrieval reads from and shows on its windows: the
// retrieval dialog's check list, fields, status lines and progress bar, and
// the main window's status bar, report progress bar, menu item and report
// tabs. The dialog implements it; orvane-cli and the tests put their own in.
class RetrievalView {
public:
    virtual ~RetrievalView() = default;

    // The fields of the dialog.
    virtual QString hostText() const = 0;
    virtual QString passwordText() const = 0;
    virtual bool useProxyTicked() const = 0;
    // The check list, read at the moment the session reaches the report.
    virtual bool isReportTicked(int index) const = 0;

    virtual void clearStatusLines() = 0;
    virtual void addStatusLine(const QString& line) = 0;
    // Panel 0 (progress) or 1 (otherwise hints) of the main status bar.
    virtual void setStatusPanel(int panel, const QString& text) = 0;
    virtual void showProgress(const ProgressBarState& dialogBar, const ProgressBarState& mainBar) = 0;
    // Disables the Get Latest button and menu item and shows the busy
    // cursor while running; restores all three afterwards.
    virtual void setRetrievalRunning(bool running) = 0;
    // Reloads the report tabs from the downloaded files.
    virtual void showReportTabs() = 0;
    // Lets the windows handle what is pending before the next report.
    virtual void processEvents() = 0;
    // After a session, for each report it was to fetch: why it did not
    // arrive, or an empty reason when it did. Views without report tabs
    // need not listen.
    virtual void showReportFailure(int /*index*/, const QString& /*reason*/) {}
};

// Responsibilities: one report retrieval, from the source the settings name.
//
// From the FTP server: log in to the report server as "anonymous", change to
// the home directory, download every ticked report of the catalogue in
// catalogue order (changing to the directories of the four reports that live
// elsewhere, and back home after the alerts), and log out, reporting every
// protocol line and the progress as it goes.
//
// From the web service: every ticked report in catalogue order, each by GET
// of its web path below WebBase over one keep-alive HTTPS connection
// ("GET https://... 200 OK (455 bytes)"); a report the web service does not
// serve comes from the FTP server in the same run (logged in when the first
// such report is reached, each from its own directory, logged out at the
// end). A body that is no report (an HTML page, a NUL byte, over 4 MiB) is
// refused like a failed transfer; a report is stored only when complete
// (temporary file, rename), so a failure keeps the earlier copy. The FTP
// server's failures in such a run are the failures of its reports, with no
// message box and the status lines kept.
//
// It owns both clients and turns their events into texts for the view.
//
// An error of one report ends that report only: it is added to the status
// lines with its reason ("ALTS.txt: Transfer Timed out"), and the session
// goes on with the next one. The last status line says how many of the
// selected reports arrived and why the others did not ("6 of 8 reports
// fetched; ALTS.txt: ..."). A control connection that closes ends the
// session with one error instead of a failure per remaining report. An error
// of the login or of the home directory ends the session and is shown by the
// standard error display. Exceptions never leave GetLatest.
//
// Bounds: 20 s of silence on any connection, 120 s for any one operation
// (a report's transfer included), 16 MiB for a report by FTP, 4 MiB from the
// web service; client() and web() are reachable so tests can make them
// small.
//
// Collaborations: net::TNMFTP and net::HttpsClient (the session's clients),
// PropSettings (the source and the proxy for the session), RetrievalView,
// MessageService.
class ReportRetrieval {
public:
    static constexpr int kTimeOutMs = 20000;
    static constexpr int kReportLevel = 2;
    static constexpr int kInitialMainBarMaximum = 11101;
    static constexpr int kOperationTimeOutMs = 120000;
    static constexpr qint64 kMaxReportBytes = 16 * 1024 * 1024;

    ReportRetrieval(PropSettings& settings, RetrievalView& view, MessageService& messages,
                    std::unique_ptr<HostResolver> lookup = nullptr);
    ~ReportRetrieval();
    ReportRetrieval(const ReportRetrieval&) = delete;
    ReportRetrieval& operator=(const ReportRetrieval&) = delete;

    // The Get Latest action of the dialog and of the menu: checks the
    // password (when the FTP server will be asked), sets up the proxy, runs the session with the controls locked,
    // then reloads the report tabs. Returns true only when every selected
    // report arrived; a failure has been shown (status lines or error display).
    bool GetLatest();

    // The steps of a session; they throw the client's errors.
    void RunRetrieval();
    void ConnectToServer();
    void CountSelectedReports();
    void DownloadSelectedReports();

    // Stops a running session at program end: ends the waits, fetches no
    // further report and shows no error.
    void Abort();

    bool running() const { return running_; }
    bool ChangeDirOk() const { return changeDirOk_; }
    int SelectedCount() const { return selectedCount_; }
    // Of the last session: the selected reports that arrived, and why each
    // of the others did not ("ALTS.txt: Transfer Timed out").
    int fetchedCount() const { return fetchedCount_; }
    const QStringList& failures() const { return failures_; }
    // Of the last session, by catalogue index: why the report did not
    // arrive; empty when it did or was not asked for.
    const QString& reportFailure(int index) const { return reportFailures_[static_cast<std::size_t>(index)]; }
    const ProgressBarState& dialogBar() const { return dialogBar_; }
    const ProgressBarState& mainBar() const { return mainBar_; }

    // The port of the report server, copied into the client before each
    // connection; 21 unless a test server stands in.
    int ServerPort = 21;
    // The web service's base address; the catalogue's web paths resolve
    // below it.
    QUrl WebBase = QUrl(QStringLiteral("https://services.swpc.noaa.gov/"));

    net::TNMFTP& client() { return NMFTP_Solar; }
    net::HttpsClient& web() { return web_; }

private:
    void bindClientEvents();
    void showProgress();
    // True when this retrieval will ask the FTP server for anything.
    bool needsFtp() const;
    // The session from the web service, with the FTP server for the reports
    // it does not serve.
    void runFromWeb();
    void fetchFromWeb(int index);
    void fetchFromFtp(int index);
    // A block of a report arrived: both bars step, panel 0 counts the bytes.
    void packetReceived(qint64 received, qint64 total);

    void NMFTP_SolarConnect();
    void NMFTP_SolarDisconnect();
    void NMFTP_SolarSuccess(net::TCmdType type);
    void NMFTP_SolarFailure(bool& handled, net::TCmdType type);
    void NMFTP_SolarError(int errorNo, const QString& text);
    void NMFTP_SolarInvalidHost(bool& handled);
    void NMFTP_SolarStatus(const QString& text);
    void NMFTP_SolarPacketRecvd();
    void NMFTP_SolarTransactionStart();
    void NMFTP_SolarTransactionStop();
    void NMFTP_SolarUnSupportedFunction(net::TCmdType type);

    PropSettings& settings_;
    RetrievalView& view_;
    MessageService& messages_;
    net::TNMFTP NMFTP_Solar;
    net::HttpsClient web_;

    // `index` is the report's, -1 for a step that belongs to no report.
    void reportFailed(const QString& what, const std::exception& error, int index = -1);
    // Tells the view, report by report, what the session brought.
    void showReportFailures(const std::string& sessionError);
    // "6 of 8 reports fetched; ALTS.txt: ..."
    QString summary() const;
    QString fetchedCountText() const;  // "N of M reports fetched"

    bool running_ = false;
    int fetchedCount_ = 0;
    int attemptedCount_ = 0;
    bool connectionLost_ = false;
    // Of a run from the web service: why the FTP server cannot be used for
    // the reports that need it (empty while it can), and its current folder.
    QString ftpBroken_;
    QString ftpFolder_;
    bool webRun_ = false;
    QStringList failures_;
    std::array<QString, kReportCount> reportFailures_{};
    std::array<bool, kReportCount> attempted_{};
    std::array<bool, kReportCount> fetched_{};
    bool stopping_ = false;
    bool changeDirOk_ = false;
    int selectedCount_ = 0;
    ProgressBarState dialogBar_;
    ProgressBarState mainBar_{kInitialMainBarMaximum, 10, 0};
};

// The message of Get Latest with an empty password.
QString emptyPasswordMessage();

}  // namespace orvane::reports
