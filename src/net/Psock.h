#pragma once

#include <QByteArray>
#include <QString>
#include <QTimer>

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "common/OrvaneError.h"
#include "common/HostResolver.h"

class QEventLoop;
class QSocketNotifier;

namespace orvane::net {

class CaptureTarget;

// Socket and connection failures ("Connection Failed", "10054:Connection reset by peer").
class ESockError : public OrvaneError {
public:
    using OrvaneError::OrvaneError;
};

// A wait that was cancelled ("Socket readln aborted", "Socket send aborted").
class EAbortError : public OrvaneError {
public:
    using OrvaneError::OrvaneError;
};

// Levels of status reports: a report reaches OnStatus only when its level is
// at most ReportLevel. The report retrieval uses 2, so only protocol lines.
namespace StatusLevel {
inline constexpr int Protocol = 1;    // commands and replies
inline constexpr int Routine = 4;     // "Sending Buffer", "Accepting", "Request Close Socket"
inline constexpr int Trace = 8;       // "Connecting", "ReadLn", "Timer On", ...
inline constexpr int ErrorCheck = 16; // "Checking Error In Error Manager"
}  // namespace StatusLevel

// Responsibilities: a repeating timer on the GUI thread with the properties
// Enabled, Interval (ms) and OnTimer; changing any of them restarts it, and
// it runs only while enabled with a non-zero interval and a handler. An error
// escaping OnTimer goes to OnTimerError (by default a warning on stderr); it
// never leaves the event loop.
class TThreadTimer {
public:
    TThreadTimer();

    bool Enabled() const { return enabled_; }
    void setEnabled(bool enabled);
    int Interval() const { return intervalMs_; }
    void setInterval(int intervalMs);
    void setOnTimer(std::function<void()> onTimer);
    bool isRunning() const { return timer_.isActive(); }

    std::function<void(const std::string& text)> OnTimerError;

private:
    void restart();
    void fire();

    QTimer timer_;
    bool enabled_ = true;
    int intervalMs_ = 1000;
    std::function<void()> onTimer_;
};

// Responsibilities: one IPv4 TCP stream with a blocking-style interface for
// the GUI thread: connect (with host lookup), send, read bytes or lines,
// transact a command and its reply line, listen and accept, and capture a
// connection's data into a file. Readiness of the non-blocking socket reaches
// the object through QSocketNotifier; every wait runs a nested event loop
// that ends on the notification it waits for, on Cancel() or on a time-out,
// so the windows stay live meanwhile. Reports what it does through OnStatus
// and its failures through events and exceptions.
//
// Collaborations: HostResolver (injected; the system resolver by default);
// TNMFTP uses one object as its control connection and one per transfer as
// its data connection.
//
// Waits and their bounds (TimeOut in ms, 0 = unbounded):
//  - name lookup and connection set-up: TimeOut in all, then
//    "Host Lookup Timed Out" / "Connection Timed out";
//  - a line (ReadLn), bytes (Read), an incoming connection (Accept), a send
//    and a capture: TimeOut of silence, i.e. they end only when nothing at all
//    arrived (or could be sent) for TimeOut ms: "Socket readln timed out",
//    "Socket read timed out", "Accepting Timed out", "Socket send timed out",
//    "Transfer Timed out".
// A line longer than 64 KiB without a line feed ends ReadLn with
// "Reply line too long"; a peer that closes while a line or bytes are awaited
// ends the wait with "Connection closed by peer". While the application is
// quitting, every wait ends as cancelled.
//
// Events are plain callbacks, bound by assignment and run on the GUI thread.
// Errors are exceptions, thrown from the operation (never from a callback of
// the event loop). Not copyable; not for use from other threads.
class TPowersock {
public:
    explicit TPowersock(std::unique_ptr<HostResolver> lookup = nullptr);
    virtual ~TPowersock();
    TPowersock(const TPowersock&) = delete;
    TPowersock& operator=(const TPowersock&) = delete;

    // ---- properties
    QString Host;          // host name or dotted IPv4 address
    int Port = 0;
    QString Proxy;         // non-empty: connect to Proxy:ProxyPort instead
    int ProxyPort = 0;
    int TimeOut = 0;       // ms; 0 = unbounded
    int ReportLevel = 0;   // highest status level passed to OnStatus

