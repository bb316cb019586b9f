#include "app/cli/VerbModule.h"

#include <QCoreApplication>
#include <QFileInfo>
#include <QLibrary>
#include <array>
#include <utility>

#include "app/cli/VerbModuleEntry.h"

namespace orvane::cli {

namespace {

struct Loaded {
    QLibrary* library = nullptr;  // kept to the end: the verbs' code is in it
    const std::vector<Verb>* verbs = nullptr;
    QString problem;
};

// The module's file beside the program (the build tree) or in the program's
// library folder (an installed program).
QString modulePath(const QString& home, const QString& file) {
    QString path = home + QLatin1Char('/') + file;
    if (!QFileInfo(path).isFile()) path = home + QStringLiteral("/" ORVANE_CLI_MODULE_DIR "/") + file;
    return path;
}

Loaded load(const QString& file) {
    Loaded loaded;
    const QString home = QCoreApplication::applicationDirPath();
    const QString path = modulePath(home, file);
    loaded.library = new QLibrary(path);
    const auto entry = reinterpret_cast<ModuleVerbsFunction>(loaded.library->resolve(kModuleVerbsSymbol));
    if (entry)
        loaded.verbs = entry();
    else
        loaded.problem = QStringLiteral("cannot load %1: %2").arg(path, loaded.library->errorString());
    return loaded;
}

const Loaded& pictures() {
    static const Loaded loaded = load(QStringLiteral("orvane-cli-pictures.so"));
    return loaded;
}

const Loaded& heavy() {
    static const Loaded loaded = load(QStringLiteral("orvane-cli-verbs.so"));
    return loaded;
}

// The verbs of the pictures module, so that asking for one loads that module
// alone. A verb of that module missing here would be unknown: the argument
// tests run every verb the overall help lists.
constexpr std::array kPictureVerbs{"greyline"};

// The verbs of the other module whose pictures carry text, with the option
// that asks for the picture.
constexpr std::array kTextPictureVerbs{std::pair{"history", "--plot"}};

const Verb* find(const Loaded& module, const QString& name, QString& problem) {
    problem = module.problem;
    if (module.verbs)
        for (const Verb& verb : *module.verbs)
            if (name == QLatin1String(verb.name)) return &verb;
    return nullptr;
}

}  // namespace

std::unique_ptr<QCoreApplication> applicationFor(int& argc, char** argv) {
    bool picture = false;
    for (const auto& [verb, option] : kTextPictureVerbs)
        if (argc > 1 && qstrcmp(argv[1], verb) == 0)
            for (int i = 2; i < argc; ++i) {
                const QByteArray arg(argv[i]);
                picture = picture || arg == option || arg.startsWith(QByteArray(option) + '=');
            }
    if (picture) {
        // No application yet to ask for the program's folder.
        const QString home = QFileInfo(QFileInfo(QStringLiteral("/proc/self/exe")).symLinkTarget()).absolutePath();
        // Kept loaded to the end, and reachable (no leak to report): the
        // application's code is in it.
        static QLibrary* const library = new QLibrary(modulePath(home, QStringLiteral("orvane-cli-verbs.so")));
        if (const auto entry = reinterpret_cast<ModuleApplicationFunction>(library->resolve(kModuleApplicationSymbol)))
            if (QCoreApplication* app = entry(argc, argv)) return std::unique_ptr<QCoreApplication>(app);
    }
    return std::make_unique<QCoreApplication>(argc, argv);
}

const Verb* moduleVerb(const QString& name, QString& problem) {
    for (const char* picture : kPictureVerbs)
        if (name == QLatin1String(picture)) return find(pictures(), name, problem);
    return find(heavy(), name, problem);
}

std::vector<const Verb*> allModuleVerbs(QString& problem) {
    std::vector<const Verb*> verbs;
    QStringList problems;
    for (const Loaded* module : {&pictures(), &heavy()}) {
        if (!module->problem.isEmpty()) problems << module->problem;
        if (module->verbs)
            for (const Verb& verb : *module->verbs) verbs.push_back(&verb);
    }
    problem = problems.join(QStringLiteral("; "));
    return verbs;
}

}  // namespace orvane::cli
