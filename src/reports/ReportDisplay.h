#pragma once

#include <QString>

#include <array>
#include <optional>

#include "reports/PropSettings.h"

namespace orvane::reports {

// Responsibilities: the rules of the report tabs that need no window: which
// tab to select when the active one disappears, and how a report file is read
// for display.

// The tab to make active after the visibility changed: `current` itself when
// still visible, else the next visible tab after it in tab order, wrapping
// from the last to the first; -1 when no tab is visible.
int nextVisibleTab(int current, const std::array<bool, kReportCount>& visible);

// Reports are small text files (the largest real one is well under 64 KiB);
// a tab shows at most this much of a file, and at most this many characters
// of a line, so a broken or hostile file costs little memory and time.
inline constexpr qint64 kMaxReportBytes = 1024 * 1024;
inline constexpr qsizetype kMaxReportLineChars = 1000;

// The notes that say a tab does not show all of its file.
QString lineCutNote();   // ends a line that was cut
QString fileCutNote();   // the last line when the file was cut

// The text of a report file for its memo, or nothing when the file does not
// exist. CR, LF and CR LF each end a line; the lines are joined with LF and
// the last line end is dropped. UTF-8 when the bytes are valid UTF-8, else
// Latin-1. Only the first kMaxReportBytes are read, and a longer line shows
// its first kMaxReportLineChars; each cut is marked by its note. A file that
// exists but cannot be read throws OrvaneError
// `Cannot open file "<name>". <reason>`.
std::optional<QString> readReportFile(const QString& fileName);

}  // namespace orvane::reports
