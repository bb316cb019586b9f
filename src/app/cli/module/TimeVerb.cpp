// orvane-cli time --host HOST [--port N] [--proto ntp|time|auto] [--timeout-ms N]:
// asks a time server once and compares its answer with this PC's clock. It
// never sets the clock: the comparison only reads it.
#include <QEventLoop>
#include <QTimer>
#include <algorithm>

#include "app/cli/CliVerb.h"
#include "common/Clock.h"
#include "timesync/ClockAdjust.h"
#include "timesync/TimeQuery.h"

namespace {

using namespace orvane;
using namespace orvane::timesync;

constexpr int kDefaultTimeoutMs = 5000;

bool parseNumber(const QString& text, int low, int high, int& value) {
    bool ok = false;
    value = text.toInt(&ok);
    return ok && value >= low && value <= high;
}

int run(const cli::VerbArguments& args, QTextStream& out, QTextStream& err) {
    QString host = args.value("host");
    int port = 0;  // the protocol's own
    int timeoutMs = kDefaultTimeoutMs;
    TimeProto proto = TimeProto::Auto;
    const bool protoGiven = args.isSet("proto");
    if (args.isSet("port") && !parseNumber(args.value("port"), 1, 65535, port)) {
        err << "orvane-cli time: --port needs a number from 1 to 65535\n";
        return 2;
    }
    if (protoGiven) {
        const QString value = args.value("proto");
        if (value == QLatin1String("ntp")) {
            proto = TimeProto::Ntp;
        } else if (value == QLatin1String("time")) {
            proto = TimeProto::Time;
        } else if (value == QLatin1String("auto")) {
            proto = TimeProto::Auto;
        } else {
            err << "orvane-cli time: --proto is ntp, time or auto\n";
            return 2;
        }
    }
    if (args.isSet("timeout-ms") && !parseNumber(args.value("timeout-ms"), 1, 3'600'000, timeoutMs)) {
        err << "orvane-cli time: --timeout-ms needs a number from 1 to 3600000\n";
        return 2;
    }
    if (host.isEmpty()) {
        err << "orvane-cli time: give the server with --host HOST\n";
        return 2;
    }

    // A host-list entry ("ntp:HOST") names its protocol unless --proto does.
    HostEntry entry = parseHostEntry(host);
    if (protoGiven) entry.proto = proto;
    proto = entry.proto;
    host = entry.host;

    const auto resolver = orvane::makeSystemHostResolver();
    TNMUDP endpoint(*resolver);
    endpoint.Loaded();
    const SystemClock clock;  // read only: const has no setter to call
    TimeQuery query(endpoint, clock);
    query.setPorts(port ? static_cast<quint16>(port) : kNtpPort, port ? static_cast<quint16>(port) : kTimeProtocolPort);
    // A bare host has half the time for NTP and the rest for the Time
    // protocol; an NTP-only question has all of it.
    query.setNtpTimeoutMs(proto == TimeProto::Auto ? std::max(1, timeoutMs / 2) : timeoutMs);

    QEventLoop loop;
    int status = 1;
    bool done = false;  // a dotted address can fail before the loop runs
    const auto finish = [&](int code) {
        status = code;
        done = true;
        loop.quit();
    };
    // The query's own time-out and the command's can fall due in the same
    // turn of the loop: only the first word is said.
    QObject::connect(&query, &TimeQuery::requestFailed, &loop, [&](const QString& message) {
        if (done) return;
        err << message << "\n";
        finish(1);
    });
    QObject::connect(&query, &TimeQuery::failed, &loop, [&](const QString& message) {
        if (done) return;
        err << message << "\n";
        finish(1);
    });
    QObject::connect(&query, &TimeQuery::ntpAnswered, &loop,
                     [&](const NtpReply& reply, const NtpMeasurement& m, const QString& fromIP) {
                         if (done) return;
                         out << "Time from: " << fromIP << "\n"
                             << QStringLiteral("offset_ms=%1 delay_ms=%2 stratum=%3 proto=ntp")
                                    .arg(m.offsetMs, 0, 'f', 3)
                                    .arg(m.delayMs, 0, 'f', 3)
                                    .arg(reply.stratum)
                             << "\n"
                             << ntpStatusText(m, reply.stratum) << "\n";
                         finish(0);
                     });
    QObject::connect(&query, &TimeQuery::timeAnswered, &loop, [&](int length, const QString& fromIP) {
        if (done) return;
        char bytes[kTimeReplyBytes] = {};
        endpoint.ReadBuffer(bytes, kTimeReplyBytes);
        const auto seconds = decodeTimeReply(QByteArray(bytes, length == kTimeReplyBytes ? kTimeReplyBytes : 0));
        if (seconds) {
            out << "Time from: " << fromIP << "\n" << comparisonText(compareWithClock(*seconds, clock)) << "\n";
            finish(0);
        } else {
            err << "Did not receive 4 bytes\n";
            finish(1);
        }
    });
    QTimer::singleShot(timeoutMs, &loop, [&] {
        if (done) return;
        err << "No answer from " << host << " within " << timeoutMs << " ms";
        if (query.ntp().refusedCount() > 0)
            err << "; " << query.ntp().refusedCount() << " datagram(s) refused, the last: " << query.ntp().lastRefusal();
        err << "\n";
        finish(1);
    });
    query.start(entry);
    if (!done) loop.exec();
    return status;
}

const cli::Registrar kReg({"time",
                           "time --host HOST [--port N] [--proto ntp|time|auto] [--timeout-ms N]\n"
                           "    ask a time server once and compare with this PC's clock; never sets the clock.\n"
                           "    --proto: ntp (UDP 123, prints offset_ms, delay_ms, stratum), time (RFC 868,\n"
                           "    UDP 37) or auto (default: NTP, then RFC 868 after half of --timeout-ms)",
                           {{"host", "HOST", "the time server (an entry such as ntp:HOST names its protocol)"},
                            {"port", "N", "its port (default the protocol's own)"},
                            {"proto", "ntp|time|auto", "the protocol (default auto)"},
                            {"timeout-ms", "N", "how long to wait for an answer (default 5000)"}},
                           nullptr,
                           &run});

}  // namespace
