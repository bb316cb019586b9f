#include "history/HistoryView.h"

#include <gtest/gtest.h>

#include <QDateTime>
#include <QFileInfo>

#include "beacons/Schedule.h"
#include "history/SqliteHistory.h"
#include "support/TempDir.h"

using namespace orvane;
using namespace orvane::history;

namespace {

std::int64_t utc(const char* text) {
    return QDateTime::fromString(QString::fromLatin1(text), Qt::ISODateWithMs).toMSecsSinceEpoch();
}

// A grid of one beacon from (hour, heard, listened) triples.
BandGrid gridOf(int band, int beacon, std::initializer_list<std::array<int, 3>> hours) {
    std::vector<HourCell> lines;
    for (const auto& [hour, heard, listened] : hours) lines.push_back({band, beacon, hour, heard, listened, {}});
    return bandGrid(lines, band);
}

}  // namespace

// Each period ends with the current UTC hour, so an hour of the day is
// counted the same number of times; the ends are checked at the hour's
// first and last millisecond, across a year's end and before 1970.
TEST(HistoryView, PeriodsAreWholeUtcHoursEndingWithTheCurrentOne) {
    struct Case {
        const char* name;
        HistoryPeriod period;
        const char* now;
        const char* from;
        const char* to;
    };
    for (const Case& c : {
             Case{"day", HistoryPeriod::Day, "2026-12-11T09:30:00.000Z", "2026-12-10T10:00:00.000Z",
                  "2026-12-11T10:00:00.000Z"},
             Case{"hour's first ms", HistoryPeriod::Day, "2026-12-11T10:00:00.000Z", "2026-12-10T11:00:00.000Z",
                  "2026-12-11T11:00:00.000Z"},
             Case{"hour's last ms", HistoryPeriod::Day, "2026-12-11T09:59:59.999Z", "2026-12-10T10:00:00.000Z",
                  "2026-12-11T10:00:00.000Z"},
             Case{"week", HistoryPeriod::Week, "2026-12-11T00:00:00.000Z", "2026-12-04T01:00:00.000Z",
                  "2026-12-11T01:00:00.000Z"},
             Case{"month over a year's end", HistoryPeriod::Month, "2027-01-10T23:59:59.999Z",
                  "2026-12-12T00:00:00.000Z", "2027-01-11T00:00:00.000Z"},
             Case{"year over a leap day", HistoryPeriod::Year, "2028-12-31T12:00:00.000Z",
                  "2028-01-01T13:00:00.000Z", "2028-12-31T13:00:00.000Z"},
             Case{"before 1970", HistoryPeriod::Day, "1969-12-31T23:59:59.999Z", "1969-12-31T00:00:00.000Z",
                  "1970-01-01T00:00:00.000Z"},
         }) {
        SCOPED_TRACE(c.name);
        const PeriodBounds b = periodBounds(c.period, utc(c.now));
        EXPECT_EQ(b.fromMs, utc(c.from));
        EXPECT_EQ(b.toMs, utc(c.to));
        EXPECT_EQ(b.toMs - b.fromMs, (std::array{1, 7, 30, 365})[static_cast<std::size_t>(c.period)] * kDayMs);
    }
}

// From - to: whole UTC days, both included, in either order.
TEST(HistoryView, ARangeIsWholeUtcDaysBothIncluded) {
    const std::int64_t now = utc("2026-12-11T09:30:00.000Z");
    struct Case {
        QDate first, last;
        const char* from;
        const char* to;
    };
    for (const Case& c : {Case{QDate(2026, 12, 1), QDate(2026, 12, 3), "2026-12-01T00:00:00.000Z",
                               "2026-12-04T00:00:00.000Z"},
                          Case{QDate(2026, 12, 3), QDate(2026, 12, 1), "2026-12-01T00:00:00.000Z",
                               "2026-12-04T00:00:00.000Z"},
                          Case{QDate(2026, 12, 31), QDate(2026, 12, 31), "2026-12-31T00:00:00.000Z",
                               "2027-01-01T00:00:00.000Z"},
                          Case{QDate(2028, 2, 28), QDate(2028, 2, 29), "2028-02-28T00:00:00.000Z",
                               "2028-03-01T00:00:00.000Z"},
                          Case{QDate(), QDate(), "2026-12-11T00:00:00.000Z", "2026-12-12T00:00:00.000Z"}}) {
        SCOPED_TRACE(c.from);
        const PeriodBounds b = periodBounds(HistoryPeriod::Range, now, c.first, c.last);
        EXPECT_EQ(b.fromMs, utc(c.from));
        EXPECT_EQ(b.toMs, utc(c.to));
    }
}

