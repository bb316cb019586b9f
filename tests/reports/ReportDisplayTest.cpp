#include <gtest/gtest.h>

#include "reports/ReportDisplay.h"
#include "reports/ReportRetrieval.h"
#include "support/TempDir.h"

using namespace orvane::reports;

namespace {

std::array<bool, kReportCount> visibleAt(std::initializer_list<int> indices) {
    std::array<bool, kReportCount> v{};
    for (int i : indices) v[static_cast<std::size_t>(i)] = true;
    return v;
}

TEST(ReportDisplayTest, NextVisibleTabMovesRightAndWraps) {
    struct Case {
        const char* name;
        int current;
        std::initializer_list<int> visible;
        int expected;
    };
    const Case cases[] = {
        {"still visible", 4, {0, 4, 8}, 4},
        {"next to the right", 4, {0, 8, 13}, 8},
        {"last wraps to first", 13, {0, 4, 12}, 0},
        {"wraps past the end", 12, {3}, 3},
        {"none visible", 5, {}, -1},
        {"no active tab", -1, {6}, 6},
    };
    for (const Case& c : cases) EXPECT_EQ(nextVisibleTab(c.current, visibleAt(c.visible)), c.expected) << c.name;
}

TEST(ReportDisplayTest, ReportFilesReadLineByLine) {
    struct Case {
        const char* name;
        QByteArray bytes;
        QString text;
    };
    const Case cases[] = {
        {"CR LF", "a\r\nb\r\n", QStringLiteral("a\nb")},
        {"bare CR and LF", "a\rb\nc", QStringLiteral("a\nb\nc")},
        {"blank lines kept", "a\r\n\r\nb\r\n", QStringLiteral("a\n\nb")},
        {"Latin-1 when not UTF-8", "10\xb0" "C", QStringLiteral("10\u00b0C")},
        {"UTF-8", "10\xc2\xb0" "C", QStringLiteral("10\u00b0C")},
        {"empty file", "", QString()},
    };
    for (const Case& c : cases) {
        TempDir dir;
        TempDir::write(dir.file(QStringLiteral("r.txt")), c.bytes);
        const auto text = readReportFile(dir.file(QStringLiteral("r.txt")));
        ASSERT_TRUE(text.has_value()) << c.name;
        EXPECT_EQ(*text, c.text) << c.name;
    }
    TempDir dir;
    EXPECT_FALSE(readReportFile(dir.file(QStringLiteral("missing.txt"))).has_value());
    // A folder of the report's name is no report.
    EXPECT_FALSE(readReportFile(dir.path()).has_value());
}

TEST(ReportDisplayTest, AHugeFileOrLineIsCutWithANote) {
    const QString longLine(kMaxReportLineChars, QLatin1Char('x'));
    struct Case {
        const char* name;
        QByteArray bytes;
        QString text;
    };
    const Case cases[] = {
        {"line at the limit", longLine.toLatin1() + "\nb", longLine + QStringLiteral("\nb")},
        {"line one past the limit", longLine.toLatin1() + "yz\r\nb", longLine + lineCutNote() + QStringLiteral("\nb")},
        // One line of several megabytes: a single line of the limit, one
        // note for the line and one for the file.
        {"one huge line", QByteArray(3 * kMaxReportBytes, 'x'), longLine + lineCutNote() + QLatin1Char('\n') + fileCutNote()},
        {"file at the limit", QByteArray(kMaxReportBytes, '\n'), QString(kMaxReportBytes - 1, QLatin1Char('\n'))},
    };
    for (const Case& c : cases) {
        TempDir dir;
        TempDir::write(dir.file(QStringLiteral("r.txt")), c.bytes);
        const auto text = readReportFile(dir.file(QStringLiteral("r.txt")));
        ASSERT_TRUE(text.has_value()) << c.name;
        EXPECT_EQ(*text, c.text) << c.name;
    }
}

TEST(ReportDisplayTest, ProgressStopsAtTheMaximum) {
    ProgressBarState bar{300, 100, 0};
    for (int i = 0; i < 5; ++i) bar.stepIt();
    EXPECT_EQ(bar.position, 300);
    ProgressBarState empty{0, 0, 0};
    empty.stepIt();
    EXPECT_EQ(empty.position, 0);
}

}  // namespace
