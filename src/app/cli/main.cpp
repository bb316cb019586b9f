// orvane-cli: the program's logic for headless and scripted use.
#include <QCoreApplication>
#include <QTextStream>
#include <algorithm>
#include <cstdio>

#include <malloc.h>

#include "app/cli/CliVerb.h"
#include "common/AtomicFile.h"

namespace {

bool isHelpOption(const QString& arg) { return arg == QLatin1String("--help") || arg == QLatin1String("-h"); }

void printUsage(const orvane::cli::Verb& verb, QTextStream& out) {
    const QStringList lines = QString::fromUtf8(verb.usage).split(QLatin1Char('\n'));
    // A line that starts with a blank goes on from the one before it.
    for (const QString& line : lines)
        out << (line.startsWith(QLatin1Char(' ')) ? QStringLiteral("             ") : QStringLiteral("  orvane-cli "))
            << line << "\n";
}

void printHelp(QTextStream& out) {
    out << "Usage: orvane-cli VERB [OPTIONS]   (orvane-cli VERB --help: that verb alone)\n\nVerbs:\n";
    for (const auto& verb : orvane::cli::Registry::all()) printUsage(verb, out);
}

}  // namespace

int main(int argc, char** argv) {
    // A run is short and its big blocks come and go (a 1920 x 960 map frees
    // the fine relief before it encodes): freed memory stays with the process
    // for the next block instead of being handed back and faulted in anew.
    mallopt(M_MMAP_THRESHOLD, 64 << 20);
    mallopt(M_TRIM_THRESHOLD, 256 << 20);
    QCoreApplication app(argc, argv);
    // A download stopped by a signal leaves no half-written file behind.
    orvane::removeLiveTemporariesOnSignals();
    QTextStream out(stdout);
    QTextStream err(stderr);
    QStringList args = QCoreApplication::arguments().mid(1);
    if (args.isEmpty() || isHelpOption(args.front())) {
        printHelp(args.isEmpty() ? err : out);
        return args.isEmpty() ? 2 : 0;
    }
    const QString name = args.takeFirst();
    const orvane::cli::Verb* verb = orvane::cli::Registry::find(name);
    if (!verb) {
        err << "orvane-cli: unknown verb '" << name << "' (see orvane-cli --help)\n";
        return 2;
    }
    // Asked of any verb, wherever it stands among the arguments.
    if (std::any_of(args.cbegin(), args.cend(), isHelpOption)) {
        out << "Usage:\n";
        printUsage(*verb, out);
        return 0;
    }
    try {
        return verb->run(args, out, err);
    } catch (const std::exception& e) {
        err << e.what() << "\n";
        return 1;
    }
}
