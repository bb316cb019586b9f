#pragma once

#include <QByteArray>
#include <QString>
#include <memory>

#include "common/AtomicFile.h"

namespace orvane::net {

// Responsibilities: a downloaded file, written under a temporary name beside
// its target and renamed over it only when complete, so a broken transfer
// never touches the earlier copy. The new file keeps the earlier copy's
// permissions (or takes those of a new file under the umask). Unlike
// QSaveFile it does not sync to disk: a report can be fetched again, and a
// sync per file made a retrieval on a busy disk several times slower. The
// rename alone is atomic.
class CaptureTarget {
public:
    explicit CaptureTarget(const QString& target);
    ~CaptureTarget();
    CaptureTarget(const CaptureTarget&) = delete;
    CaptureTarget& operator=(const CaptureTarget&) = delete;

    bool isOpen() const { return fd_ >= 0; }
    bool write(const char* data, qsizetype size);
    // Closes and renames over the target; false (temporary file removed) when
    // either fails.
    bool commit();
    // Closes and removes the temporary file; the target stays as it was.
    void discard();

private:
    QByteArray target_;
    QByteArray temp_;
    std::unique_ptr<LiveTemporary> live_;  // while temp_ exists
    int fd_ = -1;
};

// Replaces `fileName` by `bytes` through a CaptureTarget. Throws OrvaneError
// "Cannot create file NAME" or "Unable to write to NAME"; the earlier copy is
// then untouched.
void writeFileAtomically(const QString& fileName, const QByteArray& bytes);

}  // namespace orvane::net
