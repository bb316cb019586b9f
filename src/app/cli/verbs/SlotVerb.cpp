// orvane-cli slot [--at TIME] [--band MHZ]: which beacon transmits when.
#include <cmath>

#include "app/cli/CliVerb.h"
#include "beacons/BandPlan.h"
#include "beacons/Schedule.h"
#include "beacons/Stations.h"
#include "common/Clock.h"

namespace {

using namespace orvane;

QString text(std::string_view s) { return QString::fromLatin1(s.data(), static_cast<qsizetype>(s.size())); }

// "14.10", "14.1" or "14.100" name the same band; anything else is no band.
int bandOfMHz(const QString& mhz) {
    bool ok = false;
    const double value = mhz.toDouble(&ok);
    if (!ok) return -1;
    for (int band = 0; band < beacons::kBandCount; ++band)
        if (std::fabs(text(beacons::kBandCaptions[static_cast<std::size_t>(band)]).toDouble() - value) < 0.0005)
            return band;
    return -1;
}

int run(const QStringList& args, QTextStream& out, QTextStream& err) {
    long long seconds = 0;
    bool haveTime = false;
    int onlyBand = -1;
    for (qsizetype i = 0; i < args.size(); ++i) {
        QString value;
        if (args[i] == QLatin1String("--at")) {
            if (!cli::takeValue(args, i, value, err)) return 2;
            // Years 1 to 9999 at most, so the milliseconds cannot overflow.
            constexpr long long kLimit = 253'402'300'800LL;
            if (!cli::parseTimeArgument(value, seconds) || seconds < -62'135'596'800LL || seconds >= kLimit) {
                err << "orvane-cli slot: bad time '" << value << "' (use YYYY-MM-DDTHH:MM:SSZ or @SECONDS)\n";
                return 2;
            }
            haveTime = true;
        } else if (args[i] == QLatin1String("--band")) {
            if (!cli::takeValue(args, i, value, err)) return 2;
            onlyBand = bandOfMHz(value);
            if (onlyBand < 0) {
                err << "orvane-cli slot: no beacon band at " << value
                    << " MHz (use 14.10, 18.11, 21.15, 24.93 or 28.20)\n";
                return 2;
            }
        } else {
            err << "orvane-cli slot: unknown argument '" << args[i] << "'\n";
            return 2;
        }
    }
    const UtcMs at = haveTime ? seconds * 1000 : SystemClock().nowUtcMs();
    for (int band = 0; band < beacons::kBandCount; ++band) {
        if (onlyBand >= 0 && band != onlyBand) continue;
        const int index = beacons::slotIndexAt(at, band);
        const beacons::Station& st = beacons::kStations[static_cast<std::size_t>(index)];
        out << text(beacons::kBandCaptions[static_cast<std::size_t>(band)]) << '\t' << st.slotNumber << '\t'
            << text(st.callsign()) << '\t' << text(st.site()) << '\n';
    }
    return 0;
}

const cli::Registrar kReg({"slot",
                           "slot [--at TIME] [--band MHZ]   beacon on the air per band: MHz, slot, call, site "
                           "(TIME: YYYY-MM-DDTHH:MM:SSZ or @SECONDS, default now)",
                           &run});

}  // namespace
