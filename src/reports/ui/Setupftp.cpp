#include "reports/ui/Setupftp.h"

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QFrame>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPlainTextEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QStyle>
#include <QVBoxLayout>

#include <algorithm>

#include "common/MessageService.h"
#include "reports/ui/PropagationPage.h"

namespace orvane::reports {
namespace {

constexpr char kHelpContext[] = "helpContext";

void setHint(QWidget* w, const QString& hint) {
    w->setToolTip(hint);
    w->setStatusTip(hint);
}

QLabel* label(QWidget* parent, const char* name, const QString& text) {
    auto* l = new QLabel(text, parent);
    l->setObjectName(QLatin1String(name));
    return l;
}

QLineEdit* edit(QWidget* parent, const char* name) {
    auto* e = new QLineEdit(parent);
    e->setObjectName(QLatin1String(name));
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
    setModal(false);

    clbLatestFiles = new QListWidget(this);
    clbLatestFiles->setObjectName(QStringLiteral("clbLatestFiles"));
    clbLatestFiles->setFrameShape(QFrame::NoFrame);
    clbLatestFiles->setAutoFillBackground(false);
    clbLatestFiles->viewport()->setAutoFillBackground(false);
    setHint(clbLatestFiles, QStringLiteral("Selected reports to get and view"));
    for (int i = 0; i < kReportCount; ++i) {
        auto* item = new QListWidgetItem(reportTitle(i), clbLatestFiles);
        item->setFlags(Qt::ItemIsEnabled | Qt::ItemIsUserCheckable | Qt::ItemIsSelectable);
        item->setCheckState(Qt::Unchecked);
    }
    // Every title whole, in whatever font the desktop gives: the list is
    // never narrower than its widest title (room kept for a vertical scroll
    // bar), and it has no horizontal one to hide a title's end behind.
    clbLatestFiles->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    clbLatestFiles->setTextElideMode(Qt::ElideNone);
    clbLatestFiles->setMinimumWidth(clbLatestFiles->sizeHintForColumn(0) + 2 * clbLatestFiles->frameWidth() +
                                    clbLatestFiles->style()->pixelMetric(QStyle::PM_ScrollBarExtent) + 4);
    clbLatestFiles->setMinimumHeight(clbLatestFiles->sizeHintForRow(0) * kReportCount + 2 * clbLatestFiles->frameWidth());

    Label1 = label(this, "Label1", QStringLiteral("Host"));
    edHostTxt = edit(this, "edHostTxt");
    edHostTxt->setText(server_.host);
    edHostTxt->setReadOnly(true);
    edHostTxt->setEnabled(false);
    edHostTxt->setFocusPolicy(Qt::NoFocus);
    // Wide enough for either server's name.
    edHostTxt->setMinimumWidth(
        std::max(edHostTxt->fontMetrics().horizontalAdvance(server_.host),
                 edHostTxt->fontMetrics().horizontalAdvance(server_.webBase.host())) + 16);

    Label3 = label(this, "Label3", QStringLiteral("User ID"));
    edUserTxt = edit(this, "edUserTxt");
    edUserTxt->setText(QStringLiteral("anonymous"));
    edUserTxt->setEnabled(false);
    setHint(edUserTxt, QStringLiteral("anonymous is ok"));

    Label4 = label(this, "Label4", QStringLiteral("Password"));
    edPassTxt = edit(this, "edPassTxt");
    setHint(edPassTxt, QStringLiteral("Your e-mail address should be here"));

    // The proxy box: each label above its field, so both fit the width.
    Bevel1 = new QFrame(this);
    Bevel1->setObjectName(QStringLiteral("Bevel1"));
    Bevel1->setFrameShape(QFrame::Box);
    Bevel1->setFrameShadow(QFrame::Sunken);
    cbUseProxyServer = new QCheckBox(QStringLiteral("Use Proxy Server"), Bevel1);
    cbUseProxyServer->setObjectName(QStringLiteral("cbUseProxyServer"));
    lblProxyServer = label(Bevel1, "lblProxyServer", QStringLiteral("Proxy Server"));
    edProxyServer = edit(Bevel1, "edProxyServer");
    lblProxyPort = label(Bevel1, "lblProxyPort", QStringLiteral("Proxy Port"));
    edProxyPort = edit(Bevel1, "edProxyPort");
    // Room for "65535" and no more.
    edProxyPort->setMaximumWidth(edProxyPort->fontMetrics().horizontalAdvance(QStringLiteral("655359")) + 12);

    btnGetLatest = new QPushButton(QStringLiteral("&Get Latest HF Propagation Information"), this);
    btnGetLatest->setObjectName(QStringLiteral("btnGetLatest"));
    setHint(btnGetLatest, QStringLiteral("Get the latest reports"));

    ProgressBar1 = new QProgressBar(this);
    ProgressBar1->setObjectName(QStringLiteral("ProgressBar1"));
    ProgressBar1->setFixedHeight(13);
    ProgressBar1->setTextVisible(false);

    OKBtn = new QPushButton(QStringLiteral("OK"), this);
    OKBtn->setObjectName(QStringLiteral("OKBtn"));
    OKBtn->setDefault(true);
    setHint(OKBtn, QStringLiteral("Close this window"));

    lblReportSource = label(this, "lblReportSource", QStringLiteral("Report source"));
    cbReportSource = new QComboBox(this);
    cbReportSource->setObjectName(QStringLiteral("cbReportSource"));
    cbReportSource->addItem(QStringLiteral("NOAA web service (HTTPS)"));
    cbReportSource->addItem(QStringLiteral("NOAA FTP server"));
    setHint(cbReportSource, QStringLiteral("Where the reports come from; reports the web service does not offer "
                                           "come from the FTP server"));

    // Empty until a retrieval writes to it: the control's name is no message.
    StatusMemo = new QPlainTextEdit(this);
    StatusMemo->setObjectName(QStringLiteral("StatusMemo"));
    StatusMemo->setLineWrapMode(QPlainTextEdit::NoWrap);
    StatusMemo->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    StatusMemo->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    StatusMemo->setMinimumHeight(6 * StatusMemo->fontMetrics().height());
    setHint(StatusMemo, QStringLiteral("Shows the responses of the report server"));

    // Layouts, so the dialog fits its texts in any font and its contents
    // follow when it is made larger: the list and the status lines take the
    // room, the fields and buttons their width.
    auto* fields = new QGridLayout;
    fields->addWidget(Label1, 0, 0);
    fields->addWidget(edHostTxt, 0, 1);
    fields->addWidget(Label3, 1, 0);
    fields->addWidget(edUserTxt, 1, 1);
    fields->addWidget(Label4, 2, 0);
    fields->addWidget(edPassTxt, 2, 1);
    fields->setColumnStretch(1, 1);

    auto* proxy = new QGridLayout(Bevel1);
    proxy->addWidget(cbUseProxyServer, 0, 0, 1, 2);
    proxy->addWidget(lblProxyServer, 1, 0);
    proxy->addWidget(lblProxyPort, 1, 1);
    proxy->addWidget(edProxyServer, 2, 0);
    proxy->addWidget(edProxyPort, 2, 1);
    proxy->setColumnStretch(0, 1);

    auto* right = new QVBoxLayout;
    right->addLayout(fields);
    right->addWidget(Bevel1);
    right->addStretch(1);

    auto* top = new QHBoxLayout;
    top->addWidget(clbLatestFiles, 3);
    top->addLayout(right, 2);

    auto* source = new QHBoxLayout;
    source->addWidget(lblReportSource);
    source->addWidget(cbReportSource, 1);
    source->addSpacing(12);
    source->addWidget(OKBtn);

    auto* outer = new QVBoxLayout(this);
    outer->addLayout(top, 0);
    outer->addWidget(btnGetLatest);
    outer->addWidget(ProgressBar1);
    outer->addLayout(source);
    outer->addWidget(StatusMemo, 1);

    // The classic 480 x 435, or what the texts need when that is more.
    resize(sizeHint().expandedTo(QSize(480, 435)));

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
