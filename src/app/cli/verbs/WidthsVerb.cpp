// orvane-cli widths: the terminator's width table for a declination.
#include <vector>

#include "app/cli/CliVerb.h"
#include "map/MapSizeArgument.h"
#include "map/Terminator.h"

namespace {

int runWidths(const QStringList& args, QTextStream& out, QTextStream& err) {
    int w = 0, h = 0;
    double dec = 0;
    bool haveSize = false, haveDec = false;
    for (qsizetype i = 0; i < args.size(); ++i) {
        QString value;
        if (args[i] == QLatin1String("--size")) {
            if (!orvane::cli::takeValue(args, i, value, err)) return 2;
            if (!orvane::map::parseMapSize(value.toStdString(), w, h)) {
                err << "orvane-cli widths: bad size '" << value << "' (WxH, 2..8192 each)\n";
                return 2;
            }
            haveSize = true;
        } else if (args[i] == QLatin1String("--dec")) {
            if (!orvane::cli::takeValue(args, i, value, err)) return 2;
            bool ok = false;
            dec = value.toDouble(&ok);
            if (!ok || dec < -90.0 || dec > 90.0) {
                err << "orvane-cli widths: bad declination '" << value << "'\n";
                return 2;
            }
            haveDec = true;
        } else {
            err << "orvane-cli widths: unknown option '" << args[i] << "'\n";
            return 2;
        }
    }
    if (!haveSize || !haveDec) {
        err << "orvane-cli widths: needs --size WxH and --dec DEGREES\n";
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
                                   &runWidths});

}  // namespace
