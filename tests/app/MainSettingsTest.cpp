// The main window's section of the settings file.
#include <gtest/gtest.h>

#include <QStandardPaths>

#include "app/MainSettings.h"
#include "common/AppPaths.h"
#include "common/OrvaneError.h"
#include "support/TempDir.h"

using namespace orvane;
using namespace orvane::app;

TEST(MainSettings, MissingFileGivesTheDefaults) {
    TempDir dir;
    const IniFile ini(dir.file("orvane.INI"));
    const MainSettings s = ReadMainIni(ini);
    EXPECT_EQ(s.HostsText, QString::fromLatin1(MainSettings::kDefaultHostsText));
    EXPECT_EQ(s.BeaconBand, 0);
    EXPECT_EQ(s.NightShade, 2);
    EXPECT_FALSE(s.MonoMap);
    EXPECT_EQ(ReadWindowPosition(ini), (WindowPosition{2, 2}));
}

TEST(MainSettings, ValuesAreReadLikeTheClassicFormatAndBroughtIntoRange) {
    struct Case {
        const char* name;
        const char* lines;
        int band, shade;
        bool mono;
    };
    const Case cases[] = {
        {"Decimal", "BeaconBand=3\nNightShade=4\nMonoMap=1\n", 3, 4, true},
        {"HexAndCase", "beaconband=0x2\nNIGHTSHADE=$1\nmonomap=0x10\n", 2, 1, true},
        {"BandTooHigh", "BeaconBand=7\nNightShade=0\n", 4, 0, false},
        {"Negative", "BeaconBand=-1\nNightShade=-3\n", 0, 2, false},
        {"ShadeTooHigh", "NightShade=5\n", 0, 2, false},
        {"NotIntegers", "BeaconBand=two\nNightShade=1.5\nMonoMap=yes\n", 0, 2, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        TempDir dir;
        TempDir::write(dir.file("o.INI"), QByteArray("[Orvane]\n") + c.lines);
        const MainSettings s = ReadMainIni(IniFile(dir.file("o.INI")));
        EXPECT_EQ(s.BeaconBand, c.band);
        EXPECT_EQ(s.NightShade, c.shade);
        EXPECT_EQ(s.MonoMap, c.mono);
    }
}

TEST(MainSettings, SaveWritesItsKeysAndKeepsOtherSections) {
    TempDir dir;
    const QString name = dir.file("o.INI");
    TempDir::write(name, "[CWsim]\ncwSpeed=18\n\n[orvane]\nMonoMap=1\nleft=99\n");
    IniFile ini(name);
    MainSettings s;
    s.HostsText = QStringLiteral("time.example.org");
    s.BeaconBand = 4;
    s.NightShade = 0;
    s.Twilight = true;
    s.MapOnly = true;
    s.Locator = QStringLiteral("JO22dc");
    SaveMainIni(ini, s, WindowPosition{-20, 3000}, WindowSize{1280, 700});

    EXPECT_EQ(ini.readInteger(QStringLiteral("CWsim"), QStringLiteral("cwSpeed"), 0), 18);
    EXPECT_EQ(ini.readString(QStringLiteral("Orvane"), QStringLiteral("HostsText"), {}), s.HostsText);
    const MainSettings back = ReadMainIni(ini);
    EXPECT_EQ(back.BeaconBand, 4);
    EXPECT_EQ(back.NightShade, 0);
    EXPECT_TRUE(back.MonoMap);  // never written, kept as the user set it
    EXPECT_EQ(ReadWindowPosition(ini), (WindowPosition{-20, 3000}));
    EXPECT_EQ(ReadWindowSize(ini, QSize(563, 353)), (WindowSize{1280, 700}));
    EXPECT_TRUE(back.Twilight);
    EXPECT_TRUE(back.MapOnly);
    EXPECT_EQ(back.Locator, QStringLiteral("JO22dc"));
}

TEST(MainSettings, MapViewKeysAreReadIntoRange) {
    struct Case {
        const char* name;
        const char* lines;
        WindowSize size;
        bool twilight, mapOnly;
        const char* locator;
    };
    const QSize classic(563, 353);
    const Case cases[] = {
        {"Missing", "", {563, 353}, false, false, ""},
        {"Stored", "Width=1920\nHeight=1000\nTwilight=1\nMapOnly=0\nLocator=jo22dc\n", {1920, 1000}, true, false, "JO22dc"},
        {"BelowTheClassicSize", "Width=100\nHeight=-5\n", {563, 353}, false, false, ""},
        {"Huge", "Width=99999999\nHeight=70000\n", {kMaxWindowSide, kMaxWindowSide}, false, false, ""},
        {"NotALocator", "Locator=JO2\nWidth=abc\n", {563, 353}, false, false, ""},
        {"LocatorTooLong", "Locator=JO22dc45xy\nMapOnly=1\n", {563, 353}, false, true, ""},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        TempDir dir;
        TempDir::write(dir.file("o.INI"), QByteArray("[Orvane]\n") + c.lines);
        const IniFile ini(dir.file("o.INI"));
        const MainSettings s = ReadMainIni(ini);
        EXPECT_EQ(ReadWindowSize(ini, classic), c.size);
        EXPECT_EQ(s.Twilight, c.twilight);
        EXPECT_EQ(s.MapOnly, c.mapOnly);
        EXPECT_EQ(s.Locator, QString::fromLatin1(c.locator));
    }
}

// The close's save never changes the bytes of sections that other parts of
// the program own, not even text that is not UTF-8, and never cuts a file it could not read whole.
TEST(MainSettings, SaveKeepsOtherSectionsByteForByteOrRefusesToCut) {
    TempDir dir;
    const QString name = dir.file("o.INI");
    const QByteArray prop = "[Prop]\r\nPassword=gr\xFC\xDF\r\n";
    TempDir::write(name, prop + "[Orvane]\r\nBeaconBand=1\r\n");
    IniFile ini(name);
    SaveMainIni(ini, MainSettings{}, WindowPosition{5, 6}, WindowSize{});
    const QByteArray saved = TempDir::readAll(name);
    EXPECT_TRUE(saved.startsWith(prop + "[Orvane]\r\nBeaconBand=0\r\n")) << saved.toStdString();

    // Over the bound: the "Prop" section past the cut would be lost.
    const QByteArray large = "[Orvane]\nLeft=1\n" + QByteArray(IniFile::kMaxFileBytes, ';') + "\n" + prop;
    TempDir::write(name, large);
    try {
        SaveMainIni(ini, MainSettings{}, WindowPosition{5, 6}, WindowSize{});
        FAIL() << "no error";
    } catch (const OrvaneError& e) {
        EXPECT_EQ(std::string(e.what()).rfind("Unable to write to " + name.toStdString() + ": ", 0), 0u) << e.what();
    }
    EXPECT_EQ(TempDir::readAll(name), large);
}

TEST(MainSettings, UnwritableFileRaisesUnableToWrite) {
    TempDir dir;
    IniFile ini(dir.file("missing/o.INI"));
    try {
        SaveMainIni(ini, MainSettings{}, WindowPosition{}, WindowSize{});
        FAIL() << "no error";
    } catch (const OrvaneError& e) {
        EXPECT_EQ(std::string(e.what()), "Unable to write to " + dir.file("missing/o.INI").toStdString());
    }
}

TEST(MainSettings, FilesLieBesideTheProgramOrElseInTheConfigFolder) {
    TempDir dir;
    const AppPaths beside = AppPaths::forExecutable(dir.file("orvane"));
    EXPECT_EQ(beside.iniFileName(), dir.file("orvane.INI"));
    EXPECT_EQ(beside.beaconFileName(), dir.file("orvane.BCN"));
    EXPECT_EQ(beside.historyFileName(), dir.file("orvane-history.sqlite"));

    // A program folder that cannot be written (here: one that is not there).
    // The history is data, kept apart from the settings.
    const AppPaths elsewhere = AppPaths::forExecutable(dir.file("gone/bin/orvane"));
    EXPECT_FALSE(elsewhere.iniFileName().startsWith(dir.path()));
    EXPECT_TRUE(elsewhere.iniFileName().endsWith(QStringLiteral("/orvane.INI")));
    EXPECT_TRUE(elsewhere.beaconFileName().endsWith(QStringLiteral("/orvane.BCN")));
    EXPECT_EQ(elsewhere.historyFileName(),
              QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation) + "/orvane/history.sqlite");
}

