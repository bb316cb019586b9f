#include "net/Psock.h"

#include <QDebug>
#include <QEventLoop>
#include <QFile>
#include <QSocketNotifier>

#include <arpa/inet.h>
#include <cerrno>
#include <fcntl.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <utility>

#include "common/Printable.h"
#include "net/CaptureTarget.h"
#include "net/FtpReply.h"
#include "common/SocketErrors.h"

namespace orvane::net {

namespace {

// Data move in blocks of at most this many bytes; each block of a capture is
// one OnPacketRecvd.
constexpr qsizetype kBlockBytes = 16383;
// Blocks taken per read notification before the event loop gets its turn
// again, so a fast sender cannot starve the windows.
constexpr int kBlocksPerNotification = 16;
// Outside a capture, reading pauses while this many bytes wait unread, so a
// peer that floods the connection cannot grow the buffer without bound.
constexpr qsizetype kMaxBuffered = 4 * MaxLineBytes;

std::string text(const QString& s) { return s.toStdString(); }

}  // namespace

// ---------------------------------------------------------------- TThreadTimer

TThreadTimer::TThreadTimer() {
    QObject::connect(&timer_, &QTimer::timeout, &timer_, [this] { fire(); });
}

void TThreadTimer::setEnabled(bool enabled) {
    enabled_ = enabled;
    restart();
}

void TThreadTimer::setInterval(int intervalMs) {
    intervalMs_ = intervalMs;
    restart();
}

void TThreadTimer::setOnTimer(std::function<void()> onTimer) {
    onTimer_ = std::move(onTimer);
    restart();
}

void TThreadTimer::restart() {
    timer_.stop();
    if (enabled_ && intervalMs_ > 0 && onTimer_) timer_.start(intervalMs_);
}

void TThreadTimer::fire() {
    // An exception must not unwind through the event loop.
    try {
        if (onTimer_) onTimer_();
    } catch (const std::exception& e) {
        if (OnTimerError) OnTimerError(e.what());
        else qWarning("%s", e.what());
    } catch (...) {
        if (OnTimerError) OnTimerError("Unknown error in timer");
    }
}

// ------------------------------------------------------------------ TPowersock

struct TPowersock::WaitFrame {
    QEventLoop* loop;
    QTimer* silence;  // null when the wait is unbounded
    WaitFrame* outer;
};

TPowersock::TPowersock(std::unique_ptr<HostResolver> lookup)
    : lookup_(lookup ? std::move(lookup) : makeSystemHostResolver()) {
    StatusMessage(StatusLevel::Trace, QStringLiteral("Create"));
    timeOutTimer_.setEnabled(false);
    timeOutTimer_.setOnTimer([this] { TimerFired(); });
}

TPowersock::~TPowersock() {
    destroying_ = true;
    StatusMessage(StatusLevel::Trace, QStringLiteral("Destroy"));
    canceled_ = true;
    wakeWaiters();
    lookup_->cancel();
    closeSocket();
}

void TPowersock::StatusMessage(int level, const QString& statusText) {
    if (ReportLevel < level) return;
    // Lines of the server's (a multi-line reply's too) pass here.
    lastStatus_ = printable(statusText);
    if (!destroying_ && OnStatus) OnStatus(lastStatus_);
}

void TPowersock::ErrorManager(int tolerated, int socketErrorNo) {
    StatusMessage(StatusLevel::ErrorCheck, QStringLiteral("Checking Error In Error Manager"));
    lastErrorNo_ = socketErrorNo;
    if (socketErrorNo == 0 || socketErrorNo == tolerated) return;
    const QString message = SocketErrorStr(socketErrorNo);
    if (OnError) OnError(socketErrorNo, message);
    throw ESockError(text(message));
}

void TPowersock::throwSockError(const std::string& message) { throw ESockError(message); }

// ---- socket handle and notifications

void TPowersock::openSocket() {
    const int fd = ::socket(AF_INET, SOCK_STREAM | SOCK_NONBLOCK | SOCK_CLOEXEC, 0);
    if (fd < 0) ErrorManager(0, socketErrorFromErrno(errno));
    attach(fd, Mode::Idle);
}

void TPowersock::attach(int fd, Mode mode) {
    closeSocket();
    if (notificationDepth_ == 0) retired_.clear();
    fd_ = fd;
    mode_ = mode;
    peerClosed_ = false;
    receiveErrorNo_ = 0;
    sendErrorNo_ = 0;
    readNotifier_ = std::make_unique<QSocketNotifier>(fd, QSocketNotifier::Read);
    writeNotifier_ = std::make_unique<QSocketNotifier>(fd, QSocketNotifier::Write);
    readNotifier_->setEnabled(false);
    writeNotifier_->setEnabled(false);
    QObject::connect(readNotifier_.get(), &QSocketNotifier::activated, readNotifier_.get(), [this] { onReadable(); });
    QObject::connect(writeNotifier_.get(), &QSocketNotifier::activated, writeNotifier_.get(), [this] { onWritable(); });
    updateNotifiers();
}

void TPowersock::closeSocket() {
    if (readNotifier_) {
        readNotifier_->setEnabled(false);
        writeNotifier_->setEnabled(false);
        retired_.push_back(std::move(readNotifier_));
        retired_.push_back(std::move(writeNotifier_));
    }
    if (destroying_ || notificationDepth_ == 0) retired_.clear();
    if (fd_ >= 0) ::close(fd_);
    fd_ = -1;
    mode_ = Mode::Idle;
    connected_ = false;
    sendQueue_.clear();
}

void TPowersock::updateNotifiers() {
    if (fd_ < 0 || !readNotifier_) return;
    const bool wantRead =
        (mode_ == Mode::Listening && !acceptReady_) ||
        (mode_ == Mode::Stream && !peerClosed_ &&
         (capture_ != nullptr || receiveBuffer_.size() < kMaxBuffered));
    const bool wantWrite =
        mode_ == Mode::Connecting || (mode_ == Mode::Stream && !sendQueue_.isEmpty() && !canceled_);
    if (readNotifier_->isEnabled() != wantRead) readNotifier_->setEnabled(wantRead);
    if (writeNotifier_->isEnabled() != wantWrite) writeNotifier_->setEnabled(wantWrite);
}

void TPowersock::callSafely(const std::function<void()>& handler) {
    // Errors raised while handling a notification are dropped: nothing may
    // unwind through the event loop.
    ++notificationDepth_;
    try {
        handler();
    } catch (...) {
    }
    --notificationDepth_;
}

void TPowersock::onReadable() {
    callSafely([this] {
        if (mode_ == Mode::Listening) {
            socketEventOk_ = true;
            acceptReady_ = true;
            updateNotifiers();
            noteActivity();
            wakeWaiters();
            return;
        }
        readToStream();
    });
}

void TPowersock::onWritable() {
    callSafely([this] {
        if (mode_ == Mode::Connecting) {
            int error = 0;
            socklen_t len = sizeof error;
            if (::getsockopt(fd_, SOL_SOCKET, SO_ERROR, &error, &len) != 0) error = errno;
            socketEventOk_ = error == 0;
            if (socketEventOk_) {
                mode_ = Mode::Stream;
                connected_ = true;
                if (OnConnect) OnConnect();
            } else {
                lastErrorNo_ = socketErrorFromErrno(error);
                mode_ = Mode::Idle;
            }
            updateNotifiers();
            wakeWaiters();
            return;
        }
        writeFromStream();
    });
}

void TPowersock::readToStream() {
    // Reading goes on after a cancel (into the bounded buffer), so that the
    // peer's close is still seen and Connected stays true to the socket.
    if (inReadToStream_) return;
    inReadToStream_ = true;
    StatusMessage(StatusLevel::Trace, QStringLiteral("ReadToStream"));
    bool appended = false;
    char block[kBlockBytes];
    for (int i = 0; i < kBlocksPerNotification && fd_ >= 0 && mode_ == Mode::Stream; ++i) {
        const ssize_t n = ::recv(fd_, block, sizeof block, 0);
        if (n > 0) {
            appendReceived(block, static_cast<qsizetype>(n));
            appended = true;
            if (n < kBlockBytes) break;
            if (capture_ == nullptr && receiveBuffer_.size() >= kMaxBuffered) break;
            continue;
        }
        if (n == 0) {
            peerClosed();
            break;
        }
        if (errno == EINTR) continue;
        if (errno != EAGAIN && errno != EWOULDBLOCK) receiveFailed(socketErrorFromErrno(errno));
        break;
    }
    inReadToStream_ = false;
    updateNotifiers();
    if (appended && DataArrivalHook) DataArrivalHook();
    wakeWaiters();
}

void TPowersock::appendReceived(const char* data, qsizetype size) {
    noteActivity();
    if (capture_) {
        if (captureMaxBytes_ > 0 && bytesRcvd_ + size > captureMaxBytes_) {
            // Not a byte past the limit reaches the disk.
            captureTooLarge_ = true;
            return;
        }
        if (!capture_->write(data, size)) captureWriteFailed_ = true;
    } else {
        receiveBuffer_.append(data, size);
    }
    if (transferring_) {
        bytesRcvd_ += size;
        if (OnPacketRecvd) OnPacketRecvd();
    }
}

void TPowersock::peerClosed() {
    peerClosed_ = true;
    RequestCloseSocket();
}

void TPowersock::receiveFailed(int socketErrorNo) {
    lastErrorNo_ = socketErrorNo;
    receiveErrorNo_ = socketErrorNo;
    if (OnError) OnError(socketErrorNo, SocketErrorStr(socketErrorNo));
    // A failed receive (a reset, mostly) ends the connection.
    peerClosed_ = true;
    RequestCloseSocket();
}

void TPowersock::writeFromStream() {
    if (inWriteFromStream_ || canceled_) return;
    inWriteFromStream_ = true;
    StatusMessage(StatusLevel::Trace, QStringLiteral("WriteFromStream"));
    while (!sendQueue_.isEmpty() && fd_ >= 0) {
        const auto len = static_cast<size_t>(qMin(sendQueue_.size(), kBlockBytes));
        const ssize_t n = ::send(fd_, sendQueue_.constData(), len, MSG_NOSIGNAL);
        if (n >= 0) {
            sendQueue_.remove(0, static_cast<qsizetype>(n));
            noteActivity();
            if (transferring_) {
                bytesSent_ += n;
                if (OnPacketSent) OnPacketSent();
            }
            continue;
        }
        if (errno == EINTR) continue;
        if (errno != EAGAIN && errno != EWOULDBLOCK) {
            sendErrorNo_ = socketErrorFromErrno(errno);
            lastErrorNo_ = sendErrorNo_;
        }
        break;
    }
    inWriteFromStream_ = false;
    updateNotifiers();
    wakeWaiters();
}

// ---- waits

void TPowersock::noteActivity() {
    for (WaitFrame* f = waits_; f; f = f->outer)
        if (f->silence) f->silence->start();
}

void TPowersock::wakeWaiters() {
    for (WaitFrame* f = waits_; f; f = f->outer) f->loop->quit();
}

TPowersock::WaitEnd TPowersock::waitFor(const std::function<bool()>& done, int silenceMs) {
    if (done()) return WaitEnd::Done;
    if (canceled_) return WaitEnd::Canceled;
    QEventLoop loop;
    QTimer silence;
    bool silent = false;
    if (silenceMs > 0) {
        silence.setSingleShot(true);
        silence.setInterval(silenceMs);
        QObject::connect(&silence, &QTimer::timeout, &loop, [&] {
            silent = true;
            loop.quit();
        });
        silence.start();
    }
    WaitFrame frame{&loop, silenceMs > 0 ? &silence : nullptr, waits_};
    waits_ = &frame;
    // quit() only ends a running exec(), so the condition is checked again
    // before every exec() and nothing that happens in between is missed.
    while (!done() && !canceled_ && !silent) {
        // exec() returns -1 at once while the application is quitting; the
        // wait then ends as cancelled instead of spinning.
        if (loop.exec() < 0) canceled_ = true;
    }
    // Frames of one object nest strictly (one thread), so this one is innermost.
    waits_ = frame.outer;
    if (done()) return WaitEnd::Done;
    return canceled_ ? WaitEnd::Canceled : WaitEnd::Silent;
}

// ---- time-out timer

void TPowersock::TimerOn() {
    StatusMessage(StatusLevel::Trace, QStringLiteral("Timer On"));
    timedOut_ = false;
    timeOutTimer_.setInterval(TimeOut);
    timeOutTimer_.setEnabled(true);
}

void TPowersock::TimerOff() {
    StatusMessage(StatusLevel::Trace, QStringLiteral("Timer Off"));
    timeOutTimer_.setEnabled(false);
}

void TPowersock::TimerFired() {
    StatusMessage(StatusLevel::Trace, QStringLiteral("Timer Triggered"));
    TimerOff();
    timedOut_ = true;
    Abort();
}

// ---- cancel

void TPowersock::Cancel() {
    StatusMessage(StatusLevel::Trace, QStringLiteral("Canceling"));
    canceled_ = true;
    updateNotifiers();
    wakeWaiters();
}

void TPowersock::ResetCanceled() {
    canceled_ = false;
    updateNotifiers();
}

void TPowersock::Abort() { Cancel(); }

void TPowersock::CertifyConnect() {
    if (connected_) return;
    if (OnConnectionRequired) OnConnectionRequired();
    throw OrvaneError("Not Connected");
}

// ---- connect and close

uint32_t TPowersock::lookupOnce(const QString& name) {
    StatusMessage(StatusLevel::Trace, QStringLiteral("Resolve Host"));
    if (name.isEmpty() || name.size() > 127) return 0;
    if (const auto dotted = parseDottedIpv4(name)) return *dotted;
    TimerOn();
    acceptReady_ = false;
    HostResolver::Result result;
    lookup_->start(name, [this, &result](const HostResolver::Result& r) {
        result = r;
        socketEventOk_ = r.errorNo == 0;
        acceptReady_ = true;
        wakeWaiters();
    });
    waitFor([this] { return acceptReady_; }, 0);
    TimerOff();
    if (!acceptReady_) {
        lookup_->cancel();
        if (timedOut_) throwSockError("Host Lookup Timed Out: " + name.toStdString() + " could not be resolved");
        throwSockError("Host Lookup Canceled");
    }
    acceptReady_ = false;
    if (result.errorNo != 0 || result.ipv4HostOrder == 0) {
        lastErrorNo_ = result.errorNo;
        return 0;  // "Host Lookup Failed": no address
    }
    if (OnHostResolved) OnHostResolved();
    return result.ipv4HostOrder;
}

void TPowersock::Connect() {
    StatusMessage(StatusLevel::Trace, QStringLiteral("Connecting"));
    canceled_ = false;
    timedOut_ = false;
    if (connected_) throwSockError("Already connected");

    const QString name = Proxy.isEmpty() ? Host : Proxy;
    uint32_t address = lookupOnce(name);
    if (address == 0) {
        bool handled = false;
        if (OnInvalidHost) OnInvalidHost(handled);
        if (handled) address = lookupOnce(name);
        // The name the user typed says which setting (or network) to look at.
        if (address == 0) throwSockError("Null Remote Address: " + name.toStdString() + " could not be resolved");
    }

    const int port = Proxy.isEmpty() ? Port : ProxyPort;
    acceptReady_ = false;
    socketEventOk_ = true;
    receiveBuffer_.clear();
    openSocket();
    remoteIpv4_ = address;
    if (port < 1 || port > 65535) {
        socketEventOk_ = false;
        lastErrorNo_ = socketErrorFromErrno(EADDRNOTAVAIL);
    } else {
        sockaddr_in addr{};
        addr.sin_family = AF_INET;
        addr.sin_port = htons(static_cast<uint16_t>(port));
        addr.sin_addr.s_addr = htonl(address);
        if (::connect(fd_, reinterpret_cast<const sockaddr*>(&addr), sizeof addr) == 0) {
            mode_ = Mode::Stream;
            connected_ = true;
            if (OnConnect) OnConnect();
        } else if (errno == EINPROGRESS || errno == EINTR) {
            mode_ = Mode::Connecting;
        } else if (errno == ECONNREFUSED || errno == ENETUNREACH || errno == EHOSTUNREACH || errno == ETIMEDOUT) {
            // A refusal the kernel knows at once is still a failed connection attempt.
            socketEventOk_ = false;
            lastErrorNo_ = socketErrorFromErrno(errno);
        } else {
            const int error = socketErrorFromErrno(errno);
            closeSocket();
            ErrorManager(0, error);
        }
    }
    updateNotifiers();

    TimerOn();
    waitFor([this] { return connected_ || !socketEventOk_ || timedOut_; }, 0);
    TimerOff();
    if (connected_ && !timedOut_ && !canceled_) return;

    if (OnConnectionFailed) OnConnectionFailed();
    const bool timedOut = timedOut_;
    const bool canceled = canceled_;
    closeSocket();
    // The host and port as the user typed them say which setting (or
    // network) to look at; the system's reason says what it found.
    const std::string where = name.toStdString() + ":" + std::to_string(port) + " could not be reached";
    if (timedOut) throwSockError("Connection Timed out: " + where);
    if (canceled) throwSockError("Connection Canceled");
    const QString why = SocketErrorStr(lastErrorNo_);
    throwSockError("Connection Failed: " + where + (why.isEmpty() ? std::string() : " (" + why.mid(why.indexOf(QLatin1Char(':')) + 1).toStdString() + ")"));
}

void TPowersock::Disconnect() {
    StatusMessage(StatusLevel::Trace, QStringLiteral("Disconnecting"));
    RequestCloseSocket();
}

void TPowersock::RequestCloseSocket() {
    StatusMessage(StatusLevel::Routine, QStringLiteral("Request Close Socket"));
    connected_ = false;
    const bool hadSocket = fd_ >= 0;
    closeSocket();
    wakeWaiters();
    if (hadSocket && !destroying_ && OnDisconnect) OnDisconnect();
}

// ---- sending

void TPowersock::Write(const QString& line) {
    StatusMessage(StatusLevel::Trace, QStringLiteral("Write"));
    SendBuffer(line.toLatin1());
}

void TPowersock::Writeln(const QString& line) {
    StatusMessage(StatusLevel::Trace, QStringLiteral("Writeln"));
    SendBuffer(line.toLatin1() + "\r\n");
}

void TPowersock::SendBuffer(const QByteArray& bytes) {
    StatusMessage(StatusLevel::Routine, QStringLiteral("Sending Buffer"));
    if (canceled_) return;
    CertifyConnect();
    sendErrorNo_ = 0;
    sendQueue_.append(bytes);
    writeFromStream();
    const WaitEnd end = waitFor([this] { return sendQueue_.isEmpty() || sendErrorNo_ != 0 || !connected_; },
                                TimeOut);
    if (canceled_) {
        canceled_ = false;
        updateNotifiers();
        throw EAbortError("Socket send aborted");
    }
    if (sendErrorNo_ != 0) {
        const int error = sendErrorNo_;
        sendErrorNo_ = 0;
        sendQueue_.clear();
        ErrorManager(0, error);
    }
    if (end == WaitEnd::Silent) throwSockError("Socket send timed out");
    if (!sendQueue_.isEmpty()) throwSockError("Connection closed by peer");
}

// ---- receiving

QByteArray TPowersock::Read(qsizetype count) {
    StatusMessage(StatusLevel::Trace, QStringLiteral("Read( %1 )").arg(count));
    QByteArray bytes;
    if (count <= 0) {
        // What has arrived is delivered even when a cancel is pending: it may
        // be the very line (a 421) that explains the cancel. The cancel stays
        // set and ends the next wait.
        bytes.swap(receiveBuffer_);
        updateNotifiers();
        return bytes;
    } else {
        if (count > kMaxBuffered) throwSockError("Read count too large");
        const WaitEnd end =
            waitFor([this, count] { return receiveBuffer_.size() >= count || !connected_; }, TimeOut);
        if (!canceled_) {
            if (receiveBuffer_.size() < count) {
                if (end == WaitEnd::Silent) throwSockError("Socket read timed out");
                throwSockError("Connection closed by peer");
            }
            bytes = receiveBuffer_.left(count);
            receiveBuffer_.remove(0, count);
        }
    }
    updateNotifiers();
    if (canceled_) {
        canceled_ = false;
        updateNotifiers();
        throw EAbortError("Socket send aborted");
    }
    return bytes;
}

QByteArray TPowersock::ReadLn() {
    StatusMessage(StatusLevel::Trace, QStringLiteral("ReadLn"));
    const auto lineReady = [this] {
        return receiveBuffer_.indexOf('\n') >= 0 || receiveBuffer_.size() >= MaxLineBytes || !connected_;
    };
    const WaitEnd end = waitFor(lineReady, TimeOut);
    // A cancel wins even over a line that has arrived; the line stays buffered
    // for whoever flushes the connection.
    if (canceled_) throw EAbortError("Socket readln aborted");
    QByteArray line;
    switch (takeLine(receiveBuffer_, line)) {
    case LineTake::Line:
        updateNotifiers();
        // What follows the line is now at the front: let the hook judge it as
        // if it had just arrived (a "421" behind the line it came with).
        if (!receiveBuffer_.isEmpty() && DataArrivalHook) DataArrivalHook();
        return line;
    case LineTake::TooLong:
        throwSockError("Reply line too long");
    case LineTake::NeedMore:
        break;
    }
    if (end == WaitEnd::Silent) throwSockError("Socket readln timed out");
    if (peerClosed_) throwSockError("Connection closed by peer");
    CertifyConnect();
    throwSockError("Connection closed by peer");
}

QString TPowersock::Transaction(const QString& command) {
    StatusMessage(StatusLevel::Trace, QStringLiteral("Transaction"));
    replyNumber_ = 0;
    // A line break inside a command would smuggle a second command to the server.
    if (command.contains(QLatin1Char('\r')) || command.contains(QLatin1Char('\n')))
        throwSockError("Invalid command: it contains a line break");
    Writeln(command);
    // Shown and logged as read, but never with raw control bytes.
    lastReply_ = printable(chompLine(ReadLn()));
    if (!lastReply_.isEmpty()) {
        StatusMessage(StatusLevel::Protocol, lastReply_);
        const auto number = replyNumberOf(lastReply_);
        if (!number) throwSockError("Invalid reply number: " + text(lastReply_.left(10)));
        replyNumber_ = *number;
    }
    return lastReply_;
}

// ---- listening and capture

void TPowersock::Listen(uint32_t bindIpv4) {
    StatusMessage(StatusLevel::Trace, QStringLiteral("Listening"));
    openSocket();
    sockaddr_in addr{};
    addr.sin_family = AF_INET;
    addr.sin_port = htons(static_cast<uint16_t>(qBound(0, Port, 65535)));
    addr.sin_addr.s_addr = htonl(bindIpv4);
    if (::bind(fd_, reinterpret_cast<const sockaddr*>(&addr), sizeof addr) != 0)
        ErrorManager(0, socketErrorFromErrno(errno));
    acceptReady_ = false;
    socketEventOk_ = true;
    if (::listen(fd_, 1) != 0) ErrorManager(0, socketErrorFromErrno(errno));
    mode_ = Mode::Listening;
    updateNotifiers();
}

void TPowersock::Accept() {
    for (;;) {
        const WaitEnd end = waitFor([this] { return acceptReady_; }, TimeOut);
        if (canceled_) throwSockError("Accepting Canceled");
        if (end == WaitEnd::Silent) throwSockError("Accepting Timed out");
        if (!socketEventOk_ || mode_ != Mode::Listening) throwSockError("Error creating Data Connection");
        StatusMessage(StatusLevel::Routine, QStringLiteral("Accepting"));
        sockaddr_in peer{};
        socklen_t len = sizeof peer;
        const int fd = ::accept4(fd_, reinterpret_cast<sockaddr*>(&peer), &len, SOCK_NONBLOCK | SOCK_CLOEXEC);
        acceptReady_ = false;
        if (fd < 0) {
            if (errno == EAGAIN || errno == EWOULDBLOCK || errno == EINTR || errno == ECONNABORTED) {
                updateNotifiers();
                continue;
            }
            ErrorManager(0, socketErrorFromErrno(errno));
        }
        const uint32_t peerAddress = ntohl(peer.sin_addr.s_addr);
        if (acceptOnlyFrom != 0 && peerAddress != acceptOnlyFrom) {
            // Someone else raced the server to our port: not our data.
            ::close(fd);
            updateNotifiers();
            continue;
        }
        remoteIpv4_ = peerAddress;
        attach(fd, Mode::Stream);
        connected_ = true;
        updateNotifiers();
        break;
    }
    if (canceled_) {
        canceled_ = false;
        updateNotifiers();
        throw EAbortError("Socket send aborted");
    }
}

void TPowersock::CaptureFile(const QString& fileName, const CaptureRules& rules) {
    StatusMessage(StatusLevel::Trace, QStringLiteral("CaptureFile"));
    CaptureTarget file(fileName);
    if (!file.isOpen()) throw OrvaneError("Cannot create file " + text(fileName));
    transferring_ = true;
    captureTooLarge_ = false;
    captureMaxBytes_ = rules.maxBytes;
    bytesRcvd_ = 0;
    capture_ = &file;
    captureWriteFailed_ = false;
    const QByteArray early = std::exchange(receiveBuffer_, QByteArray());
    if (!early.isEmpty()) appendReceived(early.constData(), early.size());
    updateNotifiers();
    const WaitEnd end =
        waitFor([this] { return !connected_ || captureWriteFailed_ || captureTooLarge_; }, TimeOut);
    capture_ = nullptr;
    transferring_ = false;
    updateNotifiers();

    // Every way out but the last leaves the earlier copy as it was (the
    // temporary file goes with `file`).
    if (canceled_) {
        canceled_ = false;
        updateNotifiers();
        throw EAbortError("Socket send aborted");
    }
    if (captureWriteFailed_) throw OrvaneError("Unable to write to " + text(fileName));
    if (captureTooLarge_) {
        // Stop the flood here; the peer learns it from the closed connection.
        RequestCloseSocket();
        throwSockError("Transfer too large: more than " + std::to_string(rules.maxBytes) + " bytes");
    }
    if (end == WaitEnd::Silent) throwSockError("Transfer Timed out");
    if (receiveErrorNo_ != 0) throwSockError(text(SocketErrorStr(receiveErrorNo_)));
    if (rules.exactBytes > 0 && bytesRcvd_ < rules.exactBytes) {
        throwSockError("Transfer incomplete: " + std::to_string(bytesRcvd_) + " of " +
                       std::to_string(rules.exactBytes) + " bytes received");
    }
    if (rules.confirm) rules.confirm();
    if (!file.commit()) throw OrvaneError("Unable to write to " + text(fileName));
}

// ---- addresses

uint32_t TPowersock::localIpv4() const {
    sockaddr_in addr{};
    socklen_t len = sizeof addr;
    if (fd_ < 0 || ::getsockname(fd_, reinterpret_cast<sockaddr*>(&addr), &len) != 0) return 0;
    return ntohl(addr.sin_addr.s_addr);
}

uint16_t TPowersock::localPort() const {
    sockaddr_in addr{};
    socklen_t len = sizeof addr;
    if (fd_ < 0 || ::getsockname(fd_, reinterpret_cast<sockaddr*>(&addr), &len) != 0) return 0;
    return ntohs(addr.sin_port);
}

uint32_t TPowersock::peerIpv4() const { return connected_ ? remoteIpv4_ : 0; }

QString TPowersock::GetLocalAddress() const { return commaAddress(localIpv4()); }

QString TPowersock::GetPortString() const { return commaPort(localPort()); }

}  // namespace orvane::net
