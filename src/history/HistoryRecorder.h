#pragma once

#include <QObject>
#include <QString>
#include <chrono>
#include <memory>

#include "history/HistoryStore.h"
#include "history/HistoryWriter.h"
#include "history/SlotRecord.h"
#include "listen/Detector.h"

namespace orvane::history {

// A listener's result as the history keeps it; `input` names where the
// audio came from (a device or a file).
SlotRecord slotRecordOf(const listen::SlotResult& result, const QString& input);

// Responsibilities: the live listener's results into the history database.
// add() hands a result to a HistoryWriter and returns at once: the database
// is opened, written and retried on the writer's thread only. What the
// writer says (the database cannot be reached or written, results wait,
// oldest dropped, stored again) comes as statusChanged() on this object's
// thread. The database is opened as soon as this is made, so one that
// cannot be written is said before the first batch. Destroying this writes
// what is queued (one try).
class HistoryRecorder final : public QObject {
    Q_OBJECT
public:
    HistoryRecorder(QString url, Receiver receiver, QObject* parent = nullptr,
                    std::chrono::milliseconds flushInterval = HistoryWriter::kDefaultFlushInterval);
    ~HistoryRecorder() override;

    void add(const listen::SlotResult& result, const QString& input);

    const QString& url() const { return url_; }
    const Receiver& receiver() const { return receiver_; }
    // The writer's last word while the database fails; empty while it works.
    const QString& failure() const { return failure_; }
    HistoryWriter& writer() { return *writer_; }

signals:
    // `text`: the writer's word; `failing`: the database does not take the
    // results now.
    void statusChanged(const QString& text, bool failing);

private:
    QString url_;
    Receiver receiver_;
    QString failure_;
    std::unique_ptr<HistoryWriter> writer_;
};

}  // namespace orvane::history
