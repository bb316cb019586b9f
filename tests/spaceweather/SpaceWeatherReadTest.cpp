// The readers of NOAA's products: real layouts (quiet and storm days, both
// JSON forms), NOAA's missing markers, and input that is no product at all.
#include <gtest/gtest.h>

#include <QFile>

#include <cmath>

#include "spaceweather/SpaceWeather.h"
#include "spaceweather/SpaceWeatherState.h"

using namespace orvane;
using namespace orvane::spaceweather;

namespace {

QByteArray fixture(const char* day, const char* file) {
    QFile f(QStringLiteral(ORVANE_SPACEWX_TEST_DIR "/data/%1/%2").arg(QLatin1String(day), QLatin1String(file)));
    EXPECT_TRUE(f.open(QIODevice::ReadOnly)) << day << "/" << file;
    return f.readAll();
}

UtcMoment at(int y, int mo, int d, int h = 0, int mi = 0) { return daysFromCivil(y, mo, d) * 86400 + h * 3600 + mi * 60; }

TEST(SpaceWeatherReadTest, WwvOfAQuietAndAStormDay) {
    const WwvBulletin quiet = parseWwv(QString::fromLatin1(fixture("quiet", kWwvFile)));
    ASSERT_TRUE(quiet.issued && quiet.sfi && quiet.a && quiet.k && quiet.kTime);
    EXPECT_EQ(*quiet.issued, at(2026, 9, 22, 6, 5));
    EXPECT_EQ(*quiet.sfi, 152);
    EXPECT_EQ(*quiet.a, 8);
    EXPECT_DOUBLE_EQ(*quiet.k, 2.33);
    EXPECT_EQ(*quiet.kTime, at(2026, 9, 22, 6));
    const WwvBulletin storm = parseWwv(QString::fromLatin1(fixture("storm", kWwvFile)));
    ASSERT_TRUE(storm.k && storm.a);
    EXPECT_DOUBLE_EQ(*storm.k, 8.67);
    EXPECT_EQ(*storm.a, 120);
    EXPECT_EQ(gFromKp(*storm.k), 4);
}

TEST(SpaceWeatherReadTest, WwvMissingMarkersAndTheYearBeforeANewYearsBulletin) {
    struct Case {
        const char* flux;
        const char* a;
        const char* k;
        bool hasSfi, hasA, hasK;
    };
    for (const Case& c : {Case{"-1", "-1", "-1.00", false, false, false}, Case{"*", "8", "-1", false, true, false},
                          Case{"-999", "null", "*", false, false, false}, Case{"NaN", "inf", "nan", false, false, false},
                          Case{"152", "8", "2", true, true, true}, Case{"152", "8", "5-", true, true, true}}) {
        const QString text = QStringLiteral(
                                 ":Product: Geophysical Alert Message wwv.txt\n:Issued: 2027 Jan 01 0005 UTC\n"
                                 "Solar flux %1 and estimated planetary A-index %2.\n"
                                 "The estimated planetary K-index at 2100 UTC on 31 December was %3.\n")
                                 .arg(QLatin1String(c.flux), QLatin1String(c.a), QLatin1String(c.k));
        const WwvBulletin b = parseWwv(text);
        EXPECT_EQ(b.sfi.has_value(), c.hasSfi) << c.flux;
        EXPECT_EQ(b.a.has_value(), c.hasA) << c.a;
        EXPECT_EQ(b.k.has_value(), c.hasK) << c.k;
        if (b.k) {
            ASSERT_TRUE(b.kTime);
            EXPECT_EQ(*b.kTime, at(2026, 12, 31, 21));
        }
    }
    EXPECT_NEAR(*parseKp(u"5-"), 4.667, 0.001);
    EXPECT_NEAR(*parseKp(u"5+"), 5.333, 0.001);
    EXPECT_FALSE(parseKp(u"0-"));
    EXPECT_FALSE(parseKp(u"9.5"));
}

TEST(SpaceWeatherReadTest, DsdAndDgdDaysWithTheirMissingMarkers) {
    const DailyProduct dsd = parseDsd(QString::fromLatin1(fixture("quiet", kDsdFile)));
    ASSERT_EQ(dsd.days.size(), 30);
    EXPECT_EQ(dsd.days.last().day, at(2026, 9, 21));
    EXPECT_TRUE(dsd.days.last().flux && dsd.days.last().ssn);
    EXPECT_FALSE(dsd.days[10].flux) << "-999 is missing";
    EXPECT_TRUE(dsd.days[10].ssn);
    EXPECT_TRUE(dsd.days[11].xrayBackground.isEmpty()) << "* is missing";
    EXPECT_EQ(dsd.days[0].xrayBackground, QStringLiteral("B5.0"));

    const DailyProduct dgd = parseDgd(QString::fromLatin1(fixture("storm", kDgdFile)));
    ASSERT_EQ(dgd.days.size(), 30);
    const DailyIndices& storm = dgd.days[28];
    EXPECT_EQ(storm.day, at(2026, 9, 20));
    EXPECT_EQ(*storm.a, 120);
    EXPECT_EQ(*storm.kp[5], 9);
    EXPECT_TRUE(dgd.days[12].a) << "a station's missing columns leave the planetary ones";
    EXPECT_TRUE(dgd.days[12].kp[7]);
    EXPECT_FALSE(dgd.days[13].kp[7]) << "-1 is missing";
    // Columns that run together are still read one by one.
    const DailyProduct joined = parseDgd(
        u":Issued: 0230 UT 22 Sep 2026\n2026 09 21     6  1 2 1 2 2 1 1 2    -1-1-1-1-1-1-1-1-1     7  2 2 1 2 2 2 1 2\n");
    ASSERT_EQ(joined.days.size(), 1);
    EXPECT_EQ(*joined.days[0].a, 7);
    EXPECT_EQ(*joined.days[0].kp[7], 2);
}

TEST(SpaceWeatherReadTest, KpJsonInBothFormsReadsTheSame) {
    const QByteArray rows = R"([["time_tag","Kp","a_running","station_count"],
        ["2026-09-21 21:00:00.000","4.67","39","8"],["2026-09-22 00:00:00.000","-1.00","0","8"],
        ["2026-09-22 03:00:00.000","5.33","48","8"]])";
    const QByteArray objects = R"([{"time_tag":"2026-09-21T21:00:00","Kp":4.67,"a_running":39,"station_count":8},
        {"time_tag":"2026-09-22T00:00:00","Kp":null,"a_running":0,"station_count":8},
        {"time_tag":"2026-09-22T03:00:00","Kp":5.33,"a_running":48,"station_count":8}])";
    for (const QByteArray& body : {rows, objects}) {
        const KpProduct p = parseKpJson(body);
        ASSERT_TRUE(p.ok()) << p.error.toStdString();
        ASSERT_EQ(p.samples.size(), 2) << "the missing Kp is left out";
        EXPECT_EQ(p.samples[0].start, at(2026, 9, 21, 21));
        EXPECT_DOUBLE_EQ(p.samples[1].kp, 5.33);
    }
    const KpProduct quiet = parseKpJson(fixture("quiet", kKpFile));
    const KpProduct storm = parseKpJson(fixture("storm", kKpFile));
    ASSERT_TRUE(quiet.ok() && storm.ok());
    EXPECT_EQ(quiet.samples.size(), 56);
    EXPECT_EQ(storm.samples.size(), 56);
}

