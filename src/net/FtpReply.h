#pragma once

#include <QByteArray>
#include <QString>

#include <cstdint>
#include <optional>

namespace orvane::net {

// Responsibilities: the pure text rules of the line protocol and of FTP
// replies, apart from any socket, so that each rule is tested on its own.
// Every input here came from the network and is treated as untrusted.

// The longest line a peer may send before its line feed (64 KiB). A longer
// line is an error instead of an ever-growing buffer.
inline constexpr qsizetype MaxLineBytes = 64 * 1024;

enum class LineTake { Line, NeedMore, TooLong };

// Takes the first line (up to and including its line feed) off the front of
// `buffer` into `line`. NeedMore when no line feed has arrived yet and the
// buffer is still within `maxBytes`; TooLong when `maxBytes` bytes arrived
// without a line feed.
LineTake takeLine(QByteArray& buffer, QByteArray& line, qsizetype maxBytes = MaxLineBytes);

// The line without its trailing CR LF (or LF), decoded leniently (Latin-1,
// so no byte is ever lost or rejected).
QString chompLine(const QByteArray& line);

// The value of the run of decimal digits at the start of a reply line (only
// its first ten characters are looked at): 0 when it starts with no digit,
// nullopt when the value does not fit a signed 16-bit number.
std::optional<int16_t> replyNumberOf(const QString& line);

// True while a reply goes on after this line: the line starts with a space,
// or its fourth character is '-' ("220-Welcome").
bool isContinuationLine(const QString& line);

// True when `line` ends a multi-line reply opened by `firstLine` ("220-..."):
// the line starts with the same three digits and a space (RFC 959 4.2).
bool closesMultiLineReply(const QString& firstLine, const QString& line);

// The size a server announced in a reply line: the run of digits nearest
// before the first "BYTE" (any case), e.g. "150 Opening ... (1234 bytes)"
// gives 1234. 0 when there is no "BYTE", no digit before it, or the number is
// too large.
int64_t bytesTotalOf(const QString& line);

// The code of an FTP reply line: three digits, the first 1 to 5, followed by
// the end of the line, a space or '-' ("226 Transfer complete"). nullopt for
// anything else ("OK", "999", "600", "-331", ""): such a line is not a reply
// of the protocol and must never be taken as one.
std::optional<int> ftpReplyCode(const QString& line);

// A size announced exactly, as "(1234 bytes)" (any case): only this form is
// firm enough to call a transfer short. nullopt for any other wording
// ("0.5 kbytes", "1234 bytes" without the brackets) or a number too large.
std::optional<int64_t> exactAnnouncedBytes(const QString& line);

// "PORT a,b,c,d,p1,p2" from an IPv4 address in host order and a port.
QString portCommand(uint32_t ipv4HostOrder, uint16_t port);

// "a,b,c,d" for an IPv4 address in host order (the dots replaced by commas).
QString commaAddress(uint32_t ipv4HostOrder);

// ",p1,p2" (high and low byte of the port, decimal).
QString commaPort(uint16_t port);

// A dotted-decimal IPv4 address ("192.0.2.7") in host order, or nullopt when
// the text is not one (then the name needs a lookup).
std::optional<uint32_t> parseDottedIpv4(const QString& text);

}  // namespace orvane::net
