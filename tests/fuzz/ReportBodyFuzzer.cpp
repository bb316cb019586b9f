// libFuzzer entry for bodies fetched from the web service: whether a body
// may be stored as a report, and the ":Issued:" line that dates it. Input:
// the Content-Type, a NUL, the body (without a NUL: the whole input is the
// body, sent as text/plain). Beyond not crashing: an empty body or one with a
// NUL byte is never stored; a refusal is one short line; an issue time read
// is a whole minute whose hour, minute and year are written in the line, and
// both forms of the line written from it read back to it.
#include <QDateTime>

#include "FuzzSupport.h"
#include "reports/ReportBody.h"
#include "reports/ReportFreshness.h"

using namespace orvane::reports;
using namespace orvane::fuzz;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const QByteArray input = bytesOf(data, size);
    const Split parts = splitAtNul(input);
    const bool typed = input.contains('\0');
    const QString contentType = typed ? QString::fromLatin1(parts.head) : QStringLiteral("text/plain");
    const QByteArray& body = parts.payload;

    const std::optional<QString> refusal = reportBodyRefusal(body, contentType);
    if (body.isEmpty() || body.contains('\0')) require(refusal.has_value());
    if (refusal) require(!refusal->isEmpty() && refusal->size() <= 120 && !refusal->contains(QLatin1Char('\n')));

    const QString text = QString::fromUtf8(body);
    const std::optional<orvane::UtcMoment> issued = parseIssuedTime(text);
    if (!issued) return 0;
    require(*issued % 60 == 0);
    const QDateTime at = QDateTime::fromSecsSinceEpoch(*issued, Qt::UTC);
    require(at.isValid() && at.date().year() >= 1 && at.date().year() <= 9999);
    const QString hhmm = at.toString(QStringLiteral("HHmm"));
    const QString year = QStringLiteral("%1").arg(at.date().year(), 4, 10, QLatin1Char('0'));
    require(text.contains(hhmm) && text.contains(year));

    static const char* const months[] = {"Jan", "Feb", "Mar", "Apr", "May", "Jun",
                                         "Jul", "Aug", "Sep", "Oct", "Nov", "Dec"};
    const QString month = QLatin1String(months[at.date().month() - 1]);
    const QString yearFirst = QStringLiteral(":Issued: %1 %2 %3 %4 UTC").arg(year, month).arg(at.date().day()).arg(hhmm);
    const QString timeFirst = QStringLiteral(":Issued: %1 UT %2 %3 %4").arg(hhmm).arg(at.date().day()).arg(month, year);
    require(parseIssuedTime(yearFirst) == issued && parseIssuedTime(timeFirst) == issued);
    require(formatUtcIso(*issued) == at.toString(Qt::ISODate));
    return 0;
}
