#pragma once

#include <QDialog>

#include <functional>
#include <memory>

#include "common/IniFile.h"
#include "reports/PropSettings.h"
#include "reports/ReportRetrieval.h"
#include "reports/ReportServer.h"

class QCheckBox;
class QComboBox;
class QFrame;
class QLabel;
class QLineEdit;
class QListWidget;
class QPlainTextEdit;
class QProgressBar;
class QPushButton;

namespace orvane {
class MessageService;
}

namespace orvane::reports {

class PropagationPage;

// Responsibilities: the "Solar FTP Setup" dialog. The user ticks the reports
// to fetch and show, picks the source (NOAA's web service or its FTP server),
// enters the password and the proxy (both for the FTP server), and runs a retrieval
// (ReportRetrieval) that reports on the dialog and on the main window. The
// dialog keeps PropSettings current as the user works and writes it to the
// settings file when it is closed and when it is destroyed; the password is
// taken over only at that last write, at program end.
//
// Collaborations: PropagationPage (the main window's report progress bar,
// menu item and tabs), a status-panel setter of the main window, the
// settings file, MessageService for its boxes and the standard error display.
class TfrmSolarFtpSetup : public QDialog, private RetrievalView {
    Q_OBJECT
public:
    using StatusPanelSetter = std::function<void(int panel, const QString& text)>;

    TfrmSolarFtpSetup(PropSettings& settings, IniFile settingsFile, ReportServer server, PropagationPage& page,
                      StatusPanelSetter setStatusPanel, MessageService& messages, QWidget* parent = nullptr,
                      std::unique_ptr<HostResolver> lookup = nullptr);
    ~TfrmSolarFtpSetup() override;

    // Program end: takes over the password and writes the settings. Runs once;
    // the destructor runs it when nobody did before.
    void FormDestroy();

    // Get Latest, from the button and from the main window's menu.
    void btnGetLatestClick();

    ReportRetrieval& retrieval() { return *retrieval_; }

    QListWidget* clbLatestFiles = nullptr;
    QLabel* Label1 = nullptr;
    QLineEdit* edHostTxt = nullptr;
    QLabel* Label3 = nullptr;
    QLineEdit* edUserTxt = nullptr;
    QLabel* Label4 = nullptr;
    QLineEdit* edPassTxt = nullptr;
    QFrame* Bevel1 = nullptr;
    QCheckBox* cbUseProxyServer = nullptr;
    QLabel* lblProxyServer = nullptr;
    QLineEdit* edProxyServer = nullptr;
    QLabel* lblProxyPort = nullptr;
    QLineEdit* edProxyPort = nullptr;
    QPushButton* btnGetLatest = nullptr;
    QProgressBar* ProgressBar1 = nullptr;
    QPlainTextEdit* StatusMemo = nullptr;
    QPushButton* OKBtn = nullptr;
    // The report source: item 0 the web service (HTTPS), item 1 the FTP server.
    QLabel* lblReportSource = nullptr;
    QComboBox* cbReportSource = nullptr;

protected:
    void done(int result) override;

private:
    void FormCreate();
    void AssignDialogHelpContexts();
    void FormClose();
    void clbLatestFilesClick();
    void cbUseProxyServerClick();
    void edProxyChange();
    // The source follows the choice; the Host field shows its server.
    void cbReportSourceChange();
    // Closes the dialog, unless the proxy is ticked and its port is no
    // port number: then the conversion error is shown and the dialog stays.
    void OKBtnClick();
    void showReportTabsReporting();
    void writeSettings();

    // RetrievalView
    QString hostText() const override;
    QString passwordText() const override;
    bool useProxyTicked() const override;
    bool isReportTicked(int index) const override;
    void clearStatusLines() override;
    void addStatusLine(const QString& line) override;
    void setStatusPanel(int panel, const QString& text) override;
    void showProgress(const ProgressBarState& dialogBar, const ProgressBarState& mainBar) override;
    void setRetrievalRunning(bool running) override;
    void showReportTabs() override;
    void processEvents() override;
    void showReportFailure(int index, const QString& reason) override;
    bool proxyPortValid() const;

    PropSettings& settings_;
    IniFile settingsFile_;
    PropagationPage& page_;
    StatusPanelSetter setStatusPanel_;
    MessageService& messages_;
    ReportServer server_;
    std::unique_ptr<ReportRetrieval> retrieval_;
    bool destroyed_ = false;
    bool cursorBusy_ = false;
};

}  // namespace orvane::reports
