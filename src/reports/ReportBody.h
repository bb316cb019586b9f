#pragma once

#include <QByteArray>
#include <QString>

#include <optional>

namespace orvane::reports {

// Responsibilities: whether a body fetched from the web service is a report
// at all. A server in trouble answers 200 with an HTML page ("Service
// Unavailable"), a broken cache can hand out binary junk; neither may
// replace a good copy.

// Reports are a few KiB; anything this large is not one.
inline constexpr qint64 kMaxWebReportBytes = 4 * 1024 * 1024;

// Why `body` (sent with `contentType`) is not a report, or nothing when it
// may be stored: "empty body", "larger than 4 MiB", "holds a NUL byte, not a
// text report", "an HTML page (\"Service Unavailable\"), not a report".
std::optional<QString> reportBodyRefusal(const QByteArray& body, const QString& contentType);

}  // namespace orvane::reports
