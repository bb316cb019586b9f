#include "history/HeardCsv.h"

#include <gtest/gtest.h>

#include <QFile>

#include <sys/stat.h>

#include "common/OrvaneError.h"
#include "history/SqliteHistory.h"
#include "support/TempDir.h"

using namespace orvane;
using namespace orvane::history;

TEST(HeardCsv, LinesAsTheListenerWritesThemAndLinesThatAreNot) {
    // 2026-12-01 07:00:20 is period 2 of its cycle: 14.100 MHz hears slot 3, 21.150 MHz slot 1.
    const auto good = parseHeardCsvLine("2026-12-01T07:00:20Z,14.100,3,W6WX,1,12.5,3.0,,,-4.5,60");
    ASSERT_TRUE(good.has_value());
    EXPECT_EQ(good->band, 0);
    EXPECT_EQ(good->outcome, Outcome::Heard);
    EXPECT_EQ(good->dashSnrDb[0], 12.5);
    EXPECT_FALSE(good->dashSnrDb[2].has_value());
    EXPECT_EQ(good->toneOffsetHz, -4.5);
    EXPECT_EQ(good->timeOffsetMs, 60);
    EXPECT_TRUE(parseHeardCsvLine("2026-12-01T07:00:20Z,21.150,1,4U1UN,0,,,,,0.0,0").has_value());

    struct Bad {
        const char* line;
        const char* reason;
    };
    for (const Bad& b : {Bad{"2026-12-01T07:00:20Z,14.100,3,W6WX,1,12.5,3.0,,,-4.5", "11"},
                         Bad{"2026-12-01T07:00:25Z,14.100,3,W6WX,1,,,,,0,0", "slot's start"},
                         Bad{"2026-02-30T07:00:20Z,14.100,3,W6WX,1,,,,,0,0", "slot's start"},
                         Bad{"2026-12-01T07:00:20Z,7.040,3,W6WX,1,,,,,0,0", "band"},
                         Bad{"2026-12-01T07:00:20Z,14.100,4,W6WX,1,,,,,0,0", "schedule"},
                         Bad{"2026-12-01T07:00:20Z,14.100,3,W6WX,yes,,,,,0,0", "heard"},
                         Bad{"2026-12-01T07:00:20Z,14.100,3,W6WX,1,nan,,,,0,0", "number"},
                         Bad{"2026-12-01T07:00:20Z,14.100,3,W6WX,1,1e999,,,,0,0", "number"}}) {
        QString reason;
        EXPECT_FALSE(parseHeardCsvLine(b.line, &reason).has_value()) << b.line;
        EXPECT_TRUE(reason.contains(QLatin1String(b.reason))) << b.line << ": " << reason.toStdString();
    }
}

TEST(HeardCsv, AnImportTwiceAddsNothingAndDescribesWhatItSkipped) {
    TempDir dir;
    const QString log = dir.file("orvane-heard.csv");
    QByteArray text = "utc,mhz,slot,call,heard,snr1,snr2,snr3,snr4,tone_offset_hz,time_offset_ms\n";
    text += "2026-12-01T07:00:20Z,14.100,3,W6WX,1,12.5,3.0,,,-4.5,60\n";
    text += "2026-12-01T07:00:20Z,21.150,1,4U1UN,0,,,,,0.0,0\r\n";
    text += "garbage\n";
    text += QByteArray(2000, 'z') + "\n";
    text += "\n";
    text += "2026-12-01T07:00:30Z,14.100,4,VE8AT,1,2.0,,,,1.0,-10";  // the last line, no end of line
    QFile f(log);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.write(text);
    f.close();
    SqliteHistory store(dir.file("h.sqlite"));
    const ImportSummary first = importHeardCsv(log, store, {"G4ABC", "IO91"});
    EXPECT_EQ(first.records, 3);
    EXPECT_EQ(first.added, 3);
    EXPECT_EQ(first.problems, 2);
    ASSERT_EQ(first.firstProblems.size(), 2);
    EXPECT_TRUE(first.firstProblems[0].startsWith("line 4:"));
    EXPECT_TRUE(first.firstProblems[1].contains("longer than"));
    const ImportSummary again = importHeardCsv(log, store, {"G4ABC", "IO91"});
    EXPECT_EQ(again.records, 3);
    EXPECT_EQ(again.added, 0);
    std::int64_t listened = 0;
    for (const HourCell& c : store.hours({})) listened += c.listened;
    EXPECT_EQ(listened, 3);
}

TEST(HeardCsv, WhatIsNotARegularFileIsRefusedWithoutWaiting) {
    TempDir dir;
    SqliteHistory store(dir.file("h.sqlite"));
    const QString fifo = dir.file("fifo.csv");
    ASSERT_EQ(mkfifo(QFile::encodeName(fifo).constData(), 0600), 0);
    for (const QString& name : {fifo, dir.file("missing.csv"), dir.path()}) {
        SCOPED_TRACE(name.toStdString());
        EXPECT_THROW(importHeardCsv(name, store, {"G4ABC", ""}), OrvaneError);
    }
}
