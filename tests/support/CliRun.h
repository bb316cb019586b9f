#pragma once

#include <QProcess>
#include <QString>
#include <QStringList>

// Runs orvane-cli (or another tool) as a scripted caller would and collects
// its exit status and output. A run that does not end within the time limit
// is killed and reads as exit status -1.
struct CliRun {
    int exitCode = -1;
    QString out, err;
};

// The run of a started program to its end (killed past timeoutMs: exit -1).
inline CliRun finishRun(QProcess& p, int timeoutMs) {
    CliRun run;
    if (!p.waitForFinished(timeoutMs)) {
        p.kill();
        p.waitForFinished(1000);
        return run;
    }
    run.exitCode = p.exitStatus() == QProcess::NormalExit ? p.exitCode() : -1;
    run.out = QString::fromUtf8(p.readAllStandardOutput());
    run.err = QString::fromUtf8(p.readAllStandardError());
    return run;
}

inline CliRun runProgram(const QString& program, const QStringList& args, int timeoutMs = 30000,
                         const QProcessEnvironment& environment = QProcessEnvironment::systemEnvironment()) {
    QProcess p;
    p.setProcessEnvironment(environment);
    p.start(program, args);
    return finishRun(p, timeoutMs);
}
