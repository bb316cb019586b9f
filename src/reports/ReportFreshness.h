#pragma once

#include <QString>
#include <QStringView>

#include <optional>

#include "common/TimeTypes.h"

namespace orvane::reports {

// Responsibilities: how old a report is. NOAA's text products carry their
// issue time in a header line ":Issued:", in one of two forms:
//   :Issued: 2026 Sep 22 0615 UTC
//   :Issued: 0825 UT 22 Sep 2026
// A product without it is dated by its file's modification time instead,
// and the description says so. Pure functions: the moment "now" is an
// argument, the caller reads it from the Clock.

// The issue time of a report's text, or nothing when its header (the first
// kIssuedSearchLines lines) has no ":Issued:" line in either form, or the
// date in it does not exist.
inline constexpr int kIssuedSearchLines = 40;
std::optional<UtcMoment> parseIssuedTime(QStringView text);

// "2026-09-22 06:15 UTC"
QString formatUtcMinute(UtcMoment moment);
// "2026-09-22T06:15:00Z"
QString formatUtcIso(UtcMoment moment);

// "just now", "12 min ago", "3 h ago" (up to two days), "5 d ago"; a moment
// ahead of the clock reads "12 min ahead of this clock".
QString ageText(qint64 ageSeconds);

struct ReportAge {
    UtcMoment dated = 0;       // the issue time, or the file's time
    bool fromIssuedLine = false;
    qint64 ageSeconds = 0;
    bool stale = false;        // older than twice the report's cadence
    // "issued 2026-09-22 06:15 UTC, 3 h ago" or
    // "file saved 2026-09-22 06:15 UTC, 3 h ago (no issue time in the report)"
    QString text;
};

// The age line of a report: its issue time when known, else the file's
// modification time; stale past twice `cadenceSeconds` (0: never stale).
ReportAge describeReportAge(std::optional<UtcMoment> issued, UtcMoment fileTime, UtcMoment now,
                            qint64 cadenceSeconds);

// The line of a report whose last fetch failed: why, and when the copy shown
// arrived (its file's time), or that none has:
//   "Last fetch failed 2026-09-22 09:15 UTC: Transfer Timed out. The copy
//    shown arrived 2026-09-22 06:20 UTC, 2 h ago."
//   "... No copy has arrived yet."
QString describeFetchFailure(const QString& reason, UtcMoment failedAt, std::optional<UtcMoment> copyArrived,
                             UtcMoment now);

}  // namespace orvane::reports
