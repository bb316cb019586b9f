#pragma once

#include <QStringList>
#include <QTextStream>
#include <QTimer>
#include <functional>
#include <string>

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

// One verb of orvane-cli. run() gets the arguments after the verb and returns
// the exit status: 0 success, 1 failure of the work (text on err), 2 bad
// arguments (text on err).
struct Verb {
    const char* name;
    const char* usage;  // one or more lines for --help, without the program name
    int (*run)(const QStringList& args, QTextStream& out, QTextStream& err);
};

// Each verb file registers itself with a static CliVerbRegistrar; the verb
// files are compiled straight into orvane-cli so the registrars always run.
class Registry {
public:
    static void add(const Verb& verb);
    static const Verb* find(const QString& name);
    static QList<Verb> all();  // sorted by name
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

// Consumes "--name VALUE" at args[i]; returns false (and writes the error) when VALUE is missing.
bool takeValue(const QStringList& args, qsizetype& i, QString& value, QTextStream& err);

}  // namespace orvane::cli
