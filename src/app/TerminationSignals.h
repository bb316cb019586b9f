#pragma once

#include <QObject>
#include <functional>

class QSocketNotifier;

namespace orvane::app {

// Responsibilities: turns SIGTERM, SIGINT and SIGHUP (logout, shutdown,
// Ctrl+C in a terminal) into an orderly close of the main window, so the
// beacon table and the settings are saved as when the user closes it. The
// signal handler only writes one byte to a socket pair; the close runs on the
// GUI thread when the event loop sees it. One instance per process.
class TerminationSignals final : public QObject {
public:
    explicit TerminationSignals(std::function<void()> onSignal, QObject* parent = nullptr);
    ~TerminationSignals() override;
    TerminationSignals(const TerminationSignals&) = delete;
    TerminationSignals& operator=(const TerminationSignals&) = delete;

private:
    void readSignal();
    std::function<void()> onSignal_;
    QSocketNotifier* notifier_ = nullptr;
};

}  // namespace orvane::app
