// orvane-cli beacons [--locator LOC] [--stations FILE] [--at TIME]: the
// station table with bearings and distances from the user's station.
#include <QFile>

#include "app/cli/CliVerb.h"
#include "beacons/BandPlan.h"
#include "beacons/Monitor.h"
#include "beacons/StationTable.h"
#include "common/Clock.h"
#include "geo/Geodesy.h"
#include "map/Maidenhead.h"

namespace {

using namespace orvane;

QString text(std::string_view s) { return QString::fromUtf8(s.data(), static_cast<qsizetype>(s.size())); }

// One decimal; a bearing that rounds up to 360.0 reads 0.0.
QString bearing(double deg) {
    QString t = QString::number(deg, 'f', 1);
    return t == QLatin1String("360.0") ? QStringLiteral("0.0") : t;
}

int run(const cli::VerbArguments& args, QTextStream& out, QTextStream& err) {
    long long atMs = 0;
    const bool haveTime = args.isSet("at");
    if (haveTime && !cli::parseMomentArgument(args.value("at"), atMs)) {
        err << "orvane-cli beacons: bad time '" << args.value("at") << "' (use YYYY-MM-DDTHH:MM:SSZ or @SECONDS)\n";
        return 2;
    }
    std::optional<map::Locator> station;
    if (args.isSet("locator")) {
        station = map::ParseLocator(args.value("locator").toStdString());
        if (!station) {
            err << "orvane-cli beacons: bad locator '" << args.value("locator")
                << "' (use 4, 6 or 8 characters such as JO22, JO22dc or JO22dc45)\n";
            return 2;
        }
    }
    const QString stationsFile = args.value("stations");
    beacons::StationTable table;
    if (!cli::loadStations("beacons", stationsFile, table, err)) return 1;
    const UtcMs at = haveTime ? atMs : SystemClock().nowUtcMs();
    for (int i = 0; i < beacons::kBeaconListCount; ++i) {
        const beacons::StationEntry& e = table.entry(i);
        out << e.slotNumber << '\t' << text(e.call) << '\t' << text(e.site) << '\t' << text(e.locator) << '\t'
            << QString::number(e.latDeg, 'f', 4) << '\t' << QString::number(e.lonDeg, 'f', 4) << '\t';
        if (station) {
            const geo::Path p = geo::pathBetween({station->lonDeg, station->latDeg}, {e.lonDeg, e.latDeg});
            out << bearing(p.spBearingDeg) << '\t' << bearing(p.lpBearingDeg) << '\t'
                << QString::number(p.spDistanceKm, 'f', 1) << '\t';
        } else {
            out << "-\t-\t-\t";
        }
        const int band = beacons::bandOfBeaconAt(i, at);
        out << (band >= 0 ? text(beacons::kBandCaptions[static_cast<std::size_t>(band)]) : QStringLiteral("-"))
            << '\n';
    }
    return 0;
}

const cli::Registrar kReg({"beacons",
                           "beacons [--locator LOC] [--stations FILE] [--at TIME]   one line per beacon: slot, call, "
                           "site, locator, latitude, longitude, short- and long-path bearing (degrees), short-path "
                           "distance (km) from LOC, band on the air at TIME or -",
                           {{"locator", "LOC", "the user's station as a Maidenhead locator"},
                            {"stations", "FILE", "a stations file over the built-in table"},
                            {"at", "TIME", "the moment: YYYY-MM-DDTHH:MM:SSZ or @SECONDS (default now)"}},
                           nullptr,
                           &run});

}  // namespace
