// orvane-cli listen storing each slot in the history database as it goes,
// read back with orvane-cli history; databases that cannot take the slots.
#include <gtest/gtest.h>
#include <sqlite3.h>

#include <QFile>
#include <QProcess>
#include <algorithm>
#include <cstdio>
#include <functional>

#include <linux/capability.h>
#include <signal.h>
#include <sys/prctl.h>
#include <sys/resource.h>
#include <unistd.h>

#include "KeyedTone.h"
#include "WavTestFile.h"
#include "support/CliRun.h"
#include "support/PostgresServer.h"
#include "support/TempDir.h"

namespace {

constexpr int kRate = 12000;
constexpr char kStart[] = "2026-12-10T12:00:05Z";
constexpr int kCannotDropCapabilities = 125;  // orvane-cli itself never exits with it

// 26 s from 12:00:05 UTC: whole slots at :10 (VE8AT on 14.10 MHz, keyed at
// 10 dB) and :20 (W6WX, silent).
QByteArray recording() {
    KeyedTone noise;
    noise.present = false;
    std::vector<float> audio = noise.render(kRate, 26'000, 1);
    KeyedTone ve8at;
    ve8at.call = "VE8AT";
    ve8at.dashSnrDb = {10, 0, -10, -20};
    const auto a = ve8at.render(kRate, 10'000, 2);
    std::copy(a.begin(), a.end(), audio.begin() + 5 * kRate);
    return WavBytes{}.make(audio);
}

// The program as a user starts it; `inChild` runs in the child before the
// program (limits, another user). The time limit only ends a hung run.
CliRun run(const QStringList& args, std::function<void()> inChild = {}) {
    QProcess p;
    if (inChild) p.setChildProcessModifier(inChild);
    p.start(QStringLiteral(ORVANE_CLI), args);
    CliRun r;
    if (!p.waitForFinished(300'000)) {
        p.kill();
        p.waitForFinished(10'000);
        return r;
    }
    r.exitCode = p.exitStatus() == QProcess::NormalExit ? p.exitCode() : -1;
    r.out = QString::fromUtf8(p.readAllStandardOutput());
    r.err = QString::fromUtf8(p.readAllStandardError());
    return r;
}

class ListenHistory : public ::testing::Test {
protected:
    void SetUp() override { TempDir::write(wav, recording()); }
    CliRun listen(const QStringList& more, std::function<void()> inChild = {}) const {
        return run(QStringList{"listen", "-i", wav, "--start", kStart, "--band", "14.1"} + more, std::move(inChild));
    }
    // The history verb's lines without the SNR column.
    static QString shown(const QString& db, const QStringList& more = {}) {
        const CliRun r = run(QStringList{"history", "--db", db} + more);
        EXPECT_EQ(r.exitCode, 0) << r.err.toStdString();
        QStringList lines;
        for (const QString& line : r.out.split('\n', Qt::SkipEmptyParts)) lines << line.section('\t', 0, 4);
        return lines.join('\n');
    }

    TempDir dir;
    QString wav = dir.file("rx.wav");
};

}  // namespace

// Where the slots go and under which receiver: the options, else the
// settings' [History] section.
TEST_F(ListenHistory, EachSlotIsStoredUnderItsReceiverAndReadBack) {
    const QString given = "sqlite:" + dir.file("given.sqlite"), fromSettings = "sqlite:" + dir.file("set.sqlite");
    const QString ini = dir.file("orvane.INI");
    TempDir::write(ini, ("[History]\nDatabase=" + fromSettings + "\nReceiver=G0XYZ\n").toUtf8());
    struct Case {
        const char* name;
        QStringList args;
        QString db;
        const char* receiver;
    };
    for (const Case& c : {Case{"both given", {"--db", given, "--receiver", "G4ABC", "--locator", "IO91"}, given, "G4ABC"},
                          Case{"database from the settings", {"--receiver", "G4ABC", "--ini", ini}, fromSettings, "G4ABC"},
                          Case{"receiver from the settings", {"--db", given, "--ini", ini}, given, "G0XYZ"}}) {
        SCOPED_TRACE(c.name);
        const CliRun r = listen(c.args);
        ASSERT_EQ(r.exitCode, 0) << r.err.toStdString();
        EXPECT_EQ(r.out.count('\n'), 2);  // the slots are printed as before
        EXPECT_TRUE(r.err.contains("2 slots stored in " + c.db)) << r.err.toStdString();
        EXPECT_EQ(shown(c.db, {"--receiver", c.receiver}), "VE8AT\t14.100\t12\t1\t1\nW6WX\t14.100\t12\t0\t1");
    }
    // Listening to the same recording again adds nothing; the best SNR is the first dash's.
    ASSERT_EQ(listen({"--db", given, "--receiver", "G4ABC"}).exitCode, 0);
    EXPECT_EQ(shown(given, {"--receiver", "G4ABC"}), "VE8AT\t14.100\t12\t1\t1\nW6WX\t14.100\t12\t0\t1");
    const CliRun all = run({"history", "--db", given});
    const QStringList lines = all.out.split('\n', Qt::SkipEmptyParts);
    ASSERT_EQ(lines.size(), 2) << all.out.toStdString();
    EXPECT_EQ(lines[0].section('\t', 4, 4), "2");  // two receivers listened
    EXPECT_NEAR(lines[0].section('\t', 5, 5).toDouble(), 10, 2.0);
    EXPECT_EQ(lines[1].section('\t', 5, 5), "-");
}

// A slot holding another beacon's call (the recording said to start a slot
// late) is stored as the expected beacon not heard; the other beacon is only
// named in the output, never stored as heard.
TEST_F(ListenHistory, AnotherBeaconsCallIsStoredAsNotHeard) {
    const QString db = "sqlite:" + dir.file("late.sqlite");
    const CliRun r = run({"listen", "-i", wav, "--start", "2026-12-10T12:00:15Z", "--band", "14.1", "--db", db,
                          "--receiver", "G4ABC"});
    ASSERT_EQ(r.exitCode, 0) << r.err.toStdString();
    EXPECT_TRUE(r.out.contains("\tW6WX\tother VE8AT\t")) << r.out.toStdString();
    EXPECT_EQ(shown(db), "W6WX\t14.100\t12\t0\t1\nKH6WO\t14.100\t12\t0\t1");
}

// The same into a PostgreSQL server that receivers share.
TEST_F(ListenHistory, SlotsGoToAPostgreSQLServerAsToAFile) {
    if (const auto why = PostgresServer::unavailable()) GTEST_SKIP() << *why;
    PostgresServer server;
    server.createDatabase(QStringLiteral("club"));
    const QString db = server.url(QStringLiteral("club"));
    for (const char* receiver : {"G4ABC", "G4ABC", "K1XYZ"}) {  // the second run adds nothing
        const CliRun r = listen({"--db", db, "--receiver", receiver});
        ASSERT_EQ(r.exitCode, 0) << r.err.toStdString();
        EXPECT_TRUE(r.err.contains("2 slots stored in " + db)) << r.err.toStdString();
    }
    EXPECT_EQ(shown(db, {"--receiver", "G4ABC"}), "VE8AT\t14.100\t12\t1\t1\nW6WX\t14.100\t12\t0\t1");
    EXPECT_EQ(shown(db), "VE8AT\t14.100\t12\t2\t2\nW6WX\t14.100\t12\t0\t2");
}

// A database that cannot take the slots is refused before anything is read,
// with the reason: nothing printed, exit status 1.
TEST_F(ListenHistory, ADatabaseThatCannotBeWrittenIsRefusedWithTheReason) {
    TempDir::write(dir.file("junk.sqlite"), QByteArray(4096, 'x'));
    {
        sqlite3* db = nullptr;
        ASSERT_EQ(sqlite3_open(QFile::encodeName(dir.file("newer.sqlite")).constData(), &db), SQLITE_OK);
        sqlite3_exec(db, "CREATE TABLE later(x); PRAGMA user_version=99", nullptr, nullptr, nullptr);
        sqlite3_close(db);
    }
    // A folder this user cannot write to. Root writes everywhere: as root the
    // program runs without the capabilities that override file permissions.
    ASSERT_TRUE(QDir(dir.path()).mkdir("ro"));
    ASSERT_EQ(run({"listen", "-i", wav, "--start", kStart, "--db", dir.file("ro/old.sqlite"), "--receiver", "G4ABC"})
                  .exitCode,
              0);
    QFile::setPermissions(dir.file("ro"), QFile::ReadOwner | QFile::ExeOwner);
    const auto bound = [] {
        if (::geteuid() != 0) return;
        if (::prctl(PR_CAPBSET_DROP, CAP_DAC_OVERRIDE, 0, 0, 0) != 0 ||
            ::prctl(PR_CAPBSET_DROP, CAP_DAC_READ_SEARCH, 0, 0, 0) != 0)
            ::_exit(kCannotDropCapabilities);
    };
    struct Case {
        const char* name;
        QString db;
        const char* says;
        bool bound;
    };
    for (const Case& c : {Case{"not a database", "sqlite:" + dir.file("junk.sqlite"), "not a database", false},
                          Case{"a folder", "sqlite:" + dir.path(), "not a regular file", false},
                          Case{"newer schema", dir.file("newer.sqlite"), "newer version", false},
                          Case{"no server", "postgresql://g4abc@127.0.0.1:1/history", "Connection refused", false},
                          Case{"new file in a read-only folder", dir.file("ro/new.sqlite"), "Permission denied", true},
                          Case{"history in a read-only folder", dir.file("ro/old.sqlite"), "readonly database", true}}) {
        SCOPED_TRACE(c.name);
        const CliRun r = listen({"--db", c.db, "--receiver", "G4ABC"}, c.bound ? std::function<void()>(bound) : nullptr);
        if (r.exitCode == kCannotDropCapabilities) {  // a container without CAP_SETPCAP
            std::fprintf(stderr, "%s: not checked here, root cannot drop its capabilities\n", c.name);
            continue;
        }
        EXPECT_EQ(r.exitCode, 1) << r.err.toStdString();
        EXPECT_TRUE(r.err.contains(c.says)) << r.err.toStdString();
        EXPECT_FALSE(r.err.contains("slots stored in")) << r.err.toStdString();
        EXPECT_EQ(r.out, "");
    }
    EXPECT_FALSE(QFile::exists(dir.file("ro/new.sqlite")));
    QFile::setPermissions(dir.file("ro"), QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);  // to be removed
}

// The disk fills while the slots are written: a file size limit stands in
// for it. The history is made beforehand with 64 KiB pages, so the limit
// (40 KiB) leaves room for SQLite's 32 KiB shared-memory file but not for
// one page in the journal: the open succeeds and the first commit fails.
// The run must fail and say how many slots were not stored, never report
// them stored.
TEST_F(ListenHistory, AFullDiskIsAFailureNeverSuccess) {
    const QString db = dir.file("h.sqlite");
    {
        sqlite3* handle = nullptr;
        ASSERT_EQ(sqlite3_open(QFile::encodeName(db).constData(), &handle), SQLITE_OK);
        EXPECT_EQ(sqlite3_exec(handle, "PRAGMA page_size=65536; PRAGMA journal_mode=WAL", nullptr, nullptr, nullptr),
                  SQLITE_OK);
        sqlite3_close(handle);
    }
    ASSERT_EQ(run({"history", "--db", db}).exitCode, 0);  // the schema, made without the limit
    const CliRun r = listen({"--db", db, "--receiver", "G4ABC"}, [] {
        ::signal(SIGXFSZ, SIG_IGN);  // a write beyond the limit fails with EFBIG instead
        const rlimit small{40 * 1024, 40 * 1024};
        ::setrlimit(RLIMIT_FSIZE, &small);
    });
    EXPECT_EQ(r.exitCode, 1) << r.err.toStdString();
    EXPECT_EQ(r.out.count('\n'), 2);  // listening itself went on
    EXPECT_TRUE(r.err.contains("2 of 2 slots not stored")) << r.err.toStdString();
    EXPECT_TRUE(r.err.contains("History database " + db)) << r.err.toStdString();
    EXPECT_FALSE(r.err.contains("slots stored in")) << r.err.toStdString();
    EXPECT_EQ(shown(db), "");  // what was said not stored is not there
}
