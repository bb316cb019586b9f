#pragma once

#include <QByteArray>
#include <QString>
#include <QStringList>
#include <cstdint>
#include <optional>

#include "history/HistoryStore.h"
#include "history/SlotRecord.h"

namespace orvane::history {

// One line of the listener's CSV log ("utc,mhz,slot,call,heard,snr1,snr2,
// snr3,snr4,tone_offset_hz,time_offset_ms") as a slot record, or nullopt
// with the reason. The header line is not a record.
std::optional<SlotRecord> parseHeardCsvLine(const QByteArray& line, QString* reason = nullptr);

struct ImportSummary {
    std::int64_t lines = 0;    // lines read, the header included
    std::int64_t records = 0;  // lines that were slots
    std::int64_t added = 0;    // slots not in the database before
    std::int64_t problems = 0;
    QStringList firstProblems;  // "line N: reason", the first kMaxDescribedProblems
};
inline constexpr int kMaxDescribedProblems = 20;
inline constexpr int kMaxCsvLineBytes = 512;
inline constexpr int kImportBatch = 20'000;

// Imports a heard log into the store for the receiver, streamed in batches
// (a year's log never sits in memory whole). Slots already stored are left
// as they are, so importing a file twice adds nothing. Lines that are not
// slots are counted and described, not stored. Throws OrvaneError when the
// file cannot be read (missing, not a regular file, unreadable) or the
// store refuses.
ImportSummary importHeardCsv(const QString& fileName, HistoryStore& store, const Receiver& receiver);

}  // namespace orvane::history
