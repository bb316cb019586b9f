#include "net/Nmftp.h"

#include "net/FtpReply.h"

namespace orvane::net {

namespace {

// A server that keeps a multi-line reply going forever is broken or hostile.
constexpr int kMaxReplyLines = 10000;
// How long Flush waits for the server to say something: 1.1e-5 day.
constexpr int kFlushWaitMs = 950;

bool inRange(int value, int low, int high) { return value >= low && value <= high; }

// "220-..." opens a multi-line reply that only "220 ..." closes.
bool opensMultiLineReply(const QString& line) {
    return line.size() >= 4 && line[0].isDigit() && line[1].isDigit() && line[2].isDigit() &&
           line[3] == QLatin1Char('-');
}

}  // namespace

TCmdType commandTypeOf(const QString& command) {
    const QString word = command.section(QLatin1Char(' '), 0, 0).toUpper();
    if (word == QLatin1String("CWD")) return TCmdType::cmdChangeDir;
    if (word == QLatin1String("MKD")) return TCmdType::cmdMakeDir;
    if (word == QLatin1String("DELE")) return TCmdType::cmdDelete;
    if (word == QLatin1String("RMD")) return TCmdType::cmdRemoveDir;
    if (word == QLatin1String("PWD")) return TCmdType::cmdCurrentDir;
    return TCmdType::cmdDoCommand;
}

TNMFTP::TNMFTP(std::unique_ptr<HostResolver> lookup) : TPowersock(std::move(lookup)) {
    Port = 21;
    DataArrivalHook = [this] { CheckRead(); };
    operationTimer_.setSingleShot(true);
    operationTimer_.callOnTimeout([this] {
        operationExpired_ = true;
        Abort();
    });
}

void TNMFTP::bounded(const std::function<void()>& body) {
    if (OperationTimeOut <= 0 || operationTimer_.isActive()) {
        body();
        return;
    }
    operationExpired_ = false;
    operationTimer_.start(OperationTimeOut);
    try {
        body();
    } catch (...) {
        operationTimer_.stop();
        if (!operationExpired_) throw;
        ResetCanceled();
        throw ESockError("Operation timed out after " + std::to_string(OperationTimeOut) + " ms");
    }
    operationTimer_.stop();
}

int TNMFTP::requireReplyCode(const QString& line) {
    if (const auto code = ftpReplyCode(line)) return *code;
    // Out of step or not FTP at all: nothing it says later can be trusted.
    RequestCloseSocket();
    throw ESockError("Invalid reply from the server: '" + line.left(40).toStdString() + "'");
}

TNMFTP::~TNMFTP() { dataSocket_.reset(); }

qint64 TNMFTP::GetBytesRcvd() const { return dataSocket_ ? dataSocket_->BytesRcvd() : 0; }

void TNMFTP::Abort() {
    if (dataSocket_) dataSocket_->Cancel();
    Cancel();
}

void TNMFTP::CheckRead() {
    // The server is going away (421) or gave up the transfer (426): end every
    // wait now instead of waiting for replies or a data connection that will
    // never come.
    const QByteArray& buffer = ReceiveBuffer();
    if (buffer.size() >= 4 && (buffer.startsWith("421") || buffer.startsWith("426"))) Abort();
}

QString TNMFTP::readReplyLine() {
    const QString line = chompLine(ReadLn());
    StatusMessage(StatusLevel::Protocol, line);
    return line;
}

void TNMFTP::logExtraLines(const QString& firstLine, const std::function<void(const QString&)>& onLine) {
    QString current = firstLine;
    QString opener = opensMultiLineReply(current) ? current : QString();
    int count = 0;
    // A line that starts with a space or has '-' as its fourth character goes
    // on; inside a "ddd-" reply every line up to "ddd " belongs to it as well
    // (RFC 959 4.2), so the control connection never falls out of step.
    while (isContinuationLine(current) || (!opener.isEmpty() && !closesMultiLineReply(opener, current))) {
        if (++count > kMaxReplyLines) throw ESockError("Reply too long");
        current = readReplyLine();
        if (opener.isEmpty() && opensMultiLineReply(current)) opener = current;
        if (onLine) onLine(current);
    }
}

void TNMFTP::ReadExtraLines(const QString& line) { logExtraLines(line, nullptr); }

QString TNMFTP::Transaction(const QString& command) {
    const QString reply = TPowersock::Transaction(command);
    requireReplyCode(reply);
    ReadExtraLines(reply);
    return reply;
}

void TNMFTP::discardUnread() {
    if (!ReceiveBuffer().isEmpty()) Read(0);
}

void TNMFTP::failure(TCmdType type) {
    bool handled = false;
    if (OnFailure) OnFailure(handled, type);
    if (!handled) throw FTPException(LastReply().toStdString());
}

void TNMFTP::Connect() {
    if (Connected()) return;
    bounded([this] {
        TPowersock::Connect();
        try {
            // The greeting, however many lines; its code is not judged, but
            // it must be a reply of the protocol.
            QString greeting = QStringLiteral(" ");
            logExtraLines(greeting, [&greeting](const QString& line) { greeting = line; });
            requireReplyCode(greeting);
            StatusMessage(StatusLevel::Protocol, QStringLiteral("USER ") + UserID);
            // A proxy FTP server learns the real server from the user name.
            Transaction(Proxy.isEmpty() ? QStringLiteral("USER ") + UserID
                                        : QStringLiteral("USER ") + UserID + QLatin1Char('@') + Host);
            const auto judgeLogin = [this] {
                if (!inRange(ReplyNumber(), 401, 599)) return;
                if (TPowersock::OnConnectionFailed) TPowersock::OnConnectionFailed();
                throw FTPException(LastReply().toStdString());
            };
            judgeLogin();
            if (ReplyNumber() == 331) {
                StatusMessage(StatusLevel::Protocol, QStringLiteral("PASS "));  // never the password
                Transaction(QStringLiteral("PASS ") + Password);
                judgeLogin();
            }
            if (OnConnect) OnConnect();
        } catch (...) {
            try {
                Disconnect();
            } catch (...) {
                // The first error is the one to report.
            }
            StatusMessage(StatusLevel::Protocol, QStringLiteral("Disconnected"));
            throw;
        }
    });
}

void TNMFTP::Disconnect() {
    if (!Connected()) return;
    StatusMessage(StatusLevel::Protocol, QStringLiteral("QUIT"));
    Vendor = 2411;
    try {
        discardUnread();
        Transaction(QStringLiteral("QUIT"));
    } catch (...) {
        TPowersock::Disconnect();
        throw;
    }
    TPowersock::Disconnect();
    if (inRange(ReplyNumber(), 301, 599)) throw FTPException(LastReply().toStdString());
}

void TNMFTP::ChangeDir(const QString& directory) { DoCommand(QStringLiteral("CWD ") + directory); }

void TNMFTP::DoCommand(const QString& command) {
    const TCmdType type = commandTypeOf(command);
    ResetCanceled();
    CertifyConnect();
    bounded([&] {
        StatusMessage(StatusLevel::Protocol, command);
        discardUnread();
        Transaction(command);
    });
    const int number = ReplyNumber();
    if (inRange(number, 400, 599)) {
        if (inRange(number, 500, 502) && OnUnSupportedFunction) OnUnSupportedFunction(type);
        failure(type);
        return;
    }
    if (OnSuccess) OnSuccess(type);
}

void TNMFTP::Download(const QString& remote, const QString& local) {
    ResetCanceled();
    CertifyConnect();
    bounded([&] { download(remote, local.isEmpty() ? remote : local); });
}

void TNMFTP::download(const QString& remote, const QString& target) {
    dataSocket_ = std::make_unique<TPowersock>();
    dataSocket_->TimeOut = TimeOut;
    dataSocket_->Port = 0;
    bool captureStarted = false;
    bool closingReplyRead = false;
    try {
        discardUnread();
        // Listen only where the PORT command tells the server to connect:
        // the address of this end of the control connection.
        dataSocket_->Listen(localIpv4());
        const QString port = portCommand(localIpv4(), dataSocket_->localPort());
        StatusMessage(StatusLevel::Protocol, port);
        Transaction(port);
        if (inRange(ReplyNumber(), 301, 599)) {
            failure(TCmdType::cmdDownload);
            dataSocket_.reset();  // refused and handled: no transfer, no success
            return;
        }
        if (OnPacketRecvd) dataSocket_->OnPacketRecvd = OnPacketRecvd;

        StatusMessage(StatusLevel::Protocol, QStringLiteral("RETR ") + remote);
        bytesTotal_ = 0;
        TPowersock::Transaction(QStringLiteral("RETR ") + remote);
        requireReplyCode(LastReply());
        if (inRange(ReplyNumber(), 301, 599)) {
            failure(TCmdType::cmdDownload);
            dataSocket_.reset();
            return;
        }
        bytesTotal_ = bytesTotalOf(LastReply());
        // The announced size is a hint; only an exact "(N bytes)" can show a
        // transfer to be short.
        std::optional<int64_t> exactBytes = exactAnnouncedBytes(LastReply());
        logExtraLines(LastReply(), [this, &exactBytes](const QString& line) {
            if (bytesTotal_ == 0) bytesTotal_ = bytesTotalOf(line);
            if (!exactBytes) exactBytes = exactAnnouncedBytes(line);
        });

        // Only the server we talk to may deliver the file.
        dataSocket_->acceptOnlyFrom = peerIpv4();
        dataSocket_->Accept();
        if (OnTransactionStart) OnTransactionStart();

        captureStarted = true;
        CaptureRules rules;
        rules.exactBytes = exactBytes.value_or(0);
        rules.maxBytes = MaxDownloadBytes;
        // The file is the server's only when it says the transfer went well.
        rules.confirm = [this, &closingReplyRead] {
            dataSocket_->RequestCloseSocket();
            bytesTotal_ = dataSocket_->BytesRcvd();
            StatusMessage(StatusLevel::Protocol, QStringLiteral("Received %1 Bytes").arg(bytesTotal_));
            closingReplyRead = true;
            const QString reply = readReplyLine();
            ReadExtraLines(reply);
            const int code = requireReplyCode(reply);
            if (code != 226 && code != 250) throw FTPException(reply.toStdString());
        };
        dataSocket_->CaptureFile(target, rules);
        if (OnTransactionStop) OnTransactionStop();
        dataSocket_.reset();
        if (OnSuccess) OnSuccess(TCmdType::cmdDownload);
        if (Canceled()) Flush();
    } catch (...) {
        const bool brokenOff = Canceled();  // this error is the cancel's doing
        if (dataSocket_) {
            bytesTotal_ = dataSocket_->BytesRcvd();
            dataSocket_.reset();
        }
        if (!Canceled() && captureStarted && !closingReplyRead && Connected()) {
            // The server still sends the reply that closes the broken transfer
            // (226, 426, 451...). Read it now, so that the next command does
            // not take it for its own answer.
            try {
                ReadExtraLines(readReplyLine());
            } catch (...) {
                // The transfer's own error is the one to report.
            }
        }
        if (Canceled()) {
            // When the server broke the transfer off (421, 426), its own words
            // say best why this file did not come.
            const QStringList lines = flushLines();
            for (const QString& line : lines)
                if (brokenOff && (line.startsWith(QLatin1String("421")) || line.startsWith(QLatin1String("426"))))
                    throw FTPException(line.toStdString());
        }
        throw;
    }
}

void TNMFTP::Flush() { flushLines(); }

QStringList TNMFTP::flushLines() {
    ResetCanceled();
    waitFor([this] { return !ReceiveBuffer().isEmpty() || !Connected(); }, kFlushWaitMs);
    const QByteArray bytes = Read(0);
    QStringList lines;
    for (const QByteArray& line : bytes.split('\n')) {
        const QString text = chompLine(line);
        if (text.isEmpty()) continue;
        StatusMessage(StatusLevel::Protocol, text);
        lines << text;
    }
    return lines;
}

}  // namespace orvane::net
