#include "app/cli/CliVerb.h"

#include <QRegularExpression>
#include <algorithm>
#include <vector>

#include <cmath>

#include "beacons/BandPlan.h"
#include "beacons/StationTable.h"
#include "common/OrvaneError.h"
#include "common/TimeTypes.h"

namespace orvane::cli {
namespace {

std::vector<Verb>& registered() {
    static std::vector<Verb> list;
    return list;
}

}  // namespace

void Registry::add(const Verb& verb) { registered().push_back(verb); }

const Verb* Registry::find(const QString& name) {
    for (const Verb& v : registered())
        if (name == QLatin1String(v.name)) return &v;
    return nullptr;
}

const std::vector<Verb>& Registry::verbs() { return registered(); }

VerbArguments::VerbArguments(const Verb& verb) : verb_(verb) {
    // "-o FILE" and "-i FILE.wav" are whole names, not bundled letters.
    parser_.setSingleDashWordOptionMode(QCommandLineParser::ParseAsLongOptions);
    for (const VerbOption& option : verb.options)
        parser_.addOption(QCommandLineOption(QString::fromLatin1(option.name), QString::fromUtf8(option.description),
                                             option.valueName ? QString::fromLatin1(option.valueName) : QString()));
}

bool VerbArguments::parse(const QStringList& args, QTextStream& err) {
    const QString prefix = QStringLiteral("orvane-cli %1: ").arg(QLatin1String(verb_.name));
    if (!parser_.parse(QStringList{QStringLiteral("orvane-cli")} + args)) {
        const QStringList unknown = parser_.unknownOptionNames();
        if (!unknown.isEmpty()) {
            // Named as typed ("--frequency", "-x", "--at=5"), not as Qt strips it.
            QString typed = unknown.front();
            for (const QString& arg : args) {
                QString name = arg.section(QLatin1Char('='), 0, 0);
                while (name.startsWith(QLatin1Char('-'))) name.remove(0, 1);
                if (arg.startsWith(QLatin1Char('-')) && name == unknown.front()) {
                    typed = arg;
                    break;
                }
            }
            err << prefix << "unknown argument '" << typed << "'\n";
        } else {
            err << prefix << parser_.errorText() << "\n";
        }
        return false;
    }
    if (!verb_.operands && !parser_.positionalArguments().isEmpty()) {
        err << prefix << "unexpected argument '" << parser_.positionalArguments().front() << "'\n";
        return false;
    }
    return true;
}

std::optional<QString> VerbArguments::optional(const char* option) const {
    if (!isSet(option)) return std::nullopt;
    return value(option);
}

QString usageLines(const Verb& verb) {
    QString text;
    // A line that starts with a blank goes on from the one before it.
    for (const QString& line : QString::fromUtf8(verb.usage).split(QLatin1Char('\n')))
        text += (line.startsWith(QLatin1Char(' ')) ? QStringLiteral("             ") : QStringLiteral("  orvane-cli ")) +
                line + QLatin1Char('\n');
    return text;
}

QString helpText(const Verb& verb) {
    QString text = QStringLiteral("Usage:\n") + usageLines(verb);
    if (verb.options.empty()) return text;
    QStringList names;
    qsizetype width = 0;
    for (const VerbOption& option : verb.options) {
        QString name = QLatin1String(option.name[1] ? "--" : "-") + QLatin1String(option.name);
        if (option.valueName) name += QLatin1Char(' ') + QLatin1String(option.valueName);
        width = std::max(width, name.size());
        names << name;
    }
    text += QStringLiteral("\nOptions:\n");
    for (std::size_t i = 0; i < verb.options.size(); ++i)
        text += QStringLiteral("  ") + names[static_cast<qsizetype>(i)].leftJustified(width + 3) +
                QString::fromUtf8(verb.options[i].description) + QLatin1Char('\n');
    return text;
}

namespace {
constexpr long long kFirstSecond = -62'135'596'800LL;  // 0001-01-01T00:00:00Z
constexpr long long kSecondLimit = 253'402'300'800LL;  // 10000-01-01T00:00:00Z
}  // namespace

bool parseTimeArgument(const QString& text, long long& unixSeconds) {
    if (text.startsWith(QLatin1Char('@'))) {
        // Within the years 1 to 9999, as the other form: the sun, the map and
        // the ages reckon in milliseconds, which must not overflow.
        bool ok = false;
        const long long seconds = text.mid(1).toLongLong(&ok);
        if (!ok || seconds < kFirstSecond || seconds >= kSecondLimit) return false;
        unixSeconds = seconds;
        return true;
    }
    // Anchored at the very end: "$" alone would also take a line feed after the Z.
    static const QRegularExpression re(QRegularExpression::anchoredPattern(
        QStringLiteral("(\\d{4})-(\\d{2})-(\\d{2})T(\\d{2}):(\\d{2}):(\\d{2})Z")));
    const auto m = re.match(text);
    if (!m.hasMatch()) return false;
    const int y = m.captured(1).toInt(), mo = m.captured(2).toInt(), d = m.captured(3).toInt();
    const int h = m.captured(4).toInt(), mi = m.captured(5).toInt(), s = m.captured(6).toInt();
    if (y < 1 || mo < 1 || mo > 12 || d < 1 || d > daysInMonth(y, mo) || h > 23 || mi > 59 || s > 59) return false;
    unixSeconds = daysFromCivil(y, mo, d) * 86400LL + h * 3600LL + mi * 60LL + s;
    return true;
}

bool parseMomentArgument(const QString& text, long long& utcMs) {
    long long seconds = 0;
    if (!parseTimeArgument(text, seconds)) return false;
    utcMs = seconds * 1000;
    return true;
}

int bandOfMHz(const QString& mhz) {
    bool ok = false;
    const double value = mhz.toDouble(&ok);
    if (!ok) return -1;
    for (int band = 0; band < beacons::kBandCount; ++band) {
        const std::string_view caption = beacons::kBandCaptions[static_cast<std::size_t>(band)];
        const double bandMHz = QString::fromLatin1(caption.data(), static_cast<qsizetype>(caption.size())).toDouble();
        if (std::fabs(bandMHz - value) < 0.0005) return band;
    }
    return -1;
}

CommandDeadline::CommandDeadline(int ms, std::function<void()> stop) {
    timer_.setSingleShot(true);
    timer_.callOnTimeout([this, stop = std::move(stop)] {
        timedOut_ = true;
        stop();
    });
    if (ms > 0) timer_.start(ms);
}

bool loadStations(const char* verb, const QString& file, beacons::StationTable& table, QTextStream& err) {
    if (file.isEmpty()) return true;
    try {
        const auto problems = table.load(file);
        if (!problems.empty()) err << beacons::describeProblems(file, problems) << '\n';
        return true;
    } catch (const OrvaneError& e) {
        err << "orvane-cli " << verb << ": " << e.what() << '\n';
        return false;
    }
}

}  // namespace orvane::cli