TEST(SpaceWeatherReadTest, GoesXraysProtonsAndScales) {
    const SeriesProduct x = parseXrayJson(fixture("storm", kXrayFile));
    ASSERT_TRUE(x.ok());
    EXPECT_EQ(x.samples.size(), 1440) << "the long channel only";
    double peak = 0;
    for (const Sample& s : x.samples) peak = std::max(peak, s.value);
    EXPECT_EQ(xrayClass(peak).left(1), QStringLiteral("X"));
    EXPECT_EQ(rFromXray(peak), 3);
    const SeriesProduct pr = parseProtonJson(fixture("storm", kProtonFile));
    ASSERT_FALSE(pr.samples.isEmpty());
    EXPECT_EQ(sFromProtons(pr.samples.last().value), 2);

    const ScalesProduct quiet = parseScalesJson(fixture("quiet", kScalesFile));
    ASSERT_TRUE(quiet.ok() && quiet.r && quiet.s && quiet.g && quiet.time);
    EXPECT_EQ(*quiet.g, 0);
    EXPECT_EQ(*quiet.time, at(2026, 9, 22, 6, 20));
    const ScalesProduct storm = parseScalesJson(fixture("storm", kScalesFile));
    EXPECT_EQ(*storm.r, 3);
    EXPECT_EQ(*storm.s, 2);
    EXPECT_EQ(*storm.g, 4);
    const ScalesProduct nulls = parseScalesJson(
        R"({"0":{"DateStamp":"2026-09-22","TimeStamp":"06:00:00","R":{"Scale":null},"S":{"Scale":"x"},"G":{"Scale":7}}})");
    ASSERT_TRUE(nulls.ok());
    EXPECT_FALSE(nulls.r || nulls.s || nulls.g);
}

