#include "reports/ReportDisplay.h"

#include <QFileInfo>
#include <QStringDecoder>

#include "common/OrvaneError.h"
#include "common/RegularFile.h"

namespace orvane::reports {

int nextVisibleTab(int current, const std::array<bool, kReportCount>& visible) {
    const int start = current >= 0 && current < kReportCount ? current : 0;
    if (current >= 0 && current < kReportCount && visible[static_cast<std::size_t>(current)]) return current;
    for (int step = 1; step <= kReportCount; ++step) {
        const int i = (start + step) % kReportCount;
        if (visible[static_cast<std::size_t>(i)]) return i;
    }
    return -1;
}

std::optional<QString> readReportFile(const QString& fileName) {
    // Never a blocking open: a FIFO in a report's place would hold the window
    // (or the command) before anything shows.
    if (QFileInfo(fileName).isDir()) return std::nullopt;
    const FileBytes file = readRegularFile(fileName, kMaxReportBytes);
    if (file.status == FileBytes::Status::Missing) return std::nullopt;
    if (file.status != FileBytes::Status::Read && file.status != FileBytes::Status::TooLarge)
        throw OrvaneError("Cannot open file \"" + fileName.toStdString() + "\". " + file.reason.toStdString());
    const QByteArray& bytes = file.bytes;
    const bool fileCut = file.status == FileBytes::Status::TooLarge;

    QStringDecoder utf8(QStringDecoder::Utf8);
    QString text = utf8.decode(bytes);
    if (utf8.hasError()) text = QString::fromLatin1(bytes);

    QString joined;
    joined.reserve(text.size());
    qsizetype lineChars = 0;
    bool lineCut = false;
    for (qsizetype i = 0; i < text.size(); ++i) {
        const QChar c = text.at(i);
        if (c == QLatin1Char('\r') || c == QLatin1Char('\n')) {
            joined.append(QLatin1Char('\n'));
            if (c == QLatin1Char('\r') && i + 1 < text.size() && text.at(i + 1) == QLatin1Char('\n')) ++i;
            lineChars = 0;
            lineCut = false;
        } else if (lineChars < kMaxReportLineChars) {
            joined.append(c);
            ++lineChars;
        } else if (!lineCut) {
            joined.append(lineCutNote());
            lineCut = true;
        }
    }
    if (joined.endsWith(QLatin1Char('\n'))) joined.chop(1);
    if (fileCut) joined.append(QLatin1Char('\n') + fileCutNote());
    return joined;
}

QString lineCutNote() { return QStringLiteral(" [... line cut]"); }

QString fileCutNote() {
    return QStringLiteral("[... the file is larger than %1 KiB; only its beginning is shown]").arg(kMaxReportBytes / 1024);
}

}  // namespace orvane::reports
