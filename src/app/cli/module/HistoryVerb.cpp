// orvane-cli history: the history of openings by beacon, band and UTC hour,
// and the import of a heard log into it.
#include <QCoreApplication>
#include <QDateTime>
#include <limits>

#include "app/cli/CliVerb.h"
#include "beacons/BandPlan.h"
#include "beacons/StationTable.h"
#include "common/AppPaths.h"
#include "common/IniFile.h"
#include "common/OrvaneError.h"
#include "common/image/PngFile.h"
#include "history/HeardCsv.h"
#include "history/HistorySettings.h"
#include "history/HistoryStore.h"
#include "history/plot/HistoryPlot.h"

namespace {

constexpr char kVerb[] = "orvane-cli history: ";

// The grid of the band asked for, or of every band, as a PNG file.
bool writePlot(const QString& file, const std::vector<orvane::history::HourCell>& cells,
               const orvane::history::HistoryQuery& query, const orvane::beacons::StationTable& stations,
               QTextStream& err) {
    using namespace orvane::history;
    std::vector<BandGrid> grids;
    for (int band = 0; band < orvane::beacons::kBandCount; ++band)
        if (!query.band || *query.band == band) grids.push_back(bandGrid(cells, band));
    BeaconCalls calls;
    for (int i = 0; i < orvane::beacons::kBeaconListCount; ++i)
        calls[static_cast<std::size_t>(i)] = QString::fromStdString(stations.entry(i).call);
    QString reason;
    QString who = query.receiver.isEmpty() ? QStringLiteral("all receivers") : query.receiver;
    const auto utc = [](std::int64_t ms) {
        return QDateTime::fromMSecsSinceEpoch(ms, Qt::UTC).toString(QStringLiteral("yyyy-MM-dd HH:mm"));
    };
    if (query.fromMs != std::numeric_limits<std::int64_t>::min()) who += QStringLiteral(", from ") + utc(query.fromMs);
    if (query.toMs != std::numeric_limits<std::int64_t>::max()) who += QStringLiteral(" to ") + utc(query.toMs);
    if (query.fromMs != std::numeric_limits<std::int64_t>::min() || query.toMs != std::numeric_limits<std::int64_t>::max())
        who += QStringLiteral(" UTC");
    if (!orvane::writePngFile(file, renderHistoryPlot(grids, calls, who), &reason)) {
        err << kVerb << "cannot write " << file << ": " << reason << "\n";
        return false;
    }
    return true;
}

int runHistory(const orvane::cli::VerbArguments& args, QTextStream& out, QTextStream& err) {
    // Without --db the settings' [History] Database=, else the default file,
    // as listen stores to.
    QString url = args.value("db");
    if (!args.isSet("db")) {
        const orvane::AppPaths paths =
            orvane::AppPaths::forExecutable(QCoreApplication::applicationDirPath() + QStringLiteral("/orvane"));
        url = orvane::history::historyDatabaseUrl(
            orvane::IniFile(args.isSet("ini") ? args.value("ini") : paths.iniFileName()), paths);
    }
    orvane::history::HistoryQuery query;
    query.receiver = args.value("receiver");
    if (args.isSet("band")) {
        const int band = orvane::cli::bandOfMHz(args.value("band"));
        if (band < 0) {
            err << kVerb << "--band is one of 14.100, 18.110, 21.150, 24.930, 28.200, not '" << args.value("band")
                << "'\n";
            return 2;
        }
        query.band = band;
    }
    for (const auto& [option, bound] : {std::pair{"from", &query.fromMs}, std::pair{"to", &query.toMs}}) {
        if (!args.isSet(option)) continue;
        long long ms = 0;
        if (!orvane::cli::parseMomentArgument(args.value(option), ms)) {
            err << kVerb << "bad time '" << args.value(option) << "' for --" << option << "\n";
            return 2;
        }
        *bound = ms;
    }
    if (args.isSet("import-csv") && query.receiver.isEmpty()) {
        err << kVerb << "--import-csv needs --receiver NAME\n";
        return 2;
    }
    orvane::beacons::StationTable stations;
    if (!orvane::cli::loadStations("history", args.value("stations"), stations, err)) return 1;

    try {
        const std::unique_ptr<orvane::history::HistoryStore> store = orvane::history::openHistory(url);
        if (store->readOnlyReason()) err << kVerb << *store->readOnlyReason() << "\n";
        if (args.isSet("import-csv")) {
            const auto summary = orvane::history::importHeardCsv(
                args.value("import-csv"), *store, {query.receiver, args.value("locator")});
            for (const QString& problem : summary.firstProblems) err << kVerb << problem << "\n";
            if (summary.problems > summary.firstProblems.size())
                err << kVerb << "and " << summary.problems - summary.firstProblems.size() << " more\n";
            err << kVerb << summary.added << " of " << summary.records << " slots added\n";
            return 0;
        }
        const std::vector<orvane::history::HourCell> cells = store->hours(query);
        for (const orvane::history::HourCell& c : cells) {
            out << QString::fromStdString(stations.entry(c.beacon).call) << "\t"
                << QString::number(orvane::beacons::kBandFrequenciesHz[static_cast<std::size_t>(c.band)] / 1e6, 'f', 3)
                << "\t" << c.hour << "\t" << c.heard << "\t" << c.listened << "\t"
                << (c.bestSnrDb ? QString::number(*c.bestSnrDb, 'f', 1) : QStringLiteral("-")) << "\n";
        }
        if (args.isSet("plot") && !writePlot(args.value("plot"), cells, query, stations, err)) return 1;
    } catch (const orvane::OrvaneError& e) {
        err << kVerb << e.what() << "\n";
        return 1;
    }
    return 0;
}

const orvane::cli::Registrar kReg(
    {"history",
     "history [--db URL | --ini SETTINGS.INI] [--band MHZ] [--from TIME] [--to TIME] [--receiver NAME] [--stations FILE]\n"
     "        [--plot FILE.png]\n"
     "    the history of openings, one line per beacon, band and UTC hour that has slots:\n"
     "    CALL<TAB>MHZ<TAB>HOUR<TAB>HEARD<TAB>LISTENED<TAB>BEST_SNR (the highest first-dash SNR\n"
     "    in dB, '-' if none), ordered by band, slot and hour, over the slots from --from\n"
     "    (inclusive) to --to (exclusive), of one receiver or all; exit status 1 when the\n"
     "    database cannot be opened or read; URL: sqlite:PATH or postgresql://USER@HOST:PORT/DB\n"
     "    (the password from ~/.pgpass or PGPASSWORD), by default the settings' [History]\n"
     "    Database= (of --ini's settings, else the program's) or the history file; --plot also\n"
     "    draws the grid (a band's beacons by UTC hour, coloured by the share heard) of that\n"
     "    band or of each as a PNG picture\n"
     "history [--db URL | --ini SETTINGS.INI] --import-csv FILE --receiver NAME [--locator LOCATOR]\n"
     "    adds a heard log's slots under the receiver; slots already kept are left as they are",
     {{"db", "URL", "the history database"},
      {"band", "MHZ", "that band only: 14.100, 18.110, 21.150, 24.930 or 28.200"},
      {"from", "TIME", "the first slot (inclusive): YYYY-MM-DDTHH:MM:SSZ or @SECONDS"},
      {"to", "TIME", "the end (exclusive)"},
      {"receiver", "NAME", "that receiver only; with --import-csv the receiver the log is kept under"},
      {"locator", "LOCATOR", "the receiver's locator, with --import-csv"},
      {"import-csv", "FILE", "add a heard log's slots"},
      {"plot", "FILE.png", "also draw the grid as a PNG picture"},
      {"stations", "FILE", "a stations file over the built-in table"},
      {"ini", "SETTINGS.INI", "the settings to read the [History] section from"}},
     nullptr,
     &runHistory});

}  // namespace