TEST(SpaceWeatherReadTest, InputThatIsNoProductIsRefusedOrYieldsNothing) {
    const QByteArray huge = "[" + QByteArray(5 * 1024 * 1024, ' ') + "]";
    QByteArray manyRows = "[";
    for (int i = 0; i <= kMaxJsonRows; ++i) manyRows += "{},";
    manyRows.chop(1);
    manyRows += "]";
    struct Case {
        const char* what;
        QByteArray body;
        bool refused;
    };
    for (const Case& c : {
             Case{"an HTML page", "<!DOCTYPE html><html><head><title>Service Unavailable</title></head></html>", true},
             Case{"truncated", R"([{"time_tag":"2026-09-22T03:00:00","Kp":5.3)", true},
             Case{"huge", huge, true},
             Case{"too many rows", manyRows, true},
             Case{"an object", R"({"Kp":5})", true},
             Case{"empty", "", true},
             Case{"NaN literal", R"([{"time_tag":"2026-09-22T03:00:00","Kp":NaN}])", true},
             Case{"wrong types", R"([{"time_tag":20260922,"Kp":true},{"time_tag":"x","Kp":{"v":1}},[1,2],"s",3])", false},
             Case{"NaN and out of range strings",
                  R"([["time_tag","Kp"],["2026-09-22 03:00:00","NaN"],["2026-09-22 06:00:00","Infinity"],["2026-09-22 09:00:00","12"],["2026-13-40 00:00:00","3"]])",
                  false},
             Case{"no known column", R"([["a","b"],["1","2"]])", true},
         }) {
        const KpProduct kp = parseKpJson(c.body);
        EXPECT_EQ(!kp.ok(), c.refused) << c.what << ": " << kp.error.toStdString();
        EXPECT_TRUE(kp.samples.isEmpty()) << c.what;
        const SeriesProduct x = parseXrayJson(c.body);
        EXPECT_TRUE(x.samples.isEmpty()) << c.what;
        EXPECT_FALSE(parseScalesJson(c.body).r) << c.what;
    }
    // Fluxes that are no flux.
    const SeriesProduct bad = parseXrayJson(
        R"([{"time_tag":"2026-09-22T00:00:00Z","flux":-1,"energy":"0.1-0.8nm"},
            {"time_tag":"2026-09-22T00:01:00Z","flux":"NaN","energy":"0.1-0.8nm"},
            {"time_tag":"2026-09-22T00:02:00Z","flux":0,"energy":"0.1-0.8nm"},
            {"time_tag":"2026-09-22T00:03:00Z","flux":2e-6,"energy":"0.1-0.8nm"}])");
    ASSERT_EQ(bad.samples.size(), 1);
    EXPECT_EQ(xrayClass(bad.samples[0].value), QStringLiteral("C2.0"));
}

TEST(SpaceWeatherReadTest, NoaaScaleTables) {
    struct G {
        double kp;
        int g;
    };
    for (const G& c : {G{0, 0}, G{4.33, 0}, G{4.67, 1}, G{5, 1}, G{5.33, 1}, G{5.67, 2}, G{6.33, 2}, G{7, 3},
                       G{7.67, 4}, G{8.33, 4}, G{8.67, 4}, G{9, 5}})
        EXPECT_EQ(gFromKp(c.kp), c.g) << c.kp;
    struct X {
        double w;
        int r;
        const char* cls;
    };
    for (const X& c : {X{5e-8, 0, "A5.0"}, X{1.2e-7, 0, "B1.2"}, X{9.99e-6, 0, "C9.9"}, X{9.9e-6, 0, "C9.9"},
                       X{1e-5, 1, "M1.0"}, X{5e-5, 2, "M5.0"}, X{1e-4, 3, "X1.0"}, X{1e-3, 4, "X10.0"},
                       X{2e-3, 5, "X20.0"}}) {
        EXPECT_EQ(rFromXray(c.w), c.r) << c.w;
        EXPECT_EQ(xrayClass(c.w), QLatin1String(c.cls)) << c.w;
    }
    for (const auto& [pfu, s] : {std::pair{9.9, 0}, {10.0, 1}, {100.0, 2}, {1e3, 3}, {1e4, 4}, {1e5, 5}})
        EXPECT_EQ(sFromProtons(pfu), s) << pfu;
    EXPECT_EQ(*parseTimeTag(u"2026-09-22 06:00:00.000"), at(2026, 9, 22, 6));
    EXPECT_EQ(*parseTimeTag(u"2026-09-22T06:00:00Z"), at(2026, 9, 22, 6));
    EXPECT_EQ(*parseTimeTag(u"2026-09-22T06:00"), at(2026, 9, 22, 6));
    EXPECT_FALSE(parseTimeTag(u"2026-02-30T06:00:00"));
    // A leap second is the next minute's first second (found by the fuzzer).
    EXPECT_EQ(*parseTimeTag(u"2026-12-31 23:59:60.000"), at(2027, 1, 1, 0));
    EXPECT_FALSE(parseTimeTag(u"2026-09-22 06:00:61"));
    EXPECT_FALSE(parseTimeTag(u"yesterday"));
}

