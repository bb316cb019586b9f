#include "history/HeardCsv.h"

#include <QFile>
#include <QFileInfo>
#include <cmath>
#include <vector>

#include <cerrno>
#include <cstring>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include "beacons/BandPlan.h"
#include "beacons/Schedule.h"
#include "common/OrvaneError.h"
#include "common/TimeTypes.h"

namespace orvane::history {
namespace {

bool digits(const QByteArray& s, int from, int count, int& value) {
    value = 0;
    for (int i = from; i < from + count; ++i) {
        if (s[i] < '0' || s[i] > '9') return false;
        value = value * 10 + (s[i] - '0');
    }
    return true;
}

// "YYYY-MM-DDTHH:MM:SSZ", exactly as the log writes it.
std::optional<std::int64_t> utcMs(const QByteArray& s) {
    int y, mo, d, h, mi, se;
    if (s.size() != 20 || s[4] != '-' || s[7] != '-' || s[10] != 'T' || s[13] != ':' || s[16] != ':' || s[19] != 'Z')
        return std::nullopt;
    if (!digits(s, 0, 4, y) || !digits(s, 5, 2, mo) || !digits(s, 8, 2, d) || !digits(s, 11, 2, h) ||
        !digits(s, 14, 2, mi) || !digits(s, 17, 2, se))
        return std::nullopt;
    if (y < 1970 || mo < 1 || mo > 12 || d < 1 || d > daysInMonth(y, mo) || h > 23 || mi > 59 || se > 59)
        return std::nullopt;
    return ((daysFromCivil(y, mo, d) * 24 + h) * 60 + mi) * 60'000LL + se * 1000LL;
}

std::optional<double> number(const QByteArray& s, bool* ok) {
    if (s.isEmpty()) return std::nullopt;
    bool good = false;
    const double v = s.toDouble(&good);
    if (!good || !std::isfinite(v)) *ok = false;
    return v;
}

}  // namespace

std::optional<SlotRecord> parseHeardCsvLine(const QByteArray& line, QString* reason) {
    auto refuse = [reason](const char* why) -> std::optional<SlotRecord> {
        if (reason) *reason = QString::fromLatin1(why);
        return std::nullopt;
    };
    const QList<QByteArray> f = line.trimmed().split(',');
    if (f.size() != 11) return refuse("not 11 comma-separated fields");
    SlotRecord r;
    const std::optional<std::int64_t> t = utcMs(f[0]);
    if (!t || *t % beacons::kSlotMs != 0) return refuse("the time is not a slot's start as YYYY-MM-DDTHH:MM:SSZ");
    r.slotStartMs = *t;
    bool ok = true;
    const double mhz = f[1].toDouble(&ok);
    r.band = -1;
    for (int b = 0; ok && b < beacons::kBandCount; ++b)
        if (std::abs(mhz * 1e6 - beacons::kBandFrequenciesHz[static_cast<std::size_t>(b)]) < 1e3) r.band = b;
    if (r.band < 0) return refuse("the frequency is not a beacon band");
    const int slot = f[2].toInt(&ok);
    if (!ok || slot != beacons::slotIndexAt(r.slotStartMs, r.band) + 1)
        return refuse("the slot number is not the one the schedule gives for that time and band");
    if (f[4] != "0" && f[4] != "1") return refuse("heard is not 0 or 1");
    r.outcome = f[4] == "1" ? Outcome::Heard : Outcome::NotHeard;
    bool numbers = true;
    for (int d = 0; d < 4; ++d) r.dashSnrDb[static_cast<std::size_t>(d)] = number(f[5 + d], &numbers);
    r.toneOffsetHz = number(f[9], &numbers).value_or(0);
    r.timeOffsetMs = number(f[10], &numbers).value_or(0);
    if (!numbers) return refuse("a number cannot be read");
    return r;
}

ImportSummary importHeardCsv(const QString& fileName, HistoryStore& store, const Receiver& receiver) {
    auto refuse = [&fileName](const QString& why) {
        return OrvaneError(QStringLiteral("Heard log %1: %2").arg(fileName, why).toStdString());
    };
    // Opened without blocking and checked on the open file: a FIFO in its
    // place is refused, never waited on.
    const int fd = ::open(QFile::encodeName(fileName).constData(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0) throw refuse(QString::fromLocal8Bit(strerror(errno)));
    struct stat st {};
    if (fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) {
        ::close(fd);
        throw refuse(QStringLiteral("not a regular file"));
    }
    QFile file;
    if (!file.open(fd, QIODevice::ReadOnly, QFileDevice::AutoCloseHandle)) {
        ::close(fd);
        throw refuse(file.errorString());
    }
    const QString input = QStringLiteral("import:") + QFileInfo(fileName).fileName();
    ImportSummary summary;
    std::vector<SlotRecord> batch;
    batch.reserve(kImportBatch);
    auto flush = [&] {
        summary.added += store.add(receiver, batch);
        batch.clear();
    };
    while (!file.atEnd()) {
        QByteArray line = file.readLine(kMaxCsvLineBytes + 1);
        if (line.isEmpty() && file.error() != QFileDevice::NoError) throw refuse(file.errorString());
        ++summary.lines;
        bool whole = line.endsWith('\n') || file.atEnd();
        if (!whole) {  // an overlong line: skip the rest of it
            while (!file.atEnd() && !file.readLine(kMaxCsvLineBytes + 1).endsWith('\n')) {
            }
        }
        const QByteArray text = line.trimmed();
        if (text.isEmpty() || (summary.lines == 1 && text.startsWith("utc,"))) continue;
        QString reason;
        std::optional<SlotRecord> record =
            whole ? parseHeardCsvLine(text, &reason) : std::optional<SlotRecord>();
        if (!whole) reason = QStringLiteral("longer than %1 bytes").arg(kMaxCsvLineBytes);
        if (!record) {
            if (summary.problems++ < kMaxDescribedProblems)
                summary.firstProblems << QStringLiteral("line %1: %2").arg(summary.lines).arg(reason);
            continue;
        }
        record->input = input;
        batch.push_back(*record);
        ++summary.records;
        if (batch.size() == static_cast<std::size_t>(kImportBatch)) flush();
    }
    if (file.error() != QFileDevice::NoError) throw refuse(file.errorString());
    flush();
    return summary;
}

}  // namespace orvane::history
