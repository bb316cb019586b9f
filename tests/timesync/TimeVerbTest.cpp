// orvane-cli time: asks once, prints the comparison, never sets the clock.
#include <gtest/gtest.h>

#include <QProcess>
#include <QProcessEnvironment>
#include <QRegularExpression>
#include <cmath>
#include <optional>

#include "timesync/NetTestSupport.h"

using namespace timesync_test;

namespace {

struct CliRun {
    int exitCode = -1;
    QString out;
    QString err;
};

// Runs the tool while this process's event loop keeps serving the scripted server.
CliRun cli(const QStringList& args) {
    QProcess process;
    process.start(QStringLiteral(ORVANE_CLI), QStringList{QStringLiteral("time")} + args);
    const bool finished = waitUntil([&] { return process.state() == QProcess::NotRunning; }, 10000);
    if (!finished) process.kill();
    process.waitForFinished(1000);
    return {process.exitCode(), QString::fromUtf8(process.readAllStandardOutput()),
            QString::fromUtf8(process.readAllStandardError())};
}

QString port(quint16 p) { return QString::number(p); }

}  // namespace

TEST(TimeVerb, ComparesWithTheRealServersAnswer) {
    XinetdTimeServer server;
    ASSERT_TRUE(server.waitReady());
    const CliRun run = cli({"--host", "127.0.0.1", "--port", port(server.port())});
    EXPECT_EQ(run.exitCode, 0) << run.err.toStdString();
    const QStringList lines = run.out.split(QLatin1Char('\n'), Qt::SkipEmptyParts);
    ASSERT_EQ(lines.size(), 2) << run.out.toStdString();
    EXPECT_EQ(lines[0], QStringLiteral("Time from: 127.0.0.1"));
    // The tool reads this machine's clock; a second boundary may fall in between.
    EXPECT_TRUE(QRegularExpression(QStringLiteral("^(Times Match|Local PC was 1 seconds (ahead|behind))$"))
                    .match(lines[1])
                    .hasMatch())
        << lines[1].toStdString();
}

