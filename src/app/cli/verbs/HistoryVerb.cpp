// orvane-cli history: the history of openings by beacon, band and UTC hour,
// and the import of a heard log into it.
#include <QCommandLineParser>

#include "app/cli/CliVerb.h"
#include "beacons/BandPlan.h"
#include "beacons/StationTable.h"
#include "common/OrvaneError.h"
#include "history/HeardCsv.h"
#include "history/HistoryStore.h"

namespace {

constexpr char kVerb[] = "orvane-cli history: ";

int runHistory(const QStringList& args, QTextStream& out, QTextStream& err) {
    QCommandLineParser parser;
    parser.setSingleDashWordOptionMode(QCommandLineParser::ParseAsLongOptions);
    const QCommandLineOption dbOption(QStringLiteral("db"), QString(), QStringLiteral("URL"));
    const QCommandLineOption bandOption(QStringLiteral("band"), QString(), QStringLiteral("MHZ"));
    const QCommandLineOption fromOption(QStringLiteral("from"), QString(), QStringLiteral("TIME"));
    const QCommandLineOption toOption(QStringLiteral("to"), QString(), QStringLiteral("TIME"));
    const QCommandLineOption receiverOption(QStringLiteral("receiver"), QString(), QStringLiteral("NAME"));
    const QCommandLineOption locatorOption(QStringLiteral("locator"), QString(), QStringLiteral("LOCATOR"));
    const QCommandLineOption importOption(QStringLiteral("import-csv"), QString(), QStringLiteral("FILE"));
    const QCommandLineOption stationsOption(QStringLiteral("stations"), QString(), QStringLiteral("FILE"));
    parser.addOptions(
        {dbOption, bandOption, fromOption, toOption, receiverOption, locatorOption, importOption, stationsOption});
    if (!parser.parse(QStringList{QStringLiteral("history")} + args)) {
        err << kVerb << parser.errorText() << "\n";
        return 2;
    }
    if (!parser.positionalArguments().isEmpty()) {
        err << kVerb << "unexpected argument '" << parser.positionalArguments().first() << "'\n";
        return 2;
    }
    if (!parser.isSet(dbOption)) {
        err << kVerb << "needs --db sqlite:PATH\n";
        return 2;
    }
    orvane::history::HistoryQuery query;
    query.receiver = parser.value(receiverOption);
    if (parser.isSet(bandOption)) {
        const int band = orvane::cli::bandOfMHz(parser.value(bandOption));
        if (band < 0) {
            err << kVerb << "--band is one of 14.100, 18.110, 21.150, 24.930, 28.200, not '" << parser.value(bandOption)
                << "'\n";
            return 2;
        }
        query.band = band;
    }
    for (const auto& [option, bound] : {std::pair{&fromOption, &query.fromMs}, std::pair{&toOption, &query.toMs}}) {
        if (!parser.isSet(*option)) continue;
        long long ms = 0;
        if (!orvane::cli::parseMomentArgument(parser.value(*option), ms)) {
            err << kVerb << "bad time '" << parser.value(*option) << "' for --" << option->names().first() << "\n";
            return 2;
        }
        *bound = ms;
    }
    if (parser.isSet(importOption) && query.receiver.isEmpty()) {
        err << kVerb << "--import-csv needs --receiver NAME\n";
        return 2;
    }
    orvane::beacons::StationTable stations;
    if (!orvane::cli::loadStations("history", parser.value(stationsOption), stations, err)) return 1;

    try {
        const std::unique_ptr<orvane::history::HistoryStore> store = orvane::history::openHistory(parser.value(dbOption));
        if (store->readOnlyReason()) err << kVerb << *store->readOnlyReason() << "\n";
        if (parser.isSet(importOption)) {
            const auto summary = orvane::history::importHeardCsv(
                parser.value(importOption), *store, {query.receiver, parser.value(locatorOption)});
            for (const QString& problem : summary.firstProblems) err << kVerb << problem << "\n";
            if (summary.problems > summary.firstProblems.size())
                err << kVerb << "and " << summary.problems - summary.firstProblems.size() << " more\n";
            err << kVerb << summary.added << " of " << summary.records << " slots added\n";
            return 0;
        }
        for (const orvane::history::HourCell& c : store->hours(query)) {
            out << QString::fromStdString(stations.entry(c.beacon).call) << "\t"
                << QString::number(orvane::beacons::kBandFrequenciesHz[static_cast<std::size_t>(c.band)] / 1e6, 'f', 3)
                << "\t" << c.hour << "\t" << c.heard << "\t" << c.listened << "\t"
                << (c.bestSnrDb ? QString::number(*c.bestSnrDb, 'f', 1) : QStringLiteral("-")) << "\n";
        }
    } catch (const orvane::OrvaneError& e) {
        err << kVerb << e.what() << "\n";
        return 1;
    }
    return 0;
}

const orvane::cli::Registrar kReg(
    {"history",
     "history --db sqlite:PATH [--band MHZ] [--from TIME] [--to TIME] [--receiver NAME] [--stations FILE]\n"
     "    the history of openings, one line per beacon, band and UTC hour that has slots:\n"
     "    CALL<TAB>MHZ<TAB>HOUR<TAB>HEARD<TAB>LISTENED<TAB>BEST_SNR (the highest first-dash SNR\n"
     "    in dB, '-' if none), ordered by band, slot and hour, over the slots from --from\n"
     "    (inclusive) to --to (exclusive), of one receiver or all; exit status 1 when the\n"
     "    database cannot be opened or read\n"
     "history --db sqlite:PATH --import-csv FILE --receiver NAME [--locator LOCATOR]\n"
     "    adds a heard log's slots under the receiver; slots already kept are left as they are",
     &runHistory});

}  // namespace
