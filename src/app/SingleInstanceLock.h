#pragma once

#include <QString>

namespace orvane::app {

// Responsibilities: makes sure one copy of the program runs per user. The
// lock is an flock() held on the file "Orvane2.lock" in the user's runtime
// folder ($XDG_RUNTIME_DIR, else /tmp/Orvane2-<uid>.lock). The kernel drops
// the lock when the process ends in any way, SIGKILL included, so a crashed
// copy never blocks the next start. A lock that cannot be created is not a
// reason to refuse to run: the program then goes on without it.
class SingleInstanceLock {
public:
    enum class State { Owned, HeldByAnother, Unavailable };

    // Tries to take the lock at once (never waits).
    explicit SingleInstanceLock(const QString& lockFileName = defaultLockFileName());
    ~SingleInstanceLock();
    SingleInstanceLock(const SingleInstanceLock&) = delete;
    SingleInstanceLock& operator=(const SingleInstanceLock&) = delete;

    State state() const { return state_; }
    bool anotherCopyRunning() const { return state_ == State::HeldByAnother; }
    const QString& fileName() const { return fileName_; }

    // Releases the lock early (the destructor does it otherwise).
    void release();

    static QString defaultLockFileName();

private:
    QString fileName_;
    int fd_ = -1;
    State state_ = State::Unavailable;
};

}  // namespace orvane::app
