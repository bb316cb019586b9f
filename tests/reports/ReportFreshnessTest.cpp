// Issue times, ages and the bodies a web fetch may store: plain functions,
// the moment "now" given.
#include <gtest/gtest.h>

#include "reports/ReportBody.h"
#include "reports/ReportFreshness.h"

using namespace orvane;
using namespace orvane::reports;

namespace {

// 2026-09-22 06:15:00 UTC: 20718 days after 1970-01-01 (checked with
// `date -u -d 2026-09-22T06:15:00Z +%s`).
constexpr UtcMoment kSep22At0615 = 1790057700;

struct IssuedCase {
    const char* name;
    const char* text;
    std::optional<UtcMoment> expected;
};

class IssuedTimeTest : public ::testing::TestWithParam<IssuedCase> {};

TEST_P(IssuedTimeTest, ParsesBothFormsAndRefusesTheRest) {
    const IssuedCase& c = GetParam();
    EXPECT_EQ(parseIssuedTime(QString::fromLatin1(c.text)), c.expected) << c.text;
}

INSTANTIATE_TEST_SUITE_P(
    Table, IssuedTimeTest,
    ::testing::Values(
        IssuedCase{"YearFirst", ":Product: WWV\n:Issued: 2026 Sep 22 0615 UTC\n# text\n", kSep22At0615},
        IssuedCase{"TimeFirstUT", ":Product: Solar Radio Data\n:Issued: 0615 UT 22 Sep 2026\n", kSep22At0615},
        IssuedCase{"TimeFirstUTC", ":Issued: 0615 UTC 22 Sep 2026\n", kSep22At0615},
        IssuedCase{"CrLfAndExtraSpaces", ":Product: x\r\n:Issued:   2026  Sep  22  0615  UTC  \r\n", kSep22At0615},
        IssuedCase{"MonthInCapitals", ":Issued: 2026 SEP 22 0615 UTC\n", kSep22At0615},
        IssuedCase{"OneDigitDay", ":Issued: 2026 Sep 2 0000 UTC\n", kSep22At0615 - 20 * 86400 - 6 * 3600 - 15 * 60},
        IssuedCase{"LastMinuteOfTheYear", ":Issued: 2025 Dec 31 2359 UTC\n", 1767225540},
        IssuedCase{"LeapDay", ":Issued: 2028 Feb 29 1200 UTC\n", 1835438400},
        IssuedCase{"NoLeapDay", ":Issued: 2026 Feb 29 1200 UTC\n", std::nullopt},
        IssuedCase{"Hour24", ":Issued: 2026 Sep 22 2400 UTC\n", std::nullopt},
        IssuedCase{"Minute60", ":Issued: 2026 Sep 22 0660 UTC\n", std::nullopt},
        IssuedCase{"UnknownMonth", ":Issued: 2026 Sek 22 0615 UTC\n", std::nullopt},
        IssuedCase{"NoZone", ":Issued: 2026 Sep 22 0615\n", std::nullopt},
        IssuedCase{"NoIssuedLine", ":Product: x\n# Issued: 2026 Sep 22 0615 UTC\n", std::nullopt},
        IssuedCase{"NotAtLineStart", "text :Issued: 2026 Sep 22 0615 UTC\n", std::nullopt},
        IssuedCase{"Empty", "", std::nullopt}),
    [](const ::testing::TestParamInfo<IssuedCase>& row) { return std::string(row.param.name); });

TEST(IssuedTimeTest, OnlyTheHeaderIsSearched) {
    QString text;
    for (int i = 0; i < kIssuedSearchLines; ++i) text += QStringLiteral("# line\n");
    text += QStringLiteral(":Issued: 2026 Sep 22 0615 UTC\n");
    EXPECT_EQ(parseIssuedTime(text), std::nullopt);
    text.remove(0, 7);  // one line fewer: now it is the header's last line
    EXPECT_EQ(parseIssuedTime(text), kSep22At0615);
}

TEST(ReportAgeTest, AgeTextsRoundDown) {
    struct Case {
        qint64 seconds;
        const char* text;
    };
    const Case cases[] = {{0, "just now"},        {59, "just now"},        {60, "1 min ago"},
                          {3599, "59 min ago"},   {3600, "1 h ago"},       {3 * 3600 + 3599, "3 h ago"},
                          {48 * 3600 - 1, "47 h ago"}, {48 * 3600, "2 d ago"}, {-600, "10 min ahead of this clock"}};
    for (const Case& c : cases) EXPECT_EQ(ageText(c.seconds), QString::fromLatin1(c.text)) << c.seconds;
}

TEST(ReportAgeTest, IssuedLineWinsAndStaleIsPastTwiceTheCadence) {
    const qint64 threeHours = 3 * 3600;
    const ReportAge fresh = describeReportAge(kSep22At0615, 0, kSep22At0615 + threeHours, threeHours);
    EXPECT_EQ(fresh.text, QStringLiteral("issued 2026-09-22 06:15 UTC, 3 h ago"));
    EXPECT_TRUE(fresh.fromIssuedLine);
    EXPECT_FALSE(fresh.stale);

    // Exactly twice the cadence is still the normal rhythm; a second more is not.
    EXPECT_FALSE(describeReportAge(kSep22At0615, 0, kSep22At0615 + 2 * threeHours, threeHours).stale);
    EXPECT_TRUE(describeReportAge(kSep22At0615, 0, kSep22At0615 + 2 * threeHours + 1, threeHours).stale);

    const ReportAge fromFile = describeReportAge(std::nullopt, kSep22At0615, kSep22At0615 + 90, 86400);
    EXPECT_EQ(fromFile.text, QStringLiteral("file saved 2026-09-22 06:15 UTC, 1 min ago (no issue time in the report)"));
    EXPECT_FALSE(fromFile.fromIssuedLine);
    EXPECT_EQ(formatUtcIso(kSep22At0615), QStringLiteral("2026-09-22T06:15:00Z"));
}

TEST(ReportBodyTest, RefusesWhatIsNoReport) {
    struct Case {
        const char* name;
        QByteArray body;
        const char* contentType;
        const char* refusal;  // nullptr: stored
    };
    const Case cases[] = {
        {"plain report", ":Product: WWV\n:Issued: 2026 Sep 22 0615 UTC\n", "text/plain", nullptr},
        {"report without a type", "#\n# text\n", "", nullptr},
        {"empty", "", "text/plain", "empty body"},
        {"NUL byte", QByteArray("abc\0def", 7), "text/plain", "holds a NUL byte, not a text report"},
        {"HTML by type", "Service Unavailable", "text/html; charset=utf-8", "an HTML page, not a report"},
        {"HTML by content", "\n <!DOCTYPE html><html><head><title>Service\n Unavailable</title>", "text/plain",
         "an HTML page (\"Service Unavailable\"), not a report"},
        {"HTML with a BOM", "\xEF\xBB\xBF<html><body>x</body></html>", "", "an HTML page, not a report"},
        {"too large", QByteArray(kMaxWebReportBytes + 1, 'x'), "text/plain", "larger than 4 MiB"},
        {"exactly the bound", QByteArray(kMaxWebReportBytes, 'x'), "text/plain", nullptr},
    };
    for (const Case& c : cases) {
        const auto refusal = reportBodyRefusal(c.body, QString::fromLatin1(c.contentType));
        ASSERT_EQ(refusal.has_value(), c.refusal != nullptr) << c.name;
        if (c.refusal) {
            EXPECT_EQ(*refusal, QString::fromLatin1(c.refusal)) << c.name;
        }
    }
}

// The line of a report whose fetch failed: the reason, then when the copy
// shown arrived, or that none has.
TEST(FetchFailureLine, SaysWhyAndWhenTheCopyArrived) {
    struct Case {
        const char* name;
        const char* reason;
        std::optional<UtcMoment> copy;
        const char* expected;
    };
    const UtcMoment failedAt = kSep22At0615 + 3 * 3600;  // 09:15
    const Case cases[] = {
        {"CopyFromThisMorning", "Transfer Timed out", kSep22At0615 + 5 * 60,
         "Last fetch failed 2026-09-22 09:15 UTC: Transfer Timed out. The copy shown arrived 2026-09-22 06:20 UTC, 2 h ago."},
        {"CopyDaysOld", "HTTP 404 Not Found", kSep22At0615 - 3 * 86400,
         "Last fetch failed 2026-09-22 09:15 UTC: HTTP 404 Not Found. The copy shown arrived 2026-09-19 06:15 UTC, 3 d ago."},
        {"NoCopy", "FTP server: Connection Failed: ftp.example.net:21 could not be reached (Connection refused)", std::nullopt,
         "Last fetch failed 2026-09-22 09:15 UTC: FTP server: Connection Failed: ftp.example.net:21 could not be reached "
         "(Connection refused). No copy has arrived yet."},
        {"ReasonEndingInAFullStop", "not fetched.", std::nullopt,
         "Last fetch failed 2026-09-22 09:15 UTC: not fetched. No copy has arrived yet."},
        {"CopyAheadOfThisClock", "Transfer Timed out", failedAt + 600,
         "Last fetch failed 2026-09-22 09:15 UTC: Transfer Timed out. The copy shown arrived 2026-09-22 09:25 UTC, "
         "10 min ahead of this clock."},
    };
    for (const Case& c : cases)
        EXPECT_EQ(describeFetchFailure(QString::fromLatin1(c.reason), failedAt, c.copy, failedAt).toStdString(), c.expected)
            << c.name;
}

}  // namespace
