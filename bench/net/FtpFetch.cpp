// net_ftp_fetch HOST PORT LOCALDIR REMOTE-PATH...: fetches the paths in one
// anonymous FTP session (active mode) and prints nothing unless it fails.
#include <QCoreApplication>
#include <QTextStream>

#include "net/FetchSession.h"

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    const QStringList args = QCoreApplication::arguments().mid(1);
    QTextStream err(stderr);
    if (args.size() < 4) {
        err << "usage: net_ftp_fetch HOST PORT LOCALDIR REMOTE-PATH...\n";
        return 2;
    }
    orvane::net::TNMFTP ftp;
    ftp.Host = args[0];
    ftp.Port = args[1].toInt();
    ftp.UserID = QStringLiteral("anonymous");
    ftp.Password = QStringLiteral("orvane@localhost");
    ftp.TimeOut = 20000;
    try {
        orvane::net::fetchInOneSession(ftp, args.mid(3), args[2]);
    } catch (const std::exception& e) {
        err << e.what() << "\n";
        return 1;
    }
    return 0;
}
