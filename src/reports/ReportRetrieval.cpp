#include "reports/ReportRetrieval.h"

#include "common/MessageService.h"
#include "common/OrvaneError.h"
#include "net/CaptureTarget.h"
#include "reports/ReportBody.h"

#include <QScopeGuard>

#include <exception>

namespace orvane::reports {

using net::TCmdType;

QString emptyPasswordMessage() {
    return QStringLiteral(
        "You must enter a password to retrieve reports. It's no big deal. \n"
        " Just right click and select Configure Reports");
}

ReportRetrieval::ReportRetrieval(PropSettings& settings, RetrievalView& view, MessageService& messages,
                                 std::unique_ptr<HostResolver> lookup)
    : settings_(settings), view_(view), messages_(messages), NMFTP_Solar(std::move(lookup)) {
    NMFTP_Solar.Port = 21;
    NMFTP_Solar.TimeOut = kTimeOutMs;
    NMFTP_Solar.ReportLevel = kReportLevel;
    NMFTP_Solar.UserID = QStringLiteral("anonymous");
    NMFTP_Solar.ProxyPort = 0;
    NMFTP_Solar.Vendor = 2411;
    NMFTP_Solar.ParseList = false;
    NMFTP_Solar.OperationTimeOut = kOperationTimeOutMs;
    NMFTP_Solar.MaxDownloadBytes = kMaxReportBytes;
    web_.TimeOut = kTimeOutMs;
    web_.OperationTimeOut = kOperationTimeOutMs;
    web_.MaxBodyBytes = kMaxWebReportBytes;
    bindClientEvents();
}

ReportRetrieval::~ReportRetrieval() {
    // The client's events point back here; none may run while it goes down.
    NMFTP_Solar.OnStatus = nullptr;
    NMFTP_Solar.OnDisconnect = nullptr;
    NMFTP_Solar.OnError = nullptr;
    web_.OnStatus = nullptr;
    web_.OnPacketRecvd = nullptr;
}

void ReportRetrieval::bindClientEvents() {
    NMFTP_Solar.OnConnect = [this] { NMFTP_SolarConnect(); };
    NMFTP_Solar.OnDisconnect = [this] { NMFTP_SolarDisconnect(); };
    NMFTP_Solar.OnSuccess = [this](TCmdType t) { NMFTP_SolarSuccess(t); };
    NMFTP_Solar.OnFailure = [this](bool& handled, TCmdType t) { NMFTP_SolarFailure(handled, t); };
    NMFTP_Solar.OnError = [this](int n, const QString& text) { NMFTP_SolarError(n, text); };
    NMFTP_Solar.OnInvalidHost = [this](bool& handled) { NMFTP_SolarInvalidHost(handled); };
    NMFTP_Solar.OnHostResolved = [] {};
    NMFTP_Solar.OnStatus = [this](const QString& text) { NMFTP_SolarStatus(text); };
    NMFTP_Solar.OnPacketRecvd = [this] { NMFTP_SolarPacketRecvd(); };
    NMFTP_Solar.OnTransactionStart = [this] { NMFTP_SolarTransactionStart(); };
    NMFTP_Solar.OnTransactionStop = [this] { NMFTP_SolarTransactionStop(); };
    NMFTP_Solar.OnUnSupportedFunction = [this](TCmdType t) { NMFTP_SolarUnSupportedFunction(t); };
    web_.OnStatus = [this](const QString& line) { view_.addStatusLine(line); };
    web_.OnPacketRecvd = [this] { packetReceived(web_.BytesRcvd(), web_.BytesTotal()); };
}

bool ReportRetrieval::needsFtp() const {
    if (settings_.ReportSource == ReportSourceKind::Ftp) return true;
    for (int i = 0; i < kReportCount; ++i)
        if (view_.isReportTicked(i) && !reportHasWebPath(i)) return true;
    return false;
}

void ReportRetrieval::showProgress() { view_.showProgress(dialogBar_, mainBar_); }

bool ReportRetrieval::GetLatest() {
    // The button and the menu item are disabled while a session runs; this
    // keeps any other caller from starting a second one inside its waits.
    if (running_) return false;
    if (needsFtp() && view_.passwordText().isEmpty()) {
        messages_.showMessage(emptyPasswordMessage().toStdString());
        return false;
    }
    if (view_.useProxyTicked()) {
        NMFTP_Solar.Proxy = settings_.Proxy;
        NMFTP_Solar.ProxyPort = settings_.ProxyPort;
    } else {
        NMFTP_Solar.Proxy.clear();
    }

    running_ = true;
    stopping_ = false;
    view_.setRetrievalRunning(true);
    dialogBar_.position = 0;
    mainBar_.position = 0;
    showProgress();

    fetchedCount_ = 0;
    attemptedCount_ = 0;
    failures_.clear();
    reportFailures_.fill(QString());
    attempted_.fill(false);
    fetched_.fill(false);
    std::string error;
    try {
        RunRetrieval();
        view_.showReportTabs();
    } catch (const std::exception& e) {
        error = e.what();
        if (error.empty()) error = "Retrieval failed";
        // What did arrive before the session broke is shown all the same.
        if (fetchedCount_ > 0) view_.showReportTabs();
    }
    running_ = false;
    view_.setRetrievalRunning(false);
    // A session stopped because the program ends has nobody left to tell.
    if (stopping_) return false;
    // The session's last word in panel 0 is its count: the last report's own
    // "Download success" would hide the reports that failed before it.
    if (attemptedCount_ > 0) view_.setStatusPanel(0, fetchedCountText());
    showReportFailures(error);
    if (!error.empty()) {
        messages_.showError(error);
        return false;
    }
    return failures_.isEmpty();
}

void ReportRetrieval::RunRetrieval() {
    view_.clearStatusLines();
    view_.addStatusLine(QStringLiteral("Working..."));
    view_.setStatusPanel(0, QStringLiteral("Working..."));
    view_.setStatusPanel(1, QStringLiteral("Please Wait..."));
    if (settings_.ReportSource == ReportSourceKind::Https) {
        runFromWeb();
        return;
    }

    ConnectToServer();
    if (!NMFTP_Solar.Connected()) return;

    NMFTP_Solar.ChangeDir(toQString(kHomeDirectory));
    if (!changeDirOk_) return;
    CountSelectedReports();
    // With nothing ticked there is nothing to fetch: log out at once and
    // leave the bars empty.
    connectionLost_ = false;
    if (selectedCount_ > 0) DownloadSelectedReports();
    if (stopping_) return;
    std::exception_ptr quitError;
    if (!connectionLost_) {
        try {
            NMFTP_Solar.Disconnect();
        } catch (...) {
            quitError = std::current_exception();
        }
    }
    view_.addStatusLine(summary());
    if (connectionLost_) throw OrvaneError("The report server closed the connection: " + summary().toStdString());
    if (quitError) std::rethrow_exception(quitError);
}

void ReportRetrieval::ConnectToServer() {
    NMFTP_Solar.Host = view_.hostText();
    NMFTP_Solar.Port = ServerPort;
    NMFTP_Solar.Password = view_.passwordText();
    NMFTP_Solar.Connect();
}

void ReportRetrieval::CountSelectedReports() {
    selectedCount_ = 0;
    for (int i = 0; i < kReportCount; ++i)
        if (view_.isReportTicked(i)) ++selectedCount_;
    const int maximum = 100 * selectedCount_;
    const int step = selectedCount_ > 0 ? maximum / selectedCount_ : 0;
    dialogBar_.maximum = mainBar_.maximum = maximum;
    dialogBar_.step = mainBar_.step = step;
    showProgress();
}

namespace {

// After a report fetched from elsewhere the session returns home only when a
// later report is fetched from home; the last ones set their own directory.
bool returnsHomeAfter(int index) {
    if (!reportNeedsDirectoryChange(index)) return false;
    for (int later = index + 1; later < kReportCount; ++later)
        if (!reportNeedsDirectoryChange(later)) return true;
    return false;
}

}  // namespace

void ReportRetrieval::reportFailed(const QString& what, const std::exception& error, int index) {
    QString reason = QString::fromStdString(error.what());
    if (reason.isEmpty()) reason = QStringLiteral("failed");
    failures_ << what + QStringLiteral(": ") + reason;
    if (index >= 0) reportFailures_[static_cast<std::size_t>(index)] = reason;
    view_.addStatusLine(failures_.back());
}

void ReportRetrieval::showReportFailures(const std::string& sessionError) {
    const QString broken = QString::fromStdString(sessionError);
    for (int i = 0; i < kReportCount; ++i) {
        const auto at = static_cast<std::size_t>(i);
        // A report the session never reached because it broke off has the
        // session's reason; one it did not get to for want of a tick, none.
        if (!attempted_[at] && !(view_.isReportTicked(i) && !broken.isEmpty())) continue;
        if (!fetched_[at] && reportFailures_[at].isEmpty())
            reportFailures_[at] = broken.isEmpty() ? QStringLiteral("not fetched") : broken;
        view_.showReportFailure(i, fetched_[at] ? QString() : reportFailures_[at]);
    }
}

void ReportRetrieval::DownloadSelectedReports() {
    bool& connectionLost = connectionLost_;
    for (int i = 0; i < kReportCount && !stopping_; ++i) {
        // Read now, so a report ticked while the session runs is included.
        if (!view_.isReportTicked(i)) continue;
        ++attemptedCount_;
        attempted_[static_cast<std::size_t>(i)] = true;
        const QString file = reportFile(i);
        if (connectionLost) {
            failures_ << file + QStringLiteral(": not fetched");
            continue;
        }
        bool leftHome = false;
        try {
            if (reportNeedsDirectoryChange(i)) {
                NMFTP_Solar.ChangeDir(reportDirectory(i));
                leftHome = returnsHomeAfter(i);
            }
            view_.processEvents();
            if (stopping_) break;
            NMFTP_Solar.Download(file, QString());
            ++fetchedCount_;
            fetched_[static_cast<std::size_t>(i)] = true;
        } catch (const std::exception& e) {
            if (stopping_) break;
            reportFailed(file, e, i);
        }
        if (leftHome && NMFTP_Solar.Connected() && !stopping_) {
            try {
                NMFTP_Solar.ChangeDir(toQString(kHomeDirectory));
            } catch (const std::exception& e) {
                reportFailed(QStringLiteral("CWD ") + toQString(kHomeDirectory), e);
            }
        }
        // A closed control connection fails every later report the same
        // way; say it once and stop.
        if (!NMFTP_Solar.Connected()) connectionLost = true;
    }
}

void ReportRetrieval::runFromWeb() {
    webRun_ = true;
    const auto done = qScopeGuard([this] { webRun_ = false; });
    ftpBroken_.clear();
    ftpFolder_.clear();
    CountSelectedReports();
    for (int i = 0; i < kReportCount && !stopping_; ++i) {
        // Read now, so a report ticked while the session runs is included.
        if (!view_.isReportTicked(i)) continue;
        ++attemptedCount_;
        attempted_[static_cast<std::size_t>(i)] = true;
        const QString file = reportFile(i);
        view_.processEvents();
        if (stopping_) break;
        try {
            if (reportHasWebPath(i)) fetchFromWeb(i);
            else fetchFromFtp(i);
            ++fetchedCount_;
            fetched_[static_cast<std::size_t>(i)] = true;
            view_.setStatusPanel(0, QStringLiteral("Download success"));
        } catch (const std::exception& e) {
            if (stopping_) break;
            view_.setStatusPanel(0, QStringLiteral("Download failure"));
            reportFailed(file, e, i);
        }
    }
    if (stopping_) return;
    if (NMFTP_Solar.Connected()) {
        try {
            NMFTP_Solar.Disconnect();
        } catch (const std::exception& e) {
            // Every report is in; a refused QUIT is worth a line, not a failure.
            view_.addStatusLine(QStringLiteral("QUIT: ") + QString::fromStdString(e.what()));
        }
    }
    view_.addStatusLine(summary());
}

void ReportRetrieval::fetchFromWeb(int index) {
    const QUrl url = WebBase.resolved(QUrl(reportWebPath(index)));
    const net::HttpsClient::Response response = web_.Get(url);
    if (const auto refusal = reportBodyRefusal(response.body, response.contentType))
        throw OrvaneError(refusal->toStdString() + "; the earlier copy is kept");
    net::writeFileAtomically(reportFile(index), response.body);
}

void ReportRetrieval::fetchFromFtp(int index) {
    // A login that failed once fails for every later report the same way.
    if (!ftpBroken_.isEmpty()) throw OrvaneError(ftpBroken_.toStdString());
    if (!NMFTP_Solar.Connected()) {
        try {
            ConnectToServer();
            ftpFolder_.clear();
        } catch (const std::exception& e) {
            ftpBroken_ = QStringLiteral("FTP server: ") + QString::fromStdString(e.what());
            throw OrvaneError(ftpBroken_.toStdString());
        }
    }
    // Each report from its own folder, asked for only when it changes.
    if (reportDirectory(index) != ftpFolder_) {
        NMFTP_Solar.ChangeDir(reportDirectory(index));
        ftpFolder_ = reportDirectory(index);
    }
    NMFTP_Solar.Download(reportFile(index), QString());
}

void ReportRetrieval::packetReceived(qint64 received, qint64 total) {
    dialogBar_.stepIt();
    mainBar_.stepIt();
    showProgress();
    view_.setStatusPanel(0, QStringLiteral("%1 bytes of %2 received").arg(received).arg(total));
}

QString ReportRetrieval::fetchedCountText() const {
    return QStringLiteral("%1 of %2 reports fetched").arg(fetchedCount_).arg(attemptedCount_);
}

QString ReportRetrieval::summary() const {
    QString text = fetchedCountText();
    for (const QString& failure : failures_) text += QStringLiteral("; ") + failure;
    return text;
}

void ReportRetrieval::Abort() {
    if (!running_) return;
    stopping_ = true;
    NMFTP_Solar.Abort();
    web_.Abort();
}

void ReportRetrieval::NMFTP_SolarConnect() { view_.setStatusPanel(0, QStringLiteral("Connected")); }

void ReportRetrieval::NMFTP_SolarDisconnect() { view_.setStatusPanel(0, QStringLiteral("Disconnected")); }

void ReportRetrieval::NMFTP_SolarSuccess(TCmdType type) {
    if (type == TCmdType::cmdChangeDir) changeDirOk_ = true;
    if (type == TCmdType::cmdDownload) view_.setStatusPanel(0, QStringLiteral("Download success"));
}

void ReportRetrieval::NMFTP_SolarFailure(bool& handled, TCmdType type) {
    // Left unhandled on purpose: the client then raises the server's reply.
    handled = false;
    if (type == TCmdType::cmdChangeDir) changeDirOk_ = false;
    if (type == TCmdType::cmdDownload) view_.setStatusPanel(0, QStringLiteral("Download failure"));
}

void ReportRetrieval::NMFTP_SolarError(int errorNo, const QString& text) {
    // In a run from the web service the FTP server serves a few reports
    // only: its failure is theirs, named in their lines, and the lines of
    // the others stay.
    if (webRun_) return;
    messages_.showMessage(QStringLiteral("Error %1: %2").arg(errorNo).arg(text).toStdString());
    view_.setStatusPanel(0, QString());
    view_.clearStatusLines();
}

void ReportRetrieval::NMFTP_SolarInvalidHost(bool& handled) {
    handled = false;
    if (webRun_) return;
    messages_.showMessage("Invalid Host, or Host Lookup failed");
    view_.setStatusPanel(0, QString());
    view_.clearStatusLines();
    changeDirOk_ = false;
}

void ReportRetrieval::NMFTP_SolarStatus(const QString& text) { view_.addStatusLine(text); }

void ReportRetrieval::NMFTP_SolarPacketRecvd() { packetReceived(NMFTP_Solar.GetBytesRcvd(), NMFTP_Solar.BytesTotal()); }

void ReportRetrieval::NMFTP_SolarTransactionStart() {
    view_.setStatusPanel(0, QStringLiteral("Starting data transaction"));
}

void ReportRetrieval::NMFTP_SolarTransactionStop() { view_.setStatusPanel(0, QStringLiteral("Transaction Complete")); }

void ReportRetrieval::NMFTP_SolarUnSupportedFunction(TCmdType type) {
    if (type == TCmdType::cmdChangeDir) messages_.showMessage("ChangeDir not supported");
}

}  // namespace orvane::reports
