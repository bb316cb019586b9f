#pragma once

#include <QByteArray>
#include <QString>
#include <QStringList>

namespace orvane {

// Responsibilities: the one way the program replaces its own files (the
// settings, the beacon file, the host list). The bytes go to a temporary
// beside the file, named "<file>.orvane-save-XXXXXX", are flushed to disk and
// then renamed over the file, so the file is at every moment either the old
// one or the new one. A process killed between the two leaves only the
// temporary, which removeStaleTemporaries() clears at the next start; the
// distinct infix means no file of the user's can be taken for one.

inline constexpr char kSaveTemporaryInfix[] = ".orvane-save-";

// False, with the system's reason, when the file could not be replaced; the
// old file is then as it was and no temporary is left.
bool writeFileAtomically(const QString& fileName, const QByteArray& bytes, QString* reason = nullptr);

// Removes the regular files "<file>.orvane-save-XXXXXX" beside each of the
// given files; symbolic links and anything else of that name are left alone.
// Only for start-up, while this program holds its single-instance lock (no
// save of ours can be running). Returns the names removed.
QStringList removeStaleTemporaries(const QStringList& fileNames);

// A temporary being written now. While it lives, a terminating signal caught
// by removeLiveTemporariesOnSignals() removes its file before the process
// ends; the registry holds up to kMaxLiveTemporaries at once (more are still
// written, just not removed by a signal).
inline constexpr int kMaxLiveTemporaries = 64;
class LiveTemporary {
public:
    explicit LiveTemporary(const QByteArray& path);
    ~LiveTemporary();
    LiveTemporary(const LiveTemporary&) = delete;
    LiveTemporary& operator=(const LiveTemporary&) = delete;

private:
    int slot_ = -1;
};

// For the command-line tool (the window closes the orderly way instead):
// SIGTERM, SIGINT, SIGHUP and SIGQUIT remove the live temporaries, then end
// the process as the signal would have.
void removeLiveTemporariesOnSignals();

}  // namespace orvane
