#pragma once

#include <QByteArray>
#include <QString>
#include <QStringList>
#include <QUrl>

#include <functional>
#include <memory>
#include <utility>

#include "common/OrvaneError.h"

#include <QList>

class QSslCertificate;
class QSslConfiguration;
class QSslSocket;

namespace orvane::net {

// A fetch that did not bring a body: an HTTP status other than 200, a TLS
// failure, a refused redirect, a time-out, a body too large.
class HttpsError : public OrvaneError {
public:
    using OrvaneError::OrvaneError;
};

// Responsibilities: GET of one https:// address at a time, the program's thin
// adapter of Qt Network, so nothing else includes its headers. Certificates
// are checked against the system's trust store and the CAs of the file
// SSL_CERT_FILE names (as OpenSSL, curl and Python take it, read when the
// client is made); verification is never turned off. The connection is kept
// between fetches, so fetches to the same server share one HTTP/1.1
// keep-alive connection. Redirects are followed only to https:// addresses,
// at most MaxRedirects of them.
//
// HTTP/1.1 is spoken here over a QSslSocket, read by HttpResponseReader,
// rather than through QNetworkAccessManager: Qt 6.4's manager takes a chunk
// size it cannot read for the last chunk, reads a body without a length to a
// bare TCP close without telling whether TLS was closed properly, and
// collects a header without bound. Here a body is returned only when its
// framing says it is complete (see HttpResponseReader), and the header is
// bounded to 64 KiB and 100 lines.
//
// Like the FTP session it waits in a nested event loop, so the windows stay
// live; TimeOut bounds the silence (no body byte for that long; the header
// must be complete within it, so a header trickled byte by byte does not hold
// the client), OperationTimeOut the whole fetch, MaxBodyBytes the body. The
// client only moves bytes: what the body means is for its caller to judge.
//
// Events are plain callbacks run on the calling thread while Get waits.
class HttpsClient {
public:
    HttpsClient();
    ~HttpsClient();
    HttpsClient(const HttpsClient&) = delete;
    HttpsClient& operator=(const HttpsClient&) = delete;

    int TimeOut = 20000;          // ms of silence; 0 = unbounded
    int OperationTimeOut = 0;     // ms per Get as a whole; 0 = unbounded
    qint64 MaxBodyBytes = 4 * 1024 * 1024;
    int MaxRedirects = 5;
    QString UserAgent;
    // Headers sent with every request besides the User-Agent, such as the
    // conditions of a conditional GET (If-None-Match, If-Modified-Since).
    QList<QPair<QByteArray, QByteArray>> RequestHeaders;

    // "GET https://... 200 OK (455 bytes)", "GET https://... 301 Moved Permanently -> https://..."
    std::function<void(const QString& line)> OnStatus;
    // A block of the body arrived (see BytesRcvd, BytesTotal).
    std::function<void()> OnPacketRecvd;

    struct Response {
        int status = 0;
        QString reason;
        QString contentType;  // the Content-Type header, as sent
        QUrl url;             // after redirects
        QByteArray body;
        QUrl redirectTo;      // within the client: a redirect's Location
        QByteArray etag;          // the ETag header, as sent
        QByteArray lastModified;  // the Last-Modified header, as sent
    };

    // Fetches `url` (https only). With a condition in RequestHeaders, a 304
    // Not Modified is an answer (status 304, empty body), not an error.
    // Throws HttpsError with the reason: "HTTP 404 Not Found", "TLS error:
    // ...", "Transfer Timed out", "redirect to http://... refused: only https
    // is followed", "Transfer too large: ...", "Transfer incomplete: ...",
    // "Bad HTTP answer: ...", "HTTP header too large: ...", "Connection
    // Failed: HOST:PORT could not be reached (Connection refused)", "Host
    // Lookup Failed: HOST could not be resolved (...)", "Transfer canceled"
    // after Abort().
    Response Get(const QUrl& url);

    // Ends a running Get (it throws "Transfer canceled").
    void Abort();
    bool running() const { return running_; }

    qint64 BytesRcvd() const { return bytesRcvd_; }
    // The Content-Length of the body being fetched, 0 when not announced.
    qint64 BytesTotal() const { return bytesTotal_; }

private:
    // One request, widened to the system's CAs once when needed.
    Response fetchTrusted(const QUrl& url);
    // One request, no redirect followed; `untrusted` tells whether it failed
    // only for want of a trusted CA.
    Response fetch(const QUrl& url, bool& untrusted);
    // One exchange on the kept connection or a new one; `retry` is set when a
    // kept connection closed before any answer, so a new one may be tried.
    Response exchange(const QUrl& url, bool& untrusted, bool& retry);
    void dropConnection();
    QSslConfiguration& tls();

    std::unique_ptr<QSslSocket> socket_;  // kept alive between fetches
    QString socketHost_;
    int socketPort_ = 0;
    std::unique_ptr<QSslConfiguration> tls_;  // made at the first fetch (tls())
    std::pair<QString, QString> caFile_;  // SSL_CERT_FILE as given, and absolute
    QList<QSslCertificate> extraCas_;     // of SSL_CERT_FILE
    bool widened_ = false;             // the system's CAs are in tls_ too
    QString caFileNote_;
    bool running_ = false;
    bool abortRequested_ = false;
    qint64 bytesRcvd_ = 0;
    qint64 bytesTotal_ = 0;
    std::function<void()> abortCurrent_;
};

// The User-Agent the program sends: "Orvane++/2.1.2.361 (NCDXF beacon
// monitor; Linux)", from the generated version record.
QString programUserAgent();

}  // namespace orvane::net
