#include "reports/ReportFreshness.h"

#include <QRegularExpression>

#include <array>

namespace orvane::reports {
namespace {

constexpr std::array<const char*, 12> kMonths{"jan", "feb", "mar", "apr", "may", "jun",
                                              "jul", "aug", "sep", "oct", "nov", "dec"};

int monthOf(QStringView name) {
    for (std::size_t i = 0; i < kMonths.size(); ++i)
        if (name.compare(QLatin1String(kMonths[i]), Qt::CaseInsensitive) == 0) return static_cast<int>(i) + 1;
    return 0;
}

std::optional<UtcMoment> moment(int year, QStringView monthName, int day, QStringView hhmm) {
    const int month = monthOf(monthName);
    const int hour = hhmm.left(2).toInt();
    const int minute = hhmm.mid(2, 2).toInt();
    if (month == 0 || year < 1 || year > 9999 || day < 1 || day > daysInMonth(year, month) || hour > 23 ||
        minute > 59)
        return std::nullopt;
    return daysFromCivil(year, month, day) * 86400 + hour * 3600 + minute * 60;
}

// "2026 Sep 22 0615 UTC" (most products) and "0825 UT 22 Sep 2026" (the
// solar radio data lists, among others).
std::optional<UtcMoment> parseIssuedValue(const QString& value) {
    static const QRegularExpression yearFirst(
        QStringLiteral("^(\\d{4})\\s+([A-Za-z]{3})\\s+(\\d{1,2})\\s+(\\d{4})\\s+UTC?$"));
    static const QRegularExpression timeFirst(
        QStringLiteral("^(\\d{4})\\s+UTC?\\s+(\\d{1,2})\\s+([A-Za-z]{3})\\s+(\\d{4})$"));
    if (const auto m = yearFirst.match(value); m.hasMatch())
        return moment(m.captured(1).toInt(), m.capturedView(2), m.captured(3).toInt(), m.capturedView(4));
    if (const auto m = timeFirst.match(value); m.hasMatch())
        return moment(m.captured(4).toInt(), m.capturedView(3), m.captured(2).toInt(), m.capturedView(1));
    return std::nullopt;
}

QString twoDigits(int n) { return QStringLiteral("%1").arg(n, 2, 10, QLatin1Char('0')); }

}  // namespace

std::optional<UtcMoment> parseIssuedTime(QStringView text) {
    int lineNo = 0;
    qsizetype start = 0;
    while (start < text.size() && lineNo < kIssuedSearchLines) {
        qsizetype end = start;
        while (end < text.size() && text[end] != QLatin1Char('\n') && text[end] != QLatin1Char('\r')) ++end;
        const QStringView line = text.mid(start, end - start);
        // Header lines are short; a long one is no ":Issued:" line.
        if (line.size() < 200 && line.startsWith(QLatin1String(":Issued:")))
            return parseIssuedValue(line.mid(8).trimmed().toString());
        ++lineNo;
        start = end + 1;
        if (end + 1 < text.size() && text[end] == QLatin1Char('\r') && text[end + 1] == QLatin1Char('\n')) ++start;
    }
    return std::nullopt;
}

QString formatUtcMinute(UtcMoment t) {
    const SystemTime s = systemTimeFromMs(t * 1000);
    return QStringLiteral("%1-%2-%3 %4:%5 UTC")
        .arg(s.year, 4, 10, QLatin1Char('0'))
        .arg(twoDigits(s.month), twoDigits(s.day), twoDigits(s.hour), twoDigits(s.minute));
}

QString formatUtcIso(UtcMoment t) {
    const SystemTime s = systemTimeFromMs(t * 1000);
    return QStringLiteral("%1-%2-%3T%4:%5:%6Z")
        .arg(s.year, 4, 10, QLatin1Char('0'))
        .arg(twoDigits(s.month), twoDigits(s.day), twoDigits(s.hour), twoDigits(s.minute), twoDigits(s.second));
}

QString ageText(qint64 age) {
    const qint64 span = age < 0 ? -age : age;
    QString amount;
    if (span < 60) return QStringLiteral("just now");
    if (span < 3600) amount = QStringLiteral("%1 min").arg(span / 60);
    else if (span < 48 * 3600) amount = QStringLiteral("%1 h").arg(span / 3600);
    else amount = QStringLiteral("%1 d").arg(span / 86400);
    return age < 0 ? amount + QStringLiteral(" ahead of this clock") : amount + QStringLiteral(" ago");
}

ReportAge describeReportAge(std::optional<UtcMoment> issued, UtcMoment fileTime, UtcMoment now,
                            qint64 cadenceSeconds) {
    ReportAge age;
    age.fromIssuedLine = issued.has_value();
    age.dated = issued.value_or(fileTime);
    age.ageSeconds = now - age.dated;
    age.stale = cadenceSeconds > 0 && age.ageSeconds > 2 * cadenceSeconds;
    age.text = (age.fromIssuedLine ? QStringLiteral("issued ") : QStringLiteral("file saved ")) +
               formatUtcMinute(age.dated) + QStringLiteral(", ") + ageText(age.ageSeconds);
    if (!age.fromIssuedLine) age.text += QStringLiteral(" (no issue time in the report)");
    return age;
}

QString describeFetchFailure(const QString& reason, UtcMoment failedAt, std::optional<UtcMoment> copyArrived,
                             UtcMoment now) {
    QString text = QStringLiteral("Last fetch failed ") + formatUtcMinute(failedAt) + QStringLiteral(": ") + reason;
    if (!text.endsWith(QLatin1Char('.'))) text += QLatin1Char('.');
    if (copyArrived)
        text += QStringLiteral(" The copy shown arrived ") + formatUtcMinute(*copyArrived) + QStringLiteral(", ") +
                ageText(now - *copyArrived) + QLatin1Char('.');
    else
        text += QStringLiteral(" No copy has arrived yet.");
    return text;
}

}  // namespace orvane::reports
