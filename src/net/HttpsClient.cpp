#include "net/HttpsClient.h"

#include <QCoreApplication>
#include <QEventLoop>
#include <QFileInfo>
#include <QSslCertificate>
#include <QSslConfiguration>
#include <QSslError>
#include <QSslSocket>
#include <QTimer>

#include <QScopeGuard>

#include <algorithm>

#include "common/Printable.h"
#include "common/Version.h"
#include "net/HttpResponseReader.h"

namespace orvane::net {
namespace {

QSslConfiguration baseConfiguration() {
    QSslConfiguration tls = QSslConfiguration::defaultConfiguration();
    tls.setPeerVerifyMode(QSslSocket::VerifyPeer);
    return tls;
}

// Errors that say only that no trusted CA was found for the peer's chain.
bool untrustedIssuer(const QSslError& e) {
    switch (e.error()) {
    case QSslError::UnableToGetIssuerCertificate:
    case QSslError::UnableToGetLocalIssuerCertificate:
    case QSslError::UnableToVerifyFirstCertificate:
    case QSslError::SelfSignedCertificateInChain:
    case QSslError::CertificateUntrusted:
        return true;
    default:
        return false;
    }
}

bool isRedirect(int status) {
    return status == 301 || status == 302 || status == 303 || status == 307 || status == 308;
}

QString statusText(int status, const QString& reason) {
    return reason.isEmpty() ? QStringLiteral("HTTP %1").arg(status) : QStringLiteral("HTTP %1 %2").arg(status).arg(reason);
}

// The request line and header of a GET; the caller's extra fields must not
// carry a line break of their own.
QByteArray requestOf(const QUrl& url, const QString& userAgent, const QList<QPair<QByteArray, QByteArray>>& extra) {
    QByteArray target = url.path(QUrl::FullyEncoded).toLatin1();
    if (target.isEmpty()) target = "/";
    if (url.hasQuery()) target += '?' + url.query(QUrl::FullyEncoded).toLatin1();
    QByteArray host = url.host(QUrl::FullyEncoded).toLatin1();
    if (host.contains(':')) host = '[' + host + ']';
    if (url.port(443) != 443) host += ':' + QByteArray::number(url.port());
    QByteArray request = "GET " + target + " HTTP/1.1\r\nHost: " + host + "\r\nUser-Agent: " + userAgent.toUtf8() +
                         "\r\nAccept: */*\r\nConnection: keep-alive\r\n";
    for (const auto& [name, value] : extra) {
        if (name.contains('\r') || name.contains('\n') || value.contains('\r') || value.contains('\n'))
            throw HttpsError("a request header holds a line break: " + printable(QString::fromLatin1(name)).toStdString());
        request += name + ": " + value + "\r\n";
    }
    return request + "\r\n";
}

// Qt says "The TLS/SSL connection has been closed" (as a remote close) when
// the peer's close_notify arrives, and "The remote host closed the
// connection" for the bare TCP close; nothing else tells the two apart. Should
// a later Qt word it otherwise, a body without a length is refused, never
// taken for complete.
bool isTlsClosure(const QSslSocket& socket) {
    return socket.error() == QAbstractSocket::RemoteHostClosedError &&
           socket.errorString() == QSslSocket::tr("The TLS/SSL connection has been closed");
}

}  // namespace

QString programUserAgent() {
    return QStringLiteral("Orvane++/%1.%2.%3.%4 (NCDXF beacon monitor; Linux)")
        .arg(kVersion.major)
        .arg(kVersion.minor)
        .arg(kVersion.release)
        .arg(kVersion.build);
}

HttpsClient::HttpsClient() {
    UserAgent = programUserAgent();
    // Named now, read at the first fetch: a relative name means the folder
    // the program started in, whatever folder it works in by then.
    const QString file = qEnvironmentVariable("SSL_CERT_FILE");
    if (!file.isEmpty()) caFile_ = {file, QFileInfo(file).absoluteFilePath()};
}

// Made at the first fetch, not with the client: the window builds its clients
// at start, and reading a CA file (a whole system bundle, on some desktops)
// and starting the TLS library are work that only a fetch needs.
QSslConfiguration& HttpsClient::tls() {
    if (tls_) return *tls_;
    tls_ = std::make_unique<QSslConfiguration>(baseConfiguration());
    // Qt reads the system's certificate folders itself but not the file that
    // SSL_CERT_FILE names, which OpenSSL, curl and Python honour; a user who
    // trusts a private mirror's CA that way expects this program to follow.
    // As with OpenSSL, the file's CAs come on top of the system's. Qt can
    // only take both as one explicit list, and reading the system's 140-odd
    // CAs costs more than a whole retrieval from a mirror, so the file's CAs
    // are tried alone first and the system's are added when a peer's chain
    // is not found among them (see Get).
    if (!caFile_.first.isEmpty()) {
        extraCas_ = QSslCertificate::fromPath(caFile_.second, QSsl::Pem);
        if (extraCas_.isEmpty())
            caFileNote_ = QStringLiteral(" (SSL_CERT_FILE '%1' holds no certificate)").arg(caFile_.first);
        else tls_->setCaCertificates(extraCas_);
    }
    return *tls_;
}

HttpsClient::~HttpsClient() {
    Abort();
    dropConnection();
}

void HttpsClient::dropConnection() {
    if (!socket_) return;
    socket_->abort();
    socket_.reset();
}

void HttpsClient::Abort() {
    abortRequested_ = true;
    if (abortCurrent_) abortCurrent_();
}

HttpsClient::Response HttpsClient::Get(const QUrl& url) {
    // An Abort() from here on, between the hops too, ends this Get.
    abortRequested_ = false;
    QUrl current = url;
    for (int hop = 0;; ++hop) {
        Response response = fetchTrusted(current);
        if (response.redirectTo.isEmpty()) return response;
        const QUrl next = current.resolved(response.redirectTo);
        if (OnStatus)
            OnStatus(QStringLiteral("GET %1 %2 -> %3")
                         .arg(current.toString(), statusText(response.status, response.reason).mid(5), next.toString()));
        if (next.scheme() != QLatin1String("https"))
            throw HttpsError(("redirect to " + next.toString() + " refused: only https is followed").toStdString());
        if (hop >= MaxRedirects) throw HttpsError("more than " + std::to_string(MaxRedirects) + " redirects");
        current = next;
    }
}

HttpsClient::Response HttpsClient::fetchTrusted(const QUrl& url) {
    bool untrusted = false;
    try {
        return fetch(url, untrusted);
    } catch (const HttpsError&) {
        if (!untrusted || extraCas_.isEmpty() || widened_) throw;
    }
    widened_ = true;
    tls().setCaCertificates(QSslConfiguration::systemCaCertificates() + extraCas_);
    return fetch(url, untrusted);
}

HttpsClient::Response HttpsClient::fetch(const QUrl& url, bool& untrusted) {
    untrusted = false;
    if (running_) throw HttpsError("A fetch is already running");
    if (url.scheme() != QLatin1String("https") || url.host().isEmpty())
        throw HttpsError("'" + url.toDisplayString().toStdString() + "' is no https:// address");
    running_ = true;
    bytesRcvd_ = 0;
    bytesTotal_ = 0;
    const auto done = qScopeGuard([this] {
        running_ = false;
        abortCurrent_ = nullptr;
    });
    // A kept connection the server has closed meanwhile fails before any
    // answer: the request is sent once more on a new one (a GET may be).
    bool retry = false;
    Response response = exchange(url, untrusted, retry);
    if (retry) response = exchange(url, untrusted, retry);
    return response;
}

HttpsClient::Response HttpsClient::exchange(const QUrl& url, bool& untrusted, bool& retry) {
    retry = false;
    const QString host = url.host();
    const int port = url.port(443);
    const QString where = QStringLiteral("%1:%2").arg(host).arg(port);
    const bool reused = socket_ && socket_->state() == QAbstractSocket::ConnectedState && socket_->isEncrypted() &&
                        socketHost_ == host && socketPort_ == port && socket_->bytesAvailable() == 0;
    if (!reused) {
        dropConnection();
        socket_ = std::make_unique<QSslSocket>();
        socket_->setSslConfiguration(tls());
        socket_->setPeerVerifyMode(QSslSocket::VerifyPeer);
        socketHost_ = host;
        socketPort_ = port;
    }
    QSslSocket* s = socket_.get();
    const QByteArray request = requestOf(url, UserAgent, RequestHeaders);

    HttpResponseReader reader(MaxBodyBytes);
    QString failure;  // the first reason the fetch went wrong, set by the handlers
    QStringList tlsErrors;
    bool closed = false;
    bool tlsClosed = false;
    bool extraBytes = false;

    QEventLoop loop;
    QTimer silence;
    silence.setSingleShot(true);
    QTimer whole;
    whole.setSingleShot(true);
    const auto finish = [&] { loop.quit(); };
    const auto fail = [&](const QString& why) {
        if (failure.isEmpty()) failure = why;
        finish();
    };
    const auto activity = [&] {
        if (TimeOut > 0) silence.start(TimeOut);
    };
    // An answer that is not one we read on: its status says it all.
    const auto wanted = [](int status) { return status == 200 || status == 304 || isRedirect(status); };
    const auto settled = [&] {
        return reader.done() || reader.failed() || (reader.headerComplete() && !wanted(reader.status()));
    };
    const auto consume = [&] {
        while (s->bytesAvailable() > 0 && !settled()) {
            const QByteArray bytes = s->read(std::min<qint64>(s->bytesAvailable(), 64 * 1024));
            const qsizetype before = reader.body().size();
            const qsizetype used = reader.feed(bytes);
            if (reader.done() && used < bytes.size()) extraBytes = true;
            if (reader.headerComplete()) bytesTotal_ = std::max<qint64>(reader.contentLength(), 0);
            // Only the body counts as a sign of life: a header trickled
            // byte by byte does not hold the client.
            if (reader.body().size() > before) {
                activity();
                bytesRcvd_ = reader.body().size();
                if (OnPacketRecvd) OnPacketRecvd();
            }
        }
        if (settled()) finish();
    };
    const auto connectionEnded = [&] {
        if (closed) return;
        closed = true;
        consume();
        reader.end(tlsClosed);
        finish();
    };

    QList<QMetaObject::Connection> links;
    links << QObject::connect(s, &QSslSocket::encrypted, &loop, [&] { s->write(request); });
    links << QObject::connect(s, &QSslSocket::sslErrors, &loop, [&](const QList<QSslError>& errors) {
        // Never ignored: the handshake fails with them. Their texts say why.
        for (const QSslError& e : errors) {
            tlsErrors << e.errorString();
            if (untrustedIssuer(e)) untrusted = true;
        }
    });
    links << QObject::connect(s, &QSslSocket::readyRead, &loop, consume);
    links << QObject::connect(s, &QAbstractSocket::disconnected, &loop, connectionEnded);
    links << QObject::connect(s, &QAbstractSocket::errorOccurred, &loop, [&](QAbstractSocket::SocketError e) {
        switch (e) {
        case QAbstractSocket::RemoteHostClosedError:
            // The TLS closure comes first, the TCP close after it.
            if (isTlsClosure(*s)) tlsClosed = true;
            else connectionEnded();
            return;
        // Named as the FTP session names them: which host, and the system's reason.
        case QAbstractSocket::HostNotFoundError:
            fail(QStringLiteral("Host Lookup Failed: %1 could not be resolved (%2)").arg(host, s->errorString()));
            return;
        case QAbstractSocket::ConnectionRefusedError:
        case QAbstractSocket::NetworkError:
        case QAbstractSocket::SocketTimeoutError:
            if (!s->isEncrypted() && !reused) {
                fail(QStringLiteral("Connection Failed: %1 could not be reached (%2)").arg(where, s->errorString()));
                return;
            }
            break;
        case QAbstractSocket::SslHandshakeFailedError:
            fail(QStringLiteral("TLS error: ") + s->errorString());
            return;
        default:
            break;
        }
        fail(s->errorString());
    });
    // The socket may outlive this exchange; its links to the locals may not.
    const auto unlink = qScopeGuard([&] {
        for (const auto& link : links) QObject::disconnect(link);
    });

    QObject::connect(&silence, &QTimer::timeout, &loop, [&] {
        if (s->state() == QAbstractSocket::HostLookupState)
            fail(QStringLiteral("Host Lookup Timed Out: %1 could not be resolved").arg(host));
        else if (s->state() != QAbstractSocket::ConnectedState)
            fail(QStringLiteral("Connection Timed out: %1 could not be reached").arg(where));
        else fail(QStringLiteral("Transfer Timed out"));
    });
    QObject::connect(&whole, &QTimer::timeout, &loop,
                     [&] { fail(QStringLiteral("Operation timed out after %1 ms").arg(OperationTimeOut)); });
    abortCurrent_ = [&] { fail(QStringLiteral("Transfer canceled")); };

    activity();
    if (OperationTimeOut > 0) whole.start(OperationTimeOut);
    if (abortRequested_) fail(QStringLiteral("Transfer canceled"));
    else if (reused) s->write(request);
    else s->connectToHostEncrypted(host, static_cast<quint16>(port));
    // exec() returns at once (-1) while the application quits; the fetch is
    // then given up rather than waited for in a loop that cannot run.
    while (failure.isEmpty() && !closed && !settled()) {
        if (loop.exec() < 0) {
            fail(QStringLiteral("Transfer canceled"));
            break;
        }
    }
    abortCurrent_ = nullptr;
    silence.stop();
    whole.stop();

    const bool keep = failure.isEmpty() && tlsErrors.isEmpty() && reader.done() && reader.keepAlive() && !extraBytes &&
                      !closed && wanted(reader.status()) && s->state() == QAbstractSocket::ConnectedState;
    if (!keep) {
        for (const auto& link : links) QObject::disconnect(link);
        links.clear();
        dropConnection();
    }

    if (!tlsErrors.isEmpty())
        throw HttpsError(("TLS error: " + tlsErrors.join(QStringLiteral("; ")) + caFileNote_).toStdString());
    if (!failure.isEmpty()) throw HttpsError(failure.toStdString());
    if (reused && closed && reader.nothingReceived()) {
        retry = true;
        return {};
    }
    const int status = reader.status();
    const QString reason = printable(QString::fromLatin1(reader.reason()));
    if (reader.headerComplete() && !wanted(status)) throw HttpsError(statusText(status, reason).toStdString());
    if (reader.failed()) {
        if (reader.nothingReceived()) throw HttpsError("No HTTP answer from " + host.toStdString());
        throw HttpsError(reader.error().toStdString());
    }

    Response response;
    response.status = status;
    response.reason = reason;
    response.url = url;
    response.contentType = QString::fromLatin1(reader.header("Content-Type"));
    response.etag = reader.header("ETag");
    response.lastModified = reader.header("Last-Modified");
    if (isRedirect(status)) {
        const QByteArray location = reader.header("Location");
        if (location.isEmpty()) throw HttpsError(statusText(status, reason).toStdString() + " without a Location");
        response.redirectTo = QUrl::fromEncoded(location);
        return response;
    }
    const bool conditional = std::any_of(RequestHeaders.begin(), RequestHeaders.end(), [](const auto& h) {
        return h.first.compare("If-None-Match", Qt::CaseInsensitive) == 0 ||
               h.first.compare("If-Modified-Since", Qt::CaseInsensitive) == 0;
    });
    if (status == 304) {
        if (!conditional) throw HttpsError(statusText(status, reason).toStdString());
        if (OnStatus) OnStatus(QStringLiteral("GET %1 %2").arg(url.toString(), statusText(status, reason).mid(5)));
        return response;
    }
    response.body = reader.body();
    bytesRcvd_ = response.body.size();
    if (OnStatus)
        OnStatus(QStringLiteral("GET %1 %2 (%3 bytes)")
                     .arg(url.toString(), statusText(status, reason).mid(5))
                     .arg(response.body.size()));
    return response;
}

}  // namespace orvane::net
