#include "net/FtpReply.h"

#include <QRegularExpression>
#include <QStringList>

#include <limits>

namespace orvane::net {

LineTake takeLine(QByteArray& buffer, QByteArray& line, qsizetype maxBytes) {
    const qsizetype lf = buffer.indexOf('\n');
    if (lf < 0 || lf >= maxBytes) {
        line.clear();
        return buffer.size() >= maxBytes ? LineTake::TooLong : LineTake::NeedMore;
    }
    line = buffer.left(lf + 1);
    buffer.remove(0, lf + 1);
    return LineTake::Line;
}

QString chompLine(const QByteArray& line) {
    qsizetype n = line.size();
    if (n > 0 && line[n - 1] == '\n') --n;
    if (n > 0 && line[n - 1] == '\r') --n;
    return QString::fromLatin1(line.constData(), n);
}

std::optional<int16_t> replyNumberOf(const QString& line) {
    int64_t value = 0;
    const qsizetype limit = qMin<qsizetype>(line.size(), 10);
    for (qsizetype i = 0; i < limit; ++i) {
        const QChar c = line[i];
        if (c < QLatin1Char('0') || c > QLatin1Char('9')) break;
        value = value * 10 + (c.unicode() - '0');
    }
    if (value > std::numeric_limits<int16_t>::max()) return std::nullopt;
    return static_cast<int16_t>(value);
}

bool isContinuationLine(const QString& line) {
    if (line.startsWith(QLatin1Char(' '))) return true;
    return line.size() >= 4 && line[3] == QLatin1Char('-');
}

bool closesMultiLineReply(const QString& firstLine, const QString& line) {
    if (firstLine.size() < 4 || line.size() < 4) return false;
    for (int i = 0; i < 3; ++i)
        if (!firstLine[i].isDigit() || line[i] != firstLine[i]) return false;
    return line[3] == QLatin1Char(' ');
}

int64_t bytesTotalOf(const QString& line) {
    const qsizetype at = line.indexOf(QLatin1String("BYTE"), 0, Qt::CaseInsensitive);
    if (at < 0) return 0;
    qsizetype end = at;  // one past the last digit of the nearest run before "BYTE"
    while (end > 0 && !(line[end - 1] >= QLatin1Char('0') && line[end - 1] <= QLatin1Char('9'))) --end;
    if (end == 0) return 0;
    qsizetype begin = end;
    while (begin > 0 && line[begin - 1] >= QLatin1Char('0') && line[begin - 1] <= QLatin1Char('9')) --begin;
    int64_t value = 0;
    for (qsizetype i = begin; i < end; ++i) {
        const int digit = line[i].unicode() - '0';
        if (value > (std::numeric_limits<int64_t>::max() - digit) / 10) return 0;  // too large to read
        value = value * 10 + digit;
    }
    return value;
}

std::optional<int> ftpReplyCode(const QString& line) {
    if (line.size() < 3) return std::nullopt;
    for (int i = 0; i < 3; ++i)
        if (line[i] < QLatin1Char('0') || line[i] > QLatin1Char('9')) return std::nullopt;
    if (line[0] < QLatin1Char('1') || line[0] > QLatin1Char('5')) return std::nullopt;
    if (line.size() > 3 && line[3] != QLatin1Char(' ') && line[3] != QLatin1Char('-')) return std::nullopt;
    return (line[0].unicode() - '0') * 100 + (line[1].unicode() - '0') * 10 + (line[2].unicode() - '0');
}

std::optional<int64_t> exactAnnouncedBytes(const QString& line) {
    static const QRegularExpression exact(QStringLiteral("\\((\\d{1,18}) bytes\\)"),
                                          QRegularExpression::CaseInsensitiveOption);
    const QRegularExpressionMatch match = exact.match(line);
    if (!match.hasMatch()) return std::nullopt;
    return match.captured(1).toLongLong();
}

QString commaAddress(uint32_t ip) {
    return QStringLiteral("%1,%2,%3,%4").arg(ip >> 24).arg((ip >> 16) & 0xFFu).arg((ip >> 8) & 0xFFu).arg(ip & 0xFFu);
}

QString commaPort(uint16_t port) {
    return QStringLiteral(",%1,%2").arg(port >> 8).arg(port & 0xFFu);
}

QString portCommand(uint32_t ip, uint16_t port) {
    return QStringLiteral("PORT ") + commaAddress(ip) + commaPort(port);
}

std::optional<uint32_t> parseDottedIpv4(const QString& text) {
    const QStringList parts = text.split(QLatin1Char('.'));
    if (parts.size() != 4) return std::nullopt;
    uint32_t ip = 0;
    for (const QString& part : parts) {
        if (part.isEmpty() || part.size() > 3) return std::nullopt;
        for (const QChar c : part)
            if (c < QLatin1Char('0') || c > QLatin1Char('9')) return std::nullopt;
        const uint value = part.toUInt();
        if (value > 255) return std::nullopt;
        ip = (ip << 8) | value;
    }
    return ip;
}

}  // namespace orvane::net
