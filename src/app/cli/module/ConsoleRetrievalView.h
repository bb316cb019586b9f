#pragma once

#include <QCoreApplication>
#include <QString>
#include <QTextStream>

#include "reports/PropSettings.h"
#include "reports/ReportRetrieval.h"

namespace orvane::cli {

// The Solar FTP Setup dialog's part of a retrieval on a console: the
// selection and fields come from the verb's options, the status lines go to
// the stream given (stdout for `reports`, stderr where stdout holds other
// results); the progress, the status bar and the tabs have nothing to show.
class ConsoleRetrievalView final : public reports::RetrievalView {
public:
    ConsoleRetrievalView(const reports::PropSettings& settings, QString host, QString password, bool useProxy,
                         QTextStream& out)
        : settings_(settings), host_(std::move(host)), password_(std::move(password)), useProxy_(useProxy), out_(out) {}

    QString hostText() const override { return host_; }
    QString passwordText() const override { return password_; }
    bool useProxyTicked() const override { return useProxy_; }
    bool isReportTicked(int index) const override { return settings_.Reports[static_cast<std::size_t>(index)]; }
    void clearStatusLines() override {}
    void addStatusLine(const QString& line) override {
        out_ << line << "\n";
        out_.flush();
    }
    void setStatusPanel(int, const QString&) override {}
    void showProgress(const reports::ProgressBarState&, const reports::ProgressBarState&) override {}
    void setRetrievalRunning(bool) override {}
    void showReportTabs() override {}
    void processEvents() override { QCoreApplication::processEvents(); }

private:
    const reports::PropSettings& settings_;
    QString host_;
    QString password_;
    bool useProxy_;
    QTextStream& out_;
};

}  // namespace orvane::cli
