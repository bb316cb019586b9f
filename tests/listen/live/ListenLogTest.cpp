// The CSV log: the header once, every line whole, failures reported.
#include <gtest/gtest.h>

#include <QFile>
#include <csignal>
#include <sys/resource.h>
#include <sys/stat.h>

#include "listen/live/ListenLog.h"
#include "support/TempDir.h"

namespace orvane::listen {
namespace {

const QByteArray kHeader = "utc,mhz,call";

TEST(ListenLog, HeaderOnceThenOneLinePerAppendAcrossRuns) {
    TempDir dir;
    const QString name = dir.file(QStringLiteral("heard.csv"));
    {
        ListenLog log(name, kHeader);
        ASSERT_TRUE(log.append("2026-12-10T14:00:00Z,14.100,4U1UN"));
        ASSERT_TRUE(log.append("2026-12-10T14:00:10Z,14.100,VE8AT"));
    }
    {
        ListenLog log(name, kHeader);  // the next run appends, no second header
        ASSERT_TRUE(log.append("2026-12-10T14:00:20Z,14.100,W6WX"));
    }
    EXPECT_EQ(TempDir::readAll(name), "utc,mhz,call\n2026-12-10T14:00:00Z,14.100,4U1UN\n"
                                      "2026-12-10T14:00:10Z,14.100,VE8AT\n2026-12-10T14:00:20Z,14.100,W6WX\n");
}

TEST(ListenLog, AnEmptyFileGetsTheHeaderAndAnExistingOneKeepsItsLines) {
    TempDir dir;
    const QString empty = dir.file(QStringLiteral("empty.csv"));
    TempDir::write(empty, "");
    ASSERT_TRUE(ListenLog(empty, kHeader).append("a"));
    EXPECT_EQ(TempDir::readAll(empty), "utc,mhz,call\na\n");
}

TEST(ListenLog, FailuresAreReportedNotCounted) {
    TempDir dir;
    QString reason;
    ListenLog missingFolder(dir.file(QStringLiteral("no/such/heard.csv")), kHeader);
    EXPECT_FALSE(missingFolder.append("a", &reason));
    EXPECT_FALSE(reason.isEmpty());

    ListenLog folder(dir.path(), kHeader);
    EXPECT_FALSE(folder.append("a", &reason));

    // A FIFO with no reader: refused at once, not a window held in open().
    const QString fifo = dir.file(QStringLiteral("orvane-heard.csv"));
    ASSERT_EQ(::mkfifo(QFile::encodeName(fifo).constData(), 0600), 0);
    ListenLog toFifo(fifo, kHeader);
    EXPECT_FALSE(toFifo.append("a", &reason));
    EXPECT_EQ(reason, QStringLiteral("not a regular file"));

    const QString name = dir.file(QStringLiteral("heard.csv"));
    ListenLog log(name, kHeader);
    EXPECT_FALSE(log.append("two\nlines", &reason));
    EXPECT_FALSE(log.append(QByteArray(ListenLog::kMaxLineBytes + 1, 'x'), &reason));
    EXPECT_TRUE(log.append(QByteArray(ListenLog::kMaxLineBytes, 'x'), &reason));
}

// A disk that fills mid-line: RLIMIT_FSIZE stands in for it (the write is cut
// short at the limit). The partial line is taken back, so the file still
// ends on a whole line, and the append says it failed.
TEST(ListenLog, AShortWriteLeavesNoHalfLine) {
    TempDir dir;
    const QString name = dir.file(QStringLiteral("heard.csv"));
    ListenLog log(name, kHeader);
    ASSERT_TRUE(log.append("first"));
    rlimit old{};
    ASSERT_EQ(getrlimit(RLIMIT_FSIZE, &old), 0);
    rlimit small = old;
    small.rlim_cur = static_cast<rlim_t>(QFile(name).size() + 10);
    ASSERT_EQ(setrlimit(RLIMIT_FSIZE, &small), 0);
    signal(SIGXFSZ, SIG_IGN);
    QString reason;
    const bool ok = log.append(QByteArray(100, 'y'), &reason);
    setrlimit(RLIMIT_FSIZE, &old);
    signal(SIGXFSZ, SIG_DFL);
    EXPECT_FALSE(ok);
    EXPECT_EQ(TempDir::readAll(name), "utc,mhz,call\nfirst\n");
    EXPECT_TRUE(log.append("third"));
    EXPECT_EQ(TempDir::readAll(name), "utc,mhz,call\nfirst\nthird\n");
}

}  // namespace
}  // namespace orvane::listen
