// The time-server list: the file format, start-up and exit, and the editing
// rules of the host box, without a window.
#include <gtest/gtest.h>

#include <QFile>
#include <functional>
#include <sys/stat.h>
#include <unistd.h>

#include "common/OrvaneError.h"
#include "common/RegularFile.h"
#include "support/TempDir.h"
#include "timesync/HostList.h"

using orvane::OrvaneError;
using orvane::timesync::HostList;
using Kind = HostList::CommitOutcome::Kind;
using Key = HostList::Key;

namespace {

QStringList list(std::initializer_list<const char*> items) {
    QStringList l;
    for (const char* i : items) l << QString::fromUtf8(i);
    return l;
}

HostList withEntries(std::initializer_list<const char*> items) {
    HostList hosts;
    hosts.setEntries(list(items));
    return hosts;
}

}  // namespace

TEST(HostFile, LineEnds) {
    struct Case {
        const char* bytes;
        QStringList lines;
    };
    const Case cases[] = {
        {"", {}},
        {"\r\n", list({""})},
        {"a\r\nb\r\n", list({"a", "b"})},
        {"a\nb", list({"a", "b"})},
        {"a\rb\r", list({"a", "b"})},
        {"a\r\n\r\nb", list({"a", "", "b"})},
        {"a\n\rb", list({"a", "", "b"})},  // LF then CR: two line ends
        {"\r\r", list({"", ""})},
    };
    for (const Case& c : cases) EXPECT_EQ(HostList::parseHostFile(c.bytes), c.lines) << c.bytes;
    EXPECT_EQ(HostList::formatHostFile(list({"b", "", "a"})), QByteArray("b\r\n\r\na\r\n"));
    // A line that is not UTF-8 (an 8-bit list) keeps its characters.
    EXPECT_EQ(HostList::parseHostFile("h\xf6st\r\n"), QStringList{QStringLiteral("h\u00f6st")});
    EXPECT_EQ(HostList::parseHostFile("h\xc3\xb6st"), QStringList{QStringLiteral("h\u00f6st")});
}

TEST(HostFile, StartUpUsesTheFileOrTheDefaults) {
    TempDir dir;
    const QString file = dir.file("Hosts.txt");

    HostList missing;
    EXPECT_EQ(missing.LoadHostList(file), QStringLiteral("time.nist.gov"));
    EXPECT_EQ(missing.count(), 10);
    EXPECT_EQ(missing.FindHost(QStringLiteral("time.nist.gov")), 8);  // sorted in place: '-' before '.'
    // The NTP services sort to the top; the eight Time-protocol servers stay.
    EXPECT_EQ(missing.entries().mid(0, 2), list({"ntp:pool.ntp.org", "ntp:time.nist.gov"}));
    EXPECT_TRUE(std::is_sorted(missing.entries().begin(), missing.entries().end(),
                               [](const QString& a, const QString& b) { return a.compare(b, Qt::CaseInsensitive) < 0; }));

    TempDir::write(file, "");
    HostList empty;
    EXPECT_EQ(empty.LoadHostList(file), QStringLiteral("time.nist.gov"));
    EXPECT_EQ(empty.count(), 10);

    TempDir::write(file, "\r\n");
    HostList oneEmptyLine;
    EXPECT_EQ(oneEmptyLine.LoadHostList(file), QString());
    EXPECT_EQ(oneEmptyLine.entries(), list({""}));

    TempDir::write(file, "zeta.example\nAlpha.example\nbeta.example\nalpha.example\n");
    HostList fromFile;
    EXPECT_EQ(fromFile.LoadHostList(file), QString());
    EXPECT_EQ(fromFile.entries(), list({"Alpha.example", "alpha.example", "beta.example", "zeta.example"}));
    EXPECT_EQ(fromFile.FindHost(QStringLiteral("alpha.example")), 1);
    EXPECT_EQ(fromFile.FindHost(QStringLiteral("ALPHA.example")), -1);
}

TEST(HostFile, ErrorsAreReportedNotSwallowed) {
    TempDir dir;
    const QString file = dir.file("Hosts.txt");
    TempDir::write(file, QByteArray(HostList::kMaxFileBytes + 1, 'x'));
    HostList tooLarge;
    EXPECT_THROW(tooLarge.LoadHostList(file), OrvaneError);

    if (::geteuid() != 0) {  // root reads everything
        TempDir::write(file, "a\n");
        ::chmod(file.toLocal8Bit().constData(), 0);
        HostList unreadable;
        EXPECT_THROW(unreadable.LoadHostList(file), OrvaneError);
    }

    HostList hosts = withEntries({"a"});
    try {
        hosts.SaveHostList(dir.file("no-such-folder/Hosts.txt"));
        FAIL() << "no error";
    } catch (const OrvaneError& e) {
        EXPECT_EQ(std::string(e.what()), "Unable to write to " + dir.file("no-such-folder/Hosts.txt").toStdString());
    }
}

