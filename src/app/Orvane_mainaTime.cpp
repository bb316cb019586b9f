// The time service on the Map tab: the time-server list in cbHost and the
// "Get Time" button (time protocol client, clock comparison and setting).
//
// PLUG-IN POINT for the time-service subsystem (src/timesync): replace the
// bodies below. Status texts go to setStatusPanelText(0, ...).
#include <QComboBox>

#include "app/Orvane_maina.h"

namespace orvane::app {

// Start-up step 7: load HostsFileName into cbHost (built-in list when missing).
void TfrmTabbedOrvane::LoadHostList() {}

// Close: write cbHost's list to HostsFileName. Throws OrvaneError on failure.
void TfrmTabbedOrvane::SaveHostList() {}

// Position of the host in the list, -1 when it is not there.
int TfrmTabbedOrvane::FindHost(const QString& host) const { return cbHost->findText(host); }

// "&Get Time": one time-protocol request to cbHost's host; the reply is
// compared with clock_ and the clock set when they differ.
void TfrmTabbedOrvane::btnGetTimeClick() {}

}  // namespace orvane::app
