#include "cwsim/SystemMidiOutputLayer.h"

#include <alsa/asoundlib.h>

#include <memory>

#include "cwsim/FluidSynthOutput.h"
#include "cwsim/MidiOutPort.h"

namespace orvane::cwsim {
namespace {

// ALSA prints its own errors (for example when no sequencer device exists);
// the layer reports through result codes instead.
void quietAlsa(const char*, int, const char*, int, const char*, ...) {}

struct SeqCloser {
    void operator()(snd_seq_t* seq) const { snd_seq_close(seq); }
};
using SeqPtr = std::unique_ptr<snd_seq_t, SeqCloser>;

SeqPtr openSequencer() {
    snd_lib_error_set_handler(quietAlsa);
    snd_seq_t* seq = nullptr;
    if (snd_seq_open(&seq, "default", SND_SEQ_OPEN_OUTPUT, 0) < 0) return nullptr;
    snd_seq_set_client_name(seq, "Orvane ++");
    return SeqPtr(seq);
}

class AlsaSeqPort final : public MidiOutPort {
public:
    AlsaSeqPort(SeqPtr seq, int port) : seq_(std::move(seq)), port_(port) {}

    MidiResult send(std::uint32_t msg) override {
        if (!isValidShortMsg(msg)) return midierr::kInvalidParam;
        snd_seq_event_t ev{};
        const auto channel = static_cast<unsigned char>(shortMsgStatus(msg) & 0x0F);
        const std::uint8_t d1 = shortMsgData1(msg), d2 = shortMsgData2(msg);
        switch (shortMsgStatus(msg) & 0xF0) {
        case 0x90: ev.type = SND_SEQ_EVENT_NOTEON; ev.data.note = {channel, d1, d2, 0, 0}; break;
        case 0x80: ev.type = SND_SEQ_EVENT_NOTEOFF; ev.data.note = {channel, d1, d2, 0, 0}; break;
        case 0xB0: ev.type = SND_SEQ_EVENT_CONTROLLER; ev.data.control = {channel, {0, 0, 0}, d1, d2}; break;
        case 0xC0: ev.type = SND_SEQ_EVENT_PGMCHANGE; ev.data.control = {channel, {0, 0, 0}, 0, d1}; break;
        default: return midierr::kInvalidParam;
        }
        ev.source.port = static_cast<unsigned char>(port_);
        ev.dest.client = SND_SEQ_ADDRESS_SUBSCRIBERS;
        ev.dest.port = SND_SEQ_ADDRESS_UNKNOWN;
        ev.queue = SND_SEQ_QUEUE_DIRECT;
        // One sequencer handle is not safe for concurrent output.
        std::lock_guard lock(mutex_);
        return snd_seq_event_output_direct(seq_.get(), &ev) < 0 ? midierr::kNoDevice : midierr::kNoError;
    }

private:
    std::mutex mutex_;
    SeqPtr seq_;
    int port_;
};

std::unique_ptr<MidiOutPort> openAlsaPort(int client, int port, MidiResult* result) {
    SeqPtr seq = openSequencer();
    if (!seq) {
        *result = midierr::kNoDriver;
        return nullptr;
    }
    const int own = snd_seq_create_simple_port(seq.get(), "Beacon sound", SND_SEQ_PORT_CAP_READ | SND_SEQ_PORT_CAP_SUBS_READ,
                                               SND_SEQ_PORT_TYPE_MIDI_GENERIC | SND_SEQ_PORT_TYPE_APPLICATION);
    if (own < 0) {
        *result = midierr::kError;
        return nullptr;
    }
    if (snd_seq_connect_to(seq.get(), own, client, port) < 0) {
        *result = midierr::kNoDevice;
        return nullptr;
    }
    *result = midierr::kNoError;
    return std::make_unique<AlsaSeqPort>(std::move(seq), own);
}

}  // namespace

SystemMidiOutputLayer::SystemMidiOutputLayer(QString soundFont, std::string preferredDevice)
    : soundFont_(std::move(soundFont)),
      preferred_(std::move(preferredDevice)),
      synth_(std::make_unique<FluidSynthOutput>(soundFont_)) {
    // Also quiets FluidSynth's ALSA audio driver when it probes for a card.
    snd_lib_error_set_handler(quietAlsa);
}

const std::vector<SystemMidiOutputLayer::Device>& SystemMidiOutputLayer::devices() {
    std::call_once(counted_, [this] {
        if (FluidSynthOutput::canSound(soundFont_)) devices_.push_back({kSynthName, true, 0, 0});
        SeqPtr seq = openSequencer();
        if (!seq) return;
        const int self = snd_seq_client_id(seq.get());
        snd_seq_client_info_t* client = nullptr;
        snd_seq_port_info_t* port = nullptr;
        snd_seq_client_info_malloc(&client);
        snd_seq_port_info_malloc(&port);
        snd_seq_client_info_set_client(client, -1);
        while (snd_seq_query_next_client(seq.get(), client) >= 0) {
            const int id = snd_seq_client_info_get_client(client);
            const std::string clientName = snd_seq_client_info_get_name(client);
            if (id == SND_SEQ_CLIENT_SYSTEM || id == self || clientName == "Midi Through") continue;
            snd_seq_port_info_set_client(port, id);
            snd_seq_port_info_set_port(port, -1);
            while (snd_seq_query_next_port(seq.get(), port) >= 0) {
                const unsigned caps = snd_seq_port_info_get_capability(port);
                const unsigned need = SND_SEQ_PORT_CAP_WRITE | SND_SEQ_PORT_CAP_SUBS_WRITE;
                if ((caps & need) != need || (caps & SND_SEQ_PORT_CAP_NO_EXPORT) != 0) continue;
                const int p = snd_seq_port_info_get_port(port);
                devices_.push_back({clientName + ": " + snd_seq_port_info_get_name(port) + " (" + std::to_string(id) +
                                        ":" + std::to_string(p) + ")",
                                    false, id, p});
            }
        }
        snd_seq_port_info_free(port);
        snd_seq_client_info_free(client);
    });
    return devices_;
}

unsigned SystemMidiOutputLayer::midiOutGetNumDevs() { return static_cast<unsigned>(devices().size()); }

std::string SystemMidiOutputLayer::midiOutDeviceName(unsigned deviceId) {
    const auto& list = devices();
    return deviceId < list.size() ? list[deviceId].name : std::string();
}

const SystemMidiOutputLayer::Device* SystemMidiOutputLayer::resolve(unsigned deviceId, MidiResult* result) {
    const auto& list = devices();
    if (deviceId == kMidiMapper) {
        if (list.empty()) {
            *result = midierr::kNoDevice;
            return nullptr;
        }
        deviceId = 0;
        for (unsigned i = 0; i < list.size(); ++i)
            if (!preferred_.empty() && list[i].name == preferred_) deviceId = i;
    }
    if (deviceId >= list.size()) {
        *result = midierr::kBadDeviceId;
        return nullptr;
    }
    *result = midierr::kNoError;
    return &list[deviceId];
}

MidiResult SystemMidiOutputLayer::midiOutOpen(MidiOutHandle* handle, unsigned deviceId) {
    if (handle == nullptr) return midierr::kInvalidParam;
    MidiResult result = midierr::kError;
    const Device* device = resolve(deviceId, &result);
    if (device == nullptr) return result;
    std::unique_ptr<MidiOutPort> port =
        device->synth ? synth_->open(&result) : openAlsaPort(device->client, device->port, &result);
    if (!port) return result;
    *handle = port.release();
    return midierr::kNoError;
}

void SystemMidiOutputLayer::midiOutPrepare(unsigned deviceId) {
    MidiResult result = midierr::kError;
    const Device* device = resolve(deviceId, &result);
    if (device != nullptr && device->synth) synth_->load();
}

bool SystemMidiOutputLayer::synthLoaded() const { return synth_->loaded(); }

MidiResult SystemMidiOutputLayer::midiOutShortMsg(MidiOutHandle handle, std::uint32_t msg) {
    return handle == nullptr ? midierr::kInvalidHandle : handle->send(msg);
}

MidiResult SystemMidiOutputLayer::midiOutClose(MidiOutHandle handle) {
    if (handle == nullptr) return midierr::kInvalidHandle;
    delete handle;
    return midierr::kNoError;
}

}  // namespace orvane::cwsim
