// orvane-cli: the program's logic for headless and scripted use.
#include <QCoreApplication>
#include <QTextStream>
#include <algorithm>
#include <cstdio>

#include <malloc.h>

#include "app/cli/CliVerb.h"
#include "app/cli/VerbModule.h"
#include "common/AtomicFile.h"

namespace {

using orvane::cli::Verb;

bool isHelpOption(const QString& arg) { return arg == QLatin1String("--help") || arg == QLatin1String("-h"); }

void printHelp(QTextStream& out, QTextStream& err) {
    std::vector<const Verb*> verbs;
    for (const Verb& verb : orvane::cli::Registry::verbs()) verbs.push_back(&verb);
    QString problem;
    for (const Verb* verb : orvane::cli::allModuleVerbs(problem)) verbs.push_back(verb);
    if (!problem.isEmpty()) err << "orvane-cli: not every verb is listed: " << problem << "\n";
    std::sort(verbs.begin(), verbs.end(), [](const Verb* a, const Verb* b) { return qstrcmp(a->name, b->name) < 0; });
    out << "Usage: orvane-cli VERB [OPTIONS]   (orvane-cli VERB --help: that verb alone)\n\nVerbs:\n";
    for (const Verb* verb : verbs) out << orvane::cli::usageLines(*verb);
}

const Verb* findVerb(const QString& name, QString& problem) {
    if (const Verb* verb = orvane::cli::Registry::find(name)) return verb;
    return orvane::cli::moduleVerb(name, problem);
}

}  // namespace

int main(int argc, char** argv) {
    // A run is short and its big blocks come and go (a 1920 x 960 map frees
    // the fine relief before it encodes): freed memory stays with the process
    // for the next block instead of being handed back and faulted in anew.
    mallopt(M_MMAP_THRESHOLD, 64 << 20);
    mallopt(M_TRIM_THRESHOLD, 256 << 20);
    const std::unique_ptr<QCoreApplication> app = orvane::cli::applicationFor(argc, argv);
    // A download stopped by a signal leaves no half-written file behind.
    orvane::removeLiveTemporariesOnSignals();
    QTextStream out(stdout);
    QTextStream err(stderr);
    QStringList args = QCoreApplication::arguments().mid(1);
    if (args.isEmpty() || isHelpOption(args.front())) {
        printHelp(args.isEmpty() ? err : out, err);
        return args.isEmpty() ? 2 : 0;
    }
    const QString name = args.takeFirst();
    QString problem;
    const Verb* verb = findVerb(name, problem);
    if (!verb) {
        err << "orvane-cli: unknown verb '" << name << "' (see orvane-cli --help)\n";
        if (!problem.isEmpty()) err << "orvane-cli: " << problem << "\n";
        return 2;
    }
    // Asked of any verb, wherever it stands among the arguments.
    if (std::any_of(args.cbegin(), args.cend(), isHelpOption)) {
        out << orvane::cli::helpText(*verb);
        return 0;
    }
    orvane::cli::VerbArguments arguments(*verb);
    if (!arguments.parse(args, err)) return 2;
    try {
        return verb->run(arguments, out, err);
    } catch (const std::exception& e) {
        err << e.what() << "\n";
        return 1;
    }
}
