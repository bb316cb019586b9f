// orvane-cli time --host HOST [--port N] [--timeout-ms N]: asks a time server
// once and compares its answer with this PC's clock. It never sets the clock:
// the comparison only reads it.
#include <QEventLoop>
#include <QTimer>

#include "app/cli/CliVerb.h"
#include "common/Clock.h"
#include "timesync/ClockAdjust.h"
#include "timesync/TimeClient.h"

namespace {

using namespace orvane;
using namespace orvane::timesync;

constexpr int kDefaultTimeoutMs = 5000;

bool parseNumber(const QString& text, int low, int high, int& value) {
    bool ok = false;
    value = text.toInt(&ok);
    return ok && value >= low && value <= high;
}

int run(const QStringList& args, QTextStream& out, QTextStream& err) {
    QString host;
    int port = kTimeProtocolPort;
    int timeoutMs = kDefaultTimeoutMs;
    for (qsizetype i = 0; i < args.size(); ++i) {
        QString value;
        if (args[i] == QLatin1String("--host")) {
            if (!cli::takeValue(args, i, host, err)) return 2;
        } else if (args[i] == QLatin1String("--port")) {
            if (!cli::takeValue(args, i, value, err)) return 2;
            if (!parseNumber(value, 1, 65535, port)) {
                err << "orvane-cli time: --port needs a number from 1 to 65535\n";
                return 2;
            }
        } else if (args[i] == QLatin1String("--timeout-ms")) {
            if (!cli::takeValue(args, i, value, err)) return 2;
            if (!parseNumber(value, 1, 3'600'000, timeoutMs)) {
                err << "orvane-cli time: --timeout-ms needs a number from 1 to 3600000\n";
                return 2;
            }
        } else {
            err << "orvane-cli time: unexpected argument '" << args[i] << "'\n";
            return 2;
        }
    }
    if (host.isEmpty()) {
        err << "orvane-cli time: give the server with --host HOST\n";
        return 2;
    }

    const auto resolver = orvane::makeSystemHostResolver();
    TNMUDP endpoint(*resolver);
    endpoint.setRemotePort(static_cast<quint16>(port));
    endpoint.Loaded();
    TimeClient client(endpoint);
    const SystemClock clock;  // read only: const has no setter to call

    QEventLoop loop;
    int status = 1;
    bool done = false;  // a dotted address can fail before the loop runs
    QObject::connect(&client, &TimeClient::requestFailed, &loop, [&](const QString& message) {
        err << message << "\n";
        done = true;
        loop.quit();
    });
    QObject::connect(&client, &TimeClient::replyReceived, &loop, [&](int length, const QString& fromIP, int) {
        char bytes[kTimeReplyBytes] = {};
        endpoint.ReadBuffer(bytes, kTimeReplyBytes);
        const auto seconds = decodeTimeReply(QByteArray(bytes, length == kTimeReplyBytes ? kTimeReplyBytes : 0));
        if (seconds) {
            out << "Time from: " << fromIP << "\n" << comparisonText(compareWithClock(*seconds, clock)) << "\n";
            status = 0;
        } else {
            err << "Did not receive 4 bytes\n";
        }
        done = true;
        loop.quit();
    });
    QTimer::singleShot(timeoutMs, &loop, [&] {
        err << "No answer from " << host << " within " << timeoutMs << " ms\n";
        loop.quit();
    });
    client.request(host);
    if (!done) loop.exec();
    return status;
}

const cli::Registrar kReg({"time",
                           "time --host HOST [--port N] [--timeout-ms N]\n"
                           "                                ask a time server (RFC 868, UDP) once and compare\n"
                           "                                with this PC's clock; never sets the clock",
                           &run});

}  // namespace