    // ---- events (all optional)
    std::function<void()> OnConnect;             // TCP connection established
    std::function<void()> OnDisconnect;          // the socket was closed
    std::function<void(bool& handled)> OnInvalidHost;  // handled starts false; true = resolve again
    std::function<void()> OnHostResolved;
    std::function<void(const QString& text)> OnStatus;
    std::function<void()> OnConnectionFailed;    // before the connection error is thrown
    std::function<void()> OnConnectionRequired;  // before "Not Connected" is thrown
    std::function<void()> OnPacketRecvd;         // a block arrived during a capture (see BytesRcvd)
    std::function<void()> OnPacketSent;          // a block was sent while Transferring
    std::function<void(int errorNo, const QString& text)> OnError;  // a socket call failed
    // Run after received bytes were appended to the receive buffer, and when
    // ReadLn took a line and left further bytes at the front of it.
    std::function<void()> DataArrivalHook;

    // ---- state
    bool Connected() const { return connected_; }
    bool Canceled() const { return canceled_; }
    bool TimedOut() const { return timedOut_; }
    bool Transferring() const { return transferring_; }
    int16_t ReplyNumber() const { return replyNumber_; }
    const QString& LastReply() const { return lastReply_; }    // without CR LF
    const QString& LastStatus() const { return lastStatus_; }
    int LastErrorNo() const { return lastErrorNo_; }
    qint64 BytesRcvd() const { return bytesRcvd_; }
    qint64 BytesSent() const { return bytesSent_; }
    // Bytes received and not yet taken (empty during a capture).
    const QByteArray& ReceiveBuffer() const { return receiveBuffer_; }

    // ---- operations
    // Resolves Proxy or Host (a dotted address without lookup) and connects to
    // ProxyPort or Port. Throws ESockError ("Already connected", "Host Lookup
    // Timed Out: HOST could not be resolved", "Host Lookup Canceled", "Null
    // Remote Address: HOST could not be resolved", "Connection Timed out:
    // HOST:PORT could not be reached", "Connection Canceled", "Connection
    // Failed: HOST:PORT could not be reached (Connection refused)").
    virtual void Connect();
    // Closes the connection (RequestCloseSocket).
    virtual void Disconnect();
    // Throws "Not Connected" (after OnConnectionRequired) without a connection.
    void CertifyConnect();
    // Ends every wait of this object; Canceled stays set until an operation clears it.
    void Cancel();
    // Clears Canceled (and lets the socket be read again).
    void ResetCanceled();
    // Cancel(); TNMFTP also cancels its data connection. The lookup and
    // connection time-out calls this.
    virtual void Abort();

    void Write(const QString& text);        // Latin-1 bytes of the text
    void Writeln(const QString& text);      // text + CR LF
    void SendBuffer(const QByteArray& bytes);  // waits until all are sent
    // count 0: whatever is buffered, without waiting, even after a cancel
    // (which stays set for the next wait); else waits for `count` bytes.
    QByteArray Read(qsizetype count = 0);
    // The next line, with its line feed.
    QByteArray ReadLn();
    // Writeln(command), then ReadLn into LastReply; ReplyNumber := its leading
    // digits (0 without). Returns LastReply (without CR LF). A command holding
    // a CR or LF is refused before anything is sent.
    virtual QString Transaction(const QString& command);

    // Listens at Port (0: the system picks), backlog 1, on `bindIpv4` (host
    // order; 0 = all local addresses).
    void Listen(uint32_t bindIpv4 = 0);
    // Waits for the incoming connection, closes the listening socket and goes
    // on with the accepted connection as this object's connection.
    // With acceptOnlyFrom set (host order), connections from any other peer
    // are refused and the wait goes on.
    virtual void Accept();
    uint32_t acceptOnlyFrom = 0;

    // What makes a captured file good enough to replace the earlier copy.
    struct CaptureRules {
        // > 0: the size the server announced exactly; fewer bytes is a failure
        // (more is not: a text-mode transfer may add CRs).
        qint64 exactBytes = 0;
        // > 0: the most a transfer may bring; beyond it the transfer is broken off.
        qint64 maxBytes = 0;
        // Runs after the peer closed normally, before the file is committed;
        // it throws to refuse the file (the FTP client reads and judges the
        // transfer's closing reply here).
        std::function<void()> confirm;
    };

