// The built-in help: every help context the program hands out opens an
// existing topic, the pages link only to pages and anchors that exist, and
// the search finds pages by their words.
#include <gtest/gtest.h>

#include <QDir>
#include <QRegularExpression>
#include <set>

#include "app/help/HelpCatalog.h"

namespace orvane::help {
namespace {

QString str(std::string_view s) { return QString::fromUtf8(s.data(), static_cast<qsizetype>(s.size())); }

bool pageHasAnchor(const QString& html, const QString& anchor) {
    return html.contains(QStringLiteral("name=\"%1\"").arg(anchor));
}

// Fails with a readable message when page#anchor does not exist.
::testing::AssertionResult topicExists(const QString& page, const QString& anchor) {
    const QString html = HelpCatalog::readPage(page);
    if (html.isEmpty()) return ::testing::AssertionFailure() << "no page " << page.toStdString();
    if (!anchor.isEmpty() && !pageHasAnchor(html, anchor)) {
        return ::testing::AssertionFailure() << "no anchor " << anchor.toStdString() << " on "
                                             << page.toStdString();
    }
    return ::testing::AssertionSuccess();
}

struct ContextCase {
    const char* name;
    int context;
};

// The help contexts that windows, tabs, menu items and dialogs carry.
constexpr ContextCase kHandedOut[] = {
    {"MapTab", 13},          {"BeaconsTab", 23},       {"PropagationTab", 24},  {"AboutTab", 25},
    {"TimePanel", 9},        {"HostBox", 10},          {"Frequency", 12},       {"Animate", 15},
    {"Fake", 17},            {"BrowseCalendar", 18},   {"SignalChange", 19},    {"ShowHideBeacons", 21},
    {"PopupHints", 22},      {"RetrievalDialog", 31},  {"ReportList", 32},      {"ServerFields", 33},
    {"GetLatestButton", 34}, {"StatusMemo", 35},       {"GetLatestReports", 37}, {"HelpContents", 300},
    {"AnimateSpeed", 1001},  {"DarknessLevel", 1002},  {"SimulateBeacons", 1003}, {"SimulateSetup", 1004},
    {"MapMenu", 1005},       {"Credits", 1006},
};

class HandedOutContext : public ::testing::TestWithParam<ContextCase> {};

TEST_P(HandedOutContext, OpensAnExistingTopic) {
    const auto topic = topicForContext(GetParam().context);
    ASSERT_TRUE(topic.has_value());
    EXPECT_TRUE(topicExists(str(topic->page), str(topic->anchor)));
}

INSTANTIATE_TEST_SUITE_P(Help, HandedOutContext, ::testing::ValuesIn(kHandedOut),
                         [](const auto& c) { return std::string(c.param.name); });

// The report tabs in catalogue order and their contexts: note that the
// third and fourth tabs ("Flux Forecast", "27 Day Outlook") carry 6 and 5.
struct ReportCase {
    const char* tab;
    int context;
    const char* anchor;
};
constexpr ReportCase kReportTabs[] = {
    {"WWV", 1, "wwv"},       {"AK", 3, "ak"},         {"DayPre", 4, "daypre"}, {"FluxForecast", 6, "srff"},
    {"Outlook27", 5, "27do"}, {"Alerts", 600, "alts"}, {"SpotNum", 601, "predict"}, {"RSGA", 602, "rsga"},
    {"SGAS", 36, "sgas"},    {"HFRP", 603, "hfrp"},   {"WKHF", 604, "wkhf"},   {"RadioFlux", 605, "rad"},
    {"DSD", 606, "dsd"},     {"DGD", 607, "dgd"},
};

class ReportTabContext : public ::testing::TestWithParam<ReportCase> {};

TEST_P(ReportTabContext, OpensThatReportsSection) {
    const auto topic = topicForContext(GetParam().context);
    ASSERT_TRUE(topic.has_value());
    EXPECT_EQ(topic->page, "reports.html");
    EXPECT_EQ(topic->anchor, GetParam().anchor);
    EXPECT_TRUE(topicExists(str(topic->page), str(topic->anchor)));
}

INSTANTIATE_TEST_SUITE_P(Help, ReportTabContext, ::testing::ValuesIn(kReportTabs),
                         [](const auto& c) { return std::string(c.param.tab); });

TEST(HelpCatalog, ContextNumbersAreUnique) {
    std::set<int> seen;
    for (const TopicRef& t : kContextTopics) EXPECT_TRUE(seen.insert(t.context).second) << t.context;
}

TEST(HelpCatalog, UnknownContextHasNoTopic) {
    EXPECT_FALSE(topicForContext(0).has_value());
    EXPECT_FALSE(topicForContext(2).has_value());
    EXPECT_FALSE(topicForContext(-1).has_value());
}

TEST(HelpCatalog, EveryContentsEntryExists) {
    for (const ContentsEntry& e : kContents) EXPECT_TRUE(topicExists(str(e.page), str(e.anchor)));
}

TEST(HelpCatalog, EveryPageIsInTheContents) {
    std::set<QString> listed;
    for (const ContentsEntry& e : kContents) listed.insert(str(e.page));
    const QStringList pages = QDir(QStringLiteral(":/help")).entryList({QStringLiteral("*.html")});
    ASSERT_FALSE(pages.isEmpty());
    for (const QString& page : pages) EXPECT_TRUE(listed.count(page)) << page.toStdString();
}

TEST(HelpCatalog, EveryLinkBetweenPagesLeadsSomewhere) {
    static const QRegularExpression kHref(QStringLiteral("href=\"([^\"]+)\""));
    const QStringList pages = QDir(QStringLiteral(":/help")).entryList({QStringLiteral("*.html")});
    for (const QString& page : pages) {
        const QString html = HelpCatalog::readPage(page);
        for (auto it = kHref.globalMatch(html); it.hasNext();) {
            const QString href = it.next().captured(1);
            if (href.contains(QLatin1Char(':'))) continue;  // web and mail addresses
            const QString target = href.section(QLatin1Char('#'), 0, 0);
            const QString anchor = href.section(QLatin1Char('#'), 1);
            EXPECT_TRUE(topicExists(target.isEmpty() ? page : target, anchor))
                << "link " << href.toStdString() << " on " << page.toStdString();
        }
    }
}

TEST(HelpCatalog, EveryPageHasTheTitleOfItsContentsEntry) {
    const HelpCatalog catalog;
    for (const HelpPage& p : catalog.pages()) {
        const auto entry = std::find_if(kContents.begin(), kContents.end(), [&](const ContentsEntry& e) {
            return e.level == 0 && str(e.page) == p.page;
        });
        ASSERT_NE(entry, kContents.end());
        EXPECT_EQ(p.title, str(entry->title)) << p.page.toStdString();
        EXPECT_GT(p.text.size(), 400) << p.page.toStdString() << " says too little to help";
    }
}

struct SearchCase {
    const char* name;
    const char* query;
    const char* firstPage;  // nullptr: nothing found
};
constexpr SearchCase kSearches[] = {
    {"TitleWordsRankFirst", "grey line", "greyline.html"},
    {"CaseIgnored", "cap_sys_time", "clock.html"},
    {"ReportName", "Fredericksburg", "reports.html"},
    {"MorseDashes", "dashes softer", "hearing.html"},
    {"EveryWordNeeded", "solstice fluidsynth", nullptr},
    {"UnknownWord", "qwertzuiop", nullptr},
    {"Blank", "   ", nullptr},
};

class HelpSearch : public ::testing::TestWithParam<SearchCase> {};

TEST_P(HelpSearch, FindsTheRightPage) {
    static const HelpCatalog catalog;
    const auto hits = catalog.search(QString::fromUtf8(GetParam().query));
    if (GetParam().firstPage == nullptr) {
        EXPECT_TRUE(hits.empty());
    } else {
        ASSERT_FALSE(hits.empty());
        EXPECT_EQ(hits.front().page, QString::fromUtf8(GetParam().firstPage));
    }
}

INSTANTIATE_TEST_SUITE_P(Help, HelpSearch, ::testing::ValuesIn(kSearches),
                         [](const auto& c) { return std::string(c.param.name); });

TEST(HelpSearch, RanksByTitleThenCountThenContentsOrder) {
    const HelpCatalog catalog({{"a.html", "Alpha", "beacon"},
                               {"b.html", "Beta", "beacon beacon beacon"},
                               {"c.html", "Beacon", "nothing else"},
                               {"d.html", "Delta", "beacon"}});
    const auto hits = catalog.search(QStringLiteral("BEACON"));
    ASSERT_EQ(hits.size(), 4u);
    EXPECT_EQ(hits[0].page, "c.html");
    EXPECT_EQ(hits[1].page, "b.html");
    EXPECT_EQ(hits[2].page, "a.html");
    EXPECT_EQ(hits[3].page, "d.html");
}

}  // namespace
}  // namespace orvane::help
