// One copy per user: the lock, a killed holder, and two real starts.
#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QProcessEnvironment>
#include <QThread>
#include <chrono>

#include <csignal>
#include <sys/wait.h>
#include <unistd.h>

#include "app/SingleInstanceLock.h"
#include "support/TempDir.h"

using orvane::app::SingleInstanceLock;

namespace {

// Waits (bounded) until the process holds an flock, looking from outside
// (/proc/locks) so that the check itself never takes the lock.
bool waitUntilHeld(qint64 pid) {
    const QByteArray needle = " FLOCK ";
    const QByteArray owner = " " + QByteArray::number(pid) + " ";
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(30);
    while (std::chrono::steady_clock::now() < deadline) {
        QFile locks(QStringLiteral("/proc/locks"));
        if (locks.open(QIODevice::ReadOnly))
            for (const QByteArray& line : locks.readAll().split('\n'))
                if (line.contains(needle) && line.contains(owner)) return true;
        QThread::msleep(20);
    }
    return false;
}

// A copy of the real program in its own folder (so its settings and beacon
// files stay there), started with a private runtime folder for its lock and a
// log of the messages it would show.
struct ProgramCopy {
    TempDir runtime;
    TempDir programDir;
    QString exe = programDir.file("orvane");
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();

    ProgramCopy() {
        QFile::copy(QStringLiteral(ORVANE_EXE), exe);
        QFile::setPermissions(exe, QFile::permissions(exe) | QFile::ExeOwner);
        env.insert(QStringLiteral("XDG_RUNTIME_DIR"), runtime.path());
        env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
        env.insert(QStringLiteral("ORVANE_MESSAGE_LOG"), runtime.file("messages.log"));
    }
    void start(QProcess& process) const {
        process.setProcessEnvironment(env);
        process.setWorkingDirectory(programDir.path());
        process.start(exe, {});
    }
};

}  // namespace

TEST(SingleInstanceLock, SecondHolderIsRefusedUntilTheFirstLetsGo) {
    TempDir dir;
    const QString file = dir.file("Orvane2.lock");
    SingleInstanceLock first(file);
    EXPECT_EQ(first.state(), SingleInstanceLock::State::Owned);
    EXPECT_TRUE(SingleInstanceLock(file).anotherCopyRunning());
    first.release();
    EXPECT_EQ(SingleInstanceLock(file).state(), SingleInstanceLock::State::Owned);
}

TEST(SingleInstanceLock, UnusableLocationRunsWithoutALock) {
    SingleInstanceLock lock(QStringLiteral("/nonexistent-folder/Orvane2.lock"));
    EXPECT_EQ(lock.state(), SingleInstanceLock::State::Unavailable);
    EXPECT_FALSE(lock.anotherCopyRunning());
}

TEST(SingleInstanceLock, KilledHolderLeavesNoLock) {
    TempDir dir;
    const QString file = dir.file("Orvane2.lock");
    int ready[2];
    ASSERT_EQ(::pipe(ready), 0);
    const pid_t child = ::fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        SingleInstanceLock held(file);
        const char ok = held.state() == SingleInstanceLock::State::Owned ? 'y' : 'n';
        if (::write(ready[1], &ok, 1) != 1) ::_exit(1);
        ::pause();
        ::_exit(0);
    }
    char ok = 0;
    ASSERT_EQ(::read(ready[0], &ok, 1), 1);
    EXPECT_EQ(ok, 'y');
    EXPECT_TRUE(SingleInstanceLock(file).anotherCopyRunning());
    ::kill(child, SIGKILL);
    ::waitpid(child, nullptr, 0);
    ::close(ready[0]);
    ::close(ready[1]);
    EXPECT_EQ(SingleInstanceLock(file).state(), SingleInstanceLock::State::Owned);
}

// The real program, twice: the second start says so once and ends with 0.
TEST(SingleInstanceProcess, SecondCopyIsRefusedAndAKilledCopyBlocksNothing) {
    ProgramCopy copy;
    ASSERT_TRUE(QFile::exists(copy.exe));
    const QString lockFile = copy.runtime.file("Orvane2.lock");

    QProcess first;
    copy.start(first);
    ASSERT_TRUE(first.waitForStarted());
    ASSERT_TRUE(waitUntilHeld(first.processId()));

    QProcess second;
    copy.start(second);
    ASSERT_TRUE(second.waitForFinished(20000));
    EXPECT_EQ(second.exitStatus(), QProcess::NormalExit);
    EXPECT_EQ(second.exitCode(), 0);
    // (The first copy may have reported something of its own, e.g. no MIDI output.)
    EXPECT_EQ(TempDir::readAll(copy.runtime.file("messages.log")).count("message: Application Already Running\n"), 1);
    EXPECT_EQ(first.state(), QProcess::Running);

    first.kill();  // SIGKILL
    ASSERT_TRUE(first.waitForFinished(10000));
    EXPECT_EQ(SingleInstanceLock(lockFile).state(), SingleInstanceLock::State::Owned);
}

// Logout and shutdown end the program with SIGTERM: it closes the orderly way
// and saves the beacon table and the settings.
TEST(SingleInstanceProcess, TerminationSignalClosesTheWindowAndSaves) {
    ProgramCopy copy;
    ASSERT_TRUE(QFile::exists(copy.exe));

    QProcess program;
    copy.start(program);
    ASSERT_TRUE(program.waitForStarted());
    ASSERT_TRUE(waitUntilHeld(program.processId()));
    // The window is up once the event loop runs; the signal is handled there.
    program.terminate();  // SIGTERM
    ASSERT_TRUE(program.waitForFinished(30000));
    EXPECT_EQ(program.exitStatus(), QProcess::NormalExit);
    EXPECT_EQ(program.exitCode(), 0);
    EXPECT_EQ(TempDir::readAll(copy.programDir.file("orvane.BCN")).size(), 217);
    EXPECT_TRUE(TempDir::readAll(copy.programDir.file("orvane.INI")).contains("[Orvane]"));
}

// A settings file that cannot be written (here a folder in its place) puts up
// an error box at start and again at close. A termination signal must still
// end the program: boxes are closed, and what they would have said goes to
// standard error.
TEST(SingleInstanceProcess, TerminationSignalEndsTheProgramAlsoWhenItsSettingsCannotBeWritten) {
    ProgramCopy copy;
    copy.env.remove(QStringLiteral("ORVANE_MESSAGE_LOG"));  // real (offscreen) boxes
    ASSERT_TRUE(QDir(copy.programDir.path()).mkdir(QStringLiteral("orvane.INI")));

    QProcess program;
    copy.start(program);
    ASSERT_TRUE(program.waitForStarted());
    ASSERT_TRUE(waitUntilHeld(program.processId()));
    program.terminate();  // SIGTERM
    ASSERT_TRUE(program.waitForFinished(30000)) << "still running after SIGTERM";
    EXPECT_EQ(program.exitStatus(), QProcess::NormalExit);
    const QString err = QString::fromLocal8Bit(program.readAllStandardError());
    EXPECT_TRUE(err.contains(QStringLiteral("orvane: ending on a termination signal"))) << err.toStdString();
}

