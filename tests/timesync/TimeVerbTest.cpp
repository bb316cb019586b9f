// orvane-cli time: asks once, prints the comparison, never sets the clock.
#include <gtest/gtest.h>

#include <QProcess>
#include <QRegularExpression>

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

TEST(TimeVerb, BadArgumentsAreStatusTwo) {
    for (const QStringList& args : {QStringList{}, QStringList{"--host"}, QStringList{"--host", "h", "--port", "0"},
                                    QStringList{"--host", "h", "--timeout-ms", "x"}, QStringList{"--host", "h", "extra"}})
        EXPECT_EQ(cli(args).exitCode, 2) << args.join(' ').toStdString();
}
