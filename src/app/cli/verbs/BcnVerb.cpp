// orvane-cli bcn FILE | bcn --defaults -o FILE: the beacon file.
#include "app/cli/CliVerb.h"
#include "beacons/BeaconCollection.h"

namespace {

using namespace orvane;

int run(const cli::VerbArguments& args, QTextStream& out, QTextStream& err) {
    const bool defaults = args.isSet("defaults");
    const QString output = args.value("o");
    const QStringList operands = args.operands();
    if (operands.size() > 1) {
        err << "orvane-cli bcn: unexpected argument '" << operands[1] << "'\n";
        return 2;
    }
    const QString input = operands.value(0);
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
                           {{"defaults", nullptr, "the default beacon file (with -o)"},
                            {"o", "FILE", "where to write it"}},
                           "FILE",
                           &run});

}  // namespace
