#include "net/CaptureTarget.h"

#include <QFile>

#include <cerrno>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdlib>

#include "common/OrvaneError.h"

namespace orvane::net {
namespace {

// Read from /proc, because umask() can only be read by changing it.
mode_t processUmask() {
    QFile status(QStringLiteral("/proc/self/status"));
    if (status.open(QIODevice::ReadOnly)) {
        for (QByteArray line = status.readLine(); !line.isEmpty(); line = status.readLine()) {
            if (!line.startsWith("Umask:")) continue;
            bool ok = false;
            const uint value = line.mid(6).trimmed().toUInt(&ok, 8);
            if (ok) return static_cast<mode_t>(value & 0777);
        }
    }
    return 022;
}

// The earlier copy's permissions, or those of a new file under the umask.
mode_t modeFor(const QByteArray& target) {
    struct stat st {};
    if (::stat(target.constData(), &st) == 0 && S_ISREG(st.st_mode)) return st.st_mode & 07777;
    return 0666 & ~processUmask();
}

}  // namespace

CaptureTarget::CaptureTarget(const QString& target) : target_(QFile::encodeName(target)) {
    // The program's own infix, so that a temporary a killed run left behind
    // is known for ours at the next start (removeStaleTemporaries).
    temp_ = target_ + kSaveTemporaryInfix + "XXXXXX";
    fd_ = ::mkostemp(temp_.data(), O_CLOEXEC);
    if (fd_ < 0) {
        temp_.clear();
        return;
    }
    live_ = std::make_unique<LiveTemporary>(temp_);
    ::fchmod(fd_, modeFor(target_));
}

CaptureTarget::~CaptureTarget() { discard(); }

bool CaptureTarget::write(const char* data, qsizetype size) {
    while (size > 0) {
        const ssize_t n = ::write(fd_, data, static_cast<size_t>(size));
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) return false;
        data += n;
        size -= n;
    }
    return true;
}

bool CaptureTarget::commit() {
    const bool closed = ::close(fd_) == 0;
    fd_ = -1;
    if (closed && ::rename(temp_.constData(), target_.constData()) == 0) {
        temp_.clear();
        live_.reset();
        return true;
    }
    discard();
    return false;
}

void CaptureTarget::discard() {
    if (fd_ >= 0) ::close(fd_);
    fd_ = -1;
    if (!temp_.isEmpty()) ::unlink(temp_.constData());
    temp_.clear();
    live_.reset();
}

void writeFileAtomically(const QString& fileName, const QByteArray& bytes) {
    CaptureTarget file(fileName);
    if (!file.isOpen()) throw OrvaneError("Cannot create file " + fileName.toStdString());
    if (!file.write(bytes.constData(), bytes.size()) || !file.commit())
        throw OrvaneError("Unable to write to " + fileName.toStdString());
}

}  // namespace orvane::net
