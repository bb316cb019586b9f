// libFuzzer entry for the FTP client's text rules: the line splitter fed the
// input in pieces, and each line's reply code, continuation and announced
// size, plus dotted IPv4 addresses. Beyond not crashing: the lines taken and
// what is left put together are the bytes received, no line is longer than
// the bound; a reply code is 100..599 and matches the line's digits; sizes
// are never negative; an address read prints back to the same address.
#include <QStringList>

#include "FuzzSupport.h"
#include "net/FtpReply.h"

using namespace orvane::net;
using namespace orvane::fuzz;

namespace {

void checkLine(const QString& line, const QString& firstLine) {
    const std::optional<int> code = ftpReplyCode(line);
    if (code) {
        require(*code >= 100 && *code <= 599);
        require(line.left(3) == QString::number(*code));
        const std::optional<int16_t> number = replyNumberOf(line);
        require(number && *number == *code);
    }
    (void)isContinuationLine(line);
    if (!firstLine.isEmpty()) (void)closesMultiLineReply(firstLine, line);
    require(bytesTotalOf(line) >= 0);
    if (const auto exact = exactAnnouncedBytes(line)) require(*exact >= 0);
}

QString dotted(uint32_t address) {
    return QStringLiteral("%1.%2.%3.%4").arg(address >> 24).arg((address >> 16) & 255).arg((address >> 8) & 255).arg(address & 255);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const qsizetype maxBytes = 1 + take<std::uint8_t>(data, size);  // small, so that the bound is reached
    const std::size_t piece = 1 + take<std::uint8_t>(data, size) % 64u;
    const QByteArray input = bytesOf(data, size);

    QByteArray buffer, taken, line;
    QString firstLine;
    bool tooLong = false;
    for (qsizetype at = 0; at < input.size() && !tooLong; at += static_cast<qsizetype>(piece)) {
        buffer += input.mid(at, static_cast<qsizetype>(piece));
        for (;;) {
            const LineTake result = takeLine(buffer, line, maxBytes);
            if (result == LineTake::NeedMore) {
                require(buffer.size() < maxBytes && !buffer.contains('\n'));
                break;
            }
            if (result == LineTake::TooLong) {
                require(buffer.size() >= maxBytes);
                tooLong = true;
                break;
            }
            require(line.endsWith('\n') && line.count('\n') == 1 && line.size() <= maxBytes);
            taken += line;
            const QString text = chompLine(line);
            require(!text.contains(QLatin1Char('\n')) && text.size() <= line.size());
            checkLine(text, firstLine);
            if (firstLine.isEmpty()) firstLine = text;
        }
    }
    if (!tooLong) require(taken + buffer == input);

    // The whole input as one line and as an address.
    const QString text = QString::fromLatin1(input);
    checkLine(text, firstLine);
    if (const auto address = parseDottedIpv4(text)) {
        const auto again = parseDottedIpv4(dotted(*address));
        require(again && *again == *address);
        require(commaAddress(*address) == dotted(*address).replace(QLatin1Char('.'), QLatin1Char(',')));
    }
    return 0;
}
