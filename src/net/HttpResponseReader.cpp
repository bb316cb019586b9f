#include "net/HttpResponseReader.h"

#include <QStringList>

#include <algorithm>
#include <cstring>

#include "common/Printable.h"

namespace orvane::net {
namespace {

// A piece of a hostile line fit to show: escaped and at most 40 characters.
QString shown(const QByteArray& bytes) {
    const QString text = printable(QString::fromLatin1(bytes.left(40)));
    return bytes.size() > 40 ? text + QStringLiteral("...") : text;
}

bool isDigits(const QByteArray& s) {
    return !s.isEmpty() && std::all_of(s.begin(), s.end(), [](char c) { return c >= '0' && c <= '9'; });
}

// RFC 9110 token characters, for a field name.
bool isToken(const QByteArray& s) {
    static const char kSpecials[] = "!#$%&'*+-.^_`|~";
    return !s.isEmpty() && std::all_of(s.begin(), s.end(), [](char c) {
        return (c >= '0' && c <= '9') || (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') ||
               (c != '\0' && std::strchr(kSpecials, c) != nullptr);
    });
}

// The comma-separated elements of every field named `name`, trimmed, empty ones left out.
QList<QByteArray> listOf(const QList<QPair<QByteArray, QByteArray>>& fields, const char* name) {
    QList<QByteArray> result;
    for (const auto& [n, v] : fields) {
        if (n.compare(name, Qt::CaseInsensitive) != 0) continue;
        for (const QByteArray& part : v.split(','))
            if (const QByteArray t = part.trimmed(); !t.isEmpty()) result << t;
    }
    return result;
}

bool hasToken(const QList<QByteArray>& list, const char* token) {
    return std::any_of(list.begin(), list.end(), [token](const QByteArray& t) { return t.compare(token, Qt::CaseInsensitive) == 0; });
}

}  // namespace

void HttpResponseReader::fail(const QString& why) {
    if (state_ == State::Failed || state_ == State::Done) return;
    state_ = State::Failed;
    error_ = why;
    keepAlive_ = false;
    line_.clear();
}

QByteArray HttpResponseReader::header(const char* name) const {
    for (const auto& [n, v] : fields_)
        if (n.compare(name, Qt::CaseInsensitive) == 0) return v;
    return {};
}

bool HttpResponseReader::takeLine(const char* data, qsizetype size, qsizetype& pos, qsizetype& counter,
                                  qsizetype limit, const QString& overLimit, QByteArray& line) {
    const void* lf = std::memchr(data + pos, '\n', static_cast<size_t>(size - pos));
    const qsizetype take = lf ? static_cast<const char*>(lf) - (data + pos) + 1 : size - pos;
    // Counted before anything is kept, so an endless line costs no more than the limit.
    if (take > limit - counter) {
        fail(overLimit);
        return false;
    }
    counter += take;
    line_.append(data + pos, take);
    pos += take;
    if (!lf) return false;
    line = std::move(line_);
    line_ = QByteArray();
    line.chop(1);
    if (line.endsWith('\r')) line.chop(1);
    return true;
}

qsizetype HttpResponseReader::feed(const char* data, qsizetype size) {
    qsizetype pos = 0;
    const QString headerTooLarge = QStringLiteral("HTTP header too large: over %1 bytes").arg(kMaxHeaderBytes);
    while (pos < size && state_ != State::Done && state_ != State::Failed) {
        const qsizetype before = pos;
        QByteArray line;
        switch (state_) {
        case State::StatusLine:
            if (takeLine(data, size, pos, headerBytes_, kMaxHeaderBytes, headerTooLarge, line)) statusLine(line);
            break;
        case State::Fields:
        case State::Trailers:
            if (takeLine(data, size, pos, headerBytes_, kMaxHeaderBytes, headerTooLarge, line))
                fieldLine(line, state_ == State::Trailers);
            break;
        case State::ChunkSize:
        case State::ChunkEnd:
            if (takeLine(data, size, pos, chunkLineBytes_, kMaxChunkLineBytes,
                         QStringLiteral("Bad HTTP answer: a chunk line over %1 bytes").arg(kMaxChunkLineBytes), line)) {
                chunkLineBytes_ = 0;
                if (state_ == State::ChunkSize) chunkSizeLine(line);
                else if (!line.isEmpty()) fail(QStringLiteral("Bad HTTP answer: chunk data longer than its size"));
                else state_ = State::ChunkSize;
            }
            break;
        case State::Body:
        case State::ChunkData: {
            qsizetype take = size - pos;
            if (remaining_ >= 0) take = static_cast<qsizetype>(std::min<qint64>(take, remaining_));
            if (!appendBody(data + pos, take)) break;
            pos += take;
            if (remaining_ < 0) break;
            remaining_ -= take;
            if (remaining_ == 0) state_ = state_ == State::Body ? State::Done : State::ChunkEnd;
            break;
        }
        case State::Done:
        case State::Failed:
            break;
        }
        received_ += pos - before;
    }
    return pos;
}

void HttpResponseReader::statusLine(const QByteArray& line) {
    // "HTTP/1.1 200 OK"; the reason may be empty, and so may its space.
    const bool v11 = line.startsWith("HTTP/1.1 ");
    const bool v10 = line.startsWith("HTTP/1.0 ");
    const QByteArray code = line.mid(9, 3);
    if ((!v11 && !v10) || !isDigits(code) || (line.size() > 12 && line[12] != ' ')) {
        fail(QStringLiteral("Bad HTTP answer: status line '%1'").arg(shown(line)));
        return;
    }
    status_ = code.toInt();
    if (status_ < 100) {
        fail(QStringLiteral("Bad HTTP answer: status line '%1'").arg(shown(line)));
        return;
    }
    http10_ = v10;
    reason_ = line.mid(13);
    fields_.clear();
    headerLines_ = 0;
    state_ = State::Fields;
}

void HttpResponseReader::fieldLine(const QByteArray& line, bool trailer) {
    if (line.isEmpty()) {
        if (trailer) state_ = State::Done;
        else headerEnded();
        return;
    }
    if (++headerLines_ > kMaxHeaderLines) {
        fail(QStringLiteral("HTTP header too large: over %1 lines").arg(kMaxHeaderLines));
        return;
    }
    const qsizetype colon = line.indexOf(':');
    const QByteArray name = colon > 0 ? line.left(colon) : QByteArray();
    // A line that starts with a blank continues the one before (obsolete
    // folding): refused, as a field name with blanks is, since either can
    // smuggle a second framing past a reader that sees them otherwise.
    if (!isToken(name)) {
        fail(QStringLiteral("Bad HTTP answer: header line '%1'").arg(shown(line)));
        return;
    }
    if (!trailer) fields_.append({name, line.mid(colon + 1).trimmed()});
}

void HttpResponseReader::headerEnded() {
    // Interim answers (100 Continue, 103 Early Hints) precede the real one.
    if (status_ >= 100 && status_ < 200) {
        if (status_ == 101) {
            fail(QStringLiteral("Bad HTTP answer: a protocol switch that was not asked for"));
            return;
        }
        state_ = State::StatusLine;
        return;
    }
    headerComplete_ = true;
    const QList<QByteArray> connection = listOf(fields_, "Connection");
    keepAlive_ = http10_ ? hasToken(connection, "keep-alive") : !hasToken(connection, "close");

    const QList<QByteArray> codings = listOf(fields_, "Transfer-Encoding");
    const QList<QByteArray> lengths = listOf(fields_, "Content-Length");
    bool announced = false;
    for (const auto& [n, v] : fields_)
        if (n.compare("Content-Length", Qt::CaseInsensitive) == 0) announced = true;

    if (status_ == 204 || status_ == 304) {
        state_ = State::Done;
        return;
    }
    if (!codings.isEmpty()) {
        if (announced) {
            fail(QStringLiteral("Bad HTTP answer: both Transfer-Encoding and Content-Length"));
            return;
        }
        // Nothing but chunked was asked for (no Accept-Encoding, no TE).
        for (const QByteArray& c : codings) {
            if (c.compare("chunked", Qt::CaseInsensitive) != 0 || codings.size() > 1) {
                fail(QStringLiteral("Bad HTTP answer: Transfer-Encoding '%1'").arg(shown(codings.join(", "))));
                return;
            }
        }
        state_ = State::ChunkSize;
        return;
    }
    if (announced) {
        QByteArray value;
        for (const QByteArray& l : lengths) {
            if (!isDigits(l) || l.size() > 18) {
                fail(QStringLiteral("Bad HTTP answer: Content-Length '%1'").arg(shown(l)));
                return;
            }
            if (!value.isEmpty() && l.toLongLong() != value.toLongLong()) {
                fail(QStringLiteral("Bad HTTP answer: conflicting Content-Length values (%1)").arg(shown(lengths.join(", "))));
                return;
            }
            value = l;
        }
        if (value.isEmpty()) {
            fail(QStringLiteral("Bad HTTP answer: empty Content-Length"));
            return;
        }
        contentLength_ = value.toLongLong();
        if (maxBodyBytes_ > 0 && contentLength_ > maxBodyBytes_) {
            fail(QStringLiteral("Transfer too large: %1 bytes announced, at most %2").arg(contentLength_).arg(maxBodyBytes_));
            return;
        }
        remaining_ = contentLength_;
        state_ = contentLength_ == 0 ? State::Done : State::Body;
        return;
    }
    // No framing: the body runs to the close, and the connection with it.
    keepAlive_ = false;
    remaining_ = -1;
    state_ = State::Body;
}

void HttpResponseReader::chunkSizeLine(const QByteArray& line) {
    // chunk-size [ ";" extensions ]; 15 hex digits keep it within qint64.
    QByteArray digits = line;
    if (const qsizetype semicolon = digits.indexOf(';'); semicolon >= 0) digits.truncate(semicolon);
    digits = digits.trimmed();
    const bool hex = !digits.isEmpty() && std::all_of(digits.begin(), digits.end(), [](char c) {
        return (c >= '0' && c <= '9') || (c >= 'a' && c <= 'f') || (c >= 'A' && c <= 'F');
    });
    if (!hex || digits.size() > 15) {
        fail(QStringLiteral("Bad HTTP answer: chunk size '%1'").arg(shown(line)));
        return;
    }
    remaining_ = digits.toLongLong(nullptr, 16);
    if (remaining_ == 0) {
        state_ = State::Trailers;
        return;
    }
    if (maxBodyBytes_ > 0 && remaining_ > maxBodyBytes_ - body_.size()) {
        fail(QStringLiteral("Transfer too large: more than %1 bytes").arg(maxBodyBytes_));
        return;
    }
    state_ = State::ChunkData;
}

bool HttpResponseReader::appendBody(const char* data, qsizetype size) {
    if (maxBodyBytes_ > 0 && size > maxBodyBytes_ - body_.size()) {
        fail(QStringLiteral("Transfer too large: more than %1 bytes").arg(maxBodyBytes_));
        return false;
    }
    body_.append(data, size);
    return true;
}

void HttpResponseReader::end(bool tlsClosed) {
    switch (state_) {
    case State::Done:
    case State::Failed:
        return;
    case State::Body:
        if (remaining_ < 0) {
            if (tlsClosed) state_ = State::Done;
            else
                fail(QStringLiteral("Transfer incomplete: a body without a length ended by a bare TCP close, "
                                    "no TLS close_notify (%1 bytes)")
                         .arg(body_.size()));
            return;
        }
        fail(QStringLiteral("Transfer incomplete: the connection closed after %1 of %2 bytes")
                 .arg(body_.size())
                 .arg(contentLength_));
        return;
    case State::ChunkSize:
    case State::ChunkData:
    case State::ChunkEnd:
    case State::Trailers:
        fail(QStringLiteral("Transfer incomplete: the connection closed inside a chunked body (%1 bytes)").arg(body_.size()));
        return;
    case State::StatusLine:
    case State::Fields:
        fail(received_ == 0 ? QStringLiteral("Transfer incomplete: the connection closed before an answer")
                            : QStringLiteral("Transfer incomplete: the connection closed inside the header"));
        return;
    }
}

}  // namespace orvane::net
