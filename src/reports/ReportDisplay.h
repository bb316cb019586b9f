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

// Reports are small text files; anything beyond this is not a report and is
// cut off rather than read into memory.
inline constexpr qint64 kMaxReportBytes = 4 * 1024 * 1024;

// The text of a report file for its memo, or nothing when the file does not
// exist. CR, LF and CR LF each end a line; the lines are joined with LF and
// the last line end is dropped. UTF-8 when the bytes are valid UTF-8, else
// Latin-1. A file that exists but cannot be read throws OrvaneError
// `Cannot open file "<name>". <reason>`.
std::optional<QString> readReportFile(const QString& fileName);

}  // namespace orvane::reports
