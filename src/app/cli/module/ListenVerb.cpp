// orvane-cli listen: hears the beacons in a recording of the radio's receive
// audio, slot by slot, as the listener does live.
#include <QCoreApplication>
#include <QDateTime>
#include <cmath>
#include <exception>
#include <memory>
#include <mutex>

#include "app/cli/CliVerb.h"
#include "beacons/BandPlan.h"
#include "beacons/StationTable.h"
#include "common/AppPaths.h"
#include "common/IniFile.h"
#include "common/OrvaneError.h"
#include "history/HistoryRecorder.h"
#include "history/HistorySettings.h"
#include "history/HistoryWriter.h"
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

// A recording is read far faster than real time: a commit is asked for every
// this many slots, so while the database keeps up the writer's queue (two
// hours of five bands) never reaches its bound.
constexpr int kFlushEverySlots = 1000;

// The history the slots go to while the recording is read: the reader only
// queues them; the writer's own thread commits. The database is opened here
// first, so one that cannot be written is refused before anything is read;
// the writer then takes that store over.
class HistoryOutput {
public:
    HistoryOutput(const QString& url, const history::Receiver& receiver) : url_(url) {
        auto first = std::make_shared<std::unique_ptr<history::HistoryStore>>(history::openHistory(url));
        if (const auto reason = (*first)->readOnlyReason()) throw OrvaneError(reason->toStdString());
        // The opener runs on the writer's thread only.
        writer_ = std::make_unique<history::HistoryWriter>(
            [first, url]() -> std::unique_ptr<history::HistoryStore> {
                if (*first) return std::move(*first);
                return history::openHistory(url);
            },
            receiver, [this](const QString& text, bool) {
                std::lock_guard lock(mutex_);
                lastWord_ = text;
            });
    }

    void add(const listen::SlotResult& result, const QString& input) {
        writer_->submit(history::slotRecordOf(result, input));
        if (++added_ % kFlushEverySlots == 0) writer_->flushSoon();
    }

    // Stores what is left; false (with the reason on `err`) when anything
    // read was not stored.
    bool finish(QTextStream& err) {
        const history::HistoryWriter::Counts counts = writer_->finish();
        if (counts.queued == 0 && counts.dropped == 0) {
            err << "orvane-cli listen: " << counts.stored << " slots stored in " << url_ << '\n';
            return true;
        }
        std::lock_guard lock(mutex_);
        err << "orvane-cli listen: " << (lastWord_.isEmpty() ? QStringLiteral("History: not stored") : lastWord_)
            << "; " << counts.queued + static_cast<std::size_t>(counts.dropped) << " of " << added_
            << " slots not stored in " << url_ << '\n';
        return false;
    }

private:
    QString url_;
    std::int64_t added_ = 0;
    std::mutex mutex_;
    QString lastWord_;  // the writer's last word, from its thread
    std::unique_ptr<history::HistoryWriter> writer_;
};

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

    // The history, when asked for: --db or --receiver, the rest from the
    // settings ([History] Database= and Receiver=) or the defaults.
    const bool keepHistory = args.isSet("db") || args.isSet("receiver");
    QString historyUrl;
    history::Receiver receiver;
    if (keepHistory) {
        const AppPaths paths =
            AppPaths::forExecutable(QCoreApplication::applicationDirPath() + QStringLiteral("/orvane"));
        const IniFile ini(args.isSet("ini") ? args.value("ini") : paths.iniFileName());
        historyUrl = args.isSet("db") ? args.value("db") : history::historyDatabaseUrl(ini, paths);
        receiver = history::historyReceiver(ini, args.value("locator"));
        if (args.isSet("receiver")) receiver.name = args.value("receiver");
        if (receiver.name.trimmed().isEmpty()) {
            err << "orvane-cli listen: --receiver needs a name\n";
            return 2;
        }
    }

    try {
        std::unique_ptr<HistoryOutput> history;
        if (keepHistory) history = std::make_unique<HistoryOutput>(historyUrl, receiver);
        listen::WavReader reader(input, startMs);
        reader.open();
        QString failure;
        listen::SlotCutter cutter(settings, expect, [&](const listen::SlotResult& r) {
            out << resultLine(r, QString::fromStdString(table.entry(r.beaconIndex).call)) << '\n';
            if (history) history->add(r, input);
        });
        reader.setBlockHandler([&](std::int64_t stampMs, int rate, std::span<const float> samples) {
            cutter.push(stampMs, rate, samples);
        });
        reader.setErrorHandler([&](const QString& message) { failure = message; });
        reader.start();
        if (!failure.isEmpty()) {
            err << "orvane-cli listen: " << failure << '\n';
            if (history) history->finish(err);
            return 1;
        }
        if (history && !history->finish(err)) return 1;
    } catch (const std::exception& e) {
        err << "orvane-cli listen: " << e.what() << '\n';
        return 1;
    }
    return 0;
}

const cli::Registrar kReg(
    {"listen",
     "listen -i FILE.wav --start TIME [--band MHZ | --follow CALL] [--pitch HZ] [--stations FILE]\n"
     "       [--db URL] [--receiver NAME] [--locator LOCATOR] [--ini SETTINGS.INI]\n"
     "    hears the beacons in a recording whose first sample is at TIME: one line per whole\n"
     "    slot: UTC, MHz, slot, call, heard (1/0), SNR in 2.5 kHz of the four dashes (dB, '-'\n"
     "    not found), tone offset (Hz), time offset (ms); band 14.10 unless given, pitch 700 Hz;\n"
     "    with --db or --receiver each slot is also stored in the history (the database and the\n"
     "    receiver's name from the settings' [History] section unless given); exit status 1\n"
     "    when the database cannot be written or a slot was not stored",
     {{"i", "FILE.wav", "the recording"},
      {"start", "TIME", "the UTC of its first sample: YYYY-MM-DDTHH:MM:SSZ or @SECONDS"},
      {"band", "MHZ", "the band it was made on (default 14.10)"},
      {"follow", "CALL", "the beacon followed across the bands (a call or a slot number 1..18)"},
      {"pitch", "HZ", "the receiver's CW pitch, 300 to 1200 (default 700)"},
      {"stations", "FILE", "a stations file over the built-in table"},
      {"db", "URL", "store each slot in this history database (sqlite:PATH or postgresql://...)"},
      {"receiver", "NAME", "the receiver the slots are stored under"},
      {"locator", "LOCATOR", "the receiver's locator"},
      {"ini", "SETTINGS.INI", "the settings to read the [History] section from"}},
     nullptr,
     &run});

}  // namespace
