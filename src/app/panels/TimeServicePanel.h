#pragma once

#include <QFrame>
#include <array>
#include <memory>
#include <string>

#include "common/Clock.h"
#include "common/HostResolver.h"
#include "common/MessageService.h"
#include "common/TimeTypes.h"
#include "timesync/CorrectedClock.h"
#include "timesync/HostList.h"
#include "timesync/TimeQuery.h"
#include "timesync/TimeSyncMonitor.h"

class QAction;
class QComboBox;
class QHBoxLayout;
class QLabel;
class QPushButton;
class QSpacerItem;
class QTimer;

namespace orvane::app {

// Responsibilities: the time panel along the top of the Map tab (pnlTime):
// the UTC label lblUTC, the time-server box cbHost with its list (loaded
// from and saved to "Hosts.txt") and "Get Time", which asks the server in
// the box (by NTP, the Time protocol, or NTP then the Time protocol, as the
// entry says) and sets the clock when the PC's time differs. When the clock
// cannot be set, the measured error becomes the correction of the display
// clock, marked beside the UTC label until it is 24 hours old, a newer
// measurement replaces it, or "Clear Clock Correction" (the UTC label's
// menu) drops it. The panel only mirrors the logic of src/timesync: the
// question and the choice of its answer (TimeQuery), the comparison and the
// clock setting (AdjustClock, AdjustClockNtp), the list and its editing
// rules (HostList).
//
// Collaborations: the display clock (CorrectedClock), whose PC clock it
// compares and sets; the system's own time sync (TimeSyncMonitor); the
// message boxes; the main window's status panel 0, where the outcome is
// written.
class TimeServicePanel final : public QFrame {
    Q_OBJECT
public:
    TimeServicePanel(timesync::CorrectedClock& clock, MessageService& messages, QLabel& statusPanel, QWidget* parent);
    ~TimeServicePanel() override;

    // The host file's lines, or the default servers. Raises the socket's
    // error when the endpoint could not be made (the list is loaded all the same).
    void LoadHostList(const QString& hostsFileName);
    // Close: the list, in its order, replaces the file.
    void SaveHostList();
    // The text of the host box, as stored in the settings.
    QString hostText() const;
    void setHostText(const QString& text);
    // Writes the UTC label for the displayed moment, with the correction's
    // mark while one is in force.
    void showUtc(UtcMoment t);

    // The correction of the display clock (none when the clock was set).
    const std::optional<timesync::ClockCorrection>& clockCorrection() const { return clock_.correction(); }
    // Puts a stored correction in force unless it is too old.
    void setClockCorrection(std::optional<timesync::ClockCorrection> correction);
    void clearClockCorrection() { setClockCorrection(std::nullopt); }
    QAction* clearCorrectionAction() const { return acClearCorrection; }

    // A request went out and the button reads "&Stop".
    bool AwaitingTime() const;
    const timesync::HostList& hostList() const { return hostList_; }
    // Host names are looked up by `resolver` from now on (tests script it).
    void setTimeHostResolver(HostResolver& resolver);
    // Whether the system keeps its own time is asked of `monitor` from now on.
    void setTimeSyncMonitor(const timesync::TimeSyncMonitor& monitor) { syncMonitor_ = &monitor; }
    // The ports asked (123 and 37; tests point both at a local server).
    void setTimePorts(quint16 ntpPort, quint16 timePort);
    // How long NTP waits for its answer before giving up or falling back.
    void setNtpTimeoutMs(int ms);
    // The datagram endpoint of the time client. Null when the socket could
    // not be created.
    timesync::TNMUDP* timeEndpoint() const { return NMUDP_Time; }

    // The row's text and sizes grow by `scale` (1: the classic row).
    void setTextScale(double scale);
    double textScale() const { return textScale_; }

    // For the tests.
    QLabel* utcLabel() const { return lblUTC; }
    QLabel* hostLabel() const { return lblHost; }
    QComboBox* hostBox() const { return cbHost; }
    QPushButton* getTimeButton() const { return btnGetTime; }

private:
    void SetupTimeService();
    void btnGetTimeClick();
    void NMUDP_TimeDataReceived(int NumberBytes, const QString& FromIP, int Port);
    void ntpAnswered(const timesync::NtpReply& reply, const timesync::NtpMeasurement& measurement, const QString& fromIP);
    void timeQueryFailed(const QString& message);
    // The clock could not be set: the display runs on the measured offset.
    void keepCorrection(UtcMs offsetMs);
    // Normal cursor; a message box when `text` is not empty; status panel 0 cleared.
    void ShowTimeMessage(const QString& text);
    // Compares TimeReply with the clock, sets it when they differ, writes panel 0.
    void AdjustClock();
    void cbHostKeyDown(int key);
    void cbHostChange(const QString& text);
    void cbHostExit();
    int FindHost(const QString& host) const;
    void onTimeRequestSent();
    void onTimeRequestFailed(const QString& message);
    void showHostListInBox();
    void applyHostCommit(const timesync::HostList::CommitOutcome& outcome);
    void setStatus(const QString& text);
    void layoutRow();

    timesync::CorrectedClock& clock_;
    Clock& pcClock_;
    MessageService& messages_;
    QLabel& statusPanel_;
    QLabel* lblUTC = nullptr;
    QLabel* lblHost = nullptr;
    QComboBox* cbHost = nullptr;
    QPushButton* btnGetTime = nullptr;
    QHBoxLayout* row_ = nullptr;
    QSpacerItem* leadGap_ = nullptr;
    QSpacerItem* hostGap_ = nullptr;
    QSpacerItem* boxGap_ = nullptr;
    QSpacerItem* buttonGap_ = nullptr;
    double textScale_ = 1.0;
    QAction* acClearCorrection = nullptr;
    QTimer* correctionExpiry_ = nullptr;
    timesync::SystemTimeSyncMonitor systemSyncMonitor_;
    const timesync::TimeSyncMonitor* syncMonitor_ = &systemSyncMonitor_;

    QString HostsFileName;
    timesync::TNMUDP* NMUDP_Time = nullptr;
    // The last accepted answer, exactly as received (network byte order).
    std::array<char, timesync::kTimeReplyBytes> TimeReply{};
    timesync::HostList hostList_;
    int& HostIndex = hostList_.HostIndex;
    std::unique_ptr<HostResolver> systemResolver_ = makeSystemHostResolver();
    std::unique_ptr<timesync::TNMUDP> udpEndpoint_;
    std::unique_ptr<timesync::TimeQuery> timeQuery_;
    std::string udpStartError_;
    // Watches cbHost's keys and focus; destroyed before the widgets, which
    // removes it from them.
    std::unique_ptr<QObject> hostBoxWatcher_;
};

}  // namespace orvane::app
