#include "app/SingleInstanceLock.h"

#include <QFile>

#include <cerrno>
#include <cstdlib>
#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

namespace orvane::app {

QString SingleInstanceLock::defaultLockFileName() {
    const char* runtime = std::getenv("XDG_RUNTIME_DIR");
    if (runtime && *runtime && ::access(runtime, W_OK) == 0)
        return QFile::decodeName(runtime) + QStringLiteral("/Orvane2.lock");
    return QStringLiteral("/tmp/Orvane2-%1.lock").arg(::getuid());
}

SingleInstanceLock::SingleInstanceLock(const QString& lockFileName) : fileName_(lockFileName) {
    // O_NOFOLLOW: in a shared /tmp a planted symlink must not make us open
    // (and create) someone else's file.
    fd_ = ::open(QFile::encodeName(fileName_).constData(), O_RDWR | O_CREAT | O_CLOEXEC | O_NOFOLLOW, 0600);
    if (fd_ < 0) return;
    if (::flock(fd_, LOCK_EX | LOCK_NB) == 0) {
        state_ = State::Owned;
        return;
    }
    state_ = errno == EWOULDBLOCK ? State::HeldByAnother : State::Unavailable;
    ::close(fd_);
    fd_ = -1;
}

SingleInstanceLock::~SingleInstanceLock() { release(); }

void SingleInstanceLock::release() {
    if (fd_ < 0) return;
    // The file stays; only the lock matters, and removing the file here could
    // race with a copy that has just opened it.
    ::flock(fd_, LOCK_UN);
    ::close(fd_);
    fd_ = -1;
    state_ = State::Unavailable;
}

}  // namespace orvane::app
