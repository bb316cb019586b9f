// orvane-cli slot [--at TIME] [--band MHZ]: which beacon transmits when.
#include "app/cli/CliVerb.h"
#include "beacons/BandPlan.h"
#include "beacons/Monitor.h"
#include "beacons/Schedule.h"
#include "beacons/StationTable.h"
#include "common/Clock.h"

namespace {

using namespace orvane;

QString text(std::string_view s) { return QString::fromLatin1(s.data(), static_cast<qsizetype>(s.size())); }

int run(const cli::VerbArguments& args, QTextStream& out, QTextStream& err) {
    long long atMs = 0;
    int onlyBand = -1;
    const bool haveTime = args.isSet("at");
    if (haveTime && !cli::parseMomentArgument(args.value("at"), atMs)) {
        err << "orvane-cli slot: bad time '" << args.value("at") << "' (use YYYY-MM-DDTHH:MM:SSZ or @SECONDS)\n";
        return 2;
    }
    if (args.isSet("band")) {
        onlyBand = cli::bandOfMHz(args.value("band"));
        if (onlyBand < 0) {
            err << "orvane-cli slot: no beacon band at " << args.value("band")
                << " MHz (use 14.10, 18.11, 21.15, 24.93 or 28.20)\n";
            return 2;
        }
    }
    const UtcMs at = haveTime ? atMs : SystemClock().nowUtcMs();
    const beacons::StationTable stations;
    for (int band = 0; band < beacons::kBandCount; ++band) {
        if (onlyBand >= 0 && band != onlyBand) continue;
        const int index = beacons::slotIndexAt(at, band);
        const beacons::StationEntry& e = stations.entry(index);
        out << text(beacons::kBandCaptions[static_cast<std::size_t>(band)]) << '\t' << e.slotNumber << '\t'
            << text(e.call) << '\t' << text(e.site) << '\n';
    }
    // With all bands, the whole seconds up to the next slot (10 at its start).
    if (onlyBand < 0) out << "seconds_left\t" << beacons::monitorAt(at).secondsLeft << '\n';
    return 0;
}

const cli::Registrar kReg({"slot",
                           "slot [--at TIME] [--band MHZ]   beacon on the air per band: MHz, slot, call, site, "
                           "then seconds_left in the slot when no band is given "
                           "(TIME: YYYY-MM-DDTHH:MM:SSZ or @SECONDS, default now)",
                           {{"at", "TIME", "the moment (default now)"},
                            {"band", "MHZ", "that band only: 14.10, 18.11, 21.15, 24.93 or 28.20"}},
                           nullptr,
                           &run});

}  // namespace
