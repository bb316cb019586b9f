// orvane-cli widths: the terminator's width table for a declination.
#include <vector>

#include "app/cli/CliVerb.h"
#include "map/MapSizeArgument.h"
#include "map/Terminator.h"

namespace {

int runWidths(const orvane::cli::VerbArguments& args, QTextStream& out, QTextStream& err) {
    if (!args.isSet("size") || !args.isSet("dec")) {
        err << "orvane-cli widths: needs --size WxH and --dec DEGREES\n";
        return 2;
    }
    int w = 0, h = 0;
    if (!orvane::map::parseMapSize(args.value("size").toStdString(), w, h)) {
        err << "orvane-cli widths: bad size '" << args.value("size") << "' (WxH, 2..8192 each)\n";
        return 2;
    }
    bool ok = false;
    const double dec = args.value("dec").toDouble(&ok);
    if (!ok || dec < -90.0 || dec > 90.0) {
        err << "orvane-cli widths: bad declination '" << args.value("dec") << "'\n";
        return 2;
    }
    std::vector<std::int32_t> table(static_cast<std::size_t>(h));
    orvane::map::ProjectIllumination(table.data(), w, h, dec);
    for (std::size_t r = 0; r < table.size(); ++r) out << (r ? " " : "") << table[r];
    out << "\n";
    return 0;
}

const orvane::cli::Registrar kReg({"widths",
                                   "widths --size WxH --dec DEGREES   half-widths of the daylit span of every map row\n"
                                   "                                  (-1 dark, W/2 fully lit)",
                                   {{"size", "WxH", "the map's size, 2..8192 each"},
                                    {"dec", "DEGREES", "the sun's declination, -90..90"}},
                                   nullptr,
                                   &runWidths});

}  // namespace
