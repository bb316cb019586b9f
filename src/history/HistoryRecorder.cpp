#include "history/HistoryRecorder.h"

namespace orvane::history {

SlotRecord slotRecordOf(const listen::SlotResult& result, const QString& input) {
    SlotRecord r;
    r.slotStartMs = result.periodStartMs;
    r.band = result.band;
    r.outcome = result.heard ? Outcome::Heard : Outcome::NotHeard;
    for (std::size_t i = 0; i < r.dashSnrDb.size() && i < result.dashSnrDb.size(); ++i) r.dashSnrDb[i] = result.dashSnrDb[i];
    r.toneOffsetHz = result.toneOffsetHz;
    r.timeOffsetMs = result.timeOffsetMs;
    r.input = input;
    return r;
}

HistoryRecorder::HistoryRecorder(QString url, Receiver receiver, QObject* parent, std::chrono::milliseconds flushInterval)
    : QObject(parent), url_(std::move(url)), receiver_(std::move(receiver)) {
    const QString opened = url_;
    writer_ = std::make_unique<HistoryWriter>(
        [opened] { return openHistory(opened); }, receiver_,
        // The writer's thread: the word is handed to this object's thread.
        // Events still on their way when this object goes are dropped with it.
        [this](const QString& text, bool failing) {
            QMetaObject::invokeMethod(
                this,
                [this, text, failing] {
                    failure_ = failing ? text : QString();
                    emit statusChanged(text, failing);
                },
                Qt::QueuedConnection);
        },
        flushInterval);
    writer_->flushSoon();
}

// The writer ends (its last commit) while this object and its thread's
// event queue still exist.
HistoryRecorder::~HistoryRecorder() { writer_->finish(); }

void HistoryRecorder::add(const listen::SlotResult& result, const QString& input) {
    writer_->submit(slotRecordOf(result, input));
}

}  // namespace orvane::history
