#pragma once

#include <QString>
#include <QStringList>

#include <functional>
#include <map>
#include <vector>

#include "reports/ReportRetrieval.h"

namespace orvane::reports::test {

// The retrieval's windows for the session tests: the fields as a test sets
// them, the selection from the settings record, and a record of all that
// the session showed.
class FakeView : public RetrievalView {
public:
    explicit FakeView(PropSettings& settings) : settings_(settings) {}

    QString hostText() const override { return host; }
    QString passwordText() const override { return password; }
    bool useProxyTicked() const override { return useProxy; }
    bool isReportTicked(int index) const override { return settings_.Reports[static_cast<std::size_t>(index)]; }
    void clearStatusLines() override { lines.clear(); }
    void addStatusLine(const QString& line) override { lines << line; }
    void setStatusPanel(int panel, const QString& text) override {
        panels[panel] = text;
        if (panel == 0) panel0History << text;
    }
    void showProgress(const ProgressBarState& d, const ProgressBarState& m) override {
        dialogBar = d;
        mainBar = m;
    }
    void setRetrievalRunning(bool on) override { runningStates.push_back(on); }
    void showReportTabs() override { ++tabRefreshes; }
    void processEvents() override {
        if (onProcessEvents) onProcessEvents();
    }
    void showReportFailure(int index, const QString& reason) override { reportFailures[index] = reason; }

    QString host = QStringLiteral("127.0.0.1");
    QString password = QStringLiteral("test@example.org");
    bool useProxy = false;
    QStringList lines;
    QString panels[2];
    QStringList panel0History;
    ProgressBarState dialogBar, mainBar;
    std::vector<bool> runningStates;
    int tabRefreshes = 0;
    // What the session said of each report at its end: why it failed, or "" when it arrived.
    std::map<int, QString> reportFailures;
    std::function<void()> onProcessEvents;

private:
    PropSettings& settings_;
};

// These sessions run against the FTP server alone.

}  // namespace orvane::reports::test
