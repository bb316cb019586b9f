// The hand-over to the beacon sound simulation: the MIDI outputs of the run,
// and frmBeaconSetup, which plays each new slot's beacon on a sound thread
// while the simulation is on.
#include "app/BeaconSound.h"

#include <mutex>

#include "app/Orvane_maina.h"
#include "app/panels/MapMenu.h"
#include "common/IniFile.h"
#include "common/OrvaneError.h"
#include "cwsim/BeaconCalls.h"
#include "cwsim/BeaconPlayer.h"
#include "cwsim/CwSettings.h"
#include "cwsim/FluidSynthOutput.h"
#include "cwsim/SystemMidiOutputLayer.h"
#include "cwsim/ui/Ncdxfcw.h"

namespace orvane::app {

std::shared_ptr<cwsim::MidiOutputLayer> midiOutputs(const AppPaths& paths) {
    // The devices of the machine are one set for the whole run, as the
    // process-wide GotSoundCard that is derived from them.
    static std::mutex mutex;
    static std::shared_ptr<cwsim::MidiOutputLayer> layer;
    std::lock_guard lock(mutex);
    if (!layer) {
        const cwsim::CwSettings settings = cwsim::CwSettings::read(IniFile(paths.iniFileName()));
        layer = std::make_shared<cwsim::SystemMidiOutputLayer>(cwsim::defaultSoundFontPath(),
                                                               settings.device.toStdString());
    }
    return layer;
}

std::future<void> countMidiOutputsAhead(const AppPaths& paths) {
    return std::async(std::launch::async, [layer = midiOutputs(paths)] { layer->midiOutGetNumDevs(); });
}

std::unique_ptr<cwsim::TfrmBeaconSetup> createBeaconSetup(TfrmTabbedOrvane& main, MessageService& messages) {
    auto setup = std::make_unique<cwsim::TfrmBeaconSetup>(midiOutputs(main.paths()), main.gotSoundCard(),
                                                          IniFile(main.paths().iniFileName()), messages, &main);
    cwsim::TfrmBeaconSetup* dialog = setup.get();
    // Beacons the stations file renames key their new calls.
    std::array<std::string, cwsim::kBeaconCount> morse;
    for (int i = 0; i < cwsim::kBeaconCount; ++i)
        if (main.stations().entry(i).overridden)
            morse[static_cast<std::size_t>(i)] = cwsim::morseOf(main.stations().entry(i).call);
    dialog->player()->setCallMorse(morse);
    main.setBeaconSoundStarter([dialog](int beaconNumber) { dialog->startBeaconSound(beaconNumber); });
    main.setStopRequest([dialog] { dialog->setStopRequest(true); });
    // "Simulate Beacons" on (the stop request cleared): the soundfont loads
    // in the background now, not at start-up and not in the first slot.
    main.mapMenu().setSimulationControl(
        [dialog](bool stop) {
            dialog->setStopRequest(stop);
            if (!stop) dialog->prepareSound();
        },
        [dialog] { dialog->showSetupModal(); });
    return setup;
}

void destroyBeaconSetup(TfrmTabbedOrvane& main, cwsim::TfrmBeaconSetup& setup, MessageService& messages) {
    main.setBeaconSoundStarter({});
    main.setStopRequest({});
    main.mapMenu().setSimulationControl({}, {});
    setup.setStopRequest(true);
    try {
        setup.FormDestroy();
    } catch (const OrvaneError& e) {
        messages.showError(e.what());
    }
}

}  // namespace orvane::app
