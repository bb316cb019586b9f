#include "reports/ReportBody.h"

#include <QRegularExpression>

namespace orvane::reports {
namespace {

// How far into a body the markers of an HTML page are looked for.
constexpr qsizetype kSniffBytes = 4096;

bool looksLikeHtml(const QByteArray& body, const QString& contentType) {
    const QString type = contentType.trimmed().toLower();
    if (type.startsWith(QLatin1String("text/html")) || type.startsWith(QLatin1String("application/xhtml")))
        return true;
    QByteArray head = body.left(kSniffBytes);
    if (head.startsWith("\xEF\xBB\xBF")) head.remove(0, 3);
    head = head.trimmed().toLower();
    return head.startsWith("<!doctype html") || head.startsWith("<html") ||
           (head.startsWith('<') && head.contains("<html"));
}

// The page's title, so the status says what the server meant to say.
QString titleOf(const QByteArray& body) {
    static const QRegularExpression title(QStringLiteral("<title[^>]*>([^<]{1,200})</title>"),
                                          QRegularExpression::CaseInsensitiveOption);
    const auto m = title.match(QString::fromLatin1(body.left(kSniffBytes)));
    return m.hasMatch() ? m.captured(1).simplified().left(80) : QString();
}

}  // namespace

std::optional<QString> reportBodyRefusal(const QByteArray& body, const QString& contentType) {
    if (body.isEmpty()) return QStringLiteral("empty body");
    if (body.size() > kMaxWebReportBytes) return QStringLiteral("larger than %1 MiB").arg(kMaxWebReportBytes / (1024 * 1024));
    if (body.contains('\0')) return QStringLiteral("holds a NUL byte, not a text report");
    if (looksLikeHtml(body, contentType)) {
        const QString title = titleOf(body);
        return title.isEmpty() ? QStringLiteral("an HTML page, not a report")
                               : QStringLiteral("an HTML page (\"%1\"), not a report").arg(title);
    }
    return std::nullopt;
}

}  // namespace orvane::reports
