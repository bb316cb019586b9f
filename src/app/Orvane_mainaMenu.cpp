// The map's pop-up menu (view options): animation and its speed, simulated
// time, darkness level, labels, sound simulation, hints, help.
//
// PLUG-IN POINT for the view-options menu: build puMenu here and connect it to
// ImageDisplay's customContextMenuRequested. Use setAniSpeed() for the speed,
// BeaconsShown / SimulateOn / NightShade for the options. The beacon labels'
// hints must stay on when pop-up hints are switched off.
#include "app/Orvane_maina.h"

namespace orvane::app {

void TfrmTabbedOrvane::BuildMapMenu() {}

// Start-up step 24: "Simulate Beacons" and "Simulate Setup" are offered only
// when a MIDI output exists.
void TfrmTabbedOrvane::EnableSoundMenuItems(bool) {}

}  // namespace orvane::app
