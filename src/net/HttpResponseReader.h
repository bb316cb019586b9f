#pragma once

#include <QByteArray>
#include <QList>
#include <QPair>
#include <QString>

namespace orvane::net {

// Responsibilities: one HTTP/1.1 response read from the bytes of its
// connection, with its framing judged as RFC 9112 (section 6) has it, so the
// caller can tell a complete body from a piece of one. The body ends
//  - after Content-Length bytes (several Content-Length values must agree),
//  - at the last chunk of a chunked body (a chunk size is 1 to 15 hex digits),
//  - at the close of the connection when neither is given, and then only if
//    the peer closed TLS properly (close_notify): a bare TCP close may be a
//    cut in the middle.
// Anything else (a bad chunk size, conflicting lengths, both framings at
// once, a close inside a framed body) fails the response with its reason.
//
// Every size is bounded: the status line, header fields and trailers
// together kMaxHeaderBytes and kMaxHeaderLines lines, a chunk-size line
// kMaxChunkLineBytes, the body maxBodyBytes. Interim 1xx answers are
// skipped. The reader only parses: the connection is its caller's.
class HttpResponseReader {
public:
    static constexpr qsizetype kMaxHeaderBytes = 64 * 1024;
    static constexpr int kMaxHeaderLines = 100;
    static constexpr qsizetype kMaxChunkLineBytes = 1024;

    // maxBodyBytes 0 = unbounded.
    explicit HttpResponseReader(qint64 maxBodyBytes = 0) : maxBodyBytes_(maxBodyBytes) {}

    // Takes the next bytes of the connection. Returns how many belong to this
    // response: fewer than `size` only when it ended (or failed) inside them.
    qsizetype feed(const char* data, qsizetype size);
    qsizetype feed(const QByteArray& bytes) { return feed(bytes.constData(), bytes.size()); }
    // The connection ended; `tlsClosed` when the peer sent TLS close_notify
    // before it. Ends a body without a length; fails any other unfinished one.
    void end(bool tlsClosed);

    bool headerComplete() const { return headerComplete_; }
    bool done() const { return state_ == State::Done; }
    bool failed() const { return state_ == State::Failed; }
    // Why it failed: "Bad HTTP answer: ...", "HTTP header too large: ...",
    // "Transfer too large: ...", "Transfer incomplete: ...".
    const QString& error() const { return error_; }
    // Nothing at all arrived yet (a kept-alive connection closed before the answer).
    bool nothingReceived() const { return received_ == 0; }

    int status() const { return status_; }
    const QByteArray& reason() const { return reason_; }
    // The first value of a header field (name in any case), empty if absent.
    QByteArray header(const char* name) const;
    // The announced body length, -1 when none is announced.
    qint64 contentLength() const { return contentLength_; }
    // The connection may carry the next request once this response is done.
    bool keepAlive() const { return keepAlive_; }
    const QByteArray& body() const { return body_; }

private:
    enum class State { StatusLine, Fields, Body, ChunkSize, ChunkData, ChunkEnd, Trailers, Done, Failed };

    // Collects a line up to LF within `limit` bytes (counted in `counter`);
    // true with the line (CR LF or LF removed) once complete.
    bool takeLine(const char* data, qsizetype size, qsizetype& pos, qsizetype& counter, qsizetype limit,
                  const QString& overLimit, QByteArray& line);
    void statusLine(const QByteArray& line);
    void fieldLine(const QByteArray& line, bool trailer);
    void headerEnded();
    void chunkSizeLine(const QByteArray& line);
    bool appendBody(const char* data, qsizetype size);
    void fail(const QString& why);

    qint64 maxBodyBytes_;
    State state_ = State::StatusLine;
    QString error_;
    qint64 received_ = 0;
    QByteArray line_;
    qsizetype headerBytes_ = 0;
    qsizetype chunkLineBytes_ = 0;
    int headerLines_ = 0;
    bool headerComplete_ = false;
    int status_ = 0;
    bool http10_ = false;
    QByteArray reason_;
    QList<QPair<QByteArray, QByteArray>> fields_;
    qint64 contentLength_ = -1;
    qint64 remaining_ = -1;  // of the body or of the chunk; -1 = until the close
    bool keepAlive_ = false;
    QByteArray body_;
};

}  // namespace orvane::net
