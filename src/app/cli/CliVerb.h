#pragma once

#include <QCommandLineParser>
#include <QStringList>
#include <QTextStream>
#include <QTimer>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "common/MessageService.h"

namespace orvane::beacons {
class StationTable;
}

namespace orvane::cli {

// The message and error boxes of a command: each text a line on the error stream.
class StreamMessages final : public MessageService {
public:
    explicit StreamMessages(QTextStream& err) : err_(err) {}
    void showMessage(const std::string& text) override { err_ << QString::fromStdString(text) << "\n"; }
    void showError(const std::string& text) override { err_ << QString::fromStdString(text) << "\n"; }

private:
    QTextStream& err_;
};

// One option of a verb: "--name VALUE" (one letter: "-n VALUE"), or a
// switch when valueName is null.
struct VerbOption {
    const char* name;
    const char* valueName;
    const char* description;
};

class VerbArguments;

// One verb of orvane-cli. Its options are the one description from which
// the arguments are read (QCommandLineParser), the help's option list is
// written and the manual page and completion are made. run() gets the
// arguments already read and returns the exit status: 0 success, 1 failure
// of the work (text on err), 2 bad arguments (text on err).
struct Verb {
    const char* name;
    const char* usage;  // one or more lines for --help, without the program name
    std::vector<VerbOption> options;
    const char* operands;  // what follows the options ("FILE..."); null when nothing may
    int (*run)(const VerbArguments& args, QTextStream& out, QTextStream& err);
};

// A verb's arguments read against its options. An unknown option, a missing
// value and an operand where the verb takes none are refused with the
// reason on err ("orvane-cli VERB: ...").
class VerbArguments {
public:
    explicit VerbArguments(const Verb& verb);
    bool parse(const QStringList& args, QTextStream& err);

    bool isSet(const char* option) const { return parser_.isSet(QLatin1String(option)); }
    // The last value given (an option given twice counts once, the later).
    QString value(const char* option) const { return parser_.value(QLatin1String(option)); }
    // Every value given, in the order given (an option that may be repeated).
    QStringList values(const char* option) const { return parser_.values(QLatin1String(option)); }
    std::optional<QString> optional(const char* option) const;
    QStringList operands() const { return parser_.positionalArguments(); }

private:
    const Verb& verb_;
    QCommandLineParser parser_;
};

// "Usage:" with the verb's lines, then its options, one a line, as
// `orvane-cli VERB --help` prints them.
QString helpText(const Verb& verb);

// The verb's usage lines as the overall help lists them.
QString usageLines(const Verb& verb);

// Each verb file registers itself with a static Registrar; the verb files
// are compiled straight into orvane-cli (or into its verb module) so the
// registrars always run.
class Registry {
public:
    static void add(const Verb& verb);
    static const Verb* find(const QString& name);
    static const std::vector<Verb>& verbs();  // in the order registered
};

struct Registrar {
    explicit Registrar(const Verb& verb) { Registry::add(verb); }
};

// Parses TIME as "YYYY-MM-DDTHH:MM:SSZ" (UTC) or "@SECONDS", either within
// the years 1 to 9999 (so that milliseconds cannot overflow); false when
// malformed or outside.
bool parseTimeArgument(const QString& text, long long& unixSeconds);

// TIME as parseTimeArgument reads it, in ms since 1970 (UTC).
bool parseMomentArgument(const QString& text, long long& utcMs);

// The beacon band (0..4) of a frequency in MHz: "14.10", "14.1" and "14.100"
// name the same band; -1 for anything else.
int bandOfMHz(const QString& mhz);

// Applies a stations file to `table` (nothing when `file` is empty). Bad
// lines are named on err and keep the built-in entries; false (with the
// reason on err, after "orvane-cli VERB: ") when the file cannot be read.
bool loadStations(const char* verb, const QString& file, beacons::StationTable& table, QTextStream& err);

// Bounds a whole command however steadily its peer trickles: `stop` runs
// once from the event loop `ms` after construction (never when ms <= 0);
// timedOut() then says why the work ended.
class CommandDeadline {
public:
    CommandDeadline(int ms, std::function<void()> stop);
    bool timedOut() const { return timedOut_; }

private:
    QTimer timer_;
    bool timedOut_ = false;
};

}  // namespace orvane::cli
