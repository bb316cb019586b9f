// The entry of each verb module: the verbs registered in it.
#include "app/cli/VerbModuleEntry.h"
#include "common/AtomicFile.h"

extern "C" Q_DECL_EXPORT const std::vector<orvane::cli::Verb>* orvane_cli_module_verbs() {
    // The module has its own record of the temporaries its files leave until
    // they are complete: its handlers clear those.
    orvane::removeLiveTemporariesOnSignals();
    return &orvane::cli::Registry::verbs();
}
