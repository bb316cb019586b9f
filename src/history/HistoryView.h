#pragma once

#include <QDate>
#include <QString>
#include <array>
#include <cstdint>
#include <optional>
#include <span>
#include <vector>

#include "beacons/BandPlan.h"
#include "beacons/Stations.h"
#include "history/HistoryStore.h"

namespace orvane::history {

// Responsibilities: what the History view shows, without painting it: the
// period chosen turned into the slots asked for, the cells of one band as
// shares heard, each cell's hint and the best hours of each beacon. Time is
// an input; everything is UTC.

// The periods the view offers. Day, Week, Month and Year are the last 1, 7,
// 30 and 365 days up to the end of the current UTC hour, so each hour of the
// day is counted the same number of times; Range is the whole UTC days from
// one date to another, both included.
enum class HistoryPeriod : int { Day = 0, Week, Month, Year, Range };
inline constexpr std::array<const char*, 5> kHistoryPeriodNames{"Last day", "Last week", "Last month", "Last year",
                                                                 "From - to"};
inline constexpr std::int64_t kHourMs = 3'600'000;
inline constexpr std::int64_t kDayMs = 24 * kHourMs;

struct PeriodBounds {
    std::int64_t fromMs = 0;  // inclusive
    std::int64_t toMs = 0;    // exclusive
};

// The slots [from, to) of a period at `nowMs`. With Range, `first` and
// `last` are the days (the later of the two days taken as the end, so a
// reversed choice still means the days between).
PeriodBounds periodBounds(HistoryPeriod period, std::int64_t nowMs, QDate first = {}, QDate last = {});

// One cell of the grid: a beacon's slots on a band in one UTC hour of the
// day over the period.
struct GridCell {
    std::int64_t heard = 0;
    std::int64_t listened = 0;
    std::optional<double> bestSnrDb;

    // heard / listened in 0..1; none when never listened for.
    std::optional<double> share() const;
};

// A band's 18 beacons (rows, in slot order) by 24 UTC hours (columns).
struct BandGrid {
    int band = 0;
    std::array<std::array<GridCell, 24>, beacons::kBeaconListCount> cells{};

    const GridCell& at(int beacon, int hour) const {
        return cells[static_cast<std::size_t>(beacon)][static_cast<std::size_t>(hour)];
    }
    bool empty() const;
};

// The band's grid from the view's lines (other bands and lines out of range
// are left out).
BandGrid bandGrid(std::span<const HourCell> lines, int band);

// "21.15 MHz" for a band.
QString bandText(int band);

// The hint of a cell: "4U1UN on 21.15 MHz, 07-08 UTC: heard in 12 of 20
// slots (60 %), best first dash 14.5 dB" (or "never listened for").
QString cellHint(const BandGrid& grid, int beacon, int hour, const QString& call);

// The hours a beacon came through best on a band: the run of consecutive
// hours (across midnight too) around the hour with the highest share, as
// long as each hour in it reaches half that share; the share is that of the
// run as a whole.
struct BestHours {
    int beacon = 0;
    int firstHour = 0;  // 0..23
    int hours = 0;      // 1..24
    std::int64_t heard = 0;
    std::int64_t listened = 0;

    int endHour() const { return (firstHour + hours) % 24; }
    double share() const { return listened > 0 ? static_cast<double>(heard) / static_cast<double>(listened) : 0.0; }
};

// None for a beacon never heard in the period.
std::optional<BestHours> bestHours(const BandGrid& grid, int beacon);

// "21.15 MHz to JA2IGY: 07-09 UTC, 60 %"; "... all day, 60 %" for a run of
// 24 hours.
QString bestHoursText(int band, const QString& call, const BestHours& best);

// The best hours of every beacon heard on the band, the highest share first.
std::vector<BestHours> bestHoursOfBand(const BandGrid& grid);

// What the view reads from a database at one go (on a worker thread: it
// opens its own connection and shares nothing).
struct HistoryReading {
    std::vector<HourCell> cells;     // every band
    std::vector<Receiver> receivers;  // all that ever stored anything
    QString receiver;                 // whose cells these are; empty: all
    QString problem;                  // the database cannot be read: why
    bool missing = false;             // no database yet (problem says so)
    std::optional<QString> readOnlyReason;
};

// Reads the view for `query` over every band. A receiver not in the
// database reads as all receivers. A SQLite file that does not exist is not
// created here: `missing` is set and `problem` says so.
HistoryReading readHistory(const QString& url, HistoryQuery query);

}  // namespace orvane::history
