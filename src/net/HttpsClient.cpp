#include "net/HttpsClient.h"

#include <QEventLoop>
#include <QNetworkAccessManager>
#include <QNetworkReply>
#include <QNetworkRequest>
#include <QSslCertificate>
#include <QSslConfiguration>
#include <QSslError>
#include <QTimer>

#include "common/Version.h"

namespace orvane::net {
namespace {

// Qt reads the system's certificate folders itself but not the file that
// SSL_CERT_FILE names, which OpenSSL, curl and Python honour; a user who
// trusts a private mirror's CA that way expects this program to follow. The
// file adds to the system's CAs (OpenSSL still reads the system folder too).
QSslConfiguration tlsConfiguration() {
    QSslConfiguration tls = QSslConfiguration::defaultConfiguration();
    tls.setPeerVerifyMode(QSslSocket::VerifyPeer);
    const QString file = qEnvironmentVariable("SSL_CERT_FILE");
    if (!file.isEmpty()) {
        const QList<QSslCertificate> extra = QSslCertificate::fromPath(file, QSsl::Pem);
        if (!extra.isEmpty()) {
            // Adding to the list would switch off Qt's loading of the
            // system's CAs, so they are named explicitly.
            tls.setCaCertificates(QSslConfiguration::systemCaCertificates() + extra);
        }
    }
    return tls;
}

QString reasonOf(const QNetworkReply& reply) {
    return reply.attribute(QNetworkRequest::HttpReasonPhraseAttribute).toString();
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
      tls_(std::make_unique<QSslConfiguration>(tlsConfiguration())) {
    UserAgent = programUserAgent();
    // The client judges each redirect itself (https only), so a refusal
    // says where the server wanted to send it.
    manager_->setRedirectPolicy(QNetworkRequest::UserVerifiedRedirectPolicy);
}

HttpsClient::~HttpsClient() { Abort(); }

void HttpsClient::Abort() {
    abortRequested_ = true;
    if (abortCurrent_) abortCurrent_();
}

HttpsClient::Response HttpsClient::Get(const QUrl& url) {
    if (running_) throw HttpsError("A fetch is already running");
    if (url.scheme() != QLatin1String("https") || url.host().isEmpty())
        throw HttpsError("'" + url.toDisplayString().toStdString() + "' is no https:// address");

    QNetworkRequest request(url);
    request.setHeader(QNetworkRequest::UserAgentHeader, UserAgent);
    request.setSslConfiguration(*tls_);
    request.setMaximumRedirectsAllowed(MaxRedirects);
    // Plain HTTP/1.1 with keep-alive: the text products are small, and one
    // reused connection is what the servers expect of a polite client.
    request.setAttribute(QNetworkRequest::Http2AllowedAttribute, false);
    request.setAttribute(QNetworkRequest::RedirectPolicyAttribute, QNetworkRequest::UserVerifiedRedirectPolicy);
    request.setTransferTimeout(0);  // the silence is timed here, as the FTP session times it

    running_ = true;
    abortRequested_ = false;
    bytesRcvd_ = 0;
    bytesTotal_ = 0;

    Response response;
    QString failure;  // the first reason the fetch went wrong, set by the handlers
    QStringList tlsErrors;
    QUrl current = url;

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
    QObject::connect(r, &QNetworkReply::redirected, &loop, [&](const QUrl& target) {
        activity();
        const QUrl next = current.resolved(target);
        const QString line = QStringLiteral("GET %1 %2 -> %3")
                                 .arg(current.toString(), statusText(statusOf(*r), reasonOf(*r)).mid(5),
                                      next.toString());
        if (OnStatus) OnStatus(line);
        if (next.scheme() != QLatin1String("https")) {
            fail(QStringLiteral("redirect to %1 refused: only https is followed").arg(next.toString()));
            return;
        }
        current = next;
        emit r->redirectAllowed();
    });
    QObject::connect(r, &QNetworkReply::sslErrors, &loop, [&](const QList<QSslError>& errors) {
        // Never ignored: the handshake fails with them. Their texts say why.
        for (const QSslError& e : errors) tlsErrors << e.errorString();
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
    if (!tlsErrors.isEmpty()) throw HttpsError(("TLS error: " + tlsErrors.join(QStringLiteral("; "))).toStdString());
    if (status != 0 && status != 200) throw HttpsError(statusText(status, reason).toStdString());
    if (r->error() != QNetworkReply::NoError) throw HttpsError(r->errorString().toStdString());
    if (status != 200) throw HttpsError("No HTTP answer from " + current.host().toStdString());
    // The rest of the body, should the last block come with the end.
    const QByteArray rest = r->readAll();
    if (MaxBodyBytes > 0 && response.body.size() + rest.size() > MaxBodyBytes)
        throw HttpsError(("Transfer too large: more than " + QString::number(MaxBodyBytes) + " bytes").toStdString());
    response.body += rest;
    bytesRcvd_ = response.body.size();

    response.status = status;
    response.reason = reason;
    response.contentType = r->header(QNetworkRequest::ContentTypeHeader).toString();
    response.url = current;
    if (OnStatus)
        OnStatus(QStringLiteral("GET %1 %2 (%3 bytes)")
                     .arg(url.toString(), statusText(status, reason).mid(5))
                     .arg(response.body.size()));
    return response;
}

}  // namespace orvane::net
