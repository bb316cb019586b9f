// The one file that includes Hamlib (its header; the library is opened
// when first used). It turns Hamlib's calls and error codes
// into Rig calls and RigError texts.
#include <hamlib/rig.h>

#include <clocale>
#include <mutex>

#include "common/OnDemandLibrary.h"
#include "rig/Rig.h"
#include "rig/RigModels.h"

namespace orvane::rig {
namespace {

// Hamlib, opened when the first rig is or the model list is asked for: with
// its backends it brings USB, INDI and a dozen more libraries that a window
// following no radio never needs.
struct Hamlib {
    OnDemandLibrary library{ORVANE_HAMLIB_SONAME, "the radio library Hamlib"};
    ORVANE_LIBRARY_FUNCTION(library, rig_set_debug);
    ORVANE_LIBRARY_FUNCTION(library, rig_init);
    ORVANE_LIBRARY_FUNCTION(library, rig_open);
    ORVANE_LIBRARY_FUNCTION(library, rig_set_freq);
    ORVANE_LIBRARY_FUNCTION(library, rig_set_mode);
    ORVANE_LIBRARY_FUNCTION(library, rig_get_freq);
    ORVANE_LIBRARY_FUNCTION(library, rig_token_lookup);
    ORVANE_LIBRARY_FUNCTION(library, rig_set_conf);
    ORVANE_LIBRARY_FUNCTION(library, rigerror2);
    ORVANE_LIBRARY_FUNCTION(library, rig_close);
    ORVANE_LIBRARY_FUNCTION(library, rig_cleanup);
    ORVANE_LIBRARY_FUNCTION(library, rig_load_all_backends);
    ORVANE_LIBRARY_FUNCTION(library, rig_list_foreach);
};

// Throws, naming the library, when it cannot be opened; tried again at the
// next use.
const Hamlib& hamlib() {
    static const Hamlib library;
    return library;
}


// Hamlib's debug level and its rig list are process-wide; set them once.
//
// Opening a rig, Hamlib keeps the pointer setlocale(LC_NUMERIC, NULL) gave
// it, switches to "C" and then restores from that pointer, which the switch
// has already freed unless the name was glibc's static "C". So numbers are
// read and written in the "C" locale from the first rig on: Hamlib then
// finds the static name, and nothing of ours formats numbers through the C
// library's locale (Qt has its own).
void initialiseHamlib() {
    static std::once_flag once;
    std::call_once(once, [] {
        std::setlocale(LC_NUMERIC, "C");
        hamlib().rig_set_debug(RIG_DEBUG_NONE);
    });
}

// Hamlib registers a backend's models in a process-wide table the first time
// one of them is asked for: listing all models and creating a rig (on
// different threads) take turns.
std::mutex& backendLock() {
    static std::mutex lock;
    return lock;
}

class HamlibRig final : public Rig {
public:
    explicit HamlibRig(RigSettings settings) : settings_(std::move(settings)) {}
    ~HamlibRig() override { release(); }

    void open() override {
        if (rig_) return;
        initialiseHamlib();
        {
            const std::lock_guard guard(backendLock());
            rig_ = hamlib().rig_init(static_cast<rig_model_t>(settings_.model));
        }
        if (!rig_) throw RigError("Hamlib knows no rig model " + std::to_string(settings_.model));
        try {
            // No port: Hamlib's own default for the model (a serial device,
            // or localhost:4532 for rigctld), not an empty path.
            if (!settings_.port.trimmed().isEmpty()) setConf("rig_pathname", settings_.port.trimmed().toStdString());
            if (settings_.serialSpeed > 0) setConf("serial_speed", std::to_string(settings_.serialSpeed));
            setConf("timeout", std::to_string(settings_.timeoutMs));
            setConf("retry", "0");
            check(hamlib().rig_open(rig_), "open");
            opened_ = true;
        } catch (...) {
            release();
            throw;
        }
    }

    void tune(double hz) override {
        open();
        check(hamlib().rig_set_freq(rig_, RIG_VFO_CURR, hz), "set the frequency");
        check(hamlib().rig_set_mode(rig_, RIG_VFO_CURR, RIG_MODE_CW, RIG_PASSBAND_NOCHANGE), "set mode CW");
    }

    double frequencyHz() override {
        open();
        freq_t hz = 0;
        check(hamlib().rig_get_freq(rig_, RIG_VFO_CURR, &hz), "read the frequency");
        return hz;
    }

    void close() override { release(); }

private:
    void setConf(const char* name, const std::string& value) {
        const token_t token = hamlib().rig_token_lookup(rig_, name);
        if (token == RIG_CONF_END) return;  // the model has no such setting
        check(hamlib().rig_set_conf(rig_, token, value.c_str()), std::string("set ") + name);
    }

    void check(int rc, const std::string& what) {
        if (rc == RIG_OK) return;
        // rigerror2: the error's own text; rigerror appends Hamlib's saved
        // debug trace, which is no message for the user.
        const char* text = hamlib().rigerror2(rc);
        std::string message = "Radio: cannot " + what + ": " + (text ? text : "unknown error");
        while (!message.empty() && (message.back() == '\n' || message.back() == '\r')) message.pop_back();
        throw RigError(message);
    }

    void release() {
        if (!rig_) return;
        if (opened_) hamlib().rig_close(rig_);
        hamlib().rig_cleanup(rig_);
        rig_ = nullptr;
        opened_ = false;
    }

    RigSettings settings_;
    RIG* rig_ = nullptr;
    bool opened_ = false;
};

}  // namespace

// Hamlib's backends register their models when loaded; the list is walked
// under the backends' lock.
std::vector<RigModel> hamlibModelList() {
    initialiseHamlib();
    const std::lock_guard guard(backendLock());
    hamlib().rig_load_all_backends();
    std::vector<RigModel> models;
    hamlib().rig_list_foreach(
        [](const struct rig_caps* caps, rig_ptr_t data) -> int {
            auto* out = static_cast<std::vector<RigModel>*>(data);
            if (caps && out->size() < 10'000)
                out->push_back({static_cast<int>(caps->rig_model), QString::fromLatin1(caps->mfg_name).trimmed(),
                                QString::fromLatin1(caps->model_name).trimmed()});
            return 1;  // go on
        },
        &models);
    return models;
}

std::unique_ptr<Rig> makeHamlibRig(const RigSettings& settings) { return std::make_unique<HamlibRig>(settings); }

}  // namespace orvane::rig
