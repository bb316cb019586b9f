#include "reports/ui/Setupftp.h"

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QFrame>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPlainTextEdit>
#include <QProgressBar>
#include <QPushButton>

#include "common/MessageService.h"
#include "reports/ui/PropagationPage.h"

namespace orvane::reports {
namespace {

constexpr char kHelpContext[] = "helpContext";

void setHint(QWidget* w, const QString& hint) {
    w->setToolTip(hint);
    w->setStatusTip(hint);
}

QLabel* label(QWidget* parent, const char* name, const QString& text, int x, int y) {
    auto* l = new QLabel(text, parent);
    l->setObjectName(QLatin1String(name));
    l->move(x, y);
    l->adjustSize();
    return l;
}

QLineEdit* edit(QWidget* parent, const char* name, int x, int y, int width) {
    auto* e = new QLineEdit(parent);
    e->setObjectName(QLatin1String(name));
    e->setGeometry(x, y, width, 21);
    return e;
}

}  // namespace

TfrmSolarFtpSetup::TfrmSolarFtpSetup(PropSettings& settings, IniFile settingsFile, ReportServer server,
                                     PropagationPage& page, StatusPanelSetter setStatusPanel,
                                     MessageService& messages, QWidget* parent,
                                     std::unique_ptr<HostResolver> lookup)
    : QDialog(parent),
      settings_(settings),
      settingsFile_(std::move(settingsFile)),
      page_(page),
      setStatusPanel_(std::move(setStatusPanel)),
      messages_(messages),
      server_(std::move(server)) {
    setObjectName(QStringLiteral("frmSolarFtpSetup"));
    setWindowTitle(QStringLiteral("Solar FTP Setup"));
    setFixedSize(480, 435);
    setModal(false);

    clbLatestFiles = new QListWidget(this);
    clbLatestFiles->setObjectName(QStringLiteral("clbLatestFiles"));
    clbLatestFiles->setGeometry(9, 8, 264, 185);
    clbLatestFiles->setFrameShape(QFrame::NoFrame);
    clbLatestFiles->setAutoFillBackground(false);
    clbLatestFiles->viewport()->setAutoFillBackground(false);
    setHint(clbLatestFiles, QStringLiteral("Selected reports to get and view"));
    for (int i = 0; i < kReportCount; ++i) {
        auto* item = new QListWidgetItem(reportTitle(i), clbLatestFiles);
        item->setFlags(Qt::ItemIsEnabled | Qt::ItemIsUserCheckable | Qt::ItemIsSelectable);
        item->setCheckState(Qt::Unchecked);
    }

    Label1 = label(this, "Label1", QStringLiteral("Host"), 284, 12);
    edHostTxt = edit(this, "edHostTxt", 344, 8, 121);
    edHostTxt->setText(server_.host);
    edHostTxt->setReadOnly(true);
    edHostTxt->setEnabled(false);
    edHostTxt->setFocusPolicy(Qt::NoFocus);

    Label3 = label(this, "Label3", QStringLiteral("User ID"), 284, 40);
    edUserTxt = edit(this, "edUserTxt", 344, 36, 121);
    edUserTxt->setText(QStringLiteral("anonymous"));
    edUserTxt->setEnabled(false);
    setHint(edUserTxt, QStringLiteral("anonymous is ok"));

    Label4 = label(this, "Label4", QStringLiteral("Password"), 284, 68);
    edPassTxt = edit(this, "edPassTxt", 344, 64, 121);
    setHint(edPassTxt, QStringLiteral("Your e-mail address should be here"));

    // The proxy box: each label above its field, so both fit the width.
    Bevel1 = new QFrame(this);
    Bevel1->setObjectName(QStringLiteral("Bevel1"));
    Bevel1->setFrameShape(QFrame::Box);
    Bevel1->setFrameShadow(QFrame::Sunken);
    Bevel1->setGeometry(280, 96, 192, 96);
    cbUseProxyServer = new QCheckBox(QStringLiteral("Use Proxy Server"), this);
    cbUseProxyServer->setObjectName(QStringLiteral("cbUseProxyServer"));
    cbUseProxyServer->move(288, 102);
    cbUseProxyServer->adjustSize();
    lblProxyServer = label(this, "lblProxyServer", QStringLiteral("Proxy Server"), 288, 128);
    edProxyServer = edit(this, "edProxyServer", 288, 146, 110);
    lblProxyPort = label(this, "lblProxyPort", QStringLiteral("Proxy Port"), 406, 128);
    edProxyPort = edit(this, "edProxyPort", 406, 146, 33);

    btnGetLatest = new QPushButton(QStringLiteral("&Get Latest HF Propagation Information"), this);
    btnGetLatest->setObjectName(QStringLiteral("btnGetLatest"));
    btnGetLatest->setGeometry(24, 202, 433, 25);
    setHint(btnGetLatest, QStringLiteral("Get the latest reports"));

    ProgressBar1 = new QProgressBar(this);
    ProgressBar1->setObjectName(QStringLiteral("ProgressBar1"));
    ProgressBar1->setGeometry(24, 231, 433, 13);
    ProgressBar1->setTextVisible(false);

    OKBtn = new QPushButton(QStringLiteral("OK"), this);
    OKBtn->setObjectName(QStringLiteral("OKBtn"));
    OKBtn->setGeometry(390, 248, 75, 25);
    OKBtn->setDefault(true);
    setHint(OKBtn, QStringLiteral("Close this window"));

    lblReportSource = label(this, "lblReportSource", QStringLiteral("Report source"), 24, 252);
    cbReportSource = new QComboBox(this);
    cbReportSource->setObjectName(QStringLiteral("cbReportSource"));
    cbReportSource->setGeometry(110, 248, 260, 24);
    cbReportSource->addItem(QStringLiteral("NOAA web service (HTTPS)"));
    cbReportSource->addItem(QStringLiteral("NOAA FTP server"));
    setHint(cbReportSource, QStringLiteral("Where the reports come from; reports the web service does not offer "
                                           "come from the FTP server"));

    StatusMemo = new QPlainTextEdit(this);
    StatusMemo->setObjectName(QStringLiteral("StatusMemo"));
    StatusMemo->setGeometry(2, 435 - 158 - 2, 476, 158);
    StatusMemo->setLineWrapMode(QPlainTextEdit::NoWrap);
    StatusMemo->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    StatusMemo->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    StatusMemo->setPlainText(QStringLiteral("StatusMemo"));
    setHint(StatusMemo, QStringLiteral("Shows the responses of the report server"));

    setTabOrder(clbLatestFiles, edPassTxt);
    setTabOrder(edPassTxt, cbUseProxyServer);
    setTabOrder(cbUseProxyServer, edProxyServer);
    setTabOrder(edProxyServer, edProxyPort);
    setTabOrder(edProxyPort, btnGetLatest);
    setTabOrder(btnGetLatest, cbReportSource);
    setTabOrder(cbReportSource, OKBtn);
    setTabOrder(OKBtn, StatusMemo);
    clbLatestFiles->setFocus();

    retrieval_ = std::make_unique<ReportRetrieval>(settings_, static_cast<RetrievalView&>(*this), messages_, std::move(lookup));
    retrieval_->ServerPort = server_.port;
    retrieval_->WebBase = server_.webBase;

    FormCreate();

    connect(clbLatestFiles, &QListWidget::itemChanged, this, [this] { clbLatestFilesClick(); });
    connect(cbUseProxyServer, &QCheckBox::clicked, this, [this] { cbUseProxyServerClick(); });
    connect(edProxyServer, &QLineEdit::textEdited, this, [this] { edProxyChange(); });
    connect(edProxyPort, &QLineEdit::textEdited, this, [this] { edProxyChange(); });
    connect(btnGetLatest, &QPushButton::clicked, this, [this] { btnGetLatestClick(); });
    connect(OKBtn, &QPushButton::clicked, this, [this] { OKBtnClick(); });
    connect(cbReportSource, &QComboBox::currentIndexChanged, this, [this] { cbReportSourceChange(); });
    // Closing the program during a retrieval stops it rather than letting it
    // run on behind a closed window.
    connect(qApp, &QGuiApplication::lastWindowClosed, this, [this] { retrieval_->Abort(); });
}

TfrmSolarFtpSetup::~TfrmSolarFtpSetup() {
    retrieval_->Abort();
    FormDestroy();
    if (cursorBusy_) QApplication::restoreOverrideCursor();
}

void TfrmSolarFtpSetup::FormCreate() {
    AssignDialogHelpContexts();
    edPassTxt->setText(settings_.pass);
    {
        const QSignalBlocker block(clbLatestFiles);
        for (int i = 0; i < kReportCount; ++i)
            clbLatestFiles->item(i)->setCheckState(settings_.Reports[static_cast<std::size_t>(i)] ? Qt::Checked
                                                                                                   : Qt::Unchecked);
    }
    // The stored proxy is shown, so what a retrieval uses is what the user sees.
    edProxyServer->setText(settings_.Proxy);
    edProxyPort->setText(settings_.ProxyPort != 0 ? QString::number(settings_.ProxyPort) : QString());
    cbUseProxyServer->setChecked(settings_.UseProxy);
    cbUseProxyServerClick();
    {
        const QSignalBlocker block(cbReportSource);
        cbReportSource->setCurrentIndex(settings_.ReportSource == ReportSourceKind::Ftp ? 1 : 0);
    }
    cbReportSourceChange();
    showProgress(retrieval_->dialogBar(), retrieval_->mainBar());
}

void TfrmSolarFtpSetup::AssignDialogHelpContexts() {
    setProperty(kHelpContext, 31);
    clbLatestFiles->setProperty(kHelpContext, 32);
    StatusMemo->setProperty(kHelpContext, 35);
    edHostTxt->setProperty(kHelpContext, 33);
    edPassTxt->setProperty(kHelpContext, 33);
    btnGetLatest->setProperty(kHelpContext, 34);
}

void TfrmSolarFtpSetup::clbLatestFilesClick() {
    for (int i = 0; i < kReportCount; ++i) settings_.Reports[static_cast<std::size_t>(i)] = isReportTicked(i);
    showReportTabsReporting();
}

void TfrmSolarFtpSetup::cbUseProxyServerClick() {
    settings_.UseProxy = cbUseProxyServer->isChecked();
    for (QWidget* w : {static_cast<QWidget*>(edProxyServer), static_cast<QWidget*>(edProxyPort),
                       static_cast<QWidget*>(lblProxyServer), static_cast<QWidget*>(lblProxyPort)})
        w->setEnabled(settings_.UseProxy);
}

void TfrmSolarFtpSetup::edProxyChange() {
    // Half-typed values are normal while the user types; the port is judged
    // when the dialog is accepted (OKBtnClick).
    settings_.Proxy = edProxyServer->text();
    bool ok = false;
    const int port = edProxyPort->text().toInt(&ok, 10);
    if (ok) settings_.ProxyPort = port;
}

void TfrmSolarFtpSetup::cbReportSourceChange() {
    settings_.ReportSource = cbReportSource->currentIndex() == 1 ? ReportSourceKind::Ftp : ReportSourceKind::Https;
    edHostTxt->setText(settings_.ReportSource == ReportSourceKind::Ftp ? server_.host : server_.webBase.host());
    // The field is narrower than the web service's name: show its start.
    edHostTxt->setCursorPosition(0);
}

bool TfrmSolarFtpSetup::proxyPortValid() const {
    if (!cbUseProxyServer->isChecked()) return true;
    bool ok = false;
    const int port = edProxyPort->text().toInt(&ok, 10);
    return ok && port >= 1 && port <= 65535;
}

void TfrmSolarFtpSetup::OKBtnClick() {
    if (!proxyPortValid()) {
        messages_.showError(QStringLiteral("'%1' is not a valid integer value").arg(edProxyPort->text()).toStdString());
        edProxyPort->setFocus();
        return;
    }
    close();
}

void TfrmSolarFtpSetup::btnGetLatestClick() { retrieval_->GetLatest(); }

void TfrmSolarFtpSetup::writeSettings() {
    try {
        WritePropSettings(settingsFile_, settings_);
    } catch (const std::exception& e) {
        messages_.showError(e.what());
    }
}

void TfrmSolarFtpSetup::FormClose() { writeSettings(); }

void TfrmSolarFtpSetup::FormDestroy() {
    if (destroyed_) return;
    destroyed_ = true;
    settings_.pass = edPassTxt->text();
    writeSettings();
}

void TfrmSolarFtpSetup::done(int result) {
    // OK, the window's close button and Escape all end here.
    if (isVisible()) FormClose();
    QDialog::done(result);
}

void TfrmSolarFtpSetup::showReportTabsReporting() {
    try {
        page_.ShowReportTabs();
    } catch (const std::exception& e) {
        messages_.showError(e.what());
    }
}

// The FTP server's host, whichever source the Host field shows: the web
// service's address is not a setting of the session.
QString TfrmSolarFtpSetup::hostText() const { return server_.host; }
QString TfrmSolarFtpSetup::passwordText() const { return edPassTxt->text(); }
bool TfrmSolarFtpSetup::useProxyTicked() const { return cbUseProxyServer->isChecked(); }

bool TfrmSolarFtpSetup::isReportTicked(int index) const {
    return clbLatestFiles->item(index)->checkState() == Qt::Checked;
}

void TfrmSolarFtpSetup::clearStatusLines() { StatusMemo->clear(); }
void TfrmSolarFtpSetup::addStatusLine(const QString& line) { StatusMemo->appendPlainText(line); }

void TfrmSolarFtpSetup::setStatusPanel(int panel, const QString& text) {
    if (setStatusPanel_) setStatusPanel_(panel, text);
}

void TfrmSolarFtpSetup::showProgress(const ProgressBarState& dialogBar, const ProgressBarState& mainBar) {
    if (dialogBar.maximum <= 0) {
        ProgressBar1->setRange(0, 1);
        ProgressBar1->setValue(0);
    } else {
        ProgressBar1->setRange(0, dialogBar.maximum);
        ProgressBar1->setValue(dialogBar.position);
    }
    page_.setReportProgress(mainBar);
}

void TfrmSolarFtpSetup::setRetrievalRunning(bool running) {
    btnGetLatest->setEnabled(!running);
    page_.puGetLatestReports->setEnabled(!running);
    if (running && !cursorBusy_) {
        QApplication::setOverrideCursor(Qt::BusyCursor);
        cursorBusy_ = true;
    } else if (!running && cursorBusy_) {
        QApplication::restoreOverrideCursor();
        cursorBusy_ = false;
    }
}

void TfrmSolarFtpSetup::showReportTabs() { page_.ShowReportTabs(); }

void TfrmSolarFtpSetup::processEvents() { QCoreApplication::processEvents(); }

void TfrmSolarFtpSetup::showReportFailure(int index, const QString& reason) { page_.setReportFailure(index, reason); }

}  // namespace orvane::reports
