// orvane-cli follow: tunes a radio through Hamlib as the program's "Follow
// beacon" and "Stay on band" do. It never keys the transmitter.
#include <QCoreApplication>
#include <QDateTime>
#include <QTimer>

#include "app/cli/CliVerb.h"
#include "beacons/BandPlan.h"
#include "beacons/StationTable.h"
#include "common/Clock.h"
#include "rig/RigFollower.h"

namespace {

using namespace orvane;

QString utcText(qint64 ms) {
    return QDateTime::fromMSecsSinceEpoch(ms, Qt::UTC).toString(QStringLiteral("yyyy-MM-ddTHH:mm:ssZ"));
}

int run(const cli::VerbArguments& args, QTextStream& out, QTextStream& err) {
    const QString beacon = args.value("beacon"), stationsFile = args.value("stations");
    int band = -1;
    int seconds = -1;
    rig::RigSettings settings;
    const bool haveModel = args.isSet("rig-model");
    const auto number = [&](const char* option, int low, int high, int& into) {
        if (!args.isSet(option)) return true;
        bool ok = false;
        const int v = args.value(option).toInt(&ok);
        if (!ok || v < low || v > high) return false;
        into = v;
        return true;
    };
    if (args.isSet("band")) {
        band = cli::bandOfMHz(args.value("band"));
        if (band < 0) {
            err << "orvane-cli follow: no beacon band at " << args.value("band")
                << " MHz (use 14.10, 18.11, 21.15, 24.93 or 28.20)\n";
            return 2;
        }
    }
    if (!number("rig-model", 1, 99'999, settings.model)) {
        err << "orvane-cli follow: bad rig model '" << args.value("rig-model")
            << "' (a Hamlib model number, 2 for rigctld)\n";
        return 2;
    }
    if (args.isSet("rig-port")) settings.port = args.value("rig-port");
    if (!number("speed", 1, 1'000'000, settings.serialSpeed)) {
        err << "orvane-cli follow: bad serial speed '" << args.value("speed") << "'\n";
        return 2;
    }
    if (!number("for", 0, 7 * 24 * 3600, seconds)) {
        err << "orvane-cli follow: bad duration '" << args.value("for") << "' (whole seconds, up to a week)\n";
        return 2;
    }
    if (beacon.isEmpty() == (band < 0) || !haveModel) {
        err << "orvane-cli follow: give --beacon or --band, with --rig-model\n";
        return 2;
    }
    beacons::StationTable table;
    if (!cli::loadStations("follow", stationsFile, table, err)) return 1;
    const int index = beacon.isEmpty() ? -1 : table.find(beacon.toStdString());
    if (!beacon.isEmpty() && index < 0) {
        err << "orvane-cli follow: no beacon '" << beacon << "' (a call of the table or a slot 1 to 18)\n";
        return 2;
    }

    SystemClock clock;
    rig::RigFollower follower(clock, rig::makeHamlibRig);
    follower.setSettings(settings);
    int status = 0;
    QObject::connect(&follower, &rig::RigFollower::tuned, [&](qint64 slotStartMs, double hz, int beaconIndex, qint64) {
        const QString call = beaconIndex >= 0 ? QString::fromStdString(table.entry(beaconIndex).call)
                                              : QStringLiteral("-");
        out << utcText(slotStartMs) << '\t' << QString::number(hz / 1e6, 'f', 3) << '\t' << call << '\n';
        out.flush();
        // "Stay on band" tunes once.
        if (beaconIndex < 0) QCoreApplication::exit(0);
    });
    QObject::connect(&follower, &rig::RigFollower::failed, [&](const QString& message) {
        err << "orvane-cli follow: " << message << '\n';
        status = 1;
        QCoreApplication::exit(1);
    });
    QTimer stopAt;
    stopAt.setSingleShot(true);
    QObject::connect(&stopAt, &QTimer::timeout, [] { QCoreApplication::exit(0); });
    if (seconds >= 0) stopAt.start(seconds * 1000);
    if (index >= 0)
        follower.follow(index);
    else
        follower.stayOnBand(band);
    QCoreApplication::exec();
    // Ending leaves the rig where it is.
    follower.stop();
    return status;
}

const cli::Registrar kReg(
    {"follow",
     "follow --beacon CALL|N | --band MHZ, --rig-model N [--rig-port PORT] [--speed BAUD] [--for SECONDS] "
     "[--stations FILE]   tune the radio through Hamlib (model 2 and host:port for rigctld; without a port, Hamlib's default for the model), mode CW, a second "
     "before each slot the beacon transmits in, or once to a band; prints UTC of the slot, MHz and call per "
     "tuning; never transmits",
     {{"beacon", "CALL|N", "follow this beacon: a call of the table or a slot 1 to 18"},
      {"band", "MHZ", "tune once to this band: 14.10, 18.11, 21.15, 24.93 or 28.20"},
      {"rig-model", "N", "the Hamlib model number (2 for rigctld)"},
      {"rig-port", "PORT", "the rig's port (host:port for rigctld; Hamlib's default when not given)"},
      {"speed", "BAUD", "the serial speed"},
      {"for", "SECONDS", "stop after this long (up to a week)"},
      {"stations", "FILE", "a stations file over the built-in table"}},
     nullptr,
     &run});

}  // namespace
