// libFuzzer entry for an HTTP/1.1 answer read from its connection. The first
// byte chooses how the bytes arrive (piece size) and whether TLS was closed
// properly at the end. Beyond not crashing: the outcome (done or failed, the
// status, the body, how many bytes were taken) does not depend on how the
// bytes were cut; a body never exceeds its bound; a response is never both
// done and failed; a complete one with a length has a body of that length.
#include "FuzzSupport.h"
#include "net/HttpResponseReader.h"

using orvane::net::HttpResponseReader;
using namespace orvane::fuzz;

namespace {

constexpr qint64 kMaxBody = 64 * 1024;

struct Outcome {
    bool done = false;
    bool failed = false;
    int status = 0;
    QByteArray body;
    qsizetype taken = 0;
};

Outcome read(const QByteArray& bytes, qsizetype piece, bool tlsClosed) {
    HttpResponseReader reader(kMaxBody);
    Outcome o;
    for (qsizetype at = 0; at < bytes.size() && !reader.done() && !reader.failed();) {
        const qsizetype n = std::min(piece, bytes.size() - at);
        const qsizetype took = reader.feed(bytes.constData() + at, n);
        require(took >= 0 && took <= n);
        o.taken += took;
        if (took < n) break;  // the response ended inside this piece
        at += n;
    }
    if (!reader.done() && !reader.failed()) reader.end(tlsClosed);
    o.done = reader.done();
    o.failed = reader.failed();
    require(!(o.done && o.failed));
    require(o.done || o.failed);
    require(!o.failed || !reader.error().isEmpty());
    o.status = reader.status();
    o.body = reader.body();
    require(o.body.size() <= kMaxBody);
    if (o.done && reader.contentLength() >= 0 && o.status >= 200 && o.status != 204 && o.status != 304)
        require(o.body.size() == reader.contentLength());
    return o;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size == 0) return 0;
    const bool tlsClosed = data[0] & 0x80;
    const qsizetype piece = 1 + (data[0] & 0x3F);
    const QByteArray bytes = bytesOf(data + 1, size - 1);
    const Outcome whole = read(bytes, qMax<qsizetype>(1, bytes.size()), tlsClosed);
    const Outcome cut = read(bytes, piece, tlsClosed);
    require(whole.done == cut.done && whole.failed == cut.failed);
    if (whole.done) require(whole.status == cut.status && whole.body == cut.body && whole.taken == cut.taken);
    return 0;
}
