// orvane-cli cw: one beacon transmission as MIDI messages, rendered to a WAV
// file through the synthesiser, or a list of the MIDI outputs.
#include <QFileInfo>

#include "app/cli/CliVerb.h"
#include "cwsim/CwSettings.h"
#include "cwsim/FluidSynthOutput.h"
#include "cwsim/MidiOutputLayer.h"
#include "cwsim/SystemMidiOutputLayer.h"
#include "cwsim/Transmission.h"

namespace {

using namespace orvane::cwsim;

// After the last note off: the synthesiser's release, so the file ends in silence.
constexpr std::int64_t kRenderTailUs = 500'000;

bool takeInt(const QStringList& args, qsizetype& i, const ControlRange& range, int& value, QTextStream& err) {
    QString text;
    if (!orvane::cli::takeValue(args, i, text, err)) return false;
    bool ok = false;
    const int v = text.toInt(&ok);
    if (!ok || v < range.minimum || v > range.maximum) {
        err << "orvane-cli cw: " << args[i - 1] << " must be " << range.minimum << ".." << range.maximum << "\n";
        return false;
    }
    value = v;
    return true;
}

QString hexBytes(std::uint32_t msg) {
    return QStringLiteral("%1 %2 %3")
        .arg(shortMsgStatus(msg), 2, 16, QLatin1Char('0'))
        .arg(shortMsgData1(msg), 2, 16, QLatin1Char('0'))
        .arg(shortMsgData2(msg), 2, 16, QLatin1Char('0'))
        .toUpper();
}

int run(const QStringList& args, QTextStream& out, QTextStream& err) {
    int beacon = -1;
    TransmissionSettings settings;
    bool events = false, devices = false;
    QString wavFile, soundFont = defaultSoundFontPath();
    for (qsizetype i = 0; i < args.size(); ++i) {
        const QString& a = args[i];
        QString text;
        if (a == QLatin1String("--beacon")) {
            if (!orvane::cli::takeValue(args, i, text, err)) return 2;
            bool ok = false;
            beacon = text.toInt(&ok);
            if (!ok || beacon < 0 || beacon > 99) {
                err << "orvane-cli cw: --beacon must be a number (1..18 a beacon; others the long dashes only)\n";
                return 2;
            }
        } else if (a == QLatin1String("--speed")) {
            if (!takeInt(args, i, kSpeedRange, settings.dotTimeMs, err)) return 2;
        } else if (a == QLatin1String("--tone")) {
            if (!takeInt(args, i, kToneRange, settings.tone, err)) return 2;
        } else if (a == QLatin1String("--volume")) {
            if (!takeInt(args, i, kVolumeRange, settings.volume, err)) return 2;
        } else if (a == QLatin1String("--patch")) {
            if (!takeInt(args, i, kPatchRange, settings.patch, err)) return 2;
        } else if (a == QLatin1String("--soundfont")) {
            if (!orvane::cli::takeValue(args, i, soundFont, err)) return 2;
        } else if (a == QLatin1String("--events")) {
            events = true;
        } else if (a == QLatin1String("--devices")) {
            devices = true;
        } else if (a == QLatin1String("-o")) {
            if (!orvane::cli::takeValue(args, i, wavFile, err)) return 2;
        } else {
            err << "orvane-cli cw: unknown option " << a << "\n";
            return 2;
        }
    }
    if (devices) {
        SystemMidiOutputLayer layer(soundFont);
        const unsigned n = layer.midiOutGetNumDevs();
        for (unsigned d = 0; d < n; ++d) out << d << "\t" << QString::fromStdString(layer.midiOutDeviceName(d)) << "\n";
        if (n == 0) out << "no MIDI output device can sound here\n";
        if (beacon < 0) return 0;
    }
    if (beacon < 0) {
        err << "orvane-cli cw: --beacon N is needed\n";
        return 2;
    }
    const std::vector<TimedMessage> messages = transmissionMessages(beacon, settings);
    if (events || wavFile.isEmpty()) {
        for (const TimedMessage& m : messages)
            out << QString::number(static_cast<double>(m.timeUs) / 1000.0, 'f', 0) << "\t" << hexBytes(m.msg) << "\n";
    }
    if (!wavFile.isEmpty()) {
        FluidRenderer renderer(soundFont);
        const std::vector<std::int16_t> samples = renderer.render(messages, kRenderTailUs);
        writeWav16(wavFile, samples, 2, renderer.sampleRate());
        err << "wrote " << QFileInfo(wavFile).fileName() << ": " << samples.size() / 2 << " frames at "
            << renderer.sampleRate() << " Hz\n";
    }
    return 0;
}

const orvane::cli::Registrar kReg({"cw",
                                   "cw --beacon N [--speed MS] [--tone NOTE] [--volume V] [--patch P] [--events] "
                                   "[-o FILE.wav] [--soundfont FILE]\n"
                                   "cw --devices",
                                   &run});

}  // namespace
