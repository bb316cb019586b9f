#include "listen/live/ListenLog.h"

#include <QFile>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

namespace orvane::listen {

namespace {

QString systemReason(int error) { return QString::fromLocal8Bit(std::strerror(error)); }

// One write() of the whole line. O_APPEND puts it at the end atomically; a
// short write (disk full) is an error, and what it left is cut off again so
// the next line still starts on a line of its own.
bool writeWhole(int fd, const QByteArray& bytes, QString* reason) {
    ssize_t n;
    do {
        n = ::write(fd, bytes.constData(), static_cast<std::size_t>(bytes.size()));
    } while (n < 0 && errno == EINTR);
    if (n == bytes.size()) return true;
    const int error = n < 0 ? errno : ENOSPC;
    if (n > 0) {
        struct stat st {};
        if (::fstat(fd, &st) == 0 && st.st_size >= n) {
            if (::ftruncate(fd, st.st_size - n) != 0) {
                // Nothing more can be done; the reason below is still the write's.
            }
        }
    }
    if (reason) *reason = systemReason(error);
    return false;
}

}  // namespace

ListenLog::ListenLog(QString fileName, QByteArray headerLine)
    : fileName_(std::move(fileName)), header_(std::move(headerLine)) {}

ListenLog::~ListenLog() {
    if (fd_ >= 0) ::close(fd_);
}

bool ListenLog::open(QString* reason) {
    const QByteArray path = QFile::encodeName(fileName_);
    int fd;
    do {
        // O_NONBLOCK: a FIFO in the log's place must not hold the window in
        // open() until some reader comes; it is refused below (or here, with
        // no reader, at once).
        fd = ::open(path.constData(), O_WRONLY | O_APPEND | O_CREAT | O_CLOEXEC | O_NOCTTY | O_NONBLOCK, 0644);
    } while (fd < 0 && errno == EINTR);
    if (fd < 0) {
        if (reason) *reason = errno == ENXIO ? QStringLiteral("not a regular file") : systemReason(errno);
        return false;
    }
    struct stat st {};
    if (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) {
        const int error = errno;
        ::close(fd);
        if (reason) *reason = S_ISREG(st.st_mode) ? systemReason(error) : QStringLiteral("not a regular file");
        return false;
    }
    // A regular file: writes block as usual again (a full disk is a short write, never EAGAIN).
    ::fcntl(fd, F_SETFL, ::fcntl(fd, F_GETFL) & ~O_NONBLOCK);
    if (st.st_size == 0 && !header_.isEmpty() && !writeWhole(fd, header_ + '\n', reason)) {
        ::close(fd);
        return false;
    }
    fd_ = fd;
    return true;
}

bool ListenLog::append(const QByteArray& line, QString* reason) {
    if (line.size() > kMaxLineBytes || line.contains('\n')) {
        if (reason) *reason = QStringLiteral("line refused");
        return false;
    }
    if (fd_ < 0 && !open(reason)) return false;
    return writeWhole(fd_, line + '\n', reason);
}

}  // namespace orvane::listen
