#include "net/HttpsClient.h"

#include <QEventLoop>
#include <QFileInfo>
#include <QNetworkAccessManager>
#include <QNetworkReply>
#include <QNetworkRequest>
#include <QSslCertificate>
#include <QSslConfiguration>
#include <QSslError>
#include <QTimer>

#include <algorithm>

#include "common/Printable.h"
#include "common/Version.h"

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

QString reasonOf(const QNetworkReply& reply) {
    return printable(reply.attribute(QNetworkRequest::HttpReasonPhraseAttribute).toString());
}

bool isRedirect(int status) {
    return status == 301 || status == 302 || status == 303 || status == 307 || status == 308;
}

int statusOf(const QNetworkReply& reply) {
    return reply.attribute(QNetworkRequest::HttpStatusCodeAttribute).toInt();
}

QString statusText(int status, const QString& reason) {
    return reason.isEmpty() ? QStringLiteral("HTTP %1").arg(status) : QStringLiteral("HTTP %1 %2").arg(status).arg(reason);
}

}  // namespace

QString programUserAgent() {
    return QStringLiteral("Orvane++/%1.%2.%3.%4 (NCDXF beacon monitor; Linux)")
        .arg(kVersion.major)
        .arg(kVersion.minor)
        .arg(kVersion.release)
        .arg(kVersion.build);
}

HttpsClient::HttpsClient()
    : manager_(std::make_unique<QNetworkAccessManager>()),
      tls_(std::make_unique<QSslConfiguration>(baseConfiguration())) {
    UserAgent = programUserAgent();
    // Qt reads the system's certificate folders itself but not the file that
    // SSL_CERT_FILE names, which OpenSSL, curl and Python honour; a user who
    // trusts a private mirror's CA that way expects this program to follow.
    // As with OpenSSL, the file's CAs come on top of the system's. Qt can
    // only take both as one explicit list, and reading the system's 140-odd
    // CAs costs more than a whole retrieval from a mirror, so the file's CAs
    // are tried alone first and the system's are added when a peer's chain
    // is not found among them (see Get).
    const QString file = qEnvironmentVariable("SSL_CERT_FILE");
    if (!file.isEmpty()) {
        extraCas_ = QSslCertificate::fromPath(QFileInfo(file).absoluteFilePath(), QSsl::Pem);
        if (extraCas_.isEmpty()) caFileNote_ = QStringLiteral(" (SSL_CERT_FILE '%1' holds no certificate)").arg(file);
        else tls_->setCaCertificates(extraCas_);
    }
    // The client follows redirects itself (https only), so a refusal says
    // where the server wanted to send it, and each hop is one plain request
    // on the same keep-alive connection.
    manager_->setRedirectPolicy(QNetworkRequest::ManualRedirectPolicy);
}

HttpsClient::~HttpsClient() { Abort(); }

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
    tls_->setCaCertificates(QSslConfiguration::systemCaCertificates() + extraCas_);
    return fetch(url, untrusted);
}

