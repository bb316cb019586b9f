#pragma once

#include <QByteArray>
#include <QList>
#include <QString>
#include <QStringView>

#include <array>
#include <optional>

#include "common/TimeTypes.h"

namespace orvane::spaceweather {

// Responsibilities: the space-weather figures read from NOAA's products, as
// plain values. The text products are the reports the program already keeps
// (wwv.txt, DSD.txt, DGD.txt); the JSON products come from the same web
// service: the planetary K index, the NOAA scales, the GOES X-ray flux and,
// where fetched, the GOES integral protons. Every reader is pure: it takes
// the bytes or the text and returns what it could read; a figure NOAA marks
// missing (-1, -1.00, *, -999, null, empty) or one outside its physical
// range (NaN included) is absent, never a value. Nothing here reads a clock.

// The JSON products are small; anything beyond this is not one of them.
inline constexpr qint64 kMaxJsonBytes = 4 * 1024 * 1024;
// Rows read from one JSON product at most (a day of X-ray minutes on two
// channels is 2880).
inline constexpr int kMaxJsonRows = 20000;

// Of wwv.txt: the solar flux and planetary A of the day before the issue,
// and the latest planetary K with the end of its 3-hour interval.
struct WwvBulletin {
    std::optional<UtcMoment> issued;
    std::optional<double> sfi;
    std::optional<double> a;
    std::optional<double> k;
    std::optional<UtcMoment> kTime;  // "K-index at 0600 UTC on 22 September"
};
WwvBulletin parseWwv(QStringView text);

// One day of DSD.txt or DGD.txt (the planetary columns of DGD).
struct DailyIndices {
    UtcMoment day = 0;  // 00:00 UTC of the day
    std::optional<double> flux;
    std::optional<double> ssn;
    QString xrayBackground;  // "B8.1"; empty when missing
    std::optional<double> a;
    std::array<std::optional<double>, 8> kp;  // 00-03, 03-06, ... UTC
};
struct DailyProduct {
    std::optional<UtcMoment> issued;
    QList<DailyIndices> days;  // in file order (oldest first)
};
DailyProduct parseDsd(QStringView text);
DailyProduct parseDgd(QStringView text);

// One 3-hour planetary Kp.
struct KpSample {
    UtcMoment start = 0;  // the interval's start
    double kp = 0;
};

// A time series of one physical value.
struct Sample {
    UtcMoment time = 0;
    double value = 0;
};

// Why a JSON body was refused, or the rows read. Both forms NOAA issues are
// read: a header row followed by rows of values (strings or numbers), and an
// array of objects.
struct JsonProduct {
    QString error;  // empty when read
    bool ok() const { return error.isEmpty(); }
};
struct KpProduct : JsonProduct {
    QList<KpSample> samples;  // oldest first
};
KpProduct parseKpJson(const QByteArray& body);

// GOES X-rays: the long channel (0.1-0.8 nm), W/m^2.
struct SeriesProduct : JsonProduct {
    QList<Sample> samples;  // oldest first
};
SeriesProduct parseXrayJson(const QByteArray& body);
// GOES integral protons: the >=10 MeV channel, pfu.
SeriesProduct parseProtonJson(const QByteArray& body);

// noaa-scales.json: the current R, S, G (entry "0") and its time.
struct ScalesProduct : JsonProduct {
    std::optional<int> r, s, g;
    std::optional<UtcMoment> time;
};
ScalesProduct parseScalesJson(const QByteArray& body);

// "2026-09-22 06:00:00.000", "2026-09-22T06:00:00Z", "2026-09-22T06:00" as UTC.
std::optional<UtcMoment> parseTimeTag(QStringView text);

// A Kp written as a number ("4.67") or in thirds ("5-", "5o", "5+", "5").
std::optional<double> parseKp(QStringView text);

// NOAA's scales.
// G from Kp: below 5 (4.67 is 5-, so 5) G0; 5 G1, 6 G2, 7 G3, 8 and 9- G4, 9 G5.
int gFromKp(double kp);
// R from the X-ray flux: M1 R1, M5 R2, X1 R3, X10 R4, X20 R5.
int rFromXray(double wattsPerSquareMetre);
// S from the >=10 MeV protons: 10 pfu S1, 100 S2, 1000 S3, 10^4 S4, 10^5 S5.
int sFromProtons(double pfu);
// "C3.4", "M1.0", "X12.0"; A-class below 1e-7.
QString xrayClass(double wattsPerSquareMetre);

}  // namespace orvane::spaceweather
