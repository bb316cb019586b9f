// orvane-cli greyline: the shaded map for a moment, as a PNG file.
#include "app/cli/CliVerb.h"
#include "common/Clock.h"
#include "common/image/PngFile.h"
#include "map/MapPictures.h"
#include "map/MapSizeArgument.h"

namespace {

int runGreyline(const orvane::cli::VerbArguments& args, QTextStream& out, QTextStream& err) {
    long long t = orvane::SystemClock().nowMoment();
    int w = 480, h = 240, level = 3;
    const bool mono = args.isSet("mono");
    const bool twilight = args.isSet("twilight");
    const QString file = args.value("o");
    for (const char* option : {"at", "size", "level"}) {
        if (!args.isSet(option)) continue;
        const QString value = args.value(option);
        bool ok = true;
        if (option[0] == 'a') {
            ok = orvane::cli::parseTimeArgument(value, t);
        } else if (option[0] == 's') {
            ok = orvane::map::parseMapSize(value.toStdString(), w, h);
        } else {
            level = value.toInt(&ok);
            ok = ok && level >= 1 && level <= orvane::map::kShadeLevels;
        }
        if (!ok) {
            err << "orvane-cli greyline: bad value '" << value << "' for --" << option << "\n";
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
     {{"at", "TIME", "the moment: YYYY-MM-DDTHH:MM:SSZ or @SECONDS (default now)"},
      {"size", "WxH", "the picture's size (default 480x240)"},
      {"level", "1..5", "the darkness of the night side (default 3)"},
      {"mono", nullptr, "the outline map instead of the colour relief"},
      {"twilight", nullptr, "grade civil, nautical and astronomical twilight"},
      {"o", "FILE.png", "the picture to write"}},
     nullptr,
     &runGreyline});

}  // namespace