// A band's lines become its cells; other bands and lines out of range are
// left out; the hint says heard of listened and the best first dash.
TEST(HistoryView, CellsAreSharesOfTheBandAskedForWithTheirHints) {
    const std::vector<HourCell> lines{{2, 17, 7, 12, 20, 14.5}, {2, 0, 23, 0, 5, std::nullopt},
                                      {1, 17, 7, 20, 20, 30.0}, {2, 18, 7, 1, 1, 1.0},
                                      {2, 3, 24, 1, 1, 1.0},    {-1, 3, 2, 1, 1, 1.0}};
    const BandGrid grid = bandGrid(lines, 2);
    EXPECT_DOUBLE_EQ(*grid.at(17, 7).share(), 0.6);
    EXPECT_EQ(grid.at(17, 7).bestSnrDb, 14.5);
    EXPECT_DOUBLE_EQ(*grid.at(0, 23).share(), 0.0);
    EXPECT_FALSE(grid.at(17, 8).share());
    int listenedCells = 0;
    for (int b = 0; b < 18; ++b)
        for (int h = 0; h < 24; ++h) listenedCells += grid.at(b, h).listened > 0;
    EXPECT_EQ(listenedCells, 2);
    EXPECT_FALSE(grid.empty());
    EXPECT_TRUE(bandGrid(lines, 4).empty());

    EXPECT_EQ(cellHint(grid, 17, 7, "JA2IGY"),
              QString::fromUtf8("JA2IGY on 21.15 MHz, 07–08 UTC: heard in 12 of 20 slots (60 %), best first dash "
                                "14.5 dB"));
    EXPECT_EQ(cellHint(grid, 0, 23, "4U1UN"),
              QString::fromUtf8("4U1UN on 21.15 MHz, 23–00 UTC: heard in 0 of 5 slots (0 %)"));
    EXPECT_EQ(cellHint(grid, 5, 0, "ZL6B"), QString::fromUtf8("ZL6B on 21.15 MHz, 00–01 UTC: never listened for"));
}

// The best hours: the run around the best hour while each hour reaches half
// its share, across midnight too, with the share of the run as a whole.
TEST(HistoryView, BestHoursAreTheRunAroundThePeak) {
    struct Case {
        const char* name;
        std::initializer_list<std::array<int, 3>> hours;  // hour, heard, listened
        int first, count, heard, listened;
    };
    for (const Case& c : {
             Case{"one hour", {{7, 3, 10}}, 7, 1, 3, 10},
             Case{"a run cut by a weak hour", {{6, 1, 10}, {7, 6, 10}, {8, 8, 10}, {9, 4, 10}, {10, 3, 10}},
                  7, 3, 18, 30},
             Case{"across midnight", {{22, 5, 10}, {23, 9, 10}, {0, 10, 10}, {1, 6, 10}, {3, 10, 20}}, 22, 4, 30, 40},
             Case{"an hour never listened for ends the run", {{7, 5, 10}, {9, 5, 10}}, 7, 1, 5, 10},
             Case{"equal shares: the hour with more slots", {{3, 1, 2}, {12, 5, 10}}, 12, 1, 5, 10},
         }) {
        SCOPED_TRACE(c.name);
        const auto best = bestHours(gridOf(0, 4, c.hours), 4);
        ASSERT_TRUE(best);
        EXPECT_EQ(best->beacon, 4);
        EXPECT_EQ(best->firstHour, c.first);
        EXPECT_EQ(best->hours, c.count);
        EXPECT_EQ(best->heard, c.heard);
        EXPECT_EQ(best->listened, c.listened);
    }
    std::vector<HourCell> lines;
    for (int h = 0; h < 24; ++h) lines.push_back({0, 4, h, 9 + h % 2, 10, {}});
    const auto day = bestHours(bandGrid(lines, 0), 4);
    ASSERT_TRUE(day);
    EXPECT_EQ(day->hours, 24);
    EXPECT_EQ(bestHoursText(0, "KH6WO", *day), QStringLiteral("14.10 MHz to KH6WO: all day, 95 %"));
    EXPECT_FALSE(bestHours(gridOf(0, 4, {{7, 0, 10}, {8, 0, 3}}), 4)) << "never heard";
    EXPECT_FALSE(bestHours(gridOf(0, 4, {{7, 3, 10}}), 5)) << "never listened for";
}

