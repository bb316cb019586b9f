// orvane-cli reports: one report retrieval session, as the Solar FTP Setup
// dialog runs it, with the status lines on stdout and a last line
// "fetched N of M" for scripts.
#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>

#include "app/cli/CliVerb.h"
#include "app/cli/module/ConsoleRetrievalView.h"
#include "common/AtomicFile.h"
#include "common/AppPaths.h"
#include "common/IniFile.h"
#include "reports/PropSettings.h"
#include "reports/ReportRetrieval.h"
#include "reports/ReportServer.h"

namespace {

using namespace orvane::reports;


int runReports(const orvane::cli::VerbArguments& args, QTextStream& out, QTextStream& err) {
    ReportServer server = reportServerFromEnvironment();
    const std::optional<QString> pass = args.optional("pass"), proxy = args.optional("proxy"),
                                 only = args.optional("only"), dir = args.optional("dir"), ini = args.optional("ini"),
                                 timeout = args.optional("timeout"), source = args.optional("source"),
                                 base = args.optional("base");
    if (args.isSet("host")) {
        if (args.value("host").isEmpty()) {
            err << "orvane-cli reports: empty host\n";
            return 2;
        }
        server.host = args.value("host");
    }
    if (args.isSet("port")) {
        bool ok = false;
        server.port = args.value("port").toInt(&ok);
        if (!ok || server.port < 1 || server.port > 65535) {
            err << "orvane-cli reports: bad port '" << args.value("port") << "'\n";
            return 2;
        }
    }

    // The selection and the rest as the program keeps them, unless the
    // options say otherwise.
    const QString iniName = ini.value_or(
        orvane::AppPaths::forExecutable(QCoreApplication::applicationDirPath() + QStringLiteral("/orvane"))
            .iniFileName());
    PropSettings settings = ReadPropSettings(orvane::IniFile(iniName));
    if (only) {
        settings.Reports.fill(false);
        for (const QString& key : only->split(QLatin1Char(','), Qt::SkipEmptyParts)) {
            const int index = reportIndexOfKey(key.trimmed());
            if (index < 0) {
                err << "orvane-cli reports: no report '" << key << "' (keys:";
                for (int r = 0; r < kReportCount; ++r) err << " " << reportKey(r);
                err << ")\n";
                return 2;
            }
            settings.Reports[static_cast<std::size_t>(index)] = true;
        }
    }
    if (source) {
        if (*source == QLatin1String("https")) settings.ReportSource = ReportSourceKind::Https;
        else if (*source == QLatin1String("ftp")) settings.ReportSource = ReportSourceKind::Ftp;
        else {
            err << "orvane-cli reports: --source is https or ftp, not '" << *source << "'\n";
            return 2;
        }
    }
    if (base) {
        const auto parsed = parseWebBase(*base);
        if (!parsed) {
            err << "orvane-cli reports: --base needs an https:// address, not '" << *base << "'\n";
            return 2;
        }
        server.webBase = *parsed;
    }
    bool useProxy = settings.UseProxy;
    if (proxy) {
        const auto parsed = parseReportServer(*proxy);
        if (!parsed || !proxy->contains(QLatin1Char(':'))) {
            err << "orvane-cli reports: --proxy needs HOST:PORT\n";
            return 2;
        }
        useProxy = true;
        settings.Proxy = parsed->host;
        settings.ProxyPort = parsed->port;
    }
    int timeOutMs = 0;
    if (timeout) {
        bool ok = false;
        timeOutMs = timeout->toInt(&ok);
        if (!ok || timeOutMs < 1) {
            err << "orvane-cli reports: bad time-out '" << *timeout << "'\n";
            return 2;
        }
    }

    orvane::cli::ConsoleRetrievalView view(settings, server.host, pass.value_or(settings.pass), useProxy, out);
    orvane::cli::StreamMessages messages(err);
    ReportRetrieval retrieval(settings, view, messages);
    // Into the folder only now: the clients have read SSL_CERT_FILE, which,
    // as for any program, names a file relative to where the command started.
    if (dir) {
        if (!QFileInfo(*dir).isDir() || !QDir::setCurrent(*dir)) {
            err << "orvane-cli reports: no folder '" << *dir << "'\n";
            return 1;
        }
    }
    // Downloads a killed run left half written are ours to clear.
    QStringList reportFiles;
    for (int r = 0; r < kReportCount; ++r) reportFiles << reportFile(r);
    orvane::removeStaleTemporaries(reportFiles);
    retrieval.ServerPort = server.port;
    retrieval.WebBase = server.webBase;
    if (timeOutMs > 0) {
        retrieval.client().TimeOut = timeOutMs;
        retrieval.web().TimeOut = timeOutMs;
    }
    // --timeout bounds the whole command: at the deadline the session stops
    // and its connection is dropped.
    const orvane::cli::CommandDeadline deadline(timeOutMs, [&retrieval] {
        retrieval.Abort();
        retrieval.client().RequestCloseSocket();
    });
    // Exit status 1 when any selected report did not arrive.
    const bool allFetched = retrieval.GetLatest();
    out << "fetched " << retrieval.fetchedCount() << " of " << selectedReportCount(settings) << "\n";
    out.flush();
    if (deadline.timedOut()) {
        err << "orvane-cli reports: timed out after " << timeOutMs << " ms\n";
        return 1;
    }
    return allFetched ? 0 : 1;
}

const orvane::cli::Registrar kReg({"reports",
                                   "reports [--source https|ftp] [--base URL] [--host HOST] [--port N] [--pass P]\n"
                                   "        [--proxy HOST:PORT] [--only KEY,KEY...] [--dir LOCALDIR]\n"
                                   "        [--ini SETTINGS.INI] [--timeout MS]\n"
                                   "    fetch the selected propagation reports into LOCALDIR (default: here)\n"
                                   "    from NOAA's web service (https, the default; URL is its base) or FTP\n"
                                   "    server (HOST, PORT); reports the web service lacks come by FTP; the\n"
                                   "    last line is 'fetched N of M'; exit status 1 when any did not\n"
                                   "    arrive; --timeout bounds the silence on a connection and the whole\n"
                                   "    command",
                                   {{"source", "https|ftp", "NOAA's web service (the default) or the FTP server"},
                                    {"base", "URL", "the web service's base address (https://)"},
                                    {"host", "HOST", "the FTP server"},
                                    {"port", "N", "its port"},
                                    {"pass", "P", "the FTP password"},
                                    {"proxy", "HOST:PORT", "an FTP proxy"},
                                    {"only", "KEY,KEY...", "these reports instead of the selection"},
                                    {"dir", "LOCALDIR", "where the reports go (default here)"},
                                    {"ini", "SETTINGS.INI", "the settings to read the selection from"},
                                    {"timeout", "MS", "bounds the silence on a connection and the whole command"}},
                                   nullptr,
                                   &runReports});

}  // namespace
