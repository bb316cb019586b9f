#pragma once

#include <QString>
#include <QStringList>

#include "net/Nmftp.h"

namespace orvane::net {

// Responsibilities: one FTP session that fetches a list of remote paths
// ("/pub/latest/AK.txt") into a local folder: log in, change to each path's
// folder when it differs from the current one, download the file under its
// own name, log out. The first error ends the session (after a QUIT when
// still connected) and is thrown on. Used by orvane-cli ftp-get and the
// speed measurement.
void fetchInOneSession(TNMFTP& ftp, const QStringList& remotePaths, const QString& localDir);

// The folder and the file name of a remote path: "/pub/x/AK.txt" gives
// "/pub/x" and "AK.txt"; "AK.txt" gives "" (the current folder); "/AK.txt" gives "/".
struct RemotePath {
    QString folder;
    QString name;
};
RemotePath splitRemotePath(const QString& path);

}  // namespace orvane::net
