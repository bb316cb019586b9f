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

int run(const QStringList& args, QTextStream& out, QTextStream& err) {
    long long atMs = 0;
    bool haveTime = false;
    std::optional<map::Locator> station;
    QString stationsFile;
    for (qsizetype i = 0; i < args.size(); ++i) {
        QString value;
        if (args[i] == QLatin1String("--at")) {
            if (!cli::takeValue(args, i, value, err)) return 2;
            if (!cli::parseMomentArgument(value, atMs)) {
                err << "orvane-cli beacons: bad time '" << value << "' (use YYYY-MM-DDTHH:MM:SSZ or @SECONDS)\n";
                return 2;
            }
            haveTime = true;
        } else if (args[i] == QLatin1String("--locator")) {
            if (!cli::takeValue(args, i, value, err)) return 2;
            station = map::ParseLocator(value.toStdString());
            if (!station) {
                err << "orvane-cli beacons: bad locator '" << value
                    << "' (use 4, 6 or 8 characters such as JO22, JO22dc or JO22dc45)\n";
                return 2;
            }
        } else if (args[i] == QLatin1String("--stations")) {
            if (!cli::takeValue(args, i, stationsFile, err)) return 2;
        } else {
            err << "orvane-cli beacons: unknown argument '" << args[i] << "'\n";
            return 2;
        }
    }
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
                           &run});

}  // namespace
