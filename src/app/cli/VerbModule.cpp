#include "app/cli/VerbModule.h"

#include <QCoreApplication>
#include <QFileInfo>
#include <QLibrary>

#include "app/cli/VerbModuleEntry.h"

namespace orvane::cli {

namespace {

struct Loaded {
    QLibrary* library = nullptr;  // kept to the end: the verbs' code is in it
    const std::vector<Verb>* verbs = nullptr;
    QString problem;
};

Loaded load() {
    Loaded loaded;
    const QString home = QCoreApplication::applicationDirPath();
    const QString file = QStringLiteral(ORVANE_CLI_MODULE_FILE);
    QString path = home + QLatin1Char('/') + file;
    if (!QFileInfo(path).isFile()) path = home + QStringLiteral("/" ORVANE_CLI_MODULE_DIR "/") + file;
    loaded.library = new QLibrary(path);
    const auto entry = reinterpret_cast<ModuleVerbsFunction>(loaded.library->resolve(kModuleVerbsSymbol));
    if (entry)
        loaded.verbs = entry();
    else
        loaded.problem = QStringLiteral("cannot load %1: %2").arg(path, loaded.library->errorString());
    return loaded;
}

}  // namespace

const std::vector<Verb>* moduleVerbs(QString& problem) {
    static const Loaded loaded = load();
    problem = loaded.problem;
    return loaded.verbs;
}

}  // namespace orvane::cli
