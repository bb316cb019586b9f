// orvane-cli: the program's logic for headless and scripted use.
#include <QCoreApplication>
#include <QTextStream>
#include <cstdio>

#include "app/cli/CliVerb.h"

namespace {

void printHelp(QTextStream& out) {
    out << "Usage: orvane-cli VERB [OPTIONS]\n\nVerbs:\n";
    for (const auto& verb : orvane::cli::Registry::all()) {
        const QStringList lines = QString::fromUtf8(verb.usage).split(QLatin1Char('\n'));
        for (const QString& line : lines) out << "  orvane-cli " << line << "\n";
    }
}

}  // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    QTextStream out(stdout);
    QTextStream err(stderr);
    QStringList args = QCoreApplication::arguments().mid(1);
    if (args.isEmpty() || args.front() == QLatin1String("--help") || args.front() == QLatin1String("-h")) {
        printHelp(args.isEmpty() ? err : out);
        return args.isEmpty() ? 2 : 0;
    }
    const QString name = args.takeFirst();
    const orvane::cli::Verb* verb = orvane::cli::Registry::find(name);
    if (!verb) {
        err << "orvane-cli: unknown verb '" << name << "' (see orvane-cli --help)\n";
        return 2;
    }
    try {
        return verb->run(args, out, err);
    } catch (const std::exception& e) {
        err << e.what() << "\n";
        return 1;
    }
}
