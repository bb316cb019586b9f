// The entry of each verb module: the verbs registered in it.
#include <QDir>
#include <QGuiApplication>
#include <QLibraryInfo>

#include "app/cli/VerbModuleEntry.h"
#include "common/AtomicFile.h"

extern "C" Q_DECL_EXPORT const std::vector<orvane::cli::Verb>* orvane_cli_module_verbs() {
    // The module has its own record of the temporaries its files leave until
    // they are complete: its handlers clear those.
    orvane::removeLiveTemporariesOnSignals();
    return &orvane::cli::Registry::verbs();
}

extern "C" Q_DECL_EXPORT QCoreApplication* orvane_cli_module_gui_application(int& argc, char** argv) {
    // Never a window, whatever display the caller has; a missing plugin
    // would end the process, so it is looked for first.
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    if (qgetenv("QT_QPA_PLATFORM") != "offscreen") return nullptr;
    const QDir platforms(QLibraryInfo::path(QLibraryInfo::PluginsPath) + QStringLiteral("/platforms"));
    if (platforms.entryList({QStringLiteral("libqoffscreen*.so")}, QDir::Files).isEmpty()) return nullptr;
    return new QGuiApplication(argc, argv);
}
