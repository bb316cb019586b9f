#include "cwsim/FluidSynthOutput.h"

#include <QFileInfo>
#include <QSaveFile>
#include <alsa/asoundlib.h>
#include <fluidsynth.h>

#include <algorithm>
#include <array>
#include <mutex>

#include "common/OnDemandLibrary.h"
#include "common/OrvaneError.h"

namespace orvane::cwsim {
namespace {

// FluidSynth, opened when the synthesiser is first asked for: it brings
// JACK, SDL, PulseAudio, libsndfile and GLib, which a window that plays
// nothing never needs.
struct FluidSynth {
    OnDemandLibrary library{ORVANE_FLUIDSYNTH_SONAME, "the software synthesiser FluidSynth"};
    ORVANE_LIBRARY_FUNCTION(library, delete_fluid_audio_driver);
    ORVANE_LIBRARY_FUNCTION(library, delete_fluid_settings);
    ORVANE_LIBRARY_FUNCTION(library, delete_fluid_synth);
    ORVANE_LIBRARY_FUNCTION(library, fluid_set_log_function);
    ORVANE_LIBRARY_FUNCTION(library, fluid_settings_setint);
    ORVANE_LIBRARY_FUNCTION(library, fluid_settings_setnum);
    ORVANE_LIBRARY_FUNCTION(library, fluid_settings_setstr);
    ORVANE_LIBRARY_FUNCTION(library, fluid_synth_all_sounds_off);
    ORVANE_LIBRARY_FUNCTION(library, fluid_synth_cc);
    ORVANE_LIBRARY_FUNCTION(library, fluid_synth_noteoff);
    ORVANE_LIBRARY_FUNCTION(library, fluid_synth_noteon);
    ORVANE_LIBRARY_FUNCTION(library, fluid_synth_program_change);
    ORVANE_LIBRARY_FUNCTION(library, fluid_synth_sfload);
    ORVANE_LIBRARY_FUNCTION(library, fluid_synth_write_s16);
    ORVANE_LIBRARY_FUNCTION(library, new_fluid_audio_driver);
    ORVANE_LIBRARY_FUNCTION(library, new_fluid_settings);
    ORVANE_LIBRARY_FUNCTION(library, new_fluid_synth);
};

// Throws, naming the library, when it cannot be opened; tried again at the
// next use.
const FluidSynth& fluid() {
    static const FluidSynth library;
    return library;
}


// FluidSynth logs to the terminal by default; the program reports through
// its own result codes, so the library stays quiet.
void silenceFluidSynth() {
    static std::once_flag once;
    std::call_once(once, [] {
        for (int level : {FLUID_PANIC, FLUID_ERR, FLUID_WARN, FLUID_INFO, FLUID_DBG})
            fluid().fluid_set_log_function(level, [](int, const char*, void*) {}, nullptr);
    });
}

struct SettingsDeleter {
    void operator()(fluid_settings_t* s) const { fluid().delete_fluid_settings(s); }
};
struct SynthDeleter {
    void operator()(fluid_synth_t* s) const { fluid().delete_fluid_synth(s); }
};
struct DriverDeleter {
    void operator()(fluid_audio_driver_t* d) const { fluid().delete_fluid_audio_driver(d); }
};
using SettingsPtr = std::unique_ptr<fluid_settings_t, SettingsDeleter>;
using SynthPtr = std::unique_ptr<fluid_synth_t, SynthDeleter>;
using DriverPtr = std::unique_ptr<fluid_audio_driver_t, DriverDeleter>;

// The audio stream is written in two periods of 512 frames (23 ms at
// 44.1 kHz): the same buffer as FluidSynth's default sixteen periods of 64
// frames, so a note is heard as soon as before, but the stream's thread
// wakes 86 times a second instead of 690, which was most of the cost of
// playing (rendering one voice costs next to nothing).
constexpr int kPeriodFrames = 512;
constexpr int kPeriods = 2;

SettingsPtr makeSettings(double sampleRate) {
    silenceFluidSynth();
    SettingsPtr settings(fluid().new_fluid_settings());
    if (!settings) return settings;
    fluid().fluid_settings_setint(settings.get(), "synth.dynamic-sample-loading", 1);
    fluid().fluid_settings_setint(settings.get(), "synth.reverb.active", 0);
    fluid().fluid_settings_setint(settings.get(), "synth.chorus.active", 0);
    fluid().fluid_settings_setnum(settings.get(), "synth.gain", 0.6);
    fluid().fluid_settings_setnum(settings.get(), "synth.sample-rate", sampleRate);
    fluid().fluid_settings_setint(settings.get(), "audio.period-size", kPeriodFrames);
    fluid().fluid_settings_setint(settings.get(), "audio.periods", kPeriods);
    return settings;
}

// ALSA's default device first: on a desktop it leads to the sound server
// (PulseAudio or PipeWire) through their ALSA plug-in, which cost less to
// feed than FluidSynth's own PulseAudio driver (a blocking write per period
// to a buffer of one period); then the servers directly. JACK is never
// tried: it would start a JACK server of its own.
DriverPtr openAudio(fluid_settings_t* settings, fluid_synth_t* synth) {
    for (const char* name : {"alsa", "pulseaudio", "pipewire"}) {
        if (fluid().fluid_settings_setstr(settings, "audio.driver", name) != FLUID_OK) continue;
        if (DriverPtr driver{fluid().new_fluid_audio_driver(settings, synth)}) return driver;
    }
    return {};
}

// Whether ALSA's default playback device opens, as FluidSynth's ALSA driver
// opens it (audio.alsa.device "default"). Without blocking: a device busy
// with another program says so at once.
bool alsaDefaultTakesAStream() {
    snd_pcm_t* pcm = nullptr;
    if (snd_pcm_open(&pcm, "default", SND_PCM_STREAM_PLAYBACK, SND_PCM_NONBLOCK) < 0) return false;
    snd_pcm_close(pcm);
    return true;
}

// Channel 1 messages onto the synthesiser. A note off for a note that is not
// sounding (already cut by All Notes Off) is not an error.
MidiResult applyMessage(fluid_synth_t* synth, std::uint32_t msg) {
    if (!isValidShortMsg(msg)) return midierr::kInvalidParam;
    const int channel = shortMsgStatus(msg) & 0x0F;
    const int d1 = shortMsgData1(msg), d2 = shortMsgData2(msg);
    int rc = FLUID_OK;
    switch (shortMsgStatus(msg) & 0xF0) {
    case 0x90: rc = fluid().fluid_synth_noteon(synth, channel, d1, d2); if (d2 == 0) rc = FLUID_OK; break;
    case 0x80: fluid().fluid_synth_noteoff(synth, channel, d1); break;
    case 0xB0: rc = fluid().fluid_synth_cc(synth, channel, d1, d2); break;
    case 0xC0: rc = fluid().fluid_synth_program_change(synth, channel, d1); break;
    default: return midierr::kInvalidParam;
    }
    return rc == FLUID_OK ? midierr::kNoError : midierr::kError;
}

// One audio stream on the synthesiser, which outlives it (the output layer
// keeps the synthesiser for the run).
class FluidSynthPort final : public MidiOutPort {
public:
    FluidSynthPort(fluid_synth_t* synth, DriverPtr driver) : synth_(synth), driver_(std::move(driver)) {}
    ~FluidSynthPort() override {
        driver_.reset();  // the stream's thread ends here
        fluid().fluid_synth_all_sounds_off(synth_, -1);
    }
    // FluidSynth's API is thread-safe (synth.threadsafe-api is on by default).
    MidiResult send(std::uint32_t msg) override { return applyMessage(synth_, msg); }

private:
    fluid_synth_t* synth_;
    DriverPtr driver_;
};

}  // namespace

QString defaultSoundFontPath() { return QStringLiteral("/usr/share/sounds/sf2/FluidR3_GM.sf2"); }

struct FluidSynthOutput::Engine {
    SettingsPtr settings;
    SynthPtr synth;
};

FluidSynthOutput::FluidSynthOutput(QString soundFont) : soundFont_(std::move(soundFont)) {}

FluidSynthOutput::~FluidSynthOutput() = default;

bool FluidSynthOutput::canSound(const QString& soundFont) {
    if (!QFileInfo(soundFont).isReadable()) return false;
    if (alsaDefaultTakesAStream()) return true;
    try {
        fluid();
    } catch (const OrvaneError&) {
        return false;
    }
    SettingsPtr settings = makeSettings(44100.0);
    if (!settings) return false;
    SynthPtr synth(fluid().new_fluid_synth(settings.get()));
    if (!synth) return false;
    DriverPtr driver = openAudio(settings.get(), synth.get());
    const bool ok = driver != nullptr;
    driver.reset();
    return ok;
}

MidiResult FluidSynthOutput::load() {
    std::lock_guard lock(mutex_);
    if (engine_) return midierr::kNoError;
    try {
        fluid();
    } catch (const OrvaneError&) {
        return midierr::kNoDriver;
    }
    auto engine = std::make_unique<Engine>();
    engine->settings = makeSettings(44100.0);
    if (engine->settings) engine->synth.reset(fluid().new_fluid_synth(engine->settings.get()));
    if (!engine->synth) return midierr::kNoMem;
    if (fluid().fluid_synth_sfload(engine->synth.get(), soundFont_.toLocal8Bit().constData(), 1) == FLUID_FAILED)
        return midierr::kBadDeviceId;
    engine_ = std::move(engine);
    return midierr::kNoError;
}

bool FluidSynthOutput::loaded() const {
    std::lock_guard lock(mutex_);
    return engine_ != nullptr;
}

std::unique_ptr<MidiOutPort> FluidSynthOutput::open(MidiResult* result) {
    *result = load();
    if (*result != midierr::kNoError) return nullptr;
    // The driver reads the settings it is given, which openAudio changes.
    std::lock_guard lock(mutex_);
    DriverPtr driver = openAudio(engine_->settings.get(), engine_->synth.get());
    if (!driver) {
        *result = midierr::kNoDriver;
        return nullptr;
    }
    *result = midierr::kNoError;
    return std::make_unique<FluidSynthPort>(engine_->synth.get(), std::move(driver));
}

struct FluidRenderer::Synth {
    SettingsPtr settings;
    SynthPtr synth;
};

FluidRenderer::FluidRenderer(const QString& soundFont, int sampleRate)
    : synth_(std::make_unique<Synth>()), sampleRate_(sampleRate) {
    synth_->settings = makeSettings(static_cast<double>(sampleRate));
    if (synth_->settings) synth_->synth.reset(fluid().new_fluid_synth(synth_->settings.get()));
    if (!synth_->synth) throw OrvaneError("The software synthesiser could not be started.");
    if (fluid().fluid_synth_sfload(synth_->synth.get(), soundFont.toLocal8Bit().constData(), 1) == FLUID_FAILED)
        throw OrvaneError("Unable to load the soundfont " + soundFont.toStdString());
}

FluidRenderer::~FluidRenderer() = default;

std::vector<std::int16_t> FluidRenderer::render(const std::vector<TimedMessage>& messages, std::int64_t tailUs) {
    auto frameAt = [this](std::int64_t us) {
        return static_cast<std::size_t>(std::max<std::int64_t>(0, (us * sampleRate_ + 500'000) / 1'000'000));
    };
    const std::int64_t endUs = (messages.empty() ? 0 : messages.back().timeUs) + std::max<std::int64_t>(0, tailUs);
    const std::size_t totalFrames = frameAt(endUs);
    std::vector<std::int16_t> samples(totalFrames * 2);
    std::size_t frame = 0;
    auto renderTo = [&](std::size_t target) {
        static constexpr std::size_t kChunk = 4096;
        while (frame < target) {
            const std::size_t n = std::min(kChunk, target - frame);
            std::int16_t* out = samples.data() + frame * 2;
            fluid().fluid_synth_write_s16(synth_->synth.get(), static_cast<int>(n), out, 0, 2, out, 1, 2);
            frame += n;
        }
    };
    for (const TimedMessage& m : messages) {
        renderTo(std::min(frameAt(m.timeUs), totalFrames));
        applyMessage(synth_->synth.get(), m.msg);
    }
    renderTo(totalFrames);
    return samples;
}

namespace {

void putLe(QByteArray& out, std::uint32_t value, int bytes) {
    for (int i = 0; i < bytes; ++i) out.append(static_cast<char>(value >> (8 * i) & 0xFFu));
}

}  // namespace

void writeWav16(const QString& fileName, const std::vector<std::int16_t>& samples, int channels, int sampleRate) {
    const auto dataBytes = static_cast<std::uint32_t>(samples.size() * 2);
    const auto blockAlign = static_cast<std::uint32_t>(channels * 2);
    QByteArray bytes;
    bytes.reserve(static_cast<qsizetype>(44 + dataBytes));
    bytes.append("RIFF");
    putLe(bytes, 36 + dataBytes, 4);
    bytes.append("WAVEfmt ");
    putLe(bytes, 16, 4);
    putLe(bytes, 1, 2);  // PCM
    putLe(bytes, static_cast<std::uint32_t>(channels), 2);
    putLe(bytes, static_cast<std::uint32_t>(sampleRate), 4);
    putLe(bytes, static_cast<std::uint32_t>(sampleRate) * blockAlign, 4);
    putLe(bytes, blockAlign, 2);
    putLe(bytes, 16, 2);
    bytes.append("data");
    putLe(bytes, dataBytes, 4);
    for (std::int16_t s : samples) putLe(bytes, static_cast<std::uint16_t>(s), 2);
    QSaveFile file(fileName);
    if (!file.open(QIODevice::WriteOnly) || file.write(bytes) != bytes.size() || !file.commit())
        throw OrvaneError("Unable to write to " + fileName.toStdString());
}

}  // namespace orvane::cwsim
