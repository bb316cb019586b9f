#pragma once

#include <QProcess>
#include <QStandardPaths>
#include <QString>
#include <memory>
#include <vector>

// A busy machine for a test that must hold under load: `count` processes
// that spin on the CPU (a shell loop with nothing in it), each bounded by
// timeout(1) to `maxSeconds` in case the test dies first, and ended by its
// PID (SIGTERM to timeout, which passes it on to its loop) when the load is
// destroyed. started() is false where the tools are missing.
class CpuLoad {
public:
    explicit CpuLoad(int count, int maxSeconds = 120) {
        const QString timeout = QStandardPaths::findExecutable(QStringLiteral("timeout"));
        const QString sh = QStandardPaths::findExecutable(QStringLiteral("sh"));
        if (timeout.isEmpty() || sh.isEmpty()) return;
        for (int i = 0; i < count; ++i) {
            auto p = std::make_unique<QProcess>();
            p->setProgram(timeout);
            p->setArguments({QString::number(maxSeconds), sh, QStringLiteral("-c"),
                             QStringLiteral("while :; do :; done")});
            p->start();
            if (p->waitForStarted(5000)) spinners_.push_back(std::move(p));
        }
    }
    ~CpuLoad() {
        for (auto& p : spinners_) p->terminate();
        for (auto& p : spinners_) {
            if (!p->waitForFinished(5000)) p->kill();
            p->waitForFinished(5000);
        }
    }
    CpuLoad(const CpuLoad&) = delete;
    CpuLoad& operator=(const CpuLoad&) = delete;

    bool started() const { return !spinners_.empty(); }

private:
    std::vector<std::unique_ptr<QProcess>> spinners_;
};
