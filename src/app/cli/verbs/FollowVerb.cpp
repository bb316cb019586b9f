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

int run(const QStringList& args, QTextStream& out, QTextStream& err) {
    QString beacon, stationsFile;
    int band = -1;
    int seconds = -1;
    rig::RigSettings settings;
    bool haveModel = false;
    const auto number = [&](const QString& value, int low, int high, int& into) {
        bool ok = false;
        const int v = value.toInt(&ok);
        if (!ok || v < low || v > high) return false;
        into = v;
        return true;
    };
    for (qsizetype i = 0; i < args.size(); ++i) {
        QString value;
        const QString& name = args[i];
        if (name == QLatin1String("--beacon")) {
            if (!cli::takeValue(args, i, beacon, err)) return 2;
        } else if (name == QLatin1String("--band")) {
            if (!cli::takeValue(args, i, value, err)) return 2;
            band = cli::bandOfMHz(value);
            if (band < 0) {
                err << "orvane-cli follow: no beacon band at " << value
                    << " MHz (use 14.10, 18.11, 21.15, 24.93 or 28.20)\n";
                return 2;
            }
        } else if (name == QLatin1String("--rig-model")) {
            if (!cli::takeValue(args, i, value, err)) return 2;
            if (!number(value, 1, 99'999, settings.model)) {
                err << "orvane-cli follow: bad rig model '" << value << "' (a Hamlib model number, 2 for rigctld)\n";
                return 2;
            }
            haveModel = true;
        } else if (name == QLatin1String("--rig-port")) {
            if (!cli::takeValue(args, i, settings.port, err)) return 2;
        } else if (name == QLatin1String("--speed")) {
            if (!cli::takeValue(args, i, value, err)) return 2;
            if (!number(value, 1, 1'000'000, settings.serialSpeed)) {
                err << "orvane-cli follow: bad serial speed '" << value << "'\n";
                return 2;
            }
        } else if (name == QLatin1String("--for")) {
            if (!cli::takeValue(args, i, value, err)) return 2;
            if (!number(value, 0, 7 * 24 * 3600, seconds)) {
                err << "orvane-cli follow: bad duration '" << value << "' (whole seconds, up to a week)\n";
                return 2;
            }
        } else if (name == QLatin1String("--stations")) {
            if (!cli::takeValue(args, i, stationsFile, err)) return 2;
        } else {
            err << "orvane-cli follow: unknown argument '" << name << "'\n";
            return 2;
        }
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
     &run});

}  // namespace
