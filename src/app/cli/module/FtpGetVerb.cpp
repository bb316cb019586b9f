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

int run(const orvane::cli::VerbArguments& args, QTextStream& out, QTextStream& err) {
    orvane::net::TNMFTP ftp;
    ftp.UserID = args.optional("user").value_or(QStringLiteral("anonymous"));
    ftp.Password = args.optional("pass").value_or(QStringLiteral("orvane@localhost"));
    ftp.TimeOut = kTimeOutMs;
    ftp.ReportLevel = 2;  // protocol lines only
    ftp.MaxDownloadBytes = kDefaultMaxBytes;
    ftp.Host = args.value("host");
    int commandTimeOutMs = 0;
    const QString localDir = args.optional("dir").value_or(QStringLiteral("."));
    const QStringList paths = args.operands();

    if (args.isSet("port") && !parsePort(args.value("port"), ftp.Port)) {
        err << "orvane-cli ftp-get: bad port '" << args.value("port") << "'\n";
        return 2;
    }
    if (args.isSet("proxy")) {
        const QString value = args.value("proxy");
        const qsizetype colon = value.lastIndexOf(QLatin1Char(':'));
        if (colon <= 0 || !parsePort(value.mid(colon + 1), ftp.ProxyPort)) {
            err << "orvane-cli ftp-get: --proxy needs HOST:PORT\n";
            return 2;
        }
        ftp.Proxy = value.left(colon);
    }
    if (args.isSet("timeout")) {
        bool ok = false;
        ftp.TimeOut = args.value("timeout").toInt(&ok);
        if (!ok || ftp.TimeOut < 0) {
            err << "orvane-cli ftp-get: bad time-out '" << args.value("timeout") << "'\n";
            return 2;
        }
        commandTimeOutMs = ftp.TimeOut;
    }
    if (args.isSet("max-bytes")) {
        bool ok = false;
        ftp.MaxDownloadBytes = args.value("max-bytes").toLongLong(&ok);
        if (!ok || ftp.MaxDownloadBytes < 1) {
            err << "orvane-cli ftp-get: bad byte limit '" << args.value("max-bytes") << "'\n";
            return 2;
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
                                   {{"host", "HOST", "the FTP server"},
                                    {"port", "N", "its port (default 21)"},
                                    {"user", "U", "the user (default anonymous)"},
                                    {"pass", "P", "the password"},
                                    {"proxy", "HOST:PORT", "an FTP proxy"},
                                    {"dir", "LOCALDIR", "where the files go (default here)"},
                                    {"timeout", "MS", "bounds the silence and the whole command (default 20000)"},
                                    {"max-bytes", "N", "the largest file stored (default 67108864)"}},
                                   "REMOTE-PATH...",
                                   &run});

}  // namespace
