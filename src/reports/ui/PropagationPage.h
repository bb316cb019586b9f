#pragma once

#include <QWidget>

#include <array>

#include "reports/PropSettings.h"
#include "reports/ReportRetrieval.h"

class QAction;
class QMenu;
class QPlainTextEdit;
class QProgressBar;
class QTabWidget;

namespace orvane::reports {

// Responsibilities: the content of the main window's Propagation tab: the
// report progress bar, the tab control pcReports with one fixed-pitch memo
// per catalogue report, and the pop-up menu puFTP_Control. ShowReportTabs
// shows the selected reports' tabs and loads their files from the working
// directory; pcReportsChange keeps the help topic in step with the report
// shown.
//
// The menu's actions are public; the main window connects them (Configure
// Reports, Get Latest Reports, Help) since they reach other windows.
class PropagationPage : public QWidget {
    Q_OBJECT
public:
    PropagationPage(const PropSettings& settings, QWidget* parent = nullptr);

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

    QWidget* pnlReports = nullptr;
    QProgressBar* ProgressBar1 = nullptr;
    QTabWidget* pcReports = nullptr;
    std::array<QWidget*, kReportCount> sheets{};
    std::array<QPlainTextEdit*, kReportCount> memos{};

    QMenu* puFTP_Control = nullptr;
    QAction* puConfigPropReports = nullptr;
    QAction* puGetLatestReports = nullptr;
    QAction* puHelp = nullptr;

    // The catalogue index of the active tab, -1 when none is visible.
    int activeReport() const;
    bool isReportTabVisible(int index) const;

private:
    const PropSettings& settings_;
};

}  // namespace orvane::reports
