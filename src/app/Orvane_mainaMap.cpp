// The grey-line map on the Map tab.
//
// PLUG-IN POINT for the map subsystem (src/map): replace the bodies below.
// The picture goes to ImageDisplay->setImage(QImage) (480 x 240 design size).
// DisplayTime is the displayed moment; AnimateOn, FakeOn, BrowsingCalendar,
// NightShade, MonoMap and SignalChangeOn are the view options.
#include "app/Orvane_maina.h"

namespace orvane::app {

// Start-up steps 14 and 17 to 19: working colours, map source (colour bitmap
// or drawn outline, MonoMap), map size from ImageDisplay, the base picture.
void TfrmTabbedOrvane::PrepareBaseMap() {}

// Rebuilds the terminator state and the shaded picture for the current size;
// the displayed moment starts at the current time.
void TfrmTabbedOrvane::RebuildMap() { DisplayTime = clock_.nowMoment(); }

// Start-up step 15: the five night-shading patterns.
void TfrmTabbedOrvane::LoadShadeBrushes() {}

// Tick step 1: advances DisplayTime (now, or ahead while animating, or held
// while browsing the calendar) and recomputes and redraws where needed.
void TfrmTabbedOrvane::RecomputeGreyLine() {
    if (!AnimateOn && !BrowsingCalendar) DisplayTime = clock_.nowMoment();
}

// Window destruction: the map's resources.
void TfrmTabbedOrvane::ReleaseMapResources() {}

}  // namespace orvane::app
