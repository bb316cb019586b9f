// Replacing the program's own files, and clearing what a killed save left.
#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <sys/stat.h>

#include "common/AtomicFile.h"
#include "common/RegularFile.h"
#include "support/TempDir.h"

using namespace orvane;

namespace {

mode_t modeOf(const QString& path) {
    struct stat info {};
    ::stat(QFile::encodeName(path).constData(), &info);
    return info.st_mode & 07777;
}

}  // namespace

TEST(AtomicFile, ReplacesTheFileKeepingItsModeAndLeavesNoTemporary) {
    TempDir dir;
    const QString name = dir.file("orvane.INI");
    TempDir::write(name, "old");
    ASSERT_EQ(::chmod(QFile::encodeName(name).constData(), 0640), 0);
    ASSERT_TRUE(writeFileAtomically(name, "new"));
    EXPECT_EQ(TempDir::readAll(name), QByteArray("new"));
    EXPECT_EQ(modeOf(name), 0640u);
    EXPECT_EQ(QDir(dir.path()).entryList(QDir::Files), QStringList{QStringLiteral("orvane.INI")});
}

TEST(AtomicFile, ASymbolicLinkStaysAndItsTargetIsReplaced) {
    TempDir dir;
    const QString target = dir.file("real.INI");
    const QString link = dir.file("orvane.INI");
    TempDir::write(target, "old");
    ASSERT_TRUE(QFile::link(target, link));
    ASSERT_TRUE(writeFileAtomically(link, "new"));
    EXPECT_TRUE(QFileInfo(link).isSymLink());
    EXPECT_EQ(TempDir::readAll(target), QByteArray("new"));
    // Its temporaries lie beside the target, and are looked for there.
    TempDir::write(target + QStringLiteral(".orvane-save-Ab12Cd"), "x");
    EXPECT_EQ(removeStaleTemporaries({link}), QStringList{target + QStringLiteral(".orvane-save-Ab12Cd")});
}

TEST(AtomicFile, AFailedWriteSaysWhyAndLeavesNothing) {
    TempDir dir;
    QString reason;
    EXPECT_FALSE(writeFileAtomically(dir.file("no-folder/orvane.INI"), "x", &reason));
    EXPECT_FALSE(reason.isEmpty());
    EXPECT_TRUE(QDir(dir.path()).entryList(QDir::Files | QDir::Dirs | QDir::NoDotAndDotDot).isEmpty());
}

TEST(AtomicFile, StaleTemporariesOfOurFilesGoAndNothingElse) {
    TempDir dir;
    const QString ini = dir.file("orvane.INI");
    const QString hosts = dir.file("Hosts.txt");
    const QStringList ours{QStringLiteral("orvane.INI.orvane-save-Ab12Cd"), QStringLiteral("Hosts.txt.orvane-save-zzzzzz")};
    const QStringList others{QStringLiteral("orvane.INI.backup"),                 // the user's copy
                             QStringLiteral("orvane.INI.orvane-save-Ab12C"),       // not six characters
                             QStringLiteral("orvane.INI.orvane-save-Ab12Cd.old"),  // more after them
                             QStringLiteral("other.INI.orvane-save-Ab12Cd"),       // not one of our files
                             QStringLiteral("orvane.BCN.bad")};
    for (const QString& name : ours + others) TempDir::write(dir.file(name), "x");
    // A link of that name is not ours to follow or remove.
    TempDir::write(dir.file("elsewhere"), "keep");
    ASSERT_TRUE(QFile::link(dir.file("elsewhere"), dir.file("orvane.INI.orvane-save-LINKed")));

    const QStringList removed = removeStaleTemporaries({ini, hosts});
    EXPECT_EQ(removed.size(), ours.size()) << removed.join(QLatin1Char(' ')).toStdString();
    for (const QString& name : ours) EXPECT_FALSE(QFileInfo::exists(dir.file(name))) << name.toStdString();
    for (const QString& name : others) EXPECT_TRUE(QFileInfo::exists(dir.file(name))) << name.toStdString();
    EXPECT_TRUE(QFileInfo(dir.file("orvane.INI.orvane-save-LINKed")).isSymLink());
    EXPECT_EQ(TempDir::readAll(dir.file("elsewhere")), QByteArray("keep"));
}

TEST(RegularFile, SaysWhatLiesAtTheNameWithoutBlocking) {
    TempDir dir;
    EXPECT_EQ(readRegularFile(dir.file("none"), 10).status, FileBytes::Status::Missing);
    TempDir::write(dir.file("small"), "12345");
    const FileBytes small = readRegularFile(dir.file("small"), 5);
    EXPECT_EQ(small.status, FileBytes::Status::Read);
    EXPECT_EQ(small.bytes, QByteArray("12345"));
    const FileBytes large = readRegularFile(dir.file("small"), 4);
    EXPECT_EQ(large.status, FileBytes::Status::TooLarge);
    EXPECT_EQ(large.bytes, QByteArray("1234"));
    ASSERT_EQ(::mkfifo(QFile::encodeName(dir.file("fifo")).constData(), 0600), 0);
    EXPECT_EQ(readRegularFile(dir.file("fifo"), 10).status, FileBytes::Status::NotRegular);
    EXPECT_EQ(readRegularFile(dir.path(), 10).status, FileBytes::Status::NotRegular);
}
