#pragma once

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QStandardPaths>
#include <QString>
#include <QTemporaryDir>

#include "support/WaitUntil.h"

// A PulseAudio sound server of the test's own: a user daemon (never the
// system's), with its own runtime and home folders in a temporary folder, a
// null sink "orvane_null" at 12 kHz mono and the native protocol on a socket
// in that folder only; no other module is loaded, so it touches no sound
// card. Stopped by its PID. Qt Multimedia lists no monitor sources, so the
// null sink's monitor is offered as an input of its own (a remap source
// named "OrvaneCapture"): what is played into the sink comes out there.
//
// The server's address goes to this process's environment (PULSE_SERVER), so
// construct it before anything opens the sound system: a client library
// connects once per process. start() says why when the server cannot start
// (no pulseaudio installed, a sandbox that forbids it), so the test can skip.
class PulseAudioServer {
public:
    static constexpr const char* kSink = "orvane_null";
    static constexpr const char* kCaptureDescription = "OrvaneCapture";

    PulseAudioServer() = default;
    ~PulseAudioServer() { stop(); }
    PulseAudioServer(const PulseAudioServer&) = delete;
    PulseAudioServer& operator=(const PulseAudioServer&) = delete;

    // `sinks` null sinks, each with its capture source: a station with as
    // many receivers (the first named as above, then "orvane_null2" and
    // "OrvaneCapture2" and on).
    bool start(QString* whyNot, int sinks = 1) {
        const QString pulseaudio = QStandardPaths::findExecutable(QStringLiteral("pulseaudio"));
        if (pulseaudio.isEmpty() || QStandardPaths::findExecutable(QStringLiteral("pacat")).isEmpty() ||
            QStandardPaths::findExecutable(QStringLiteral("pactl")).isEmpty()) {
            *whyNot = QStringLiteral("pulseaudio, pacat or pactl is not installed (tools/install-deps.sh installs them)");
            return false;
        }
        const QString root = dir_.path();
        QDir(root).mkpath(QStringLiteral("run"));
        QDir(root).mkpath(QStringLiteral("home"));
        socket_ = root + QStringLiteral("/run/native");
        const QString config = root + QStringLiteral("/server.pa");
        QFile f(config);
        if (!f.open(QIODevice::WriteOnly)) {
            *whyNot = QStringLiteral("cannot write the server's configuration");
            return false;
        }
        for (int n = 1; n <= sinks; ++n)
            f.write(QStringLiteral("load-module module-null-sink sink_name=%1 rate=12000 channels=1\n"
                                   "load-module module-remap-source master=%1.monitor source_name=orvane_capture%3 "
                                   "source_properties=device.description=%2\n")
                        .arg(sinkName(n), captureDescription(n), n == 1 ? QString() : QString::number(n))
                        .toUtf8());
        f.write(QStringLiteral("load-module module-native-protocol-unix socket=%1 auth-anonymous=1\n")
                    .arg(socket_)
                    .toUtf8());
        f.close();
        // The client side never starts a server of its own.
        const QString clientConfig = root + QStringLiteral("/client.conf");
        QFile c(clientConfig);
        if (c.open(QIODevice::WriteOnly)) c.write("autospawn = no\n");
        c.close();

        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert(QStringLiteral("XDG_RUNTIME_DIR"), root + QStringLiteral("/run"));
        env.insert(QStringLiteral("HOME"), root + QStringLiteral("/home"));
        env.remove(QStringLiteral("DBUS_SESSION_BUS_ADDRESS"));
        process_.setProcessEnvironment(env);
        process_.setProgram(pulseaudio);
        // -n: no default script; as root a user daemon needs --system=no.
        process_.setArguments({QStringLiteral("-n"), QStringLiteral("--daemonize=no"), QStringLiteral("--system=no"),
                               QStringLiteral("--exit-idle-time=-1"), QStringLiteral("--use-pid-file=no"),
                               QStringLiteral("--log-target=stderr"), QStringLiteral("-F"), config});
        process_.setStandardOutputFile(root + QStringLiteral("/server.log"));
        process_.setStandardErrorFile(root + QStringLiteral("/server.log"), QIODevice::Append);
        process_.start();
        if (!process_.waitForStarted(5000)) {
            *whyNot = QStringLiteral("pulseaudio did not start: %1").arg(process_.errorString());
            return false;
        }
        // Ready when a client is served, not when the socket is there: the
        // socket's file exists a moment before the server takes connections,
        // and on a busy machine a client could be turned away in between.
        const auto answers = [&] {
            if (!QFile::exists(socket_)) return false;
            QProcess pactl;
            QProcessEnvironment pactlEnv = QProcessEnvironment::systemEnvironment();
            pactlEnv.insert(QStringLiteral("PULSE_CLIENTCONFIG"), clientConfig);
            pactl.setProcessEnvironment(pactlEnv);
            pactl.start(QStringLiteral("pactl"), {QStringLiteral("--server=") + server(), QStringLiteral("info")});
            return pactl.waitForFinished(5000) && pactl.exitStatus() == QProcess::NormalExit && pactl.exitCode() == 0;
        };
        const bool ready =
            waitUntil([&] { return process_.state() == QProcess::NotRunning || answers(); }, 15000, 20);
        if (!ready || process_.state() == QProcess::NotRunning) {
            *whyNot = QStringLiteral("pulseaudio did not come up: %1").arg(QString::fromUtf8(log().right(400)));
            stop();
            return false;
        }
        qputenv("PULSE_SERVER", server().toUtf8());
        qputenv("PULSE_CLIENTCONFIG", clientConfig.toUtf8());
        return true;
    }