HttpsClient::Response HttpsClient::fetch(const QUrl& url, bool& untrusted) {
    untrusted = false;
    if (running_) throw HttpsError("A fetch is already running");
    if (url.scheme() != QLatin1String("https") || url.host().isEmpty())
        throw HttpsError("'" + url.toDisplayString().toStdString() + "' is no https:// address");

    QNetworkRequest request(url);
    request.setHeader(QNetworkRequest::UserAgentHeader, UserAgent);
    for (const auto& [name, value] : RequestHeaders) request.setRawHeader(name, value);
    request.setSslConfiguration(*tls_);
    // Plain HTTP/1.1 with keep-alive: the text products are small, and one
    // reused connection is what the servers expect of a polite client.
    request.setAttribute(QNetworkRequest::Http2AllowedAttribute, false);
    request.setAttribute(QNetworkRequest::RedirectPolicyAttribute, QNetworkRequest::ManualRedirectPolicy);
    request.setTransferTimeout(0);  // the silence is timed here, as the FTP session times it

    running_ = true;
    bytesRcvd_ = 0;
    bytesTotal_ = 0;

    Response response;
    QString failure;  // the first reason the fetch went wrong, set by the handlers
    QStringList tlsErrors;

    QEventLoop loop;
    QTimer silence;
    silence.setSingleShot(true);
    QTimer whole;
    whole.setSingleShot(true);

    std::unique_ptr<QNetworkReply> reply(manager_->get(request));
    QNetworkReply* r = reply.get();
    const auto fail = [&](const QString& why) {
        if (failure.isEmpty()) failure = why;
        r->abort();
    };
    const auto activity = [&] {
        if (TimeOut > 0) silence.start(TimeOut);
    };
    abortCurrent_ = [&] { fail(QStringLiteral("Transfer canceled")); };

    QObject::connect(&silence, &QTimer::timeout, &loop, [&] { fail(QStringLiteral("Transfer Timed out")); });
    QObject::connect(&whole, &QTimer::timeout, &loop,
                     [&] { fail(QStringLiteral("Operation timed out after %1 ms").arg(OperationTimeOut)); });
    QObject::connect(r, &QNetworkReply::metaDataChanged, &loop, [&] {
        activity();
        const qint64 length = r->header(QNetworkRequest::ContentLengthHeader).toLongLong();
        bytesTotal_ = length > 0 ? length : 0;
        if (MaxBodyBytes > 0 && bytesTotal_ > MaxBodyBytes)
            fail(QStringLiteral("Transfer too large: %1 bytes announced, at most %2").arg(bytesTotal_).arg(MaxBodyBytes));
    });
    QObject::connect(r, &QNetworkReply::readyRead, &loop, [&] {
        activity();
        const qint64 available = r->bytesAvailable();
        if (MaxBodyBytes > 0 && response.body.size() + available > MaxBodyBytes) {
            fail(QStringLiteral("Transfer too large: more than %1 bytes").arg(MaxBodyBytes));
            return;
        }
        response.body += r->read(available);
        bytesRcvd_ = response.body.size();
        if (OnPacketRecvd) OnPacketRecvd();
    });
    QObject::connect(r, &QNetworkReply::sslErrors, &loop, [&](const QList<QSslError>& errors) {
        // Never ignored: the handshake fails with them. Their texts say why.
        for (const QSslError& e : errors) {
            tlsErrors << e.errorString();
            if (untrustedIssuer(e)) untrusted = true;
        }
    });
    QObject::connect(r, &QNetworkReply::finished, &loop, &QEventLoop::quit);

    activity();
    if (OperationTimeOut > 0) whole.start(OperationTimeOut);
    if (abortRequested_) fail(QStringLiteral("Transfer canceled"));
    // exec() returns at once (-1) while the application quits; the fetch is
    // then given up rather than waited for in a loop that cannot run.
    while (!r->isFinished()) {
        if (loop.exec() < 0) {
            fail(QStringLiteral("Transfer canceled"));
            break;
        }
    }
    abortCurrent_ = nullptr;
    running_ = false;
    silence.stop();
    whole.stop();

    // Whatever the handlers saw is the reason; Qt's own code comes after.
    if (r->isRunning()) r->abort();
    const int status = statusOf(*r);
    const QString reason = reasonOf(*r);
    if (!failure.isEmpty()) throw HttpsError(failure.toStdString());
    if (!tlsErrors.isEmpty())
        throw HttpsError(("TLS error: " + tlsErrors.join(QStringLiteral("; ")) + caFileNote_).toStdString());
    const QUrl location = r->attribute(QNetworkRequest::RedirectionTargetAttribute).toUrl();
    if (isRedirect(status) && !location.isEmpty()) {
        response.status = status;
        response.reason = reason;
        response.redirectTo = location;
        return response;
    }
    const bool conditional = std::any_of(RequestHeaders.begin(), RequestHeaders.end(), [](const auto& h) {
        return h.first.compare("If-None-Match", Qt::CaseInsensitive) == 0 ||
               h.first.compare("If-Modified-Since", Qt::CaseInsensitive) == 0;
    });
    if (status == 304 && conditional && r->error() == QNetworkReply::NoError) {
        response.status = status;
        response.reason = reason;
        response.body.clear();
        response.url = url;
        response.etag = r->rawHeader("ETag");
        response.lastModified = r->rawHeader("Last-Modified");
        if (OnStatus) OnStatus(QStringLiteral("GET %1 %2").arg(url.toString(), statusText(status, reason).mid(5)));
        return response;
    }
    if (status != 0 && status != 200) throw HttpsError(statusText(status, reason).toStdString());
    if (r->error() != QNetworkReply::NoError) throw HttpsError(r->errorString().toStdString());
    if (status != 200) throw HttpsError("No HTTP answer from " + url.host().toStdString());
    // The rest of the body, should the last block come with the end.
    const QByteArray rest = r->readAll();
    if (MaxBodyBytes > 0 && response.body.size() + rest.size() > MaxBodyBytes)
        throw HttpsError(("Transfer too large: more than " + QString::number(MaxBodyBytes) + " bytes").toStdString());
    response.body += rest;
    bytesRcvd_ = response.body.size();

    response.status = status;
    response.reason = reason;
    response.contentType = r->header(QNetworkRequest::ContentTypeHeader).toString();
    response.etag = r->rawHeader("ETag");
    response.lastModified = r->rawHeader("Last-Modified");
    response.url = url;
    if (OnStatus)
        OnStatus(QStringLiteral("GET %1 %2 (%3 bytes)")
                     .arg(url.toString(), statusText(status, reason).mid(5))
                     .arg(response.body.size()));
    return response;
}

}  // namespace orvane::net
