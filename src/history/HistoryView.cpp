#include "history/HistoryView.h"

#include <QDateTime>
#include <QFileInfo>
#include <algorithm>
#include <cmath>

#include "common/OrvaneError.h"

namespace orvane::history {

namespace {

constexpr std::array<int, 4> kPeriodDays{1, 7, 30, 365};

std::int64_t floorDiv(std::int64_t a, std::int64_t b) { return a / b - ((a % b != 0) && ((a < 0) != (b < 0))); }

std::int64_t dayStartMs(QDate day) { return QDateTime(day, QTime(0, 0), Qt::UTC).toMSecsSinceEpoch(); }

QString twoDigits(int hour) { return QStringLiteral("%1").arg(hour, 2, 10, QLatin1Char('0')); }

const QChar kEnDash(0x2013);

int percent(double share) { return static_cast<int>(std::lround(share * 100.0)); }

}  // namespace

PeriodBounds periodBounds(HistoryPeriod period, std::int64_t nowMs, QDate first, QDate last) {
    if (period == HistoryPeriod::Range) {
        if (!first.isValid()) first = QDateTime::fromMSecsSinceEpoch(nowMs, Qt::UTC).date();
        if (!last.isValid()) last = first;
        if (last < first) std::swap(first, last);
        return {dayStartMs(first), dayStartMs(last.addDays(1))};
    }
    const std::int64_t to = (floorDiv(nowMs, kHourMs) + 1) * kHourMs;
    return {to - kPeriodDays[static_cast<std::size_t>(period)] * kDayMs, to};
}

std::optional<double> GridCell::share() const {
    if (listened <= 0) return std::nullopt;
    return static_cast<double>(heard) / static_cast<double>(listened);
}

bool BandGrid::empty() const {
    for (const auto& row : cells)
        for (const GridCell& c : row)
            if (c.listened > 0) return false;
    return true;
}

BandGrid bandGrid(std::span<const HourCell> lines, int band) {
    BandGrid grid;
    grid.band = band;
    for (const HourCell& line : lines) {
        if (line.band != band || line.beacon < 0 || line.beacon >= beacons::kBeaconListCount || line.hour < 0 ||
            line.hour >= 24)
            continue;
        GridCell& c = grid.cells[static_cast<std::size_t>(line.beacon)][static_cast<std::size_t>(line.hour)];
        c.heard += line.heard;
        c.listened += line.listened;
        if (line.bestSnrDb && (!c.bestSnrDb || *line.bestSnrDb > *c.bestSnrDb)) c.bestSnrDb = line.bestSnrDb;
    }
    return grid;
}

QString bandText(int band) {
    const std::string_view caption = beacons::kBandCaptions[static_cast<std::size_t>(band)];
    return QString::fromLatin1(caption.data(), static_cast<qsizetype>(caption.size())) + QStringLiteral(" MHz");
}

QString cellHint(const BandGrid& grid, int beacon, int hour, const QString& call) {
    const GridCell& c = grid.at(beacon, hour);
    QString text = QStringLiteral("%1 on %2, %3%4%5 UTC: ")
                       .arg(call, bandText(grid.band), twoDigits(hour), kEnDash, twoDigits((hour + 1) % 24));
    if (c.listened <= 0) return text + QStringLiteral("never listened for");
    text += QStringLiteral("heard in %1 of %2 slots (%3 %)").arg(c.heard).arg(c.listened).arg(percent(*c.share()));
    if (c.bestSnrDb) text += QStringLiteral(", best first dash %1 dB").arg(*c.bestSnrDb, 0, 'f', 1);
    return text;
}

std::optional<BestHours> bestHours(const BandGrid& grid, int beacon) {
    // The peak: the highest share; between equal shares the hour with more
    // slots behind it.
    int peak = -1;
    for (int h = 0; h < 24; ++h) {
        const GridCell& c = grid.at(beacon, h);
        if (c.heard <= 0 || c.listened <= 0) continue;
        if (peak < 0) {
            peak = h;
            continue;
        }
        const GridCell& p = grid.at(beacon, peak);
        // a/b > c/d without division: a*d > c*b.
        const std::int64_t lhs = c.heard * p.listened, rhs = p.heard * c.listened;
        if (lhs > rhs || (lhs == rhs && c.listened > p.listened)) peak = h;
    }
    if (peak < 0) return std::nullopt;
    const double half = *grid.at(beacon, peak).share() / 2.0;
    const auto reaches = [&](int h) {
        const std::optional<double> s = grid.at(beacon, (h + 24) % 24).share();
        return s && *s >= half;
    };
    int first = peak, hours = 1;
    while (hours < 24 && reaches(first - 1)) {
        first = (first + 23) % 24;
        ++hours;
    }
    while (hours < 24 && reaches(first + hours)) ++hours;
    BestHours best{beacon, first, hours, 0, 0};
    for (int i = 0; i < hours; ++i) {
        const GridCell& c = grid.at(beacon, (first + i) % 24);
        best.heard += c.heard;
        best.listened += c.listened;
    }
    return best;
}

QString bestHoursText(int band, const QString& call, const BestHours& best) {
    const QString hours = best.hours >= 24 ? QStringLiteral("all day")
                                           : twoDigits(best.firstHour) + kEnDash + twoDigits(best.endHour()) +
                                                 QStringLiteral(" UTC");
    return QStringLiteral("%1 to %2: %3, %4 %").arg(bandText(band), call, hours).arg(percent(best.share()));
}

std::vector<BestHours> bestHoursOfBand(const BandGrid& grid) {
    std::vector<BestHours> list;
    for (int b = 0; b < beacons::kBeaconListCount; ++b)
        if (const auto best = bestHours(grid, b)) list.push_back(*best);
    std::stable_sort(list.begin(), list.end(), [](const BestHours& a, const BestHours& b) {
        return a.heard * b.listened > b.heard * a.listened;
    });
    return list;
}

HistoryReading readHistory(const QString& url, HistoryQuery query) {
    HistoryReading reading;
    const bool server = url.startsWith(QLatin1String("postgresql://")) || url.startsWith(QLatin1String("postgres://"));
    const QString path = url.startsWith(QLatin1String("sqlite:")) ? url.mid(7) : url;
    if (!server && !path.isEmpty() && !QFileInfo::exists(path)) {
        reading.missing = true;
        reading.problem = QStringLiteral("No history yet: %1 does not exist. It is written while listening "
                                         "(Listen in the map's menu).")
                              .arg(path);
        return reading;
    }
    query.band.reset();
    try {
        const std::unique_ptr<HistoryStore> store = openHistory(url);
        reading.readOnlyReason = store->readOnlyReason();
        reading.receivers = store->receivers();
        const bool known = std::any_of(reading.receivers.begin(), reading.receivers.end(),
                                       [&](const Receiver& r) { return r.name == query.receiver; });
        if (!known) query.receiver.clear();
        reading.receiver = query.receiver;
        reading.cells = store->hours(query);
    } catch (const OrvaneError& e) {
        reading.problem = QString::fromUtf8(e.what());
        reading.cells.clear();
    }
    return reading;
}

}  // namespace orvane::history
