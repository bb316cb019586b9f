#pragma once

#include <QString>
#include <vector>

#include "app/cli/CliVerb.h"

namespace orvane::cli {

// The verbs that need the network, sound, the rig, the listener or pictures
// live in a module (orvane-cli-verbs.so) that orvane-cli loads only when one
// of them is asked for, so the others start with Qt Core and the beacon logic
// alone. The module is looked for beside the program (the build tree) and in
// the program's library folder (an installed program). Null, with the
// reason in `problem`, when it cannot be loaded; loaded once, never unloaded.
const std::vector<Verb>* moduleVerbs(QString& problem);

}  // namespace orvane::cli
