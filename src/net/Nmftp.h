#pragma once

#include <QString>
#include <QStringList>
#include <QTimer>

#include <functional>
#include <memory>

#include "net/Psock.h"

namespace orvane::net {

// A reply the server refused; the message is the server's reply line (without CR LF).
class FTPException : public OrvaneError {
public:
    using OrvaneError::OrvaneError;
};

// The kind of command an outcome event is about.
enum class TCmdType : int {
    cmdChangeDir = 0,
    cmdMakeDir = 1,
    cmdDelete = 2,
    cmdRemoveDir = 3,
    cmdList = 4,
    cmdRename = 5,
    cmdUpRestore = 6,
    cmdDownRestore = 7,
    cmdDownload = 8,
    cmdUpload = 9,
    cmdAppend = 10,
    cmdReInit = 11,
    cmdAllocate = 12,
    cmdNList = 13,
    cmdDoCommand = 14,
    cmdCurrentDir = 15,
};

// The type of a raw command by its first word: "CWD" 0, "MKD" 1, "DELE" 2,
// "RMD" 3, "PWD" 15, anything else 14.
TCmdType commandTypeOf(const QString& command);

// Responsibilities: an FTP client on a TPowersock control connection: log in
// (directly, or through a proxy FTP server with "USER user@host"), run
// commands and judge their replies, fetch one file at a time in active mode
// (PORT) over a second TPowersock, and log out. Every protocol line is
// reported at status level 1; outcomes are reported through OnSuccess,
// OnFailure and OnUnSupportedFunction with the command's type.
//
// A refused reply raises OnFailure(handled, type) with handled false; unless
// the handler sets it, the operation then throws FTPException with the reply
// line. Errors of the socket layer pass through unchanged.
//
// Every reply line must carry a code 1xx..5xx; any other line is a protocol
// error that closes the control connection (the peer is not speaking FTP).
//
// A download goes to a temporary file beside the local file and replaces it
// only when the data connection ended normally, no exactly announced
// "(N bytes)" size was missed, MaxDownloadBytes was not passed and the
// transfer's closing reply is 226 or 250 (see TPowersock::CaptureFile); a
// refused, broken, oversized or cancelled transfer leaves an earlier copy as
// it was. Besides the time-out of silence, OperationTimeOut bounds each
// operation as a whole, so a server that trickles a byte a second cannot hold
// a session for ever.
//
// A 421 or 426 reply arriving on the control connection (CheckRead) cancels
// the control and the data connection, so no wait hangs on a server that is
// going away.
class TNMFTP : public TPowersock {
public:
    explicit TNMFTP(std::unique_ptr<HostResolver> lookup = nullptr);
    ~TNMFTP() override;

    // ---- properties (Host, Port = 21, Proxy, ProxyPort, TimeOut and
    // ReportLevel come from TPowersock)
    QString UserID;
    QString Password;
    int Vendor = 2411;      // server type for listings (listings are not used)
    bool ParseList = false;
    // The most one download may bring; 0 = unbounded.
    qint64 MaxDownloadBytes = 64 * 1024 * 1024;
    // Bound of each Connect, command and Download as a whole, in ms; 0 = none.
    int OperationTimeOut = 0;

    // ---- events (all optional). OnConnect hides the base's event of the
    // same name: here it means "logged in".
    std::function<void()> OnConnect;
    std::function<void()> OnTransactionStart;   // data connection accepted
    std::function<void()> OnTransactionStop;    // data connection closed
    std::function<void(TCmdType type)> OnSuccess;
    std::function<void(bool& handled, TCmdType type)> OnFailure;
    std::function<void(TCmdType type)> OnUnSupportedFunction;  // before OnFailure, for 500..502

    // ---- state
    // The size the server announced for the file being fetched (0 if none);
    // after a transfer, the number of bytes received.
    qint64 BytesTotal() const { return bytesTotal_; }
    // Bytes received so far by the transfer in progress (0 without one).
    qint64 GetBytesRcvd() const;
    // The data connection during Download, else null.
    TPowersock* DataSocket() const { return dataSocket_.get(); }

    // ---- operations
    // Connects and logs in; does nothing when already connected. On any error
    // after the TCP connection: Disconnect, status "Disconnected", rethrow.
    void Connect() override;
    // "QUIT" and close; nothing when not connected.
    void Disconnect() override;
    // The base's Transaction followed by ReadExtraLines; returns the first
    // reply line.
    QString Transaction(const QString& command) override;
    // Cancels the data connection (if any) and the control connection.
    void Abort() override;

    void ChangeDir(const QString& directory);     // "CWD " + directory through DoCommand
    void DoCommand(const QString& command);
    // Fetches `remote` in active mode into `local` (the remote name when empty).
    void Download(const QString& remote, const QString& local = QString());
    // Reads the continuation lines of a multi-line reply whose current line is `line`.
    void ReadExtraLines(const QString& line);
    // Reads and reports whatever the control connection brings within about
    // 0.95 s, ending as soon as some text was read.
    void Flush();

private:
    // Runs `body` under OperationTimeOut (unless an outer operation already
    // runs under it); when the bound ends it, throws "Operation timed out".
    void bounded(const std::function<void()>& body);
    // The code of a reply line; anything else closes the connection and throws.
    int requireReplyCode(const QString& line);
    void download(const QString& remote, const QString& target);
    // Flush, returning the lines it reported.
    QStringList flushLines();
    void CheckRead();
    void failure(TCmdType type);
    void discardUnread();
    QString readReplyLine();
    void logExtraLines(const QString& firstLine, const std::function<void(const QString&)>& onLine);

    std::unique_ptr<TPowersock> dataSocket_;
    qint64 bytesTotal_ = 0;
    QTimer operationTimer_;
    bool operationExpired_ = false;
};

}  // namespace orvane::net
