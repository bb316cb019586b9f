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

    QStringDecoder utf8(QStringDecoder::Utf8);
    QString text = utf8.decode(bytes);
    if (utf8.hasError()) text = QString::fromLatin1(bytes);

    QString joined;
    joined.reserve(text.size());
    for (qsizetype i = 0; i < text.size(); ++i) {
        const QChar c = text.at(i);
        if (c == QLatin1Char('\r')) {
            joined.append(QLatin1Char('\n'));
            if (i + 1 < text.size() && text.at(i + 1) == QLatin1Char('\n')) ++i;
        } else {
            joined.append(c);
        }
    }
    if (joined.endsWith(QLatin1Char('\n'))) joined.chop(1);
    return joined;
}

}  // namespace orvane::reports
