#include "app/cli/CliVerb.h"

#include <QRegularExpression>
#include <algorithm>
#include <vector>

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

bool parseTimeArgument(const QString& text, long long& unixSeconds) {
    if (text.startsWith(QLatin1Char('@'))) {
        bool ok = false;
        unixSeconds = text.mid(1).toLongLong(&ok);
        return ok;
    }
    static const QRegularExpression re(QStringLiteral("^(\\d{4})-(\\d{2})-(\\d{2})T(\\d{2}):(\\d{2}):(\\d{2})Z$"));
    const auto m = re.match(text);
    if (!m.hasMatch()) return false;
    const int y = m.captured(1).toInt(), mo = m.captured(2).toInt(), d = m.captured(3).toInt();
    const int h = m.captured(4).toInt(), mi = m.captured(5).toInt(), s = m.captured(6).toInt();
    if (y < 1 || mo < 1 || mo > 12 || d < 1 || d > daysInMonth(y, mo) || h > 23 || mi > 59 || s > 59) return false;
    unixSeconds = daysFromCivil(y, mo, d) * 86400LL + h * 3600LL + mi * 60LL + s;
    return true;
}

bool takeValue(const QStringList& args, qsizetype& i, QString& value, QTextStream& err) {
    if (i + 1 >= args.size()) {
        err << "orvane-cli: " << args[i] << " needs a value\n";
        return false;
    }
    value = args[++i];
    return true;
}

}  // namespace orvane::cli
