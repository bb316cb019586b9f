// orvane-cli greyline: the shaded map for a moment, as a PNG file.
#include "app/cli/CliVerb.h"
#include "common/Clock.h"
#include "common/image/PngFile.h"
#include "map/MapPictures.h"
#include "map/MapSizeArgument.h"

namespace {

int runGreyline(const QStringList& args, QTextStream& out, QTextStream& err) {
    long long t = orvane::SystemClock().nowMoment();
    int w = 480, h = 240, level = 3;
    bool mono = false;
    bool twilight = false;
    QString file;
    for (qsizetype i = 0; i < args.size(); ++i) {
        QString value;
        const QString& a = args[i];
        if (a == QLatin1String("--mono")) {
            mono = true;
            continue;
        }
        if (a == QLatin1String("--twilight")) {
            twilight = true;
            continue;
        }
        if (a != QLatin1String("--at") && a != QLatin1String("--size") && a != QLatin1String("--level") &&
            a != QLatin1String("-o")) {
            err << "orvane-cli greyline: unknown option '" << a << "'\n";
            return 2;
        }
        if (!orvane::cli::takeValue(args, i, value, err)) return 2;
        bool ok = true;
        if (a == QLatin1String("--at")) {
            ok = orvane::cli::parseTimeArgument(value, t);
        } else if (a == QLatin1String("--size")) {
            ok = orvane::map::parseMapSize(value.toStdString(), w, h);
        } else if (a == QLatin1String("--level")) {
            level = value.toInt(&ok);
            ok = ok && level >= 1 && level <= orvane::map::kShadeLevels;
        } else {
            file = value;
        }
        if (!ok) {
            err << "orvane-cli greyline: bad value '" << value << "' for " << a << "\n";
            return 2;
        }
    }
    if (file.isEmpty()) {
        err << "orvane-cli greyline: needs -o FILE.png\n";
        return 2;
    }

    using orvane::map::MapPictures;
    MapPictures pictures;
    pictures.PrepareBaseMap(mono ? MapPictures::Source::Outline : MapPictures::Source::Relief, QSize(w, h));
    orvane::map::GreyLine line;
    line.InitTerminatorState(w, h, t, false);
    line.Recompute(t, true);
    if (twilight)
        pictures.RenderTwilightOnce(line.twilight(), line.state().NoonColumn, level - 1);
    else
        pictures.RenderOnce(line.mask(), level - 1);

    QString reason;
    if (!orvane::writePngFile(file, pictures.picture(), &reason)) {
        err << "orvane-cli greyline: cannot write " << file << ": " << reason << "\n";
        return 1;
    }
    out << file << "\n";
    return 0;
}

const orvane::cli::Registrar kReg(
    {"greyline",
     "greyline [--at TIME] [--size WxH] [--level 1..5] [--mono] [--twilight] -o FILE.png\n"
     "                  the shaded map of that moment (default now, 480x240, Level 3, colour relief,\n"
     "                  one terminator; --twilight grades civil, nautical and astronomical twilight)",
     &runGreyline});

}  // namespace
