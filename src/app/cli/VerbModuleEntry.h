#pragma once

#include <vector>

#include "app/cli/CliVerb.h"

namespace orvane::cli {

// What orvane-cli-verbs.so exports: its verbs. Calling it also makes the
// module's own downloads clean up after a terminating signal.
using ModuleVerbsFunction = const std::vector<Verb>* (*)();
inline constexpr char kModuleVerbsSymbol[] = "orvane_cli_module_verbs";

}  // namespace orvane::cli