    void stop() {
        if (process_.state() == QProcess::NotRunning) return;
        process_.terminate();  // SIGTERM to this child's PID only
        if (!process_.waitForFinished(5000)) process_.kill();
        process_.waitForFinished(5000);
    }

    QString server() const { return QStringLiteral("unix:") + socket_; }
    QString captureDescription() const { return QLatin1String(kCaptureDescription); }
    static QString sinkName(int n) {
        return n == 1 ? QString(QLatin1String(kSink)) : QLatin1String(kSink) + QString::number(n);
    }
    static QString captureDescription(int n) {
        return n == 1 ? QString(QLatin1String(kCaptureDescription))
                      : QLatin1String(kCaptureDescription) + QString::number(n);
    }
    QByteArray log() const {
        QFile f(dir_.path() + QStringLiteral("/server.log"));
        return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
    }

    // Plays raw 16-bit mono samples at 12 kHz into the null sink (pacat, a
    // child of the test, ended by its PID when the player is destroyed).
    // More samples can be appended while it plays (write), as long as it has
    // not run dry; finish() says no more come.
    class Player {
    public:
        Player(const PulseAudioServer& server, const QByteArray& s16le, bool more = false, int sink = 1) {
            process_.setProgram(QStringLiteral("pacat"));
            process_.setArguments({QStringLiteral("--playback"), QStringLiteral("--server=") + server.server(),
                                   QStringLiteral("--device=") + sinkName(sink), QStringLiteral("--format=s16le"),
                                   QStringLiteral("--rate=12000"), QStringLiteral("--channels=1"),
                                   QStringLiteral("--latency-msec=50")});
            process_.start();
            if (process_.waitForStarted(5000)) {
                process_.write(s16le);
                if (!more) process_.closeWriteChannel();
            }
        }
        void write(const QByteArray& s16le) { process_.write(s16le); }
        void finish() { process_.closeWriteChannel(); }
        ~Player() {
            if (process_.state() == QProcess::NotRunning) return;
            process_.terminate();
            if (!process_.waitForFinished(5000)) process_.kill();
            process_.waitForFinished(5000);
        }
        Player(const Player&) = delete;
        Player& operator=(const Player&) = delete;
        bool started() const { return process_.state() != QProcess::NotRunning || process_.exitCode() == 0; }
        bool finished() const { return process_.state() == QProcess::NotRunning; }

    private:
        QProcess process_;
    };

private:
    QTemporaryDir dir_;
    QString socket_;
    QProcess process_;
};
