#include "reports/ui/PropagationPage.h"


#include <QTextDocument>
#include <QHBoxLayout>
#include <QPushButton>
#include <QAction>
#include <QDateTime>
#include <QFileInfo>
#include <QLabel>
#include <QTimer>
#include <QFontDatabase>
#include <QMenu>
#include <QPlainTextEdit>
#include <QProgressBar>
#include <QTabBar>
#include <QTabWidget>
#include <QVBoxLayout>

#include <memory>

#include "common/Clock.h"
#include "common/OrvaneError.h"
#include "reports/ReportDisplay.h"
#include "reports/ReportFreshness.h"

namespace orvane::reports {
namespace {

constexpr char kHelpContext[] = "helpContext";

void applyBar(QProgressBar* bar, const ProgressBarState& state) {
    // A range of 0..0 would make the bar a busy indicator; an empty range
    // shows an empty bar instead.
    if (state.maximum <= 0) {
        bar->setRange(0, 1);
        bar->setValue(0);
    } else {
        bar->setRange(0, state.maximum);
        bar->setValue(state.position);
    }
}

}  // namespace

PropagationPage::PropagationPage(const PropSettings& settings, const Clock& clock, QWidget* parent)
    : QWidget(parent), settings_(settings), clock_(clock) {
    auto* outer = new QVBoxLayout(this);
    outer->setContentsMargins(0, 0, 0, 0);
    pnlReports = new QWidget(this);
    pnlReports->setObjectName(QStringLiteral("pnlReports"));
    outer->addWidget(pnlReports);

    auto* layout = new QVBoxLayout(pnlReports);
    layout->setContentsMargins(5, 5, 5, 5);
    layout->setSpacing(0);

    ProgressBar1 = new QProgressBar(pnlReports);
    ProgressBar1->setObjectName(QStringLiteral("ProgressBar1"));
    ProgressBar1->setFixedHeight(13);
    ProgressBar1->setTextVisible(false);
    applyBar(ProgressBar1, {ReportRetrieval::kInitialMainBarMaximum, 10, 0});
    layout->addWidget(ProgressBar1);

    // Until a report is on the page it says what the page is for and offers
    // the one command that fills it.
    pnlEmpty = new QWidget(pnlReports);
    pnlEmpty->setObjectName(QStringLiteral("pnlEmpty"));
    auto* emptyLayout = new QHBoxLayout(pnlEmpty);
    lblEmpty = new QLabel(
        QStringLiteral("Solar and propagation reports show here once fetched; right-click for \"Configure Reports\" "
                       "to choose which."),
        pnlEmpty);
    lblEmpty->setObjectName(QStringLiteral("lblEmpty"));
    lblEmpty->setWordWrap(true);
    btGetLatestReports = new QPushButton(QStringLiteral("Get Latest Reports"), pnlEmpty);
    btGetLatestReports->setObjectName(QStringLiteral("btGetLatestReports"));
    emptyLayout->addWidget(lblEmpty, 1);
    emptyLayout->addWidget(btGetLatestReports, 0);
    layout->addWidget(pnlEmpty);

    pcReports = new QTabWidget(pnlReports);
    pcReports->setObjectName(QStringLiteral("pcReports"));
    pcReports->setTabPosition(QTabWidget::South);
    pcReports->setStyleSheet(QStringLiteral("QTabBar::tab { min-width: 90px; }"));
    pcReports->tabBar()->setExpanding(false);
    pcReports->tabBar()->setAttribute(Qt::WA_Hover);
    pcReports->tabBar()->setUsesScrollButtons(true);
    layout->addWidget(pcReports, 1);

    const QFont fixed = QFontDatabase::systemFont(QFontDatabase::FixedFont);
    for (int i = 0; i < kReportCount; ++i) {
        const auto at = static_cast<std::size_t>(i);
        auto* sheet = new QWidget;
        sheet->setObjectName(reportTabSheet(i));
        sheet->setProperty("Tag", i);
        // Tooltips are off on the report tabs: the hint reaches only the
        // status bar.
        sheet->setStatusTip(reportHint(i));
        auto* sheetLayout = new QVBoxLayout(sheet);
        sheetLayout->setContentsMargins(0, 0, 0, 0);
        sheetLayout->setSpacing(2);
        auto* failureLine = new QLabel(sheet);
        failureLine->setObjectName(QStringLiteral("lblFailure") + reportKey(i));
        failureLine->setTextInteractionFlags(Qt::TextSelectableByMouse);
        failureLine->setWordWrap(true);
        failureLine->setStyleSheet(QStringLiteral("color: #c00000;"));
        failureLine->setVisible(false);
        sheetLayout->addWidget(failureLine);
        failureLines[at] = failureLine;
        auto* ageLine = new QLabel(sheet);
        ageLine->setObjectName(QStringLiteral("lblAge") + reportKey(i));
        ageLine->setTextInteractionFlags(Qt::TextSelectableByMouse);
        ageLine->setVisible(false);
        sheetLayout->addWidget(ageLine);
        ageLines[at] = ageLine;
        auto* memo = new QPlainTextEdit(sheet);
        memo->setObjectName(reportMemo(i));
        memo->setFont(fixed);
        memo->setLineWrapMode(QPlainTextEdit::NoWrap);
        memo->setHorizontalScrollBarPolicy(Qt::ScrollBarAsNeeded);
        memo->setVerticalScrollBarPolicy(Qt::ScrollBarAsNeeded);
        sheetLayout->addWidget(memo);
        // A right click on a report offers its edit menu and the report menu.
        memo->setContextMenuPolicy(Qt::CustomContextMenu);
        connect(memo, &QWidget::customContextMenuRequested, this, [this, memo](const QPoint& pos) {
            std::unique_ptr<QMenu> menu = memoMenu(memo);
            menu->exec(memo->viewport()->mapToGlobal(pos));
        });
        pcReports->addTab(sheet, reportTabCaption(i));
        sheets[at] = sheet;
        memos[at] = memo;
    }
    pcReports->setCurrentIndex(0);
    pcReports->setProperty(kHelpContext, 1);
    connect(pcReports, &QTabWidget::currentChanged, this, [this] { pcReportsChange(); });

    // "3 h ago" must not stay "3 h ago" all afternoon; the lines are
    // rewritten from the clock each minute, not counted up.
    ageTimer_ = new QTimer(this);
    ageTimer_->setInterval(60 * 1000);
    connect(ageTimer_, &QTimer::timeout, this, [this] { refreshReportAges(); });
    ageTimer_->start();

    puFTP_Control = new QMenu(this);
    puFTP_Control->setObjectName(QStringLiteral("puFTP_Control"));
    puConfigPropReports = puFTP_Control->addAction(QStringLiteral("Configure Reports"));
    puConfigPropReports->setObjectName(QStringLiteral("puConfigPropReports"));
    puConfigPropReports->setStatusTip(QStringLiteral("Show the solar propagation report setup screen"));
    puFTP_Control->addSeparator();
    puGetLatestReports = puFTP_Control->addAction(QStringLiteral("Get Latest Reports"));
    puGetLatestReports->setObjectName(QStringLiteral("puGetLatestReports"));
    puGetLatestReports->setStatusTip(QStringLiteral("Get the latest solar propagation reports"));
    puFTP_Control->addSeparator();
    puHelp = puFTP_Control->addAction(QStringLiteral("Help"));
    puHelp->setObjectName(QStringLiteral("puHelp"));
    puHelp->setStatusTip(QStringLiteral("Display the help contents page"));
    puHelp->setProperty(kHelpContext, 300);
    connect(btGetLatestReports, &QPushButton::clicked, puGetLatestReports, &QAction::trigger);

    setContextMenuPolicy(Qt::CustomContextMenu);
    connect(this, &QWidget::customContextMenuRequested, this,
            [this](const QPoint& pos) { popupMenu(mapToGlobal(pos)); });
    // The report menu on the tab buttons and the progress bar too.
    pcReports->tabBar()->setContextMenuPolicy(Qt::CustomContextMenu);
    connect(pcReports->tabBar(), &QWidget::customContextMenuRequested, this,
            [this](const QPoint& pos) { popupMenu(pcReports->tabBar()->mapToGlobal(pos)); });
    ProgressBar1->setContextMenuPolicy(Qt::CustomContextMenu);
    connect(ProgressBar1, &QWidget::customContextMenuRequested, this,
            [this](const QPoint& pos) { popupMenu(ProgressBar1->mapToGlobal(pos)); });
}

void PropagationPage::popupMenu(const QPoint& globalPos) { puFTP_Control->popup(globalPos); }

std::unique_ptr<QMenu> PropagationPage::memoMenu(QPlainTextEdit* memo) {
    // A report is read, never edited: copying and selecting only, then the
    // report commands.
    auto menu = std::make_unique<QMenu>();
    QAction* copy = menu->addAction(QStringLiteral("Copy"), memo, &QPlainTextEdit::copy);
    copy->setObjectName(QStringLiteral("puCopy"));
    copy->setEnabled(memo->textCursor().hasSelection());
    QAction* all = menu->addAction(QStringLiteral("Select All"), memo, &QPlainTextEdit::selectAll);
    all->setObjectName(QStringLiteral("puSelectAll"));
    all->setEnabled(!memo->document()->isEmpty());
    menu->addSeparator();
    menu->addActions(puFTP_Control->actions());
    return menu;
}

void PropagationPage::AssignHelpContexts() {
    for (int i = 0; i < kReportCount; ++i)
        sheets[static_cast<std::size_t>(i)]->setProperty(kHelpContext, reportHelpContext(i));
    puConfigPropReports->setProperty(kHelpContext, 31);
    puGetLatestReports->setProperty(kHelpContext, 37);
}

void PropagationPage::pcReportsChange() {
    const int active = activeReport();
    if (active >= 0) pcReports->setProperty(kHelpContext, reportHelpContext(active));
}

int PropagationPage::activeReport() const {
    const int current = pcReports->currentIndex();
    if (current < 0 || !pcReports->isTabVisible(current)) return -1;
    return pcReports->widget(current)->property("Tag").toInt();
}

bool PropagationPage::isReportTabVisible(int index) const { return pcReports->isTabVisible(index); }

void PropagationPage::ShowReportTabs() {
    const int before = pcReports->currentIndex();
    for (int i = 0; i < kReportCount; ++i) {
        const auto at = static_cast<std::size_t>(i);
        const bool selected = settings_.Reports[at];
        if (selected) {
            try {
                if (auto text = readReportFile(reportFile(i))) {
                    memos[at]->setPlainText(*text);
                    const QDateTime modified = QFileInfo(reportFile(i)).lastModified();
                    dates_[at] = {true, parseIssuedTime(*text), modified.toSecsSinceEpoch()};
                }
            } catch (const OrvaneError& e) {
                // A copy that cannot be read says why in its own tab; the
                // others show as usual.
                memos[at]->setPlainText(QString::fromStdString(e.what()));
            }
        }
        // Hiding the active tab would let the tab bar pick a neighbour by its
        // own rule; the selection is settled below instead.
        const QSignalBlocker block(pcReports);
        pcReports->setTabVisible(i, selected);
    }

    std::array<bool, kReportCount> visible{};
    for (int i = 0; i < kReportCount; ++i) visible[static_cast<std::size_t>(i)] = pcReports->isTabVisible(i);
    refreshReportAges();
    bool anyText = false;
    for (int i = 0; i < kReportCount; ++i)
        anyText = anyText || (visible[static_cast<std::size_t>(i)] && !memos[static_cast<std::size_t>(i)]->document()->isEmpty());
    pnlEmpty->setVisible(!anyText);
    const int target = nextVisibleTab(before, visible);
    // With no report selected the page shows nothing at all, not the memo of
    // a hidden tab.
    pcReports->setVisible(target >= 0);
    if (target < 0) return;
    {
        const QSignalBlocker block(pcReports);
        pcReports->setCurrentIndex(target);
    }
    if (target != before) pcReportsChange();
}

void PropagationPage::setReportFailure(int index, const QString& reason) {
    if (index < 0 || index >= kReportCount) return;
    failures_[static_cast<std::size_t>(index)] = {reason, clock_.nowMoment()};
    refreshReportAges();
}

void PropagationPage::refreshReportAges() {
    const UtcMoment now = clock_.nowMoment();
    for (int i = 0; i < kReportCount; ++i) {
        const auto at = static_cast<std::size_t>(i);
        const Failure& failure = failures_[at];
        failureLines[at]->setVisible(!failure.reason.isEmpty());
        if (!failure.reason.isEmpty())
            failureLines[at]->setText(describeFetchFailure(
                failure.reason, failure.at, dates_[at].known ? std::optional(dates_[at].fileTime) : std::nullopt, now));
        QLabel* line = ageLines[at];
        if (!dates_[at].known) {
            line->setVisible(false);
            stale_[at] = false;
            continue;
        }
        const ReportAge age = describeReportAge(dates_[at].issued, dates_[at].fileTime, now, reportCadenceSeconds(i));
        stale_[at] = age.stale;
        line->setText(age.stale ? age.text + QStringLiteral(" - older than usual") : age.text);
        // The warning colour of the palette's highlighted text would vanish on
        // some themes; a plain dark red reads on light and dark alike.
        line->setStyleSheet(age.stale ? QStringLiteral("color: #c00000; font-weight: bold;") : QString());
        line->setVisible(true);
    }
}

void PropagationPage::setReportProgress(const ProgressBarState& bar) { applyBar(ProgressBar1, bar); }

}  // namespace orvane::reports