TEST(HistoryView, BestHoursReadAsTheHamSaysThemTheBestFirst) {
    std::vector<HourCell> lines{{2, 14, 7, 6, 10, {}}, {2, 14, 8, 6, 10, {}}, {2, 0, 12, 9, 10, {}},
                                {2, 5, 3, 0, 10, {}}};
    const BandGrid grid = bandGrid(lines, 2);
    const auto list = bestHoursOfBand(grid);
    ASSERT_EQ(list.size(), 2u) << "a beacon never heard has no best hours";
    EXPECT_EQ(list[0].beacon, 0);
    EXPECT_EQ(bestHoursText(2, "JA2IGY", list[1]), QString::fromUtf8("21.15 MHz to JA2IGY: 07–09 UTC, 60 %"));
    EXPECT_EQ(bestHoursText(2, "4U1UN", list[0]), QString::fromUtf8("21.15 MHz to 4U1UN: 12–13 UTC, 90 %"));
}

// The view's reading from a real file: one receiver, all together, a
// receiver the file does not hold; a missing file is not created, a file
// that is not a database gives the reason.
TEST(HistoryView, ReadingTakesOneReceiverOrAllAndSaysWhatIsWrong) {
    TempDir dir;
    const QString file = dir.file("history.sqlite");
    const std::int64_t t0 = utc("2026-12-01T07:00:00.000Z");
    {
        SqliteHistory store(file);
        for (const auto& [name, heard] : {std::pair{"G4ABC", true}, std::pair{"DL1XYZ", false}}) {
            SlotRecord r;
            r.slotStartMs = t0;
            r.band = 0;
            r.outcome = heard ? Outcome::Heard : Outcome::NotHeard;
            r.dashSnrDb[0] = heard ? 11.0 : -3.0;
            const std::array records{r};
            store.add({QString::fromLatin1(name), "JO22"}, records);
        }
    }
    const int beacon = beacons::slotIndexAt(t0, 0);
    struct Case {
        QString receiver, readAs;
        std::int64_t heard, listened;
    };
    for (const Case& c : {Case{"G4ABC", "G4ABC", 1, 1}, Case{"DL1XYZ", "DL1XYZ", 0, 1}, Case{"", "", 1, 2},
                          Case{"nobody", "", 1, 2}}) {
        SCOPED_TRACE(c.receiver.toStdString());
        HistoryQuery q;
        q.receiver = c.receiver;
        q.band = 3;  // every band is read; the view picks one
        const HistoryReading reading = readHistory("sqlite:" + file, q);
        ASSERT_TRUE(reading.problem.isEmpty()) << reading.problem.toStdString();
        ASSERT_EQ(reading.receivers.size(), 2u);
        EXPECT_EQ(reading.receivers[0].name, "DL1XYZ");
        EXPECT_EQ(reading.receiver, c.readAs);
        const BandGrid grid = bandGrid(reading.cells, 0);
        EXPECT_EQ(grid.at(beacon, 7).heard, c.heard);
        EXPECT_EQ(grid.at(beacon, 7).listened, c.listened);
    }

    const HistoryReading missing = readHistory("sqlite:" + dir.file("none/history.sqlite"), {});
    EXPECT_TRUE(missing.missing);
    EXPECT_TRUE(missing.problem.contains("No history yet")) << missing.problem.toStdString();
    EXPECT_FALSE(QFileInfo::exists(dir.file("none"))) << "a view creates nothing";

    TempDir::write(dir.file("junk.sqlite"), QByteArray(4096, 'x'));
    const HistoryReading junk = readHistory(dir.file("junk.sqlite"), {});
    EXPECT_FALSE(junk.missing);
    EXPECT_TRUE(junk.problem.contains("not a database")) << junk.problem.toStdString();
    EXPECT_TRUE(junk.cells.empty());
}
