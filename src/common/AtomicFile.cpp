#include "common/AtomicFile.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QRegularExpression>

#include <atomic>
#include <cerrno>
#include <csignal>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace orvane {
namespace {

QString systemReason(int error) { return QString::fromLocal8Bit(std::strerror(error)); }

bool fail(QString* reason, int error) {
    if (reason) *reason = systemReason(error);
    return false;
}

bool writeAll(int fd, const QByteArray& bytes) {
    const char* data = bytes.constData();
    qsizetype left = bytes.size();
    while (left > 0) {
        const ssize_t put = ::write(fd, data, static_cast<size_t>(left));
        if (put < 0) {
            if (errno == EINTR) continue;
            return false;
        }
        data += put;
        left -= put;
    }
    return true;
}

// An existing file keeps its mode; a new one is readable by all and written
// by its owner, as a file created under the usual umask 022.
mode_t modeFor(const QByteArray& target) {
    struct stat info {};
    if (::stat(target.constData(), &info) == 0 && S_ISREG(info.st_mode)) return info.st_mode & 07777;
    return S_IRUSR | S_IWUSR | S_IRGRP | S_IROTH;
}

// The file that is replaced: a symbolic link is kept and the file it points
// to is replaced, so its temporaries lie beside that file.
QString replacedFile(const QString& fileName) {
    const QFileInfo info(fileName);
    return info.isSymLink() ? info.symLinkTarget() : info.absoluteFilePath();
}

}  // namespace

bool writeFileAtomically(const QString& fileName, const QByteArray& bytes, QString* reason) {
    const QString target = replacedFile(fileName);
    const QByteArray targetPath = QFile::encodeName(target);
    QByteArray temporary = QFile::encodeName(target + QLatin1String(kSaveTemporaryInfix) + QStringLiteral("XXXXXX"));
    const int fd = ::mkostemp(temporary.data(), O_CLOEXEC);
    if (fd < 0) return fail(reason, errno);
    const LiveTemporary live(temporary);
    const bool written = writeAll(fd, bytes) && ::fchmod(fd, modeFor(targetPath)) == 0 && ::fsync(fd) == 0;
    const int writeError = errno;
    const bool closed = ::close(fd) == 0;
    const int closeError = errno;
    if (!written || !closed) {
        ::unlink(temporary.constData());
        return fail(reason, !written ? writeError : closeError);
    }
    if (::rename(temporary.constData(), targetPath.constData()) != 0) {
        const int error = errno;
        ::unlink(temporary.constData());
        return fail(reason, error);
    }
    return true;
}

QStringList removeStaleTemporaries(const QStringList& fileNames) {
    QStringList removed;
    for (const QString& fileName : fileNames) {
        const QFileInfo file(replacedFile(fileName));
        const QRegularExpression pattern(QStringLiteral("^") +
                                         QRegularExpression::escape(file.fileName() + QLatin1String(kSaveTemporaryInfix)) +
                                         QStringLiteral("[A-Za-z0-9]{6}$"));
        const QDir dir = file.absoluteDir();
        const QStringList candidates = dir.entryList(QDir::Files | QDir::Hidden | QDir::System | QDir::NoSymLinks);
        for (const QString& name : candidates) {
            if (!pattern.match(name).hasMatch()) continue;
            const QString path = dir.absoluteFilePath(name);
            struct stat info {};
            if (::lstat(QFile::encodeName(path).constData(), &info) != 0 || !S_ISREG(info.st_mode)) continue;
            if (::unlink(QFile::encodeName(path).constData()) == 0) removed.append(path);
        }
    }
    return removed;
}

namespace {

// Paths of the live temporaries, owned by the slot while set. The handler
// takes a path out with exchange(), so the path is never freed under it: the
// owner that finds its slot already empty leaves the (then dying) process to
// reclaim it.
std::atomic<char*> liveTemporaries[kMaxLiveTemporaries];

extern "C" void removeLiveTemporariesAndEnd(int signalNumber) {
    const int savedErrno = errno;
    for (auto& slot : liveTemporaries) {
        if (char* path = slot.exchange(nullptr)) ::unlink(path);
    }
    // End as the signal would have, so the parent sees what ended us.
    struct sigaction byDefault {};
    byDefault.sa_handler = SIG_DFL;
    ::sigemptyset(&byDefault.sa_mask);
    ::sigaction(signalNumber, &byDefault, nullptr);
    ::raise(signalNumber);
    errno = savedErrno;
}

}  // namespace

LiveTemporary::LiveTemporary(const QByteArray& path) {
    char* copy = ::strdup(path.constData());
    if (!copy) return;
    for (int i = 0; i < kMaxLiveTemporaries; ++i) {
        char* expected = nullptr;
        if (liveTemporaries[i].compare_exchange_strong(expected, copy)) {
            slot_ = i;
            return;
        }
    }
    std::free(copy);
}

LiveTemporary::~LiveTemporary() {
    if (slot_ >= 0) std::free(liveTemporaries[slot_].exchange(nullptr));
}

void removeLiveTemporariesOnSignals() {
    struct sigaction action {};
    action.sa_handler = removeLiveTemporariesAndEnd;
    ::sigemptyset(&action.sa_mask);
    for (const int signalNumber : {SIGTERM, SIGINT, SIGHUP, SIGQUIT}) ::sigaddset(&action.sa_mask, signalNumber);
    for (const int signalNumber : {SIGTERM, SIGINT, SIGHUP, SIGQUIT}) ::sigaction(signalNumber, &action, nullptr);
}

}  // namespace orvane
