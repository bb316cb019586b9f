#pragma once

#include <QByteArray>
#include <QProcess>
#include <QString>
#include <QStringList>

#include "support/PythonServer.h"
#include "support/TempDir.h"

// Certificates made by openssl at test time: a test CA, a server certificate
// it signed for 127.0.0.1 and localhost, and one it signed for another name
// only (wrong.example). Made once per test program; the CA reaches the
// program under test through SSL_CERT_FILE, never through the system's
// trust store.
class TestCertificates {
public:
    static const TestCertificates& get() {
        static const TestCertificates certificates;
        return certificates;
    }

    QString caFile() const { return dir_.file(QStringLiteral("ca.pem")); }
    QString certFile(bool wrongName) const { return dir_.file(wrongName ? QStringLiteral("wrong.pem") : QStringLiteral("server.pem")); }
    QString keyFile(bool wrongName) const { return dir_.file(wrongName ? QStringLiteral("wrong.key") : QStringLiteral("server.key")); }
    bool ok() const { return ok_; }
    const QString& error() const { return error_; }

private:
    TestCertificates() {
        ok_ = openssl({"req", "-x509", "-newkey", "ec", "-pkeyopt", "ec_paramgen_curve:prime256v1", "-nodes",
                       "-keyout", file("ca.key"), "-out", file("ca.pem"), "-days", "2", "-subj", "/CN=Orvane Test CA",
                       "-addext", "basicConstraints=critical,CA:TRUE", "-addext",
                       "keyUsage=critical,keyCertSign,cRLSign"}) &&
              server("server", "IP:127.0.0.1,DNS:localhost") && server("wrong", "DNS:wrong.example");
    }

    QString file(const char* name) const { return dir_.file(QString::fromLatin1(name)); }

    bool server(const char* name, const char* altNames) {
        const QString stem = QString::fromLatin1(name);
        TempDir::write(dir_.file(stem + QStringLiteral(".ext")),
                       QByteArray("subjectAltName=") + altNames +
                           "\nbasicConstraints=CA:FALSE\nkeyUsage=digitalSignature\nextendedKeyUsage=serverAuth\n");
        return openssl({"req", "-newkey", "ec", "-pkeyopt", "ec_paramgen_curve:prime256v1", "-nodes", "-keyout",
                        dir_.file(stem + QStringLiteral(".key")), "-out", dir_.file(stem + QStringLiteral(".csr")),
                        "-subj", "/CN=" + stem}) &&
               openssl({"x509", "-req", "-in", dir_.file(stem + QStringLiteral(".csr")), "-CA", file("ca.pem"), "-CAkey",
                        file("ca.key"), "-CAcreateserial", "-out", dir_.file(stem + QStringLiteral(".pem")), "-days", "2",
                        "-extfile", dir_.file(stem + QStringLiteral(".ext"))});
    }

    bool openssl(const QStringList& args) {
        QProcess p;
        p.setWorkingDirectory(dir_.path());
        p.start(QStringLiteral("/usr/bin/openssl"), args);
        if (!p.waitForFinished(30000) || p.exitStatus() != QProcess::NormalExit || p.exitCode() != 0) {
            error_ += QString::fromLocal8Bit(p.readAllStandardError()) + p.errorString();
            return false;
        }
        return true;
    }

    TempDir dir_;
    bool ok_ = false;
    QString error_;
};

// The one real HTTPS server of the tests (support/https_test_server.py:
// /usr/bin/python3's http.server wrapped in ssl), on 127.0.0.1 at a port the
// system picks, over a folder of the test's choosing, and stopped through
// its own process handle. Every request is logged with the client's port,
// so a test can tell whether requests shared one connection.
class HttpsTestServer {
public:
    struct Request {
        QString path;
        int clientPort = 0;
        QString userAgent;
    };

    // `rules` are the script's options ("--html", "/text/wwv.txt", ...).
    // `wrongName` serves the certificate made for another host name.
    bool start(const QString& root, const QStringList& rules = {}, bool wrongName = false) {
        const TestCertificates& certs = TestCertificates::get();
        if (!certs.ok()) {
            error_ = certs.error();
            return false;
        }
        QStringList args{root, certs.certFile(wrongName), certs.keyFile(wrongName), logFile()};
        args << rules;
        return server_.start(QStringLiteral(ORVANE_TEST_SUPPORT_DIR "/https_test_server.py"), args);
    }

    int port() const { return server_.port(); }
    // "https://127.0.0.1:PORT/"
    QString base() const { return QStringLiteral("https://127.0.0.1:%1/").arg(server_.port()); }
    QString error() { return error_ + server_.error(); }

    QList<Request> requests() const {
        QList<Request> result;
        const QStringList lines =
            QString::fromUtf8(TempDir::readAll(logFile())).split(QLatin1Char('\n'), Qt::SkipEmptyParts);
        for (const QString& line : lines) {
            const QStringList f = line.split(QLatin1Char('\t'));
            if (f.size() >= 4) result.append({f[1], f[2].toInt(), f[3]});
        }
        return result;
    }

    QStringList paths() const {
        QStringList result;
        for (const Request& r : requests()) result << r.path;
        return result;
    }

private:
    QString logFile() const { return log_.file(QStringLiteral("requests.log")); }

    PythonServer server_;
    TempDir log_;
    QString error_;
};
