// orvane-cli listen: hears the beacons in a recording of the radio's receive
// audio, slot by slot, as the listener does live.
#include <QCoreApplication>
#include <QDateTime>
#include <cmath>
#include <deque>
#include <exception>
#include <memory>
#include <mutex>
#include <optional>
#include <vector>

#include "app/cli/CliVerb.h"
#include "beacons/BandPlan.h"
#include "beacons/Schedule.h"
#include "beacons/StationTable.h"
#include "common/AppPaths.h"
#include "common/IniFile.h"
#include "common/OrvaneError.h"
#include "history/HistoryRecorder.h"
#include "history/HistorySettings.h"
#include "history/HistoryWriter.h"
#include "listen/RecordingReader.h"
#include "listen/SlotCutter.h"

namespace {

using namespace orvane;

QString utcText(qint64 ms) {
    return QDateTime::fromMSecsSinceEpoch(ms, Qt::UTC).toString(QStringLiteral("yyyy-MM-ddTHH:mm:ssZ"));
}

QString resultLine(const listen::SlotResult& r, const QString& call) {
    QStringList f{utcText(r.periodStartMs),
                  QString::fromLatin1(beacons::kBandCaptions[static_cast<std::size_t>(r.band)]),
                  QString::number(r.beaconIndex + 1), call,
                  r.heard                  ? QStringLiteral("1")
                  : r.otherCall.isEmpty() ? QStringLiteral("0")
                                          : QStringLiteral("other ") + r.otherCall};
    for (const auto& snr : r.dashSnrDb) f << (snr ? QString::number(*snr, 'f', 1) : QStringLiteral("-"));
    f << QString::number(r.toneOffsetHz, 'f', 1) << QString::number(std::round(r.timeOffsetMs), 'f', 0);
    return f.join(QLatin1Char('\t'));
}

// The moment `ms` as hh:mm:ss, with its milliseconds when it is not on a whole second.
QString clockText(qint64 ms) {
    const QDateTime t = QDateTime::fromMSecsSinceEpoch(ms, Qt::UTC);
    return t.toString(ms % 1000 == 0 ? QStringLiteral("HH:mm:ss") : QStringLiteral("HH:mm:ss.z"));
}

// A delay as "+800 ms".
QString delayText(double ms) {
    const auto whole = static_cast<long long>(std::llround(ms));
    return (whole > 0 ? QStringLiteral("+") : QString()) + QString::number(whole) + QStringLiteral(" ms");
}

// Where a recording of `frames` at `rate` from `startMs` lies against the
// slots: the whole slots in it and the part of a slot it ends in.
struct Coverage {
    qint64 endMs = 0;
    qint64 lastSlotEndMs = 0;  // end of its last whole slot; no later than endMs
    bool anyWholeSlot = false;
};

Coverage coverageOf(qint64 startMs, std::int64_t frames, int rate) {
    Coverage c;
    c.endMs = startMs + (rate > 0 ? frames * 1000 / rate : 0);
    const qint64 firstSlotMs = beacons::slotPeriodStartMs(beacons::slotPeriodOf(startMs)) == startMs
                                   ? startMs
                                   : beacons::nextSlotBoundaryMs(startMs);
    c.lastSlotEndMs = beacons::slotPeriodStartMs(beacons::slotPeriodOf(c.endMs));
    c.anyWholeSlot = c.lastSlotEndMs >= firstSlotMs + beacons::kSlotMs;
    return c;
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

// One recording to hear and what to expect in it. Several of them are
// several receivers recorded side by side, each on its own band.
struct ListenInput {
    QString file;   // as given: a path, or "-" for standard input
    int band = -1;  // 0..4; -1: the band of --band, --follow or the default
};

// Why the inputs cannot be heard together (exit status 2), or nothing. The
// n-th --band is the band of the n-th -i; a single -i keeps the
// one-recording form (its --band optional, or --follow instead).
std::optional<QString> pairInputs(const QStringList& files, const QStringList& bands, bool following,
                                  std::vector<ListenInput>& inputs) {
    if (files.size() > 1 && following)
        return QStringLiteral("--follow hears one input; give each of several inputs its --band");
    if (bands.size() > files.size())
        return QStringLiteral("--band %1 has no -i FILE of its own; give -i FILE --band MHZ for each input")
            .arg(bands[files.size()]);
    if (files.size() > 1 && bands.size() < files.size())
        return QStringLiteral("-i %1 has no --band; give -i FILE --band MHZ for each input").arg(files[bands.size()]);
    inputs.clear();
    for (qsizetype n = 0; n < files.size(); ++n) {
        ListenInput in{files[n], -1};
        if (n < bands.size()) {
            in.band = cli::bandOfMHz(bands[n]);
            if (in.band < 0)
                return QStringLiteral("no beacon band at %1 MHz (use 14.10, 18.11, 21.15, 24.93 or 28.20)").arg(bands[n]);
        }
        for (const ListenInput& before : inputs) {
            if (in.band >= 0 && before.band == in.band)
                return QStringLiteral("the band %1 MHz is given twice; one input a band")
                    .arg(QLatin1String(beacons::kBandCaptions[static_cast<std::size_t>(in.band)]));
            if (in.file == QLatin1String(listen::RecordingReader::kStandardInput) && before.file == in.file)
                return QStringLiteral("standard input (-i -) can be read once only");
        }
        inputs.push_back(in);
    }
    return std::nullopt;
}

// One input being heard: its reader, its cutter, and the results the cutter
// gave that are not yet printed.
struct Heard {
    ListenInput input;
    QString name;  // as messages and the history name it
    std::unique_ptr<listen::RecordingReader> reader;
    std::unique_ptr<listen::SlotCutter> cutter;
    std::deque<listen::SlotResult> waiting;
    std::int64_t wholeSlots = 0;
    bool ended = false;
};

// Prints (and stores) the results waiting, in the order of their slot's
// start and then their band, as far as that order is already settled: while
// an input still being read has nothing waiting, a result of its own could
// yet come first. The inputs are read in step, so each holds a slot or two.
template <typename Emit>
void releaseInOrder(std::vector<Heard>& inputs, Emit&& onResult) {
    for (;;) {
        Heard* first = nullptr;
        for (Heard& h : inputs) {
            if (h.waiting.empty()) {
                if (!h.ended) return;
                continue;
            }
            const listen::SlotResult& r = h.waiting.front();
            if (!first || r.periodStartMs < first->waiting.front().periodStartMs ||
                (r.periodStartMs == first->waiting.front().periodStartMs && r.band < first->waiting.front().band))
                first = &h;
        }
        if (!first) return;
        onResult(*first, first->waiting.front());
        first->waiting.pop_front();
    }
}

int run(const cli::VerbArguments& args, QTextStream& out, QTextStream& err) {
    const QString start = args.value("start"), follow = args.value("follow"), stationsFile = args.value("stations");
    auto channel = listen::RecordingChannel::Mix;
    if (args.isSet("channel")) {
        const QString side = args.value("channel");
        if (side == QLatin1String("left")) channel = listen::RecordingChannel::Left;
        else if (side == QLatin1String("right")) channel = listen::RecordingChannel::Right;
        else if (side != QLatin1String("mix")) {
            err << "orvane-cli listen: bad --channel '" << side << "' (left, right or mix)\n";
            return 2;
        }
    }
    listen::DetectorSettings settings;
    std::vector<ListenInput> inputs;
    if (const auto wrong = pairInputs(args.values("i"), args.values("band"), !follow.isEmpty(), inputs)) {
        err << "orvane-cli listen: " << *wrong << '\n';
        return 2;
    }
    if (args.isSet("pitch")) {
        bool ok = false;
        settings.pitchHz = args.value("pitch").toDouble(&ok);
        if (!ok || !(settings.pitchHz >= listen::kMinPitchHz && settings.pitchHz <= listen::kMaxPitchHz)) {
            err << "orvane-cli listen: bad pitch '" << args.value("pitch") << "' (300 to 1200 Hz)\n";
            return 2;
        }
    }
    // One --delay for every input, or one for each.
    std::vector<listen::ReceiveDelay> delays;
    for (const QString& text : args.values("delay")) {
        const auto parsed = listen::parseReceiveDelay(text);
        if (!parsed) {
            err << "orvane-cli listen: bad --delay '" << text << "' (" << listen::ReceiveDelay::kMinMs << " to "
                << listen::ReceiveDelay::kMaxMs << " ms, or auto)\n";
            return 2;
        }
        delays.push_back(*parsed);
    }
    if (delays.size() > 1 && delays.size() != inputs.size()) {
        err << "orvane-cli listen: give one --delay for all inputs, or one for each -i\n";
        return 2;
    }
    long long startMs = 0;
    if (inputs.empty() || start.isEmpty()) {
        err << "orvane-cli listen: give -i FILE (or -i - for standard input) and --start TIME\n";
        return 2;
    }
    if (!cli::parseMomentArgument(start, startMs)) {
        err << "orvane-cli listen: bad --start '" << start << "' (YYYY-MM-DDTHH:MM:SSZ or @SECONDS)\n";
        return 2;
    }
    if (args.isSet("band") && !follow.isEmpty()) {
        err << "orvane-cli listen: give --band or --follow, not both\n";
        return 2;
    }
    beacons::StationTable table;
    if (!cli::loadStations("listen", stationsFile, table, err)) return 1;
    std::optional<int> followed;
    if (!follow.isEmpty()) {
        const int index = table.find(follow.toStdString());
        if (index < 0) {
            err << "orvane-cli listen: no beacon '" << follow << "' (a call or a slot number 1..18)\n";
            return 2;
        }
        followed = index;
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
        // Every input is opened before any is read: one that cannot be read
        // is refused before a line is printed.
        std::vector<Heard> heard(inputs.size());
        for (std::size_t n = 0; n < inputs.size(); ++n) {
            Heard& h = heard[n];
            h.input = inputs[n];
            h.name = h.input.file == QLatin1String(listen::RecordingReader::kStandardInput)
                         ? QStringLiteral("standard input")
                         : h.input.file;
            h.reader = std::make_unique<listen::RecordingReader>(h.input.file, startMs, channel);
            h.reader->open();
            const listen::Expectation expect = followed ? listen::expectFollowing(table, *followed)
                                                        : listen::expectOnBand(table, std::max(0, h.input.band));
            h.cutter = std::make_unique<listen::SlotCutter>(settings, expect, [&h](const listen::SlotResult& r) {
                ++h.wholeSlots;
                h.waiting.push_back(r);
            });
            // A recording read short is no failure: what it holds is heard,
            // and the shortfall is told below.
            if (!delays.empty()) h.cutter->setDelay(delays.size() == 1 ? delays.front() : delays[n]);
            // With several inputs, the estimate says whose it is.
            const QString whose = inputs.size() > 1 ? h.name + QStringLiteral(": ") : QString();
            h.cutter->setDelayHandler([&err, whose](const listen::DelayEstimator& estimator, std::int64_t periodStartMs) {
                if (estimator.locked())
                    err << "orvane-cli listen: " << whose << "receive delay " << delayText(estimator.delayMs())
                        << " from the slot at " << clockText(periodStartMs) << '\n';
                else
                    err << "orvane-cli listen: " << whose << "receive delay lost at the slot at "
                        << clockText(periodStartMs) << "; searching within " << listen::DelayEstimator::kWideSearchMs
                        << " ms of " << delayText(estimator.delayMs()) << " again\n";
            });
            h.reader->setBlockHandler([&h](std::int64_t stampMs, int rate, std::span<const float> samples) {
                h.cutter->push(stampMs, rate, samples);
            });
            h.reader->begin();
        }
        const auto print = [&](const Heard& h, const listen::SlotResult& r) {
            out << resultLine(r, QString::fromStdString(table.entry(r.beaconIndex).call)) << '\n';
            if (history) history->add(r, h.name);
        };
        // The inputs are read in step, the one furthest behind first, so
        // the results are merged as they come with a slot or two held each.
        for (;;) {
            Heard* behind = nullptr;
            for (Heard& h : heard)
                if (!h.ended && (!behind || h.reader->deliveredUpToMs() < behind->reader->deliveredUpToMs()))
                    behind = &h;
            if (!behind) break;
            if (!behind->reader->readBlock()) {
                behind->reader->end();
                behind->ended = true;
            }
            releaseInOrder(heard, print);
        }
        out.flush();
        // What was left out, and why: the reader's count is of the
        // recording's own frames, before any dividing down.
        bool anyWithoutSlot = false;
        for (const Heard& h : heard) {
            const listen::RecordingReader& reader = *h.reader;
            const listen::RecordingFormat& format = reader.format();
            const Coverage cover = coverageOf(startMs, reader.framesRead(), format.sampleRate);
            if (h.wholeSlots == 0 || !cover.anyWholeSlot) {
                err << "orvane-cli listen: " << h.name << ": no whole slot: the recording holds "
                    << QString::number(static_cast<double>(cover.endMs - startMs) / 1000, 'f', 1) << " s ("
                    << clockText(startMs) << " to " << clockText(cover.endMs)
                    << " UTC); a slot is the 10 s from a boundary (:00, :10, ...) to the next"
                    << (reader.shortfall() ? QStringLiteral("; ") + *reader.shortfall() : QString()) << '\n';
                anyWithoutSlot = true;
                continue;
            }
            if (reader.shortfall() || cover.endMs > cover.lastSlotEndMs) {
                err << "orvane-cli listen: warning: " << h.name << ": "
                    << (reader.shortfall() ? *reader.shortfall() + QStringLiteral("; ") : QString())
                    << "the recording ends at " << clockText(cover.endMs)
                    << " UTC; heard up to its last whole slot, to " << clockText(cover.lastSlotEndMs) << '\n';
            }
        }
        if (anyWithoutSlot) {
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
     "listen -i FILE --start TIME [--channel left|right|mix] [--band MHZ | --follow CALL] [--pitch HZ]\n"
     "       [--delay MS|auto] [--stations FILE] [--db URL] [--receiver NAME] [--locator LOCATOR]\n"
     "       [--ini SETTINGS.INI]\n"
     "    hears the beacons in a recording whose first sample is at TIME (WAV, RF64, FLAC, Ogg and\n"
     "    more; 8 to 192 kHz; -i - reads a WAV from standard input): one line per whole\n"
     "    slot: UTC, MHz, slot, call, heard (1/0, or 'other CALL' when another beacon's call\n"
     "    of the table is keyed in the slot instead), SNR in 2.5 kHz of the four dashes (dB, '-'\n"
     "    not found), tone offset (Hz), time offset (ms); band 14.10 unless given, pitch 700 Hz;\n"
     "    with --db or --receiver each slot is also stored in the history (the database and the\n"
     "    receiver's name from the settings' [History] section unless given); exit status 1\n"
     "    when the recording cannot be read or holds no whole slot, the database cannot be\n"
     "    written or a slot was not stored; a recording that ends inside a slot (cut short) is\n"
     "    heard up to its last whole slot with a warning; --delay: the receive chain's delay (what\n"
     "    was on the air at t is in the recording at t + delay), fixed or estimated from the\n"
     "    slots heard (auto: searched within 2500 ms until it locks; each lock, change and loss\n"
     "    is told on stderr); the time offset is measured from the slot start plus the delay\n"
     "listen -i FILE --band MHZ -i FILE --band MHZ ... --start TIME [options as above]\n"
     "    hears several receivers recorded side by side from TIME, each input on its own band\n"
     "    (the n-th --band is the n-th input's; each band once, - once at most): the lines of\n"
     "    all inputs in the order of their slots' UTC, then band; one --delay for all inputs, or\n"
     "    one for each (the n-th the n-th input's)",
     {{"i", "FILE", "the recording, or - for a WAV on standard input; repeated with --band for several"},
      {"channel", "left|right|mix", "the side of a stereo recording to hear (default mix, their mean)"},
      {"start", "TIME", "the UTC of its first sample: YYYY-MM-DDTHH:MM:SSZ or @SECONDS"},
      {"band", "MHZ", "the band it was made on (default 14.10); one for each -i when several"},
      {"follow", "CALL", "the beacon followed across the bands (a call or a slot number 1..18)"},
      {"pitch", "HZ", "the receiver's CW pitch, 300 to 1200 (default 700)"},
      {"delay", "MS|auto", "the receive chain's delay, -500 to 3000 ms, or auto (default 0); one for each -i or for all"},
      {"stations", "FILE", "a stations file over the built-in table"},
      {"db", "URL", "store each slot in this history database (sqlite:PATH or postgresql://...)"},
      {"receiver", "NAME", "the receiver the slots are stored under"},
      {"locator", "LOCATOR", "the receiver's locator"},
      {"ini", "SETTINGS.INI", "the settings to read the [History] section from"}},
     nullptr,
     &run});

}  // namespace