// The strip's figures from all products at a moment.
TEST(SpaceWeatherStateTest, QuietDayFiguresAndSources) {
    const UtcMoment now = at(2026, 9, 22, 6, 30);
    const State s = assemble(readProductsFrom(QStringLiteral(ORVANE_SPACEWX_TEST_DIR "/data/quiet")), now);
    EXPECT_EQ(s[Figure::Sfi].text, QStringLiteral("152"));
    EXPECT_EQ(s[Figure::Sfi].source, QStringLiteral("wwv.txt"));
    EXPECT_EQ(s[Figure::A].text, QStringLiteral("8"));
    EXPECT_EQ(s[Figure::K].text, QStringLiteral("2.33"));
    EXPECT_EQ(s[Figure::G].text, QStringLiteral("G0"));
    EXPECT_EQ(s[Figure::Ssn].source, QStringLiteral("DSD.txt"));
    EXPECT_EQ(s[Figure::Xray].text.left(1), QStringLiteral("B"));
    EXPECT_EQ(s[Figure::R].text, QStringLiteral("R0"));
    EXPECT_EQ(s[Figure::S].text, QStringLiteral("S0"));
    for (const Reading& r : s.figures) {
        EXPECT_TRUE(r.known());
        EXPECT_FALSE(r.stale(now)) << r.source.toStdString();
    }
    // Missing Kp of DGD (day 13, the last interval) never shows in the history.
    for (const KpSample& k : s.kpHistory) EXPECT_TRUE(k.kp >= 0 && k.kp <= 9);
    EXPECT_EQ(s.kpHistory.size(), 30 * 8 - 1 + 2) << "DGD's 30 days less the missing one, then the JSON to 06:00 on the 22nd";
}

TEST(SpaceWeatherStateTest, StormDayStaleFiguresAndFutureProducts) {
    const Products storm = readProductsFrom(QStringLiteral(ORVANE_SPACEWX_TEST_DIR "/data/storm"));
    const UtcMoment now = at(2026, 9, 22, 6, 30);
    const State s = assemble(storm, now);
    EXPECT_EQ(s[Figure::G].text, QStringLiteral("G4"));
    EXPECT_EQ(s[Figure::XrayPeak].text.left(1), QStringLiteral("X"));
    EXPECT_EQ(s[Figure::R].text, QStringLiteral("R3"));
    EXPECT_EQ(s[Figure::S].text, QStringLiteral("S2"));
    EXPECT_EQ(s[Figure::Sfi].text, QStringLiteral("215"));

    // Two days later nothing new came: the figures stay with their ages, stale.
    const UtcMoment later = now + 2 * 86400;
    const State old = assemble(storm, later);
    EXPECT_EQ(old[Figure::K].text, QStringLiteral("8.67"));
    EXPECT_TRUE(old[Figure::K].stale(later));
    EXPECT_TRUE(old[Figure::Xray].stale(later));
    EXPECT_EQ(old[Figure::K].ageSeconds(later), 2 * 86400 + 30 * 60);
    EXPECT_FALSE(old[Figure::XrayPeak].known()) << "no X-ray in the last 24 h";

    // A day before the products were issued they are all ahead of the clock.
    const State early = assemble(storm, now - 86400);
    EXPECT_FALSE(early[Figure::K].known() && early[Figure::K].source == QStringLiteral("wwv.txt"));
    EXPECT_LE(early[Figure::Xray].time, now - 86400 + 600);
    EXPECT_FALSE(early[Figure::Sfi].known() && early[Figure::Sfi].time > now - 86400 + 600);
}

}  // namespace