// The stored place of the 563 x 400 main window against a 1280 x 1024 screen
// (and a second one to its right where named).
struct PlaceCase {
    const char* name;
    WindowPosition stored;
    bool secondScreen;
    WindowPosition expected;
};

class PlaceOnScreensTest : public ::testing::TestWithParam<PlaceCase> {};

TEST_P(PlaceOnScreensTest, KeepsAVisibleWindowAndBringsALostOneBack) {
    const PlaceCase& c = GetParam();
    QList<QRect> screens{QRect(0, 0, 1280, 1024)};
    if (c.secondScreen) screens << QRect(1280, 0, 1920, 1080);
    EXPECT_EQ(PlaceOnScreens(c.stored, QSize(563, 400), screens), c.expected);
}

INSTANTIATE_TEST_SUITE_P(
    MainSettings, PlaceOnScreensTest,
    ::testing::Values(PlaceCase{"OnScreen", {40, 50}, false, {40, 50}},
                      PlaceCase{"PartlyOffButAGrabbableCornerShows", {1280 - 32, 50}, false, {1280 - 32, 50}},
                      PlaceCase{"RightOfEveryScreen", {5000, 50}, false, {1280 - 563, 50}},
                      PlaceCase{"OnASecondScreen", {2000, 50}, true, {2000, 50}},
                      PlaceCase{"LeftOfTheScreen", {-3000, 50}, false, {0, 50}},
                      PlaceCase{"BelowTheScreen", {40, 5000}, false, {40, 1024 - 400}},
                      PlaceCase{"AboveAndLeft", {-600, -500}, false, {0, 0}},
                      PlaceCase{"OnlyASliverShows", {1280 - 10, 50}, false, {1280 - 563, 50}}),
    [](const auto& row) { return std::string(row.param.name); });

TEST(MainSettings, ADamagedPlaceAtTheEndsOfTheIntegersIsBroughtBackWithoutOverflow) {
    TempDir dir;
    TempDir::write(dir.file("o.INI"), "[Orvane]\nLeft=2147483647\nTop=-2147483648\n");
    const WindowPosition read = ReadWindowPosition(IniFile(dir.file("o.INI")));
    EXPECT_EQ(read, (WindowPosition{kMaxWindowCoordinate, -kMaxWindowCoordinate}));
    EXPECT_EQ(PlaceOnScreens(read, QSize(563, 400), {QRect(0, 0, 1280, 1024)}), (WindowPosition{1280 - 563, 0}));
}

TEST(MainSettings, PlaceWithoutScreensIsKeptAndATooLargeWindowKeepsItsCornerOnScreen) {
    EXPECT_EQ(PlaceOnScreens({5000, 50}, QSize(563, 400), {}), (WindowPosition{5000, 50}));
    EXPECT_EQ(PlaceOnScreens({5000, 50}, QSize(2000, 400), {QRect(0, 0, 1280, 1024)}), (WindowPosition{0, 50}));
}
