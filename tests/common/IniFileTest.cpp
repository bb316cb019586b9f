#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <functional>
#include <sys/stat.h>

#include "common/IniFile.h"
#include "common/OrvaneError.h"
#include "common/RegularFile.h"
#include "support/TempDir.h"

using namespace orvane;

TEST(IniFile, MissingFileSectionOrKeyGivesDefault) {
    TempDir dir;
    IniFile ini(dir.file("none.INI"));
    EXPECT_EQ(ini.readInteger("Orvane", "Left", 2), 2);
    EXPECT_EQ(ini.readString("Orvane", "HostsText", "x"), "x");
    TempDir::write(dir.file("a.INI"), "[Other]\nLeft=5\n");
    IniFile a(dir.file("a.INI"));
    EXPECT_EQ(a.readInteger("Orvane", "Left", 2), 2);
    EXPECT_EQ(a.readInteger("Other", "Top", 7), 7);
}

TEST(IniFile, IntegersReadDecimalAndHexElseDefault) {
    struct Case { const char* text; int expected; };
    const Case cases[] = {
        {"42", 42}, {"-3", -3}, {"0x1F", 31}, {"$ff", 255}, {" 7 ", 7}, {"$FFFFFFFF", -1},
        {"abc", 99}, {"", 99}, {"12abc", 99}, {"1.5", 99}, {"99999999999", 99}, {"0x", 99},
    };
    TempDir dir;
    for (const Case& c : cases) {
        TempDir::write(dir.file("i.INI"), QByteArray("[S]\nk=") + c.text + "\n");
        EXPECT_EQ(IniFile(dir.file("i.INI")).readInteger("S", "k", 99), c.expected) << c.text;
    }
}

TEST(IniFile, KeysAndSectionsMatchWithoutCase) {
    TempDir dir;
    TempDir::write(dir.file("c.INI"), "[orvane]\r\nbeaconband=3\r\n");
    IniFile ini(dir.file("c.INI"));
    EXPECT_EQ(ini.readInteger("Orvane", "BeaconBand", 0), 3);
    ini.writeInteger("ORVANE", "BEACONBAND", 4);
    EXPECT_EQ(TempDir::readAll(dir.file("c.INI")), QByteArray("[orvane]\r\nBEACONBAND=4\r\n"));
}

TEST(IniFile, WritesKeepOtherSectionsAndKeys) {
    TempDir dir;
    const QString name = dir.file("w.INI");
    TempDir::write(name, "; comment\n[Prop]\nWWV=1\nPassword=x\n\n[CWsim]\ncwSpeed=60\n");
    IniFile ini(name);
    ini.writeInteger("Orvane", "Left", 10);
    ini.writeString("Prop", "WWV", "0");
    ini.writeString("Prop", "NewKey", "v");
    ini.writeBool("CWsim", "flag", true);
    EXPECT_EQ(TempDir::readAll(name),
              QByteArray("; comment\n[Prop]\nWWV=0\nPassword=x\nNewKey=v\n\n[CWsim]\ncwSpeed=60\nflag=1\n"
                         "\n[Orvane]\nLeft=10\n"));
}

TEST(IniFile, ValuesAreCutAt2047Characters) {
    TempDir dir;
    IniFile ini(dir.file("l.INI"));
    ini.writeString("S", "long", QString(3000, QLatin1Char('a')));
    EXPECT_EQ(ini.readString("S", "long", {}).size(), 2047);
}

// A line break in a value must not smuggle a line of its own into the file.
TEST(IniFile, AValueEndsAtItsFirstLineBreak) {
    TempDir dir;
    const QString name = dir.file("n.INI");
    IniFile ini(name);
    ini.writeString("S", "k", QStringLiteral("first\r\n[Orvane]\nLeft=9"));
    EXPECT_EQ(TempDir::readAll(name), QByteArray("[S]\nk=first\n"));
    EXPECT_EQ(ini.readInteger("Orvane", "Left", 2), 2);
}

TEST(IniFile, FailedWriteRaisesUnableToWrite) {
    TempDir dir;
    const QString name = dir.file("missing-folder/x.INI");
    IniFile ini(name);
    try {
        ini.writeInteger("S", "k", 1);
        FAIL() << "write into a missing folder succeeded";
    } catch (const OrvaneError& e) {
        EXPECT_EQ(std::string(e.what()), "Unable to write to " + name.toStdString());
    }
}

