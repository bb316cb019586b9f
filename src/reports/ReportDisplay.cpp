#include "reports/ReportDisplay.h"

#include <QFile>
#include <QFileInfo>
#include <QStringDecoder>

#include "common/OrvaneError.h"

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
    const QFileInfo info(fileName);
    if (!info.exists() || info.isDir()) return std::nullopt;
    QFile file(fileName);
    if (!file.open(QIODevice::ReadOnly))
        throw OrvaneError("Cannot open file \"" + fileName.toStdString() + "\". " + file.errorString().toStdString());
    const QByteArray bytes = file.read(kMaxReportBytes);
    const bool fileCut = !file.atEnd();

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
