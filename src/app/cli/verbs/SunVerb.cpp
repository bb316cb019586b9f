// orvane-cli sun: the sun's place and sidereal time for a moment.
#include <cstdio>

#include "app/cli/CliVerb.h"
#include "common/Clock.h"
#include "map/SolarPosition.h"

namespace {

int runSun(const orvane::cli::VerbArguments& args, QTextStream& out, QTextStream& err) {
    long long t = orvane::SystemClock().nowMoment();
    if (args.isSet("at") && !orvane::cli::parseTimeArgument(args.value("at"), t)) {
        err << "orvane-cli sun: bad TIME '" << args.value("at") << "'\n";
        return 2;
    }
    const orvane::map::SunFix sun = orvane::map::SunAt(t);
    char line[200];
    std::snprintf(line, sizeof line, "jd=%.9f ra=%.12g dec=%.12g gst=%.12g column480=%d", sun.julianDate,
                  sun.rightAscension, sun.declination, sun.siderealHours, sun.noonColumn(480));
    out << line << "\n";
    return 0;
}

const orvane::cli::Registrar kReg({"sun",
                                   "sun [--at TIME]   right ascension, declination (degrees), sidereal time (hours),\n"
                                   "                  sub-solar column of a 480-wide map",
                                   {{"at", "TIME", "the moment: YYYY-MM-DDTHH:MM:SSZ or @SECONDS (default now)"}},
                                   nullptr,
                                   &runSun});

}  // namespace
