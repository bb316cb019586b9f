// orvane-cli ftp-get: fetches files from an FTP server in one session, the way
// the report retrieval does (active mode, optional proxy login), and prints
// the protocol lines.
#include <QDir>
#include <QFileInfo>

#include "app/cli/CliVerb.h"
#include "common/AtomicFile.h"
#include "net/FetchSession.h"

namespace {

constexpr int kTimeOutMs = 20000;
constexpr qint64 kDefaultMaxBytes = 64 * 1024 * 1024;

bool parsePort(const QString& text, int& port) {
    bool ok = false;
    const int value = text.toInt(&ok);
    if (!ok || value < 1 || value > 65535) return false;
    port = value;
    return true;
}

int run(const QStringList& args, QTextStream& out, QTextStream& err) {
    orvane::net::TNMFTP ftp;
    ftp.UserID = QStringLiteral("anonymous");
    ftp.Password = QStringLiteral("orvane@localhost");
    ftp.TimeOut = kTimeOutMs;
    ftp.ReportLevel = 2;  // protocol lines only
    ftp.MaxDownloadBytes = kDefaultMaxBytes;
    int commandTimeOutMs = 0;
    QString localDir = QStringLiteral(".");
    QStringList paths;

    for (qsizetype i = 0; i < args.size(); ++i) {
        const QString& arg = args[i];
        QString value;
        if (arg == QLatin1String("--host")) {
            if (!orvane::cli::takeValue(args, i, value, err)) return 2;
            ftp.Host = value;
        } else if (arg == QLatin1String("--port")) {
            if (!orvane::cli::takeValue(args, i, value, err)) return 2;
            if (!parsePort(value, ftp.Port)) {
                err << "orvane-cli ftp-get: bad port '" << value << "'\n";
                return 2;
            }
        } else if (arg == QLatin1String("--user")) {
            if (!orvane::cli::takeValue(args, i, value, err)) return 2;
            ftp.UserID = value;
        } else if (arg == QLatin1String("--pass")) {
            if (!orvane::cli::takeValue(args, i, value, err)) return 2;
            ftp.Password = value;
        } else if (arg == QLatin1String("--proxy")) {
            if (!orvane::cli::takeValue(args, i, value, err)) return 2;
            const qsizetype colon = value.lastIndexOf(QLatin1Char(':'));
            if (colon <= 0 || !parsePort(value.mid(colon + 1), ftp.ProxyPort)) {
                err << "orvane-cli ftp-get: --proxy needs HOST:PORT\n";
                return 2;
            }
            ftp.Proxy = value.left(colon);
        } else if (arg == QLatin1String("--dir")) {
            if (!orvane::cli::takeValue(args, i, value, err)) return 2;
            localDir = value;
        } else if (arg == QLatin1String("--timeout")) {
            if (!orvane::cli::takeValue(args, i, value, err)) return 2;
            bool ok = false;
            ftp.TimeOut = value.toInt(&ok);
            if (!ok || ftp.TimeOut < 0) {
                err << "orvane-cli ftp-get: bad time-out '" << value << "'\n";
                return 2;
            }
            commandTimeOutMs = ftp.TimeOut;
        } else if (arg == QLatin1String("--max-bytes")) {
            if (!orvane::cli::takeValue(args, i, value, err)) return 2;
            bool ok = false;
            ftp.MaxDownloadBytes = value.toLongLong(&ok);
            if (!ok || ftp.MaxDownloadBytes < 1) {
                err << "orvane-cli ftp-get: bad byte limit '" << value << "'\n";
                return 2;
            }
        } else if (arg.startsWith(QLatin1String("--"))) {
            err << "orvane-cli ftp-get: unknown option " << arg << "\n";
            return 2;
        } else {
            paths << arg;
        }
    }
    if (ftp.Host.isEmpty() || paths.isEmpty()) {
        err << "orvane-cli ftp-get: needs --host and at least one REMOTE-PATH\n";
        return 2;
    }
    if (!QFileInfo(localDir).isDir()) {
        err << "orvane-cli ftp-get: no folder '" << localDir << "'\n";
        return 2;
    }

    // Downloads a killed run left half written are ours to clear.
    QStringList targets;
    for (const QString& path : paths) targets << QDir(localDir).filePath(QFileInfo(path).fileName());
    orvane::removeStaleTemporaries(targets);

    ftp.OnStatus = [&out](const QString& text) {
        out << text << "\n";
        out.flush();
    };
    // --timeout bounds the whole command, however steadily the server
    // trickles: at the deadline every wait ends and the connection is dropped.
    const orvane::cli::CommandDeadline deadline(commandTimeOutMs, [&ftp] {
        ftp.Abort();
        ftp.RequestCloseSocket();
    });
    try {
        orvane::net::fetchInOneSession(ftp, paths, localDir);
    } catch (const std::exception& e) {
        out.flush();
        if (deadline.timedOut()) err << "orvane-cli ftp-get: timed out after " << commandTimeOutMs << " ms\n";
        else err << e.what() << "\n";
        return 1;
    }
    return 0;
}

const orvane::cli::Registrar kReg({"ftp-get",
                                   "ftp-get --host HOST [--port N] [--user U] [--pass P] [--proxy HOST:PORT]\n"
                                   "        [--dir LOCALDIR] [--timeout MS] [--max-bytes N] REMOTE-PATH...\n"
                                   "    --timeout bounds the silence on a connection and the whole command (default 20000);\n"
                                   "    a file larger than --max-bytes (default 67108864) is not stored",
                                   &run});

}  // namespace