// A settings file the user made read-only is left as it is, also for root,
// whom the system would let replace it: the permission bits are the user's word.
TEST(IniFile, ReadOnlyFileIsNotRewritten) {
    TempDir dir;
    const QString name = dir.file("ro.INI");
    const QByteArray before = "[Orvane]\nLeft=5\n";
    TempDir::write(name, before);
    ASSERT_EQ(::chmod(QFile::encodeName(name).constData(), 0444), 0);
    IniFile ini(name);
    try {
        ini.writeInteger("Orvane", "Left", 10);
        FAIL() << "a read-only settings file was rewritten";
    } catch (const OrvaneError& e) {
        EXPECT_EQ(std::string(e.what()),
                  "Unable to write to " + name.toStdString() + ": the file is read-only; the file has been left as it is");
    }
    EXPECT_EQ(TempDir::readAll(name), before);
    EXPECT_EQ(ini.readInteger("Orvane", "Left", 0), 5);
    EXPECT_TRUE(QDir(dir.path()).entryList(QDir::Files | QDir::Hidden).size() == 1) << "a temporary was left";
}

TEST(IniFile, BytesItDoesNotWriteStayAsTheyWere) {
    TempDir dir;
    const QString name = dir.file("b.INI");
    // Latin-1 bytes (not UTF-8), a section far past the keys it writes, mixed
    // line ends, spacing and a last line without an end.
    const QByteArray before = "[Prop]\r\nUser=M\xFCller\r\n; caf\xE9 \xFF\xFE\n[Orvane]\nLeft = 5\r\n\n[Far]\nx=\xE9t\xE9";
    TempDir::write(name, before);
    IniFile ini(name);
    ini.writeInteger("Orvane", "Left", 10);
    ini.writeInteger("Orvane", "Top", 20);
    ini.writeInteger("New", "k", 1);
    EXPECT_EQ(TempDir::readAll(name), QByteArray("[Prop]\r\nUser=M\xFCller\r\n; caf\xE9 \xFF\xFE\n[Orvane]\nLeft=10\r\nTop=20\r\n"
                                                 "\n[Far]\nx=\xE9t\xE9\r\n\r\n[New]\r\nk=1\r\n"));
}

namespace {

struct UnreadableCase {
    const char* name;
    std::function<void(const QString& path)> make;
    const char* reason;
};

void PrintTo(const UnreadableCase& row, std::ostream* os) { *os << row.name; }

class IniFileUnreadable : public ::testing::TestWithParam<UnreadableCase> {};

}  // namespace

// A file the program cannot read whole reads as defaults and is never
// rewritten: a cut rewrite would lose every section past the cut. A FIFO
// must not hold the program in open() either.
TEST_P(IniFileUnreadable, ReadsAsDefaultsAndRefusesToRewrite) {
    const UnreadableCase& c = GetParam();
    TempDir dir;
    const QString name = dir.file("u.INI");
    c.make(name);
    // Read without blocking on the FIFO.
    const auto contents = [&name] { return readRegularFile(name, 2 * IniFile::kMaxFileBytes); };
    const FileBytes before = contents();
    IniFile ini(name);
    EXPECT_EQ(ini.readInteger("Orvane", "Left", 2), 2);
    try {
        ini.writeInteger("Orvane", "Left", 10);
        FAIL() << "the write was not refused";
    } catch (const OrvaneError& e) {
        const std::string text = e.what();
        EXPECT_EQ(text.rfind("Unable to write to " + name.toStdString() + ": ", 0), 0u) << text;
        EXPECT_NE(text.find(c.reason), std::string::npos) << text;
    }
    const FileBytes after = contents();
    EXPECT_EQ(after.status, before.status);
    EXPECT_EQ(after.bytes, before.bytes);
}

INSTANTIATE_TEST_SUITE_P(
    Files, IniFileUnreadable,
    ::testing::Values(
        UnreadableCase{"LargerThanTheBound",
                       [](const QString& path) {
                           QByteArray bytes = "[Orvane]\nLeft=5\n";
                           bytes += QByteArray(IniFile::kMaxFileBytes, ';');
                           bytes += "\n[Far]\nkept=1\n";
                           TempDir::write(path, bytes);
                       },
                       "larger than"},
        UnreadableCase{"Fifo", [](const QString& path) { ASSERT_EQ(::mkfifo(QFile::encodeName(path).constData(), 0600), 0); },
                       "not a regular file"},
        UnreadableCase{"Folder", [](const QString& path) { ASSERT_TRUE(QDir().mkdir(path)); }, "folder"}),
    [](const ::testing::TestParamInfo<UnreadableCase>& row) { return std::string(row.param.name); });
