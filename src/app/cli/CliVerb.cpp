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

std::vector<Verb>& verbs() {
    static std::vector<Verb> list;
    return list;
}

}  // namespace

void Registry::add(const Verb& verb) { verbs().push_back(verb); }

const Verb* Registry::find(const QString& name) {
    for (const Verb& v : verbs())
        if (name == QLatin1String(v.name)) return &v;
    return nullptr;
}

QList<Verb> Registry::all() {
    QList<Verb> list(verbs().begin(), verbs().end());
    std::sort(list.begin(), list.end(), [](const Verb& a, const Verb& b) { return qstrcmp(a.name, b.name) < 0; });
    return list;
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

bool takeValue(const QStringList& args, qsizetype& i, QString& value, QTextStream& err) {
    if (i + 1 >= args.size()) {
        err << "orvane-cli: " << args[i] << " needs a value\n";
        return false;
    }
    value = args[++i];
    return true;
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
