// orvane-cli bcn FILE | bcn --defaults -o FILE: the beacon file.
#include "app/cli/CliVerb.h"
#include "beacons/BeaconCollection.h"

namespace {

using namespace orvane;

int run(const QStringList& args, QTextStream& out, QTextStream& err) {
    bool defaults = false;
    QString output;
    QString input;
    for (qsizetype i = 0; i < args.size(); ++i) {
        if (args[i] == QLatin1String("--defaults")) {
            defaults = true;
        } else if (args[i] == QLatin1String("-o")) {
            if (!cli::takeValue(args, i, output, err)) return 2;
        } else if (args[i].startsWith(QLatin1Char('-')) || !input.isEmpty()) {
            err << "orvane-cli bcn: unexpected argument '" << args[i] << "'\n";
            return 2;
        } else {
            input = args[i];
        }
    }
    if (defaults) {
        if (output.isEmpty() || !input.isEmpty()) {
            err << "orvane-cli bcn: --defaults needs -o FILE and no input file\n";
            return 2;
        }
        try {
            beacons::writeBeaconFile(output, beacons::defaultBeaconContainer());
        } catch (const OrvaneError& e) {
            err << e.what() << "\n";
            return 1;
        }
        return 0;
    }
    if (input.isEmpty() || !output.isEmpty()) {
        err << "orvane-cli bcn: give one beacon file to print (or --defaults -o FILE)\n";
        return 2;
    }
    beacons::BeaconContainer container;
    try {
        beacons::readBeaconFile(input, container);
    } catch (const OrvaneError& e) {
        err << e.what() << "\n";
        return 1;
    }
    const beacons::BeaconArray table = beacons::beaconArrayOf(container);
    for (std::size_t i = 0; i < table.size(); ++i) {
        out << i << '\t' << QString::fromStdString(table[i].SlotId) << '\t';
        for (bool on : table[i].OnBand) out << (on ? '1' : '0');
        out << '\n';
    }
    return 0;
}

const cli::Registrar kReg({"bcn",
                           "bcn FILE                        the 18 records of a beacon file: index, slot id, band flags\n"
                           "bcn --defaults -o FILE          write the default beacon file",
                           &run});

}  // namespace
