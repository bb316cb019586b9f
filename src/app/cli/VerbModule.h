#pragma once

#include <QCoreApplication>
#include <QString>
#include <memory>
#include <vector>

#include "app/cli/CliVerb.h"

namespace orvane::cli {

// The verbs that draw pictures live in orvane-cli-pictures.so (Qt Gui and the
// map), those that need the network, sound, the rig or the listener in
// orvane-cli-verbs.so; orvane-cli loads a module only when one of its verbs
// is asked for, so the others start with Qt Core and the beacon logic alone.
// A module is looked for beside the program (the build tree) and in the
// program's library folder (an installed program); loaded once, never
// unloaded.

// The application for the run: Qt Core's, but a GUI application (from the
// module, on the offscreen platform) when the verb's picture carries text
// and one is asked for, so that fonts can be used; Qt Core's again when no
// GUI application can be made.
std::unique_ptr<QCoreApplication> applicationFor(int& argc, char** argv);

// The verb of that name from the module that holds it; null, with the reason
// in `problem` when its module cannot be loaded.
const Verb* moduleVerb(const QString& name, QString& problem);

// Every module's verbs, for the overall help; `problem` names each module
// that cannot be loaded.
std::vector<const Verb*> allModuleVerbs(QString& problem);

}  // namespace orvane::cli
