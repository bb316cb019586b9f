// orvane-cli spacewx: the space-weather figures, from report files already
// fetched or fetched now, one line per figure; the Kp history and the plots
// on request.
#include <QCoreApplication>
#include <QDir>
#include <QTemporaryDir>

#include "app/cli/CliVerb.h"
#include "app/cli/module/ConsoleRetrievalView.h"
#include "common/Clock.h"
#include "common/image/PngFile.h"
#include "reports/PropSettings.h"
#include "reports/ReportCatalog.h"
#include "reports/ReportRetrieval.h"
#include "reports/ReportServer.h"
#include "spaceweather/SpaceWeatherFeed.h"
#include "spaceweather/SpaceWeatherState.h"
#include "spaceweather/plot/SpaceWeatherPlots.h"

namespace {

using namespace orvane::spaceweather;
using namespace orvane::reports;

constexpr char kVerb[] = "orvane-cli spacewx: ";


QString valueText(double v) {
    return v == static_cast<double>(static_cast<long long>(v)) ? QString::number(v, 'f', 0) : QString::number(v, 'f', 2);
}

// Fetches wwv.txt, DSD.txt and DGD.txt as the reports are fetched, and over
// https the JSON products too, into `folder`.
void fetchInto(const QString& folder, bool https, const ReportServer& server, QTextStream& err) {
    PropSettings settings = defaultPropSettings();
    settings.Reports.fill(false);
    for (const char* key : {"wwv", "DSD", "DGD"})
        settings.Reports[static_cast<std::size_t>(reportIndexOfKey(QString::fromLatin1(key)))] = true;
    settings.ReportSource = https ? ReportSourceKind::Https : ReportSourceKind::Ftp;
    // The status lines go to stderr: stdout holds the figures.
    orvane::cli::ConsoleRetrievalView view(settings, server.host, settings.pass, false, err);
    orvane::cli::StreamMessages messages(err);
    ReportRetrieval retrieval(settings, view, messages);
    const orvane::SystemClock clock;
    SpaceWeatherFeed feed(clock, folder);
    // Into the folder only now: the clients have read SSL_CERT_FILE.
    const QString home = QDir::currentPath();
    QDir::setCurrent(folder);
    retrieval.ServerPort = server.port;
    retrieval.WebBase = server.webBase;
    retrieval.GetLatest();
    QDir::setCurrent(home);
    if (!https) return;
    feed.Base = server.webBase;
    for (int i = 0; i < static_cast<int>(kFeedProducts.size()); ++i) {
        feed.fetch(i);
        err << kFeedProducts[static_cast<std::size_t>(i)].file << ": " << feed.status(i) << "\n";
    }
}

int runSpacewx(const orvane::cli::VerbArguments& args, QTextStream& out, QTextStream& err) {
    const QString source = args.value("source");
    if (args.isSet("source") && source != QLatin1String("https") && source != QLatin1String("ftp")) {
        err << kVerb << "--source is https or ftp, not '" << source << "'\n";
        return 2;
    }
    ReportServer server = reportServerFromEnvironment();
    if (args.isSet("base")) {
        const auto parsed = parseWebBase(args.value("base"));
        if (!parsed) {
            err << kVerb << "--base needs an https:// address, not '" << args.value("base") << "'\n";
            return 2;
        }
        server.webBase = *parsed;
    }
    long long now = orvane::SystemClock().nowUtcMs() / 1000;
    if (args.isSet("now") && !orvane::cli::parseTimeArgument(args.value("now"), now)) {
        err << kVerb << "bad time '" << args.value("now") << "'\n";
        return 2;
    }

    QString folder;
    QTemporaryDir temporary;
    if (args.isSet("from")) {
        folder = args.value("from");
        if (!QDir(folder).exists()) {
            err << kVerb << "no folder '" << folder << "'\n";
            return 1;
        }
    } else {
        if (!temporary.isValid()) {
            err << kVerb << "no temporary folder: " << temporary.errorString() << "\n";
            return 1;
        }
        folder = temporary.path();
        fetchInto(folder, source != QLatin1String("ftp"), server, err);
    }
    QStringList read;
    const Products products = readProductsFrom(folder, &read);
    if (read.isEmpty()) {
        err << kVerb << "no product could be read from '" << folder << "' (wwv.txt, DSD.txt, DGD.txt, "
            << kKpFile << ", " << kScalesFile << ", " << kXrayFile << ")\n";
        return 1;
    }
    const State state = assemble(products, now);
    for (Figure f : {Figure::Sfi, Figure::A, Figure::K, Figure::Ssn, Figure::Xray, Figure::G, Figure::R, Figure::S}) {
        const Reading& r = state[f];
        if ((f == Figure::R || f == Figure::S) && !r.known()) continue;
        out << figureName(f) << "\t" << (r.known() ? r.text : QStringLiteral("-")) << "\t"
            << (r.known() && r.issued > 0 ? isoMinute(r.issued) : QStringLiteral("-")) << "\n";
    }
    if (args.isSet("kp-history"))
        for (const KpSample& k : state.kpHistory) out << "kp\t" << isoMinute(k.start) << "\t" << valueText(k.kp) << "\n";
    if (args.isSet("plot")) {
        QString reason;
        if (!orvane::writePngFile(args.value("plot"), renderPlots(state, now), &reason)) {
            err << kVerb << "cannot write " << args.value("plot") << ": " << reason << "\n";
            return 1;
        }
    }
    return 0;
}

const orvane::cli::Registrar kReg(
    {"spacewx",
     "spacewx [--from DIR] [--source https|ftp] [--base URL] [--kp-history] [--plot FILE.png] [--now TIME]\n"
     "    the space-weather figures, one line each: NAME<TAB>VALUE<TAB>ISSUED_UTC for sfi, a, k,\n"
     "    ssn, xray, g (r and s when known), '-' when missing; --kp-history adds\n"
     "    kp<TAB>TIME<TAB>VALUE per 3-hour Kp; --plot writes the plots as PNG; --from reads\n"
     "    wwv.txt, DSD.txt, DGD.txt and the JSON products already fetched into DIR (no\n"
     "    network), else they are fetched now (https, the default, or ftp); exit status 1\n"
     "    when none can be read",
     {{"from", "DIR", "read the products already fetched into DIR (no network)"},
      {"source", "https|ftp", "fetch over https (the default) or ftp"},
      {"base", "URL", "the web service's base address (https://)"},
      {"kp-history", nullptr, "add the 3-hour Kp values"},
      {"plot", "FILE.png", "write the plots as PNG"},
      {"now", "TIME", "the moment the figures are judged at (default now)"}},
     nullptr,
     &runSpacewx});

}  // namespace
