#pragma once

#include <QByteArray>
#include <QList>
#include <QString>

#include <array>
#include <optional>

#include "spaceweather/SpaceWeather.h"

namespace orvane::spaceweather {

// The figures of the strip, in the order it shows them.
enum class Figure { Sfi, Ssn, A, K, Xray, XrayPeak, R, S, G };
inline constexpr int kFigureCount = 9;
// "sfi", "ssn", "a", "k", "xray", "xray-peak", "r", "s", "g"
QString figureName(Figure f);

// The file names the products are kept under, in the folder of the reports.
inline constexpr char kWwvFile[] = "wwv.txt";
inline constexpr char kDsdFile[] = "DSD.txt";
inline constexpr char kDgdFile[] = "DGD.txt";
inline constexpr char kKpFile[] = "noaa-planetary-k-index.json";
inline constexpr char kScalesFile[] = "noaa-scales.json";
inline constexpr char kXrayFile[] = "xrays-1-day.json";
inline constexpr char kProtonFile[] = "integral-protons-1-day.json";

// One figure as shown: its value, the text for it, the moment it describes,
// the product it came from and when that was issued.
struct Reading {
    std::optional<double> value;  // nothing: unknown, shown as "-"
    QString text;                 // "152", "2.33", "M1.2", "G2"
    UtcMoment time = 0;           // what the figure is of (the K interval's end, the sample, the issue)
    UtcMoment issued = 0;         // the product's issue time (the newest datum for the JSON products)
    QString source;               // "wwv.txt"
    qint64 cadenceSeconds = 0;    // how often the figure is renewed
    bool known() const { return value.has_value(); }
    qint64 ageSeconds(UtcMoment now) const { return now - time; }
    // Older than twice its cadence.
    bool stale(UtcMoment now) const { return known() && cadenceSeconds > 0 && now - time > 2 * cadenceSeconds; }
};

// The products as last read (each may be absent).
struct Products {
    std::optional<WwvBulletin> wwv;
    std::optional<DailyProduct> dsd;
    std::optional<DailyProduct> dgd;
    std::optional<KpProduct> kp;
    std::optional<ScalesProduct> scales;
    std::optional<SeriesProduct> xray;
    std::optional<SeriesProduct> protons;
};

// Reads whatever of the products the folder holds (bounded reads; a file
// that is missing or unreadable is absent). `read` names the files read.
Products readProductsFrom(const QString& folder, QStringList* read = nullptr);

// Responsibilities: the strip's figures and the plots' series from the
// products at the moment `now`: the newest source of each figure wins;
// data stamped later than now plus a minute (a wrong clock upstream) are
// left out; the 24-hour X-ray peak is of the day before `now`.
struct State {
    std::array<Reading, kFigureCount> figures;
    QList<KpSample> kpHistory;       // 3-hour Kp, oldest first, from DGD and the Kp JSON
    QList<DailyIndices> daily;       // flux and SSN per day, oldest first
    QList<Sample> xray;              // the long channel, oldest first

    const Reading& operator[](Figure f) const { return figures[static_cast<size_t>(f)]; }
    Reading& operator[](Figure f) { return figures[static_cast<size_t>(f)]; }
};
State assemble(const Products& products, UtcMoment now);

// "YYYY-MM-DDTHH:MMZ"
QString isoMinute(UtcMoment t);

// NOAA's colours of the scale levels 0..5 (0: none), as #rrggbb.
QString scaleColour(int level);

}  // namespace orvane::spaceweather
