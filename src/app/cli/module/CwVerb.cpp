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

// The option's value when it is a whole number in range; else false with the reason on err.
bool takeInt(const orvane::cli::VerbArguments& args, const char* option, const ControlRange& range, int& value,
             QTextStream& err) {
    if (!args.isSet(option)) return true;
    bool ok = false;
    const int v = args.value(option).toInt(&ok);
    if (!ok || v < range.minimum || v > range.maximum) {
        err << "orvane-cli cw: --" << option << " must be " << range.minimum << ".." << range.maximum << "\n";
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

int run(const orvane::cli::VerbArguments& args, QTextStream& out, QTextStream& err) {
    int beacon = -1;
    TransmissionSettings settings;
    const bool events = args.isSet("events"), devices = args.isSet("devices");
    const QString wavFile = args.value("o");
    const QString soundFont = args.optional("soundfont").value_or(defaultSoundFontPath());
    if (args.isSet("beacon")) {
        bool ok = false;
        beacon = args.value("beacon").toInt(&ok);
        if (!ok || beacon < 0 || beacon > 99) {
            err << "orvane-cli cw: --beacon must be a number (1..18 a beacon; others the long dashes only)\n";
            return 2;
        }
    }
    if (!takeInt(args, "speed", kSpeedRange, settings.dotTimeMs, err) ||
        !takeInt(args, "tone", kToneRange, settings.tone, err) ||
        !takeInt(args, "volume", kVolumeRange, settings.volume, err) ||
        !takeInt(args, "patch", kPatchRange, settings.patch, err))
        return 2;
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
                                   {{"beacon", "N", "the beacon: 1..18 (others the long dashes only)"},
                                    {"speed", "MS", "the dot time in ms"},
                                    {"tone", "NOTE", "the MIDI note of the tone"},
                                    {"volume", "V", "the MIDI volume"},
                                    {"patch", "P", "the MIDI patch"},
                                    {"events", nullptr, "list the MIDI messages also when writing a file"},
                                    {"o", "FILE.wav", "render the transmission to this WAV file"},
                                    {"soundfont", "FILE", "the soundfont to render with"},
                                    {"devices", nullptr, "list the MIDI outputs"}},
                                   nullptr,
                                   &run});

}  // namespace
