#include "reports/ReportCatalog.h"

#include <stdexcept>
#include <string>

namespace orvane::reports {

const ReportEntry& reportEntry(int index) {
    if (index < 0 || index >= kReportCount)
        throw std::out_of_range("report index " + std::to_string(index) + " out of range");
    return ReportCatalog[static_cast<std::size_t>(index)];
}

QString reportKey(int index) { return toQString(reportEntry(index).key); }
QString reportTitle(int index) { return toQString(reportEntry(index).title); }
QString reportDirectory(int index) { return toQString(reportEntry(index).directory); }
QString reportFile(int index) { return toQString(reportEntry(index).file); }
bool reportDefault(int index) { return reportEntry(index).selectedByDefault; }
QString reportTabSheet(int index) { return toQString(reportEntry(index).tabSheet); }
QString reportTabCaption(int index) { return toQString(reportEntry(index).tabCaption); }
QString reportMemo(int index) { return toQString(reportEntry(index).memo); }
QString reportHint(int index) { return toQString(reportEntry(index).hint); }
int reportHelpContext(int index) { return reportEntry(index).helpContext; }

bool reportHasWebPath(int index) { return !reportEntry(index).webPath.empty(); }
QString reportWebPath(int index) { return toQString(reportEntry(index).webPath); }
qint64 reportCadenceSeconds(int index) { return qint64{reportEntry(index).cadenceHours} * 3600; }

bool reportNeedsDirectoryChange(int index) { return reportEntry(index).directory != kHomeDirectory; }

int reportIndexOfKey(const QString& key) {
    for (int i = 0; i < kReportCount; ++i)
        if (key.compare(reportKey(i), Qt::CaseInsensitive) == 0) return i;
    return -1;
}

}  // namespace orvane::reports
