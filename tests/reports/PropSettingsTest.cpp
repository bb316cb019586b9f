#include <gtest/gtest.h>

#include <QFile>

#include "common/IniFile.h"
#include "reports/PropSettings.h"
#include "reports/ReportServer.h"
#include "support/TempDir.h"

using namespace orvane;
using namespace orvane::reports;

namespace {

TEST(PropSettingsTest, NoSectionGivesTheDefaults) {
    TempDir dir;
    TempDir::write(dir.file("orvane.INI"), "[Main]\nBeaconBand=2\n");
    const PropSettings s = ReadPropSettings(IniFile(dir.file("orvane.INI")));
    EXPECT_FALSE(s.UseProxy);
    EXPECT_TRUE(s.Proxy.isEmpty());
    EXPECT_EQ(s.ProxyPort, 0);
    EXPECT_FALSE(s.pass.isEmpty());
    EXPECT_TRUE(s.pass.contains(QLatin1Char('@')));
    EXPECT_EQ(selectedReportCount(s), 8);
    EXPECT_EQ(s, defaultPropSettings());
}

TEST(PropSettingsTest, ValuesReadAsTheSettingsFileReadsNumbers) {
    struct Case {
        const char* name;
        const char* lines;
        bool wwv;
        int proxyPort;
    };
    const Case cases[] = {
        {"zero deselects", "wwv=0\n", false, 0},
        {"any non-zero selects", "wwv=5\n", true, 0},
        {"garbage keeps the default", "wwv=yes\nProxyPort=abc\n", true, 0},
        {"port read as decimal", "ProxyPort=8021\nwwv=1\n", true, 8021},
        {"empty value keeps the default", "ProxyPort=\nwwv=\n", true, 0},
    };
    for (const Case& c : cases) {
        TempDir dir;
        TempDir::write(dir.file("o.INI"), QByteArray("[Prop]\n") + c.lines);
        const PropSettings s = ReadPropSettings(IniFile(dir.file("o.INI")));
        EXPECT_EQ(s.Reports[0], c.wwv) << c.name;
        EXPECT_EQ(s.ProxyPort, c.proxyPort) << c.name;
    }
}

TEST(PropSettingsTest, WritesTheKeysInOrderBooleansAsOneOrZero) {
    TempDir dir;
    IniFile ini(dir.file("o.INI"));
    PropSettings s = defaultPropSettings();
    s.UseProxy = true;
    s.Proxy = QStringLiteral("proxy.example.net");
    s.ProxyPort = 8021;
    s.pass = QStringLiteral("g4abc@example.org");
    s.Reports[0] = false;
    s.Reports[1] = true;
    s.ReportSource = ReportSourceKind::Ftp;
    WritePropSettings(ini, s);

    const QByteArray expected =
        "[Prop]\nUseProxy=1\nProxy=proxy.example.net\nProxyPort=8021\npass=g4abc@example.org\n"
        "wwv=0\nAK=1\ndaypre=0\nSRFF=0\n27DO=1\nALTS=1\npredict=0\nRSGA=0\nSGAS=1\nHFRP=0\nWKHF=1\n"
        "rad=1\nDSD=1\nDGD=1\nReportSource=1\n";
    EXPECT_EQ(TempDir::readAll(dir.file("o.INI")), expected);
    EXPECT_EQ(ReadPropSettings(ini), s);
}

TEST(PropSettingsTest, PasswordsWithEdgeSpacesOrQuotesSurviveARestart) {
    const QString passwords[] = {QStringLiteral("   "), QStringLiteral(" me@x.org "), QStringLiteral("\"q\"@x"),
                                 QStringLiteral("a=b@c")};
    for (const QString& pass : passwords) {
        TempDir dir;
        IniFile ini(dir.file("o.INI"));
        PropSettings s = defaultPropSettings();
        s.pass = pass;
        WritePropSettings(ini, s);
        EXPECT_EQ(ReadPropSettings(ini).pass, pass) << pass.toStdString();
    }
}

TEST(PropSettingsTest, LineBreaksCannotInjectKeys) {
    TempDir dir;
    IniFile ini(dir.file("o.INI"));
    PropSettings s = defaultPropSettings();
    s.pass = QStringLiteral("me@x.org\nwwv=0");
    WritePropSettings(ini, s);
    EXPECT_TRUE(ReadPropSettings(ini).Reports[0]);
}

TEST(PropSettingsTest, UnwritableFileThrowsWithItsName) {
    IniFile ini(QStringLiteral("/nonexistent-dir/o.INI"));
    try {
        WritePropSettings(ini, defaultPropSettings());
        FAIL() << "no error";
    } catch (const std::exception& e) {
        EXPECT_STREQ(e.what(), "Unable to write to /nonexistent-dir/o.INI");
    }
}

TEST(ReportServerTest, ParsesHostAndOptionalPort) {
    struct Case {
        const char* text;
        bool valid;
        const char* host;
        int port;
    };
    const Case cases[] = {
        {"ftp.example.org", true, "ftp.example.org", 21}, {"127.0.0.1:2121", true, "127.0.0.1", 2121},
        {"", false, "", 0},          {"host:0", false, "", 0}, {"host:70000", false, "", 0},
        {":21", false, "", 0},       {"a b", false, "", 0},
    };
    for (const Case& c : cases) {
        const auto server = parseReportServer(QString::fromLatin1(c.text));
        ASSERT_EQ(server.has_value(), c.valid) << c.text;
        if (!c.valid) continue;
        EXPECT_EQ(server->host, QString::fromLatin1(c.host));
        EXPECT_EQ(server->port, c.port);
    }
    EXPECT_FALSE(defaultReportServer().host.isEmpty());
}

TEST(PropSettingsTest, ReportSourceIsTheWebServiceUnlessTheKeySaysFtp) {
    struct Case {
        const char* name;
        const char* lines;
        ReportSourceKind source;
    };
    const Case cases[] = {
        {"missing key", "wwv=1\n", ReportSourceKind::Https},
        {"0 is the web service", "ReportSource=0\n", ReportSourceKind::Https},
        {"1 is the FTP server", "ReportSource=1\n", ReportSourceKind::Ftp},
        {"an unknown number", "ReportSource=7\n", ReportSourceKind::Https},
        {"no number", "ReportSource=ftp\n", ReportSourceKind::Https},
    };
    for (const Case& c : cases) {
        TempDir dir;
        TempDir::write(dir.file("o.INI"), QByteArray("[Prop]\n") + c.lines);
        EXPECT_EQ(ReadPropSettings(IniFile(dir.file("o.INI"))).ReportSource, c.source) << c.name;
    }
}

TEST(ReportServerTest, WebBaseIsAnHttpsAddressEndingInASlash) {
    struct Case {
        const char* text;
        const char* expected;  // nullptr: refused
    };
    const Case cases[] = {
        {"https://services.swpc.noaa.gov/", "https://services.swpc.noaa.gov/"},
        {"https://127.0.0.1:8443", "https://127.0.0.1:8443/"},
        {"https://mirror.example/noaa", "https://mirror.example/noaa/"},
        {"http://services.swpc.noaa.gov/", nullptr},
        {"ftp://ftp.swpc.noaa.gov/", nullptr},
        {"https:///text/", nullptr},
        {"https://mirror.example/?q=1", nullptr},
        {"", nullptr},
    };
    for (const Case& c : cases) {
        const auto base = parseWebBase(QString::fromLatin1(c.text));
        ASSERT_EQ(base.has_value(), c.expected != nullptr) << c.text;
        if (c.expected) {
            EXPECT_EQ(base->toString(), QString::fromLatin1(c.expected)) << c.text;
        }
    }
    EXPECT_EQ(defaultReportServer().webBase.toString(), QStringLiteral("https://services.swpc.noaa.gov/"));
}

}  // namespace
