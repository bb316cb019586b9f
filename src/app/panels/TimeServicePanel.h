#pragma once

#include <QFrame>
#include <array>
#include <memory>
#include <string>

#include "common/Clock.h"
#include "common/HostResolver.h"
#include "common/MessageService.h"
#include "common/TimeTypes.h"
#include "timesync/HostList.h"
#include "timesync/TimeClient.h"

class QComboBox;
class QLabel;
class QPushButton;

namespace orvane::app {

// Responsibilities: the time panel along the top of the Map tab (pnlTime):
// the UTC label lblUTC, the time-server box cbHost with its list (loaded
// from and saved to "Hosts.txt") and "Get Time", which asks the server in
// the box and sets the clock when the PC's time differs. The panel only
// mirrors the logic of src/timesync: the request and the choice of its
// answer (TimeClient), the comparison and the clock setting (AdjustClock),
// the list and its editing rules (HostList).
//
// Collaborations: the clock it compares and sets, the message boxes, and
// the main window's status panel 0, where the outcome is written.
class TimeServicePanel final : public QFrame {
    Q_OBJECT
public:
    TimeServicePanel(Clock& clock, MessageService& messages, QLabel& statusPanel, QWidget* parent);
    ~TimeServicePanel() override;

    // The host file's lines, or the default servers. Raises the socket's
    // error when the endpoint could not be made (the list is loaded all the same).
    void LoadHostList(const QString& hostsFileName);
    // Close: the list, in its order, replaces the file.
    void SaveHostList();
    // The text of the host box, as stored in the settings.
    QString hostText() const;
    void setHostText(const QString& text);
    // Writes the UTC label for the displayed moment.
    void showUtc(UtcMoment t);

    // A request went out and the button reads "&Stop".
    bool AwaitingTime() const;
    const timesync::HostList& hostList() const { return hostList_; }
    // Host names are looked up by `resolver` from now on (tests script it).
    void setTimeHostResolver(HostResolver& resolver);
    // The datagram endpoint of the time client, remote port 37 (tests point
    // it at a local server). Null when the socket could not be created.
    timesync::TNMUDP* timeEndpoint() const { return NMUDP_Time; }

    // For the tests.
    QLabel* utcLabel() const { return lblUTC; }
    QComboBox* hostBox() const { return cbHost; }
    QPushButton* getTimeButton() const { return btnGetTime; }

private:
    void SetupTimeService();
    void btnGetTimeClick();
    void NMUDP_TimeDataReceived(int NumberBytes, const QString& FromIP, int Port);
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

    Clock& clock_;
    MessageService& messages_;
    QLabel& statusPanel_;
    QLabel* lblUTC = nullptr;
    QComboBox* cbHost = nullptr;
    QPushButton* btnGetTime = nullptr;

    QString HostsFileName;
    timesync::TNMUDP* NMUDP_Time = nullptr;
    // The last accepted answer, exactly as received (network byte order).
    std::array<char, timesync::kTimeReplyBytes> TimeReply{};
    timesync::HostList hostList_;
    int& HostIndex = hostList_.HostIndex;
    std::unique_ptr<HostResolver> systemResolver_ = makeSystemHostResolver();
    std::unique_ptr<timesync::TNMUDP> udpEndpoint_;
    std::unique_ptr<timesync::TimeClient> timeClient_;
    std::string udpStartError_;
    // Watches cbHost's keys and focus; destroyed before the widgets, which
    // removes it from them.
    std::unique_ptr<QObject> hostBoxWatcher_;
};

}  // namespace orvane::app