    // Writes all data the peer sends into `fileName` until the peer closes the
    // connection. The data go to a temporary file in the same folder that
    // replaces `fileName` (by rename, keeping its permissions) only when the
    // peer closed normally, the rules hold and `confirm` returned; otherwise
    // the temporary file is removed, `fileName` is left as it was, and the
    // error is thrown (EAbortError "Socket send aborted" on cancel;
    // ESockError on time-out, reset, short count or too many bytes;
    // OrvaneError "Cannot create file ..." or "Unable to write to ..." when
    // the file cannot be written; whatever `confirm` throws).
    void CaptureFile(const QString& fileName, const CaptureRules& rules);
    void CaptureFile(const QString& fileName) { CaptureFile(fileName, CaptureRules{}); }

    void RequestCloseSocket();
    QString GetLocalAddress() const;  // "127,0,0,1"
    QString GetPortString() const;    // ",p1,p2"
    uint32_t localIpv4() const;       // host order; 0 without a socket
    uint16_t localPort() const;
    uint32_t peerIpv4() const;        // host order; 0 without a connection

    // OnError with the number and its text, then ESockError with the text,
    // unless `socketErrorNo` is `tolerated` (or 0).
    void ErrorManager(int tolerated, int socketErrorNo);
    void StatusMessage(int level, const QString& text);

    void TimerOn();
    void TimerOff();
    void TimerFired();

protected:
    // Ends of a wait.
    enum class WaitEnd { Done, Canceled, Silent };
    // Runs the event loop until `done()` is true, Cancel() or (with
    // `silenceMs` > 0) that long without any activity on this object.
    WaitEnd waitFor(const std::function<bool()>& done, int silenceMs);
    bool destroying() const { return destroying_; }

private:
    struct WaitFrame;
    enum class Mode { Idle, Connecting, Stream, Listening };

    void openSocket();
    void attach(int fd, Mode mode);
    void closeSocket();
    void onReadable();
    void onWritable();
    void readToStream();
    void writeFromStream();
    void peerClosed();
    void receiveFailed(int socketErrorNo);
    void appendReceived(const char* data, qsizetype size);
    void noteActivity();
    void wakeWaiters();
    void updateNotifiers();
    uint32_t lookupOnce(const QString& name);
    void callSafely(const std::function<void()>& handler);
    [[noreturn]] void throwSockError(const std::string& text);

    std::unique_ptr<HostResolver> lookup_;
    int fd_ = -1;
    std::unique_ptr<QSocketNotifier> readNotifier_;
    std::unique_ptr<QSocketNotifier> writeNotifier_;
    // Notifiers of closed sockets; never deleted from inside their own signal.
    std::vector<std::unique_ptr<QSocketNotifier>> retired_;
    int notificationDepth_ = 0;
    int sendErrorNo_ = 0;
    TThreadTimer timeOutTimer_;

    QByteArray receiveBuffer_;
    QByteArray sendQueue_;
    CaptureTarget* capture_ = nullptr;  // during CaptureFile
    bool captureWriteFailed_ = false;
    qint64 captureMaxBytes_ = 0;
    bool captureTooLarge_ = false;

    Mode mode_ = Mode::Idle;
    bool connected_ = false;
    bool canceled_ = false;
    bool timedOut_ = false;
    bool transferring_ = false;
    bool socketEventOk_ = true;
    bool acceptReady_ = false;
    bool peerClosed_ = false;
    int receiveErrorNo_ = 0;
    bool inReadToStream_ = false;
    bool inWriteFromStream_ = false;
    bool destroying_ = false;
    int16_t replyNumber_ = 0;
    QString lastReply_;
    QString lastStatus_;
    int lastErrorNo_ = 0;
    qint64 bytesRcvd_ = 0;
    qint64 bytesSent_ = 0;
    uint32_t remoteIpv4_ = 0;

    WaitFrame* waits_ = nullptr;     // innermost wait of this object
};

}  // namespace orvane::net
