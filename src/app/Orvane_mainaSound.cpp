// The hand-over to the beacon sound simulation.
//
// PLUG-IN POINT for the sound subsystem (src/cwsim): count the MIDI outputs
// here. Playing a slot goes through setBeaconSoundStarter(), stopping through
// setStopRequest(), both wired by the entry once frmBeaconSetup exists.
#include "app/Orvane_maina.h"

namespace orvane::app {

// Start-up step 24: the number of MIDI output devices.
int TfrmTabbedOrvane::CountMidiDevices() { return 0; }

}  // namespace orvane::app
