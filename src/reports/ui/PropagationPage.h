#pragma once

#include <QWidget>

#include <array>
#include <memory>
#include <optional>

#include "common/TimeTypes.h"

#include "reports/PropSettings.h"
#include "reports/ReportRetrieval.h"

class QAction;
class QLabel;
class QTimer;
class QMenu;
class QPlainTextEdit;
class QProgressBar;
class QPushButton;
class QTabWidget;

namespace orvane {
class Clock;
}

namespace orvane::reports {

// Responsibilities: the content of the main window's Propagation tab: the
// report progress bar, the tab control pcReports with one fixed-pitch memo
// per catalogue report, and the pop-up menu puFTP_Control. ShowReportTabs
// shows the selected reports' tabs and loads their files from the working
// directory; pcReportsChange keeps the help topic in step with the report
// shown. A line above each memo says when its report was issued and how
// old it is, in the warning colour past twice the report's cadence; the
// ages follow the clock minute by minute. When the last fetch of a report
// failed, a line above that says why and when the copy shown arrived.
//
// The menu's actions are public; the main window connects them (Configure
// Reports, Get Latest Reports, Help) since they reach other windows.
class PropagationPage : public QWidget {
    Q_OBJECT
public:
    PropagationPage(const PropSettings& settings, const Clock& clock, QWidget* parent = nullptr);

    // Shows, hides and fills the report tabs from the selection and the
    // report files. An unreadable file stops it with its error (the tabs
    // after it keep their state); the caller shows the error.
    void ShowReportTabs();
    // The help contexts of the report tabs and of the menu items.
    void AssignHelpContexts();
    void pcReportsChange();

    void setReportProgress(const ProgressBarState& bar);
    // Pops up puFTP_Control at a global position.
    void popupMenu(const QPoint& globalPos);
    // The right-click menu of a report: Copy, Select All, then puFTP_Control's items.
    std::unique_ptr<QMenu> memoMenu(QPlainTextEdit* memo);

    // Shown while no report text is on the page: a line and a button.
    QWidget* pnlEmpty = nullptr;
    QLabel* lblEmpty = nullptr;
    QPushButton* btGetLatestReports = nullptr;

    QWidget* pnlReports = nullptr;
    QProgressBar* ProgressBar1 = nullptr;
    QTabWidget* pcReports = nullptr;
    std::array<QWidget*, kReportCount> sheets{};
    std::array<QPlainTextEdit*, kReportCount> memos{};
    // The age line above each memo ("issued 2026-09-22 06:15 UTC, 3 h ago").
    std::array<QLabel*, kReportCount> ageLines{};
    // Above it, while the last fetch of the report failed ("Last fetch failed ...").
    std::array<QLabel*, kReportCount> failureLines{};

    QMenu* puFTP_Control = nullptr;
    QAction* puConfigPropReports = nullptr;
    QAction* puGetLatestReports = nullptr;
    QAction* puHelp = nullptr;

    // The catalogue index of the active tab, -1 when none is visible.
    int activeReport() const;
    bool isReportTabVisible(int index) const;
    // True when report `index` is shown as stale.
    bool isReportStale(int index) const { return stale_[static_cast<std::size_t>(index)]; }
    // Rewrites the age lines from the clock.
    void refreshReportAges();
    // The outcome of the last fetch of report `index`: why it failed, dated
    // now, or an empty reason when it arrived (the failure line goes).
    void setReportFailure(int index, const QString& reason);

private:
    struct LoadedDate {
        bool known = false;
        std::optional<UtcMoment> issued;
        UtcMoment fileTime = 0;
    };

    const PropSettings& settings_;
    const Clock& clock_;
    struct Failure {
        QString reason;  // empty: none
        UtcMoment at = 0;
    };

    std::array<LoadedDate, kReportCount> dates_{};
    std::array<Failure, kReportCount> failures_{};
    std::array<bool, kReportCount> stale_{};
    QTimer* ageTimer_ = nullptr;
};

}  // namespace orvane::reports