// A host file that could not be read whole is the user's list all the same:
// the close must not replace it with the list this run ends with.
TEST(HostFile, AFileThatCouldNotBeReadIsNeverWrittenBack) {
    struct Case {
        const char* name;
        std::function<void(const QString&)> make;
        const char* reason;
    };
    const Case cases[] = {
        {"LargerThanTheBound",
         [](const QString& file) {
             QByteArray bytes = "keep.example\r\n";
             bytes += QByteArray(HostList::kMaxFileBytes, 'x');
             TempDir::write(file, bytes);
         },
         "larger than"},
        {"Fifo", [](const QString& file) { ASSERT_EQ(::mkfifo(QFile::encodeName(file).constData(), 0600), 0); },
         "not a regular file"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        TempDir dir;
        const QString file = dir.file("Hosts.txt");
        c.make(file);
        const orvane::FileBytes before = orvane::readRegularFile(file, 2 * HostList::kMaxFileBytes);
        HostList hosts;
        try {
            hosts.LoadHostList(file);
            ADD_FAILURE() << "no error";
        } catch (const OrvaneError& e) {
            const std::string text = e.what();
            EXPECT_EQ(text.rfind("Unable to read " + file.toStdString(), 0), 0u) << text;
            EXPECT_NE(text.find(c.reason), std::string::npos) << text;
        }
        hosts.commit(QStringLiteral("typed.example"));
        hosts.SaveHostList(file);
        const orvane::FileBytes after = orvane::readRegularFile(file, 2 * HostList::kMaxFileBytes);
        EXPECT_EQ(after.status, before.status);
        EXPECT_EQ(after.bytes, before.bytes);
        // Another file is written as always.
        hosts.SaveHostList(dir.file("Other.txt"));
        EXPECT_EQ(TempDir::readAll(dir.file("Other.txt")), QByteArray("typed.example\r\n"));
    }
}

TEST(HostFile, SaveReplacesTheFileWithTheListInOrder) {
    TempDir dir;
    const QString file = dir.file("Hosts.txt");
    TempDir::write(file, "old\r\nlonger old content\r\n");
    HostList hosts = withEntries({"b.example", "", "A.example"});
    hosts.SaveHostList(file);
    EXPECT_EQ(TempDir::readAll(file), QByteArray("\r\nA.example\r\nb.example\r\n"));
    HostList again;
    again.LoadHostList(file);
    EXPECT_EQ(again.entries(), hosts.entries());
}

// The host box's rules, played as the keys a user presses.
TEST(HostBoxRules, TypingANewNameAndLeavingAddsItInItsSortedPlace) {
    HostList hosts = withEntries({"a.example", "c.example"});
    hosts.keyDown(Key::Other, QStringLiteral("b.exampl"));
    EXPECT_FALSE(hosts.changeCommits());
    const auto outcome = hosts.commit(QStringLiteral("b.example"));
    EXPECT_EQ(outcome.kind, Kind::Added);
    EXPECT_EQ(outcome.index, 1);
    EXPECT_EQ(hosts.entries(), list({"a.example", "b.example", "c.example"}));
}

TEST(HostBoxRules, SameNameAddsNothingOtherCaseAddsASecondEntry) {
    HostList hosts = withEntries({"time.example"});
    EXPECT_EQ(hosts.commit(QStringLiteral("time.example")).kind, Kind::None);
    EXPECT_EQ(hosts.commit(QStringLiteral("TIME.example")).kind, Kind::Added);
    EXPECT_EQ(hosts.count(), 2);
}

TEST(HostBoxRules, DeleteOnTheWholeTextRemovesTheEntryAndSelectsTheFirst) {
    HostList hosts = withEntries({"a.example", "b.example", "c.example"});
    hosts.keyDown(Key::DeleteOrEnter, QStringLiteral("b.example"));
    EXPECT_TRUE(hosts.changeCommits());
    const auto outcome = hosts.commit(QString());
    EXPECT_EQ(outcome.kind, Kind::Removed);
    EXPECT_EQ(outcome.index, 1);
    EXPECT_TRUE(outcome.selectFirst);
    EXPECT_EQ(hosts.HostIndex, 0);
    EXPECT_EQ(hosts.entries(), list({"a.example", "c.example"}));
}

TEST(HostBoxRules, BackspacingToEmptyRemovesNothingButSelectsTheFirst) {
    HostList hosts = withEntries({"a.example", "b.example"});
    hosts.keyDown(Key::Other, QStringLiteral("b"));  // Backspace on the last character: "b" is no entry
    const auto outcome = hosts.commit(QString());
    EXPECT_EQ(outcome.kind, Kind::None);
    EXPECT_TRUE(outcome.selectFirst);
    EXPECT_EQ(hosts.count(), 2);
}

TEST(HostBoxRules, BackspaceOnTheWholeTextRemovesWhenTheFocusLeaves) {
    HostList hosts = withEntries({"a.example", "b.example"});
    hosts.keyDown(Key::Other, QStringLiteral("b.example"));
    EXPECT_FALSE(hosts.changeCommits());  // nothing happens while typing...
    EXPECT_EQ(hosts.commit(QString()).kind, Kind::Removed);  // ...until the box is left
    EXPECT_EQ(hosts.entries(), list({"a.example"}));
}

TEST(HostBoxRules, DeletingTheLastEntryEmptiesTheListOnce) {
    HostList hosts = withEntries({"only.example"});
    hosts.keyDown(Key::DeleteOrEnter, QStringLiteral("only.example"));
    auto outcome = hosts.commit(QString());
    EXPECT_EQ(outcome.kind, Kind::Removed);
    EXPECT_FALSE(outcome.selectFirst);
    EXPECT_EQ(hosts.count(), 0);
    // Leaving the empty box afterwards must not reach for an entry that is gone.
    outcome = hosts.commit(QString());
    EXPECT_EQ(outcome.kind, Kind::None);
    EXPECT_EQ(hosts.HostIndex, -1);
}

TEST(HostBoxRules, EnterAloneCommitsOnlyAChange) {
    HostList hosts = withEntries({"a.example"});
    hosts.keyDown(Key::Other, QStringLiteral("new.exampl"));
    hosts.keyDown(Key::DeleteOrEnter, QStringLiteral("new.example"));  // Enter changes no text
    EXPECT_EQ(hosts.count(), 1);
    EXPECT_EQ(hosts.commit(QStringLiteral("new.example")).kind, Kind::Added);  // the focus leaves
}
