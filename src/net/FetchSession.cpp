#include "net/FetchSession.h"

#include <QDir>

namespace orvane::net {

RemotePath splitRemotePath(const QString& path) {
    const qsizetype slash = path.lastIndexOf(QLatin1Char('/'));
    if (slash < 0) return {QString(), path};
    return {slash == 0 ? QStringLiteral("/") : path.left(slash), path.mid(slash + 1)};
}

void fetchInOneSession(TNMFTP& ftp, const QStringList& remotePaths, const QString& localDir) {
    for (const QString& path : remotePaths)
        if (splitRemotePath(path).name.isEmpty()) throw OrvaneError("'" + path.toStdString() + "' names no file");
    ftp.Connect();
    try {
        QString currentFolder;
        for (const QString& path : remotePaths) {
            const RemotePath remote = splitRemotePath(path);
            if (!remote.folder.isEmpty() && remote.folder != currentFolder) {
                ftp.ChangeDir(remote.folder);
                currentFolder = remote.folder;
            }
            ftp.Download(remote.name, QDir(localDir).filePath(remote.name));
        }
    } catch (...) {
        if (ftp.Connected()) {
            try {
                ftp.Disconnect();
            } catch (...) {
                // The first error is the one that counts.
            }
        }
        throw;
    }
    ftp.Disconnect();
}

}  // namespace orvane::net
