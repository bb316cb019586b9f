#include <gtest/gtest.h>

#include <QSet>

#include "reports/ReportCatalog.h"

using namespace orvane::reports;

namespace {

TEST(ReportCatalogTest, EightReportsAreSelectedByDefault) {
    std::vector<int> defaults;
    for (int i = 0; i < kReportCount; ++i)
        if (reportDefault(i)) defaults.push_back(i);
    EXPECT_EQ(defaults, (std::vector<int>{0, 4, 5, 8, 10, 11, 12, 13}));
}

TEST(ReportCatalogTest, OnlyFourReportsLiveOutsideTheHomeDirectory) {
    struct Case {
        int index;
        const char* directory;
    };
    // Sent exactly as written: the server has always been asked for these
    // with the trailing slash where it stands here.
    const Case away[] = {{5, "/pub/forecasts"}, {11, "/pub/lists/radio/"}, {12, "/pub/indices/"}, {13, "/pub/indices/"}};
    int count = 0;
    for (int i = 0; i < kReportCount; ++i) count += reportNeedsDirectoryChange(i) ? 1 : 0;
    EXPECT_EQ(count, 4);
    for (const Case& c : away) {
        EXPECT_TRUE(reportNeedsDirectoryChange(c.index)) << c.index;
        EXPECT_EQ(reportDirectory(c.index), QString::fromLatin1(c.directory));
    }
}

TEST(ReportCatalogTest, HelpContextsFollowTheHelpFileNotTheTabOrder) {
    const int expected[kReportCount] = {1, 3, 4, 6, 5, 600, 601, 602, 36, 603, 604, 605, 606, 607};
    for (int i = 0; i < kReportCount; ++i) EXPECT_EQ(reportHelpContext(i), expected[i]) << i;
}

TEST(ReportCatalogTest, NamesAreUniqueAndFollowTheKey) {
    QSet<QString> keys, files;
    for (int i = 0; i < kReportCount; ++i) {
        keys.insert(reportKey(i).toLower());
        files.insert(reportFile(i));
        EXPECT_EQ(reportFile(i), reportKey(i) + QStringLiteral(".txt"));
        EXPECT_EQ(reportTabSheet(i), QStringLiteral("ts") + reportKey(i));
        EXPECT_EQ(reportMemo(i), QStringLiteral("mo") + reportKey(i));
        EXPECT_EQ(reportHint(i).endsWith(QStringLiteral(", press F1 for help")), i <= 10) << i;
        EXPECT_EQ(reportIndexOfKey(reportKey(i).toUpper()), i);
    }
    EXPECT_EQ(keys.size(), kReportCount);
    EXPECT_EQ(files.size(), kReportCount);
    EXPECT_EQ(reportIndexOfKey(QStringLiteral("nope")), -1);
}

TEST(ReportCatalogTest, SampleRowsReadExactly) {
    EXPECT_EQ(reportTitle(10), QStringLiteral("Weekly Highlights - Forecast of Solar Geophysical"));
    EXPECT_EQ(reportTabCaption(5), QStringLiteral("Alerts/Warnings"));
    EXPECT_EQ(reportHint(1), QStringLiteral("Geomagnetic A and K indices from U.S.G.S. Stations, press F1 for help"));
    EXPECT_EQ(reportKey(4), QStringLiteral("27DO"));
    EXPECT_THROW(reportEntry(14), std::out_of_range);
    EXPECT_THROW(reportEntry(-1), std::out_of_range);
}

TEST(ReportCatalogTest, WebTwinsFollowTheCrosswalkAndTheRestStayOnFtp) {
    struct Case {
        const char* key;
        const char* webPath;  // "" when only the FTP server has it
        int cadenceHours;
    };
    const Case rows[] = {
        {"wwv", "text/wwv.txt", 3},
        {"AK", "", 3},
        {"daypre", "text/3-day-solar-geomag-predictions.txt", 24},
        {"SRFF", "", 24},
        {"27DO", "text/27-day-outlook.txt", 168},
        {"ALTS", "", 24},
        {"predict", "text/predicted-sunspot-radio-flux.txt", 744},
        {"RSGA", "text/sgarf.txt", 24},
        {"SGAS", "text/sgas.txt", 24},
        {"HFRP", "", 24},
        {"WKHF", "text/weekly.txt", 168},
        {"rad", "text/solar_radio_flux.txt", 1},
        {"DSD", "text/daily-solar-indices.txt", 24},
        {"DGD", "text/daily-geomagnetic-indices.txt", 24},
    };
    ASSERT_EQ(std::size(rows), static_cast<std::size_t>(kReportCount));
    QSet<QString> paths;
    for (int i = 0; i < kReportCount; ++i) {
        const Case& c = rows[i];
        EXPECT_EQ(reportKey(i), QString::fromLatin1(c.key));
        EXPECT_EQ(reportWebPath(i), QString::fromLatin1(c.webPath)) << c.key;
        EXPECT_EQ(reportHasWebPath(i), *c.webPath != '\0') << c.key;
        EXPECT_EQ(reportCadenceSeconds(i), c.cadenceHours * 3600LL) << c.key;
        if (reportHasWebPath(i)) paths.insert(reportWebPath(i));
    }
    // Every twin is a different product, so no file is stored twice.
    EXPECT_EQ(paths.size(), 10);
}

}  // namespace
