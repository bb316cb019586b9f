// orvane-cli listen: hears the beacons in a recording of the radio's receive
// audio, slot by slot, as the listener does live.
#include <QDateTime>
#include <cmath>
#include <exception>

#include "app/cli/CliVerb.h"
#include "beacons/BandPlan.h"
#include "beacons/StationTable.h"
#include "listen/SlotCutter.h"
#include "listen/WavReader.h"

namespace {

using namespace orvane;

QString utcText(qint64 ms) {
    return QDateTime::fromMSecsSinceEpoch(ms, Qt::UTC).toString(QStringLiteral("yyyy-MM-ddTHH:mm:ssZ"));
}

QString resultLine(const listen::SlotResult& r, const QString& call) {
    QStringList f{utcText(r.periodStartMs),
                  QString::fromLatin1(beacons::kBandCaptions[static_cast<std::size_t>(r.band)]),
                  QString::number(r.beaconIndex + 1), call, r.heard ? QStringLiteral("1") : QStringLiteral("0")};
    for (const auto& snr : r.dashSnrDb) f << (snr ? QString::number(*snr, 'f', 1) : QStringLiteral("-"));
    f << QString::number(r.toneOffsetHz, 'f', 1) << QString::number(std::round(r.timeOffsetMs), 'f', 0);
    return f.join(QLatin1Char('\t'));
}

int run(const cli::VerbArguments& args, QTextStream& out, QTextStream& err) {
    const QString input = args.value("i"), start = args.value("start"), follow = args.value("follow"),
                  stationsFile = args.value("stations");
    int band = -1;
    listen::DetectorSettings settings;
    if (args.isSet("band")) {
        band = cli::bandOfMHz(args.value("band"));
        if (band < 0) {
            err << "orvane-cli listen: no beacon band at " << args.value("band")
                << " MHz (use 14.10, 18.11, 21.15, 24.93 or 28.20)\n";
            return 2;
        }
    }
    if (args.isSet("pitch")) {
        bool ok = false;
        settings.pitchHz = args.value("pitch").toDouble(&ok);
        if (!ok || !(settings.pitchHz >= listen::kMinPitchHz && settings.pitchHz <= listen::kMaxPitchHz)) {
            err << "orvane-cli listen: bad pitch '" << args.value("pitch") << "' (300 to 1200 Hz)\n";
            return 2;
        }
    }
    long long startMs = 0;
    if (input.isEmpty() || start.isEmpty()) {
        err << "orvane-cli listen: give -i FILE.wav and --start TIME\n";
        return 2;
    }
    if (!cli::parseMomentArgument(start, startMs)) {
        err << "orvane-cli listen: bad --start '" << start << "' (YYYY-MM-DDTHH:MM:SSZ or @SECONDS)\n";
        return 2;
    }
    if (band >= 0 && !follow.isEmpty()) {
        err << "orvane-cli listen: give --band or --follow, not both\n";
        return 2;
    }
    beacons::StationTable table;
    if (!cli::loadStations("listen", stationsFile, table, err)) return 1;
    listen::Expectation expect;
    if (!follow.isEmpty()) {
        const int index = table.find(follow.toStdString());
        if (index < 0) {
            err << "orvane-cli listen: no beacon '" << follow << "' (a call or a slot number 1..18)\n";
            return 2;
        }
        expect = listen::expectFollowing(table, index);
    } else {
        expect = listen::expectOnBand(table, band >= 0 ? band : 0);
    }

    try {
        listen::WavReader reader(input, startMs);
        reader.open();
        QString failure;
        listen::SlotCutter cutter(settings, expect, [&](const listen::SlotResult& r) {
            out << resultLine(r, QString::fromStdString(table.entry(r.beaconIndex).call)) << '\n';
        });
        reader.setBlockHandler([&](std::int64_t stampMs, int rate, std::span<const float> samples) {
            cutter.push(stampMs, rate, samples);
        });
        reader.setErrorHandler([&](const QString& message) { failure = message; });
        reader.start();
        if (!failure.isEmpty()) {
            err << "orvane-cli listen: " << failure << '\n';
            return 1;
        }
    } catch (const std::exception& e) {
        err << "orvane-cli listen: " << e.what() << '\n';
        return 1;
    }
    return 0;
}

const cli::Registrar kReg(
    {"listen",
     "listen -i FILE.wav --start TIME [--band MHZ | --follow CALL] [--pitch HZ] [--stations FILE]\n"
     "    hears the beacons in a recording whose first sample is at TIME: one line per whole\n"
     "    slot: UTC, MHz, slot, call, heard (1/0), SNR in 2.5 kHz of the four dashes (dB, '-'\n"
     "    not found), tone offset (Hz), time offset (ms); band 14.10 unless given, pitch 700 Hz",
     {{"i", "FILE.wav", "the recording"},
      {"start", "TIME", "the UTC of its first sample: YYYY-MM-DDTHH:MM:SSZ or @SECONDS"},
      {"band", "MHZ", "the band it was made on (default 14.10)"},
      {"follow", "CALL", "the beacon followed across the bands (a call or a slot number 1..18)"},
      {"pitch", "HZ", "the receiver's CW pitch, 300 to 1200 (default 700)"},
      {"stations", "FILE", "a stations file over the built-in table"}},
     nullptr,
     &run});

}  // namespace
