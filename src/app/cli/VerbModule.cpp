#include "app/cli/VerbModule.h"

#include <QCoreApplication>
#include <QFileInfo>
#include <QLibrary>

#include "app/cli/VerbModuleEntry.h"

namespace orvane::cli {

const std::vector<Verb>* moduleVerbs(QString& problem) {
    static const std::vector<Verb>* verbs = nullptr;
    static QString failure;
    static bool tried = false;
    if (!tried) {
        tried = true;
        const QString home = QCoreApplication::applicationDirPath();
        const QString file = QStringLiteral(ORVANE_CLI_MODULE_FILE);
        QString path = home + QLatin1Char('/') + file;
        if (!QFileInfo(path).isFile()) path = home + QStringLiteral("/" ORVANE_CLI_MODULE_DIR "/") + file;
        // Kept loaded to the end: the verbs' code is in it.
        auto* library = new QLibrary(path);
        const auto entry = reinterpret_cast<ModuleVerbsFunction>(library->resolve(kModuleVerbsSymbol));
        if (entry)
            verbs = entry();
        else
            failure = QStringLiteral("cannot load %1: %2").arg(path, library->errorString());
    }
    problem = failure;
    return verbs;
}

}  // namespace orvane::cli
