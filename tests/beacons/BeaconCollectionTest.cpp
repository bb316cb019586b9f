// The beacon table of the running program: start-up load, close save, and a
// broken file kept aside instead of overwritten.
#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <sys/stat.h>

#include "beacons/BeaconCollection.h"
#include "support/TempDir.h"

using namespace orvane::beacons;

namespace {

QByteArray bytesOf(const std::string& s) { return QByteArray(s.data(), static_cast<qsizetype>(s.size())); }

std::string setupError(BeaconCollection& c) {
    try {
        c.SetupBeaconCollection();
    } catch (const orvane::OrvaneError& e) {
        return e.what();
    }
    return {};
}

}  // namespace

TEST(BeaconCollection, FirstRunUsesTheDefaultsAndWritesThe217ByteFileAtClose) {
    TempDir dir;
    BeaconCollection c(dir.file("orvane.BCN"));
    c.SetupBeaconCollection();
    EXPECT_EQ(c.beacons(), defaultBeaconArray());
    for (int band = 0; band < 5; ++band) {
        EXPECT_FALSE(c.beacons()[7].OnBand[static_cast<std::size_t>(band)]);
        EXPECT_FALSE(c.beacons()[8].OnBand[static_cast<std::size_t>(band)]);
    }
    EXPECT_FALSE(c.beacons()[2].OnBand[1]);
    EXPECT_FALSE(c.beacons()[3].OnBand[3]);
    EXPECT_FALSE(c.beacons()[9].OnBand[1]);
    c.SaveBeaconCollection();
    EXPECT_EQ(TempDir::readAll(dir.file("orvane.BCN")), bytesOf(encodeBeaconFile(defaultBeaconContainer())));
    EXPECT_EQ(QFileInfo(dir.file("orvane.BCN")).size(), 217);

    // A second close does nothing.
    QFile::remove(dir.file("orvane.BCN"));
    c.SaveBeaconCollection();
    EXPECT_FALSE(QFileInfo::exists(dir.file("orvane.BCN")));
}

TEST(BeaconCollection, ChangedFlagsReachTheFileAndUnchangedFilesStayTheSame) {
    TempDir dir;
    const QString name = dir.file("orvane.BCN");
    {
        BeaconCollection c(name);
        c.SetupBeaconCollection();
        c.beacons()[7].OnBand[2] = true;
        c.SaveBeaconCollection();
    }
    const QByteArray written = TempDir::readAll(name);
    BeaconCollection again(name);
    again.SetupBeaconCollection();
    EXPECT_TRUE(again.beacons()[7].OnBand[2]);
    again.SaveBeaconCollection();
    EXPECT_EQ(TempDir::readAll(name), written);
}

TEST(BeaconCollection, FileWithFewerRecordsLeavesTheOthersEmptyAndWritesOnlyItsOwn) {
    TempDir dir;
    const QString name = dir.file("orvane.BCN");
    BeaconContainer partial;
    partial.records[2] = TBeaconRecord{"03", {true, false, true, false, true}};
    partial.records[40] = TBeaconRecord{"41", {true, true, true, true, true}};
    TempDir::write(name, bytesOf(encodeBeaconFile(partial)));

    BeaconCollection c(name);
    c.SetupBeaconCollection();
    EXPECT_EQ(c.beacons()[2], partial.records[2]);
    EXPECT_EQ(c.beacons()[0], TBeaconRecord{});
    c.beacons()[0].OnBand[0] = true;  // no record at index 0: not written
    c.beacons()[2].OnBand[1] = true;
    c.SaveBeaconCollection();

    partial.records[2].OnBand[1] = true;
    EXPECT_EQ(TempDir::readAll(name), bytesOf(encodeBeaconFile(partial)));
}

TEST(BeaconCollection, BrokenFileIsKeptAsideAndTheDefaultsUsed) {
    TempDir dir;
    const QString name = dir.file("orvane.BCN");
    const QByteArray broken("\x06\x04TFoo", 6);
    TempDir::write(name, broken);
    TempDir::write(name + ".bad", "an older one");

    BeaconCollection c(name);
    const std::string error = setupError(c);
    EXPECT_NE(error.find("Container class name TFoo read from stream is unregistered"), std::string::npos) << error;
    EXPECT_NE(error.find((name + ".bad2").toStdString()), std::string::npos) << error;
    EXPECT_EQ(TempDir::readAll(name + ".bad2"), broken);
    EXPECT_EQ(TempDir::readAll(name + ".bad"), QByteArray("an older one"));
    EXPECT_EQ(c.beacons(), defaultBeaconArray());

    c.SaveBeaconCollection();
    EXPECT_EQ(TempDir::readAll(name), bytesOf(encodeBeaconFile(defaultBeaconContainer())));
}

TEST(BeaconCollection, UnopenableFileIsReportedAndNeverOverwritten) {
    TempDir dir;
    const QString name = dir.file("orvane.BCN");
    ASSERT_TRUE(QDir().mkpath(name));  // a folder where the file should be
    BeaconCollection c(name);
    const std::string error = setupError(c);
    EXPECT_EQ(error.rfind("Cannot open file " + name.toStdString(), 0), 0u) << error;
    EXPECT_EQ(c.beacons(), defaultBeaconArray());
}

// A FIFO in the beacon file's place must not hold the start-up in open():
// it is reported with its name and set aside like any unusable file.
TEST(BeaconCollection, AFifoIsReportedWithItsNameNotWaitedOn) {
    TempDir dir;
    const QString name = dir.file("orvane.BCN");
    ASSERT_EQ(::mkfifo(QFile::encodeName(name).constData(), 0600), 0);
    BeaconCollection c(name);
    const std::string error = setupError(c);
    EXPECT_EQ(error.rfind("Cannot open file " + name.toStdString() + ": it is not a regular file", 0), 0u) << error;
    EXPECT_NE(error.find((name + ".bad").toStdString()), std::string::npos) << error;
    EXPECT_EQ(c.beacons(), defaultBeaconArray());
    c.SaveBeaconCollection();
    EXPECT_EQ(TempDir::readAll(name), bytesOf(encodeBeaconFile(defaultBeaconContainer())));
}

TEST(BeaconCollection, UnwritableLocationFailsAndKeepsTheTableForAnotherTry) {
    TempDir dir;
    const QString name = dir.file("missing/orvane.BCN");
    BeaconCollection c(name);
    c.SetupBeaconCollection();
    try {
        c.SaveBeaconCollection();
        FAIL() << "no error";
    } catch (const orvane::OrvaneError& e) {
        EXPECT_EQ(std::string(e.what()), "Cannot create file " + name.toStdString());
    }
    EXPECT_TRUE(c.hasContainer());
    ASSERT_TRUE(QDir().mkpath(dir.file("missing")));
    c.SaveBeaconCollection();
    EXPECT_EQ(QFileInfo(name).size(), 217);
}