TEST(TimeVerb, FailuresGoToStandardErrorWithStatusOne) {
    ScriptedTimeServer wrongLength;
    wrongLength.answerWith({{QByteArray(5, '\0')}});
    ScriptedTimeServer silent;
    struct Case {
        const char* name;
        QStringList args;
        const char* error;
    };
    const Case cases[] = {
        {"WrongLength", {"--host", "127.0.0.1", "--port", port(wrongLength.port())}, "Did not receive 4 bytes"},
        {"NoAnswer", {"--host", "127.0.0.1", "--port", port(silent.port()), "--timeout-ms", "200"}, "No answer from 127.0.0.1"},
        {"NullAddress", {"--host", "0.0.0.0"}, "Null Remote Address"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const CliRun run = cli(c.args);
        EXPECT_EQ(run.exitCode, 1);
        EXPECT_TRUE(run.out.isEmpty());
        EXPECT_TRUE(run.err.contains(QString::fromLatin1(c.error))) << run.err.toStdString();
    }
}

namespace {

// The offset printed on the line "offset_ms=... delay_ms=... stratum=... proto=ntp".
struct NtpLine {
    double offsetMs = 0, delayMs = 0;
    int stratum = -1;
};
std::optional<NtpLine> ntpLine(const QString& line) {
    const auto m = QRegularExpression(
                       QStringLiteral("^offset_ms=(-?[0-9]+\\.[0-9]{3}) delay_ms=([0-9]+\\.[0-9]{3}) stratum=([0-9]+) proto=ntp$"))
                       .match(line);
    if (!m.hasMatch()) return std::nullopt;
    return NtpLine{m.captured(1).toDouble(), m.captured(2).toDouble(), m.captured(3).toInt()};
}

}  // namespace

TEST(TimeVerb, NtpAgainstChronydPrintsOffsetDelayAndStratum) {
    ChronydServer chronyd;
    ASSERT_TRUE(chronyd.waitReady()) << chronyd.log().toStdString();
    const CliRun run = cli({"--host", "127.0.0.1", "--port", port(chronyd.port()), "--proto", "ntp"});
    EXPECT_EQ(run.exitCode, 0) << run.err.toStdString();
    const QStringList lines = run.out.split(QLatin1Char('\n'), Qt::SkipEmptyParts);
    ASSERT_EQ(lines.size(), 3) << run.out.toStdString();
    EXPECT_EQ(lines[0], QStringLiteral("Time from: 127.0.0.1"));
    const auto line = ntpLine(lines[1]);
    ASSERT_TRUE(line) << lines[1].toStdString();
    EXPECT_EQ(line->stratum, 8);
    // Both read this machine's one clock: only the loopback's asymmetry is left.
    EXPECT_LT(std::abs(line->offsetMs), 1000.0);
    EXPECT_TRUE(QRegularExpression(QStringLiteral("^(Times Match|Local PC was [0-9]+\\.[0-9]{3} s (ahead|behind)) "
                                                  "\\(NTP, \u00B1[0-9]+ ms, server stratum 8\\)$"))
                    .match(lines[2])
                    .hasMatch())
        << lines[2].toStdString();
}

// faketime moves only the clock of the process it starts: the tool reads 5 s
// ahead of chronyd, which serves this machine's clock.
TEST(TimeVerb, AClockFiveSecondsAheadReadsAboutFiveSecondsAhead) {
    ChronydServer chronyd;
    ASSERT_TRUE(chronyd.waitReady()) << chronyd.log().toStdString();
    QProcess process;
    // faketime preloads its library ahead of everything, which a sanitizer
    // build's runtime refuses unless told that the order is intended.
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    const QString asan = env.value(QStringLiteral("ASAN_OPTIONS"));
    env.insert(QStringLiteral("ASAN_OPTIONS"),
               (asan.isEmpty() ? QString() : asan + QLatin1Char(':')) + QStringLiteral("verify_asan_link_order=0"));
    process.setProcessEnvironment(env);
    process.start(QStringLiteral("faketime"), {QStringLiteral("-f"), QStringLiteral("+5s"), QStringLiteral(ORVANE_CLI),
                                               QStringLiteral("time"), QStringLiteral("--host"), QStringLiteral("127.0.0.1"),
                                               QStringLiteral("--port"), port(chronyd.port()), QStringLiteral("--proto"),
                                               QStringLiteral("ntp")});
    ASSERT_TRUE(waitUntil([&] { return process.state() == QProcess::NotRunning; }, 20000));
    const QString out = QString::fromUtf8(process.readAllStandardOutput());
    ASSERT_EQ(process.exitCode(), 0) << process.readAllStandardError().toStdString();
    const QStringList lines = out.split(QLatin1Char('\n'), Qt::SkipEmptyParts);
    ASSERT_EQ(lines.size(), 3) << out.toStdString();
    const auto line = ntpLine(lines[1]);
    ASSERT_TRUE(line) << lines[1].toStdString();
    EXPECT_NEAR(line->offsetMs, -5000.0, 500.0);
    EXPECT_TRUE(lines[2].startsWith(QStringLiteral("Local PC was 5.")) || lines[2].startsWith(QStringLiteral("Local PC was 4.")))
        << lines[2].toStdString();
    EXPECT_TRUE(lines[2].contains(QStringLiteral(" s ahead (NTP, "))) << lines[2].toStdString();
}

TEST(TimeVerb, OnlyRefusedNtpRepliesEndInStatusOneWithTheReason) {
    ScriptedTimeServer server;
    server.respondWith([](const QByteArray& request) {
        QByteArray reply(48, '\0');
        reply[0] = static_cast<char>(0xE4);  // leap 3, version 4, mode 4
        reply[1] = 2;
        reply.replace(24, 8, request.mid(40, 8));
        reply[40] = 1;
        return std::vector<ScriptedTimeServer::Datagram>{{reply}};
    });
    const CliRun run = cli({"--host", "ntp:127.0.0.1", "--port", port(server.port()), "--timeout-ms", "300"});
    EXPECT_EQ(run.exitCode, 1);
    EXPECT_TRUE(run.out.isEmpty()) << run.out.toStdString();
    EXPECT_TRUE(run.err.contains(QStringLiteral("1 datagram(s) refused, the last: server clock not synchronised")))
        << run.err.toStdString();
}

TEST(TimeVerb, BadArgumentsAreStatusTwo) {
    for (const QStringList& args : {QStringList{}, QStringList{"--host"}, QStringList{"--host", "h", "--port", "0"},
                                    QStringList{"--host", "h", "--proto", "sntp"},
                                    QStringList{"--host", "h", "--timeout-ms", "x"}, QStringList{"--host", "h", "extra"}})
        EXPECT_EQ(cli(args).exitCode, 2) << args.join(' ').toStdString();
}
