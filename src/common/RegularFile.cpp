#include "common/RegularFile.h"

#include <QFile>

#include <algorithm>

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace orvane {
namespace {

QString systemReason(int error) { return QString::fromLocal8Bit(std::strerror(error)); }

class Descriptor {
public:
    explicit Descriptor(int fd) : fd_(fd) {}
    ~Descriptor() {
        if (fd_ >= 0) ::close(fd_);
    }
    Descriptor(const Descriptor&) = delete;
    Descriptor& operator=(const Descriptor&) = delete;
    int get() const { return fd_; }

private:
    int fd_;
};

}  // namespace

FileBytes readRegularFile(const QString& fileName, qint64 maxBytes) {
    FileBytes result;
    // O_NONBLOCK: opening a FIFO for reading returns at once instead of
    // waiting for a writer; the type is then looked at on what was opened,
    // so nothing can be swapped in between.
    const Descriptor fd(::open(QFile::encodeName(fileName).constData(), O_RDONLY | O_NONBLOCK | O_CLOEXEC));
    if (fd.get() < 0) {
        const int error = errno;
        result.status = error == ENOENT ? FileBytes::Status::Missing : FileBytes::Status::Unreadable;
        if (error != ENOENT) result.reason = systemReason(error);
        return result;
    }
    struct stat info {};
    if (::fstat(fd.get(), &info) != 0) {
        result.status = FileBytes::Status::Unreadable;
        result.reason = systemReason(errno);
        return result;
    }
    if (!S_ISREG(info.st_mode)) {
        result.status = FileBytes::Status::NotRegular;
        result.reason = S_ISDIR(info.st_mode) ? QStringLiteral("it is a folder, not a file")
                                              : QStringLiteral("it is not a regular file");
        return result;
    }
    // The size is read as it comes, not trusted from fstat: the file may
    // grow while it is read.
    const qint64 limit = maxBytes < 0 ? 0 : maxBytes;
    result.bytes.reserve(static_cast<qsizetype>(std::min<qint64>(info.st_size, limit)));
    char buffer[16384];
    for (;;) {
        const ssize_t got = ::read(fd.get(), buffer, sizeof buffer);
        if (got < 0) {
            if (errno == EINTR) continue;
            result.status = FileBytes::Status::Unreadable;
            result.reason = systemReason(errno);
            result.bytes.clear();
            return result;
        }
        if (got == 0) break;
        const qint64 room = limit - result.bytes.size();
        if (got > room) {
            result.bytes.append(buffer, static_cast<qsizetype>(room));
            result.status = FileBytes::Status::TooLarge;
            result.reason = QStringLiteral("it is larger than %1 bytes").arg(limit);
            return result;
        }
        result.bytes.append(buffer, static_cast<qsizetype>(got));
    }
    result.status = FileBytes::Status::Read;
    return result;
}

}  // namespace orvane
