// The entry of orvane-cli-verbs.so: the verbs registered in this module.
#include "app/cli/VerbModuleEntry.h"
#include "common/AtomicFile.h"

extern "C" Q_DECL_EXPORT const std::vector<orvane::cli::Verb>* orvane_cli_module_verbs() {
    // The module has its own record of the temporaries its downloads leave
    // until they are complete: its handlers clear those.
    orvane::removeLiveTemporariesOnSignals();
    return &orvane::cli::Registry::verbs();
}
