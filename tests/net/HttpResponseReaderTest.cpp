// The HTTP/1.1 response reader: framings that say a body is complete, those
// that do not, and the bounds on what a peer can make it hold.
#include <gtest/gtest.h>

#include <QByteArray>

#include <algorithm>

#include "net/HttpResponseReader.h"

using orvane::net::HttpResponseReader;

namespace {

enum class Close { None, Tcp, Tls };

// Feeds `bytes` whole or in pieces of `piece` bytes, then ends the connection as told.
void feedAll(HttpResponseReader& r, const QByteArray& bytes, qsizetype piece, Close close, qsizetype* usedOut = nullptr) {
    qsizetype used = 0;
    for (qsizetype i = 0; i < bytes.size() && !r.done() && !r.failed(); i += piece)
        used += r.feed(bytes.constData() + i, std::min(piece, bytes.size() - i));
    if (close != Close::None) r.end(close == Close::Tls);
    if (usedOut) *usedOut = used;
}

struct Complete {
    const char* name;
    QByteArray bytes;
    Close close;
    int status;
    QByteArray body;
    bool keepAlive;
    qsizetype used;  // bytes of the stream that belong to the response; -1 = all
};

void PrintTo(const Complete& c, std::ostream* os) { *os << c.name; }

class CompleteResponse : public ::testing::TestWithParam<Complete> {};

// Whole and one byte at a time: the same body, the same end.
TEST_P(CompleteResponse, GivesItsBodyWhateverThePieces) {
    const Complete& c = GetParam();
    for (qsizetype piece : {c.bytes.size(), qsizetype(1), qsizetype(5)}) {
        HttpResponseReader r(4096);
        qsizetype used = 0;
        feedAll(r, c.bytes, piece, c.close, &used);
        ASSERT_TRUE(r.done()) << "piece " << piece << ": " << r.error().toStdString();
        EXPECT_EQ(r.status(), c.status) << piece;
        EXPECT_EQ(r.body(), c.body) << piece;
        EXPECT_EQ(r.keepAlive(), c.keepAlive) << piece;
        EXPECT_EQ(used, c.used < 0 ? c.bytes.size() : c.used) << piece;
    }
}

INSTANTIATE_TEST_SUITE_P(
    Framings, CompleteResponse,
    ::testing::Values(
        Complete{"ContentLength", "HTTP/1.1 200 OK\r\nContent-Length: 5\r\n\r\nhello", Close::None, 200, "hello", true, -1},
        Complete{"ContentLengthNextResponseFollows", "HTTP/1.1 200 OK\r\nContent-Length: 2\r\n\r\nhiHTTP/1.1 200 OK\r\n",
                 Close::None, 200, "hi", true, 40},
        Complete{"EqualLengthsTwice", "HTTP/1.1 200 OK\r\nContent-Length: 3, 3\r\ncontent-length: 3\r\n\r\nabc",
                 Close::None, 200, "abc", true, -1},
        Complete{"ChunkedWithExtensionAndTrailer",
                 "HTTP/1.1 200 OK\r\nTransfer-Encoding: chunked\r\n\r\n4;x=y\r\nwiki\r\nA\r\npedia in c\r\n0\r\nX-T: 1\r\n\r\n",
                 Close::None, 200, "wikipedia in c", true, -1},
        Complete{"ChunkedUpperCaseHexAndBareLf", "HTTP/1.1 200 OK\nTransfer-Encoding: Chunked\n\n1A\n"
                                                 "abcdefghijklmnopqrstuvwxyz\n0\n\n",
                 Close::None, 200, "abcdefghijklmnopqrstuvwxyz", true, -1},
        Complete{"InterimContinueSkipped", "HTTP/1.1 100 Continue\r\n\r\nHTTP/1.1 200 OK\r\nContent-Length: 1\r\n\r\nx",
                 Close::None, 200, "x", true, -1},
        Complete{"NotModifiedHasNoBody", "HTTP/1.1 304 Not Modified\r\nContent-Length: 99\r\n\r\n", Close::None, 304, "",
                 true, -1},
        Complete{"NoLengthEndedByCloseNotify", "HTTP/1.1 200 OK\r\nConnection: close\r\n\r\nall of it", Close::Tls, 200,
                 "all of it", false, -1},
        Complete{"Http10KeepsAliveOnlyWhenAsked",
                 "HTTP/1.0 200 OK\r\nConnection: Keep-Alive\r\nContent-Length: 0\r\n\r\n", Close::None, 200, "", true, -1},
        Complete{"ConnectionCloseIsNotKeptAlive", "HTTP/1.1 404 Not Found\r\nConnection: close\r\nContent-Length: 1\r\n\r\n!",
                 Close::None, 404, "!", false, -1}),
    [](const ::testing::TestParamInfo<Complete>& row) { return std::string(row.param.name); });

struct Refused {
    const char* name;
    QByteArray bytes;
    Close close;
    const char* error;  // the whole reason
};

void PrintTo(const Refused& c, std::ostream* os) { *os << c.name; }

class RefusedResponse : public ::testing::TestWithParam<Refused> {};

TEST_P(RefusedResponse, FailsWithItsReasonAndIsNotKeptAlive) {
    const Refused& c = GetParam();
    for (qsizetype piece : {c.bytes.size(), qsizetype(1)}) {
        HttpResponseReader r(4096);
        feedAll(r, c.bytes, piece, c.close);
        EXPECT_TRUE(r.failed()) << "piece " << piece;
        EXPECT_FALSE(r.done()) << piece;
        EXPECT_EQ(r.error().toStdString(), c.error) << piece;
        EXPECT_FALSE(r.keepAlive()) << piece;
    }
}

INSTANTIATE_TEST_SUITE_P(
    Framings, RefusedResponse,
    ::testing::Values(
        Refused{"ChunkSizeNotHex", "HTTP/1.1 200 OK\r\nTransfer-Encoding: chunked\r\n\r\na\r\n0123456789\r\nzz\r\nrest\r\n0\r\n\r\n",
                Close::None, "Bad HTTP answer: chunk size 'zz'"},
        Refused{"ChunkSizeOverflows", "HTTP/1.1 200 OK\r\nTransfer-Encoding: chunked\r\n\r\n1\r\nx\r\nFFFFFFFFFFFFFFFFF\r\n",
                Close::None, "Bad HTTP answer: chunk size 'FFFFFFFFFFFFFFFFF'"},
        Refused{"ChunkSizeEmpty", "HTTP/1.1 200 OK\r\nTransfer-Encoding: chunked\r\n\r\n;ext\r\n", Close::None,
                "Bad HTTP answer: chunk size ';ext'"},
        Refused{"ChunkSizeNegative", "HTTP/1.1 200 OK\r\nTransfer-Encoding: chunked\r\n\r\n-1\r\n", Close::None,
                "Bad HTTP answer: chunk size '-1'"},
        Refused{"ChunkLongerThanItsSize", "HTTP/1.1 200 OK\r\nTransfer-Encoding: chunked\r\n\r\n2\r\nabc\r\n0\r\n\r\n",
                Close::None, "Bad HTTP answer: chunk data longer than its size"},
        Refused{"ChunkedCutShort", "HTTP/1.1 200 OK\r\nTransfer-Encoding: chunked\r\n\r\n5\r\nab", Close::Tls,
                "Transfer incomplete: the connection closed inside a chunked body (2 bytes)"},
        Refused{"ChunkedWithoutLastChunk", "HTTP/1.1 200 OK\r\nTransfer-Encoding: chunked\r\n\r\n2\r\nab\r\n", Close::Tls,
                "Transfer incomplete: the connection closed inside a chunked body (2 bytes)"},
        Refused{"ConflictingLengths", "HTTP/1.1 200 OK\r\nContent-Length: 10\r\nContent-Length: 40\r\n\r\n0123456789",
                Close::None, "Bad HTTP answer: conflicting Content-Length values (10, 40)"},
        Refused{"ConflictingLengthsInOneField", "HTTP/1.1 200 OK\r\nContent-Length: 4, 2\r\n\r\nabcd", Close::None,
                "Bad HTTP answer: conflicting Content-Length values (4, 2)"},
        Refused{"LengthNotANumber", "HTTP/1.1 200 OK\r\nContent-Length: +5\r\n\r\nhello", Close::None,
                "Bad HTTP answer: Content-Length '+5'"},
        Refused{"LengthBeyondAnyFile", "HTTP/1.1 200 OK\r\nContent-Length: 9999999999999999999\r\n\r\n", Close::None,
                "Bad HTTP answer: Content-Length '9999999999999999999'"},
        Refused{"LengthEmpty", "HTTP/1.1 200 OK\r\nContent-Length:\r\n\r\n", Close::None,
                "Bad HTTP answer: empty Content-Length"},
        Refused{"BothFramings", "HTTP/1.1 200 OK\r\nContent-Length: 3\r\nTransfer-Encoding: chunked\r\n\r\n3\r\nabc\r\n0\r\n\r\n",
                Close::None, "Bad HTTP answer: both Transfer-Encoding and Content-Length"},
        Refused{"UnaskedCoding", "HTTP/1.1 200 OK\r\nTransfer-Encoding: gzip, chunked\r\n\r\n", Close::None,
                "Bad HTTP answer: Transfer-Encoding 'gzip, chunked'"},
        Refused{"ClosedBeforeTheLength", "HTTP/1.1 200 OK\r\nContent-Length: 10\r\n\r\nabc", Close::Tls,
                "Transfer incomplete: the connection closed after 3 of 10 bytes"},
        Refused{"NoLengthEndedByBareTcpClose", "HTTP/1.1 200 OK\r\n\r\nfragment", Close::Tcp,
                "Transfer incomplete: a body without a length ended by a bare TCP close, no TLS close_notify (8 bytes)"},
        Refused{"ClosedInsideTheHeader", "HTTP/1.1 200 OK\r\nContent-Le", Close::Tls,
                "Transfer incomplete: the connection closed inside the header"},
        Refused{"ClosedBeforeAnything", "", Close::Tcp, "Transfer incomplete: the connection closed before an answer"},
        Refused{"FoldedHeaderLine", "HTTP/1.1 200 OK\r\nX-A: 1\r\n Content-Length: 2\r\n\r\nab", Close::None,
                "Bad HTTP answer: header line ' Content-Length: 2'"},
        Refused{"BlankBeforeTheColon", "HTTP/1.1 200 OK\r\nContent-Length : 2\r\n\r\nab", Close::None,
                "Bad HTTP answer: header line 'Content-Length : 2'"},
        Refused{"NotHttp", "SSH-2.0-OpenSSH_9.2\r\n", Close::None, "Bad HTTP answer: status line 'SSH-2.0-OpenSSH_9.2'"},
        Refused{"StatusWithoutItsSpace", "HTTP/1.1 200OK\r\n\r\n", Close::None, "Bad HTTP answer: status line 'HTTP/1.1 200OK'"},
        Refused{"ControlBytesShownEscaped", "HTTP/1.1 200 OK\r\nX\x1b[2J: 1\r\n\r\n", Close::None,
                "Bad HTTP answer: header line 'X\\x1b[2J: 1'"},
        Refused{"UnaskedProtocolSwitch", "HTTP/1.1 101 Switching Protocols\r\nUpgrade: h2c\r\n\r\n", Close::None,
                "Bad HTTP answer: a protocol switch that was not asked for"},
        Refused{"AnnouncedOverTheLimit", "HTTP/1.1 200 OK\r\nContent-Length: 4097\r\n\r\n", Close::None,
                "Transfer too large: 4097 bytes announced, at most 4096"},
        Refused{"ChunkOverTheLimit", "HTTP/1.1 200 OK\r\nTransfer-Encoding: chunked\r\n\r\n1001\r\n", Close::None,
                "Transfer too large: more than 4096 bytes"}),
    [](const ::testing::TestParamInfo<Refused>& row) { return std::string(row.param.name); });

// What a peer sends without end costs a bounded amount: the reader fails
// once the bound is passed and has taken no more than the bound.
TEST(HttpResponseReader, EndlessInputIsRefusedAtItsBound) {
    struct Case {
        const char* name;
        QByteArray start;
        QByteArray repeated;  // sent again and again after the start
        qsizetype bound;      // of the bytes taken
        const char* error;
    };
    const QByteArray status = "HTTP/1.1 200 OK\r\n";
    const Case cases[] = {
        {"OneHeaderLineWithoutEnd", status + "X-Endless: ", QByteArray(4096, 'a'), HttpResponseReader::kMaxHeaderBytes,
         "HTTP header too large: over 65536 bytes"},
        {"HeaderLinesWithoutEnd", status, "X-A: 1\r\n", HttpResponseReader::kMaxHeaderBytes,
         "HTTP header too large: over 100 lines"},
        {"ManyShortLinesOverTheTotal", status, "X-Long: " + QByteArray(1000, 'b') + "\r\n", HttpResponseReader::kMaxHeaderBytes,
         "HTTP header too large: over 65536 bytes"},
        {"ChunkSizeLineWithoutEnd", status + "Transfer-Encoding: chunked\r\n\r\n1", QByteArray(512, '0'),
         64 * 1024, "Bad HTTP answer: a chunk line over 1024 bytes"},
        {"TrailersWithoutEnd", status + "Transfer-Encoding: chunked\r\n\r\n0\r\n", "T: " + QByteArray(997, 'c') + "\r\n",
         HttpResponseReader::kMaxHeaderBytes, "HTTP header too large: over 65536 bytes"},
        {"StatusLineWithoutEnd", "HTTP/1.1 200 ", QByteArray(4096, 'r'), HttpResponseReader::kMaxHeaderBytes,
         "HTTP header too large: over 65536 bytes"},
    };
    for (const Case& c : cases) {
        HttpResponseReader r(4096);
        qsizetype taken = r.feed(c.start);
        // 16 MiB offered at most; the reader must give up long before.
        for (int i = 0; i < 16 * 1024 * 1024 / c.repeated.size() && !r.failed(); ++i) taken += r.feed(c.repeated);
        EXPECT_TRUE(r.failed()) << c.name;
        EXPECT_EQ(r.error().toStdString(), c.error) << c.name;
        EXPECT_LE(taken, c.bound) << c.name;
        EXPECT_FALSE(r.headerComplete() && r.status() == 200 && r.done()) << c.name;
    }
}

}  // namespace
