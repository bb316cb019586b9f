#pragma once

#include <future>
#include <memory>

#include "common/AppPaths.h"
#include "common/MessageService.h"
#include "cwsim/MidiOutputLayer.h"
#include "cwsim/ui/Ncdxfcw.h"

namespace orvane::app {

class TfrmTabbedOrvane;

// The MIDI outputs of this run (the synthesiser and the ALSA sequencer ports),
// counted once at the main window's start-up and then handed to the
// simulation dialog. "cwDevice" of section "CWsim" names a preferred output.
std::shared_ptr<cwsim::MidiOutputLayer> midiOutputs(const AppPaths& paths);
// Starts that count on a worker thread: asking for it later waits only for
// what is left of it. The future ends with the count.
std::future<void> countMidiOutputsAhead(const AppPaths& paths);

// frmBeaconSetup: created by the entry after the other windows; wires the main
// window's slot hand-over, stop request and "Simulate Setup" to it.
std::unique_ptr<cwsim::TfrmBeaconSetup> createBeaconSetup(TfrmTabbedOrvane& main, MessageService& messages);

// Program end, after the main window has closed: unwires it, saves the sound
// settings and ends every transmission before the output is closed. A failed
// settings write is shown with the standard error box.
void destroyBeaconSetup(TfrmTabbedOrvane& main, cwsim::TfrmBeaconSetup& setup, MessageService& messages);

}  // namespace orvane::app
