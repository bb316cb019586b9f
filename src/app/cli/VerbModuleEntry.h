#pragma once

#include <QCoreApplication>
#include <vector>

#include "app/cli/CliVerb.h"

namespace orvane::cli {

// What orvane-cli-verbs.so exports: its verbs. Calling it also makes the
// module's own downloads clean up after a terminating signal.
using ModuleVerbsFunction = const std::vector<Verb>* (*)();
inline constexpr char kModuleVerbsSymbol[] = "orvane_cli_module_verbs";

// What a module also exports: the application for a run whose picture
// carries text (fonts need a GUI application; the front links Qt Core
// only). A GUI application on the offscreen platform, or null when that
// platform's plugin is not installed (the picture is then drawn without
// text). Called before any application exists.
using ModuleApplicationFunction = QCoreApplication* (*)(int& argc, char** argv);
inline constexpr char kModuleApplicationSymbol[] = "orvane_cli_module_gui_application";

}  // namespace orvane::cli
