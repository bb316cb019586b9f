#include "history/HistoryWriter.h"

#include <algorithm>
#include <exception>
#include <vector>

namespace orvane::history {

HistoryWriter::HistoryWriter(Opener open, Receiver receiver, StatusHandler status,
                             std::chrono::milliseconds flushInterval, std::size_t maxQueued)
    : open_(std::move(open)),
      receiver_(std::move(receiver)),
      status_(std::move(status)),
      flushInterval_(flushInterval),
      maxQueued_(std::max<std::size_t>(1, maxQueued)),
      thread_([this] { run(); }) {}

HistoryWriter::~HistoryWriter() { finish(); }

HistoryWriter::Counts HistoryWriter::finish() {
    {
        std::lock_guard lock(mutex_);
        stopping_ = true;
    }
    wake_.notify_all();
    if (thread_.joinable()) thread_.join();
    return counts();
}

void HistoryWriter::submit(const SlotRecord& record) {
    std::lock_guard lock(mutex_);
    queue_.push_back(record);
    if (queue_.size() > maxQueued_) {
        queue_.pop_front();
        ++counts_.dropped;
    }
    counts_.queued = queue_.size();
}

void HistoryWriter::flushSoon() {
    {
        std::lock_guard lock(mutex_);
        flushSoon_ = true;
    }
    wake_.notify_all();
}

HistoryWriter::Counts HistoryWriter::counts() const {
    std::lock_guard lock(mutex_);
    return counts_;
}

bool HistoryWriter::waitIdle(std::chrono::steady_clock::time_point deadline) const {
    std::unique_lock lock(mutex_);
    return idle_.wait_until(lock, deadline, [this] { return queue_.empty() && !committing_; });
}

// Called with the lock held; commits without it. True when the batch went in.
bool HistoryWriter::commit(std::unique_lock<std::mutex>& lock) {
    if (queue_.empty() && store_) return true;
    std::vector<SlotRecord> batch(queue_.begin(), queue_.end());
    const std::int64_t droppedBefore = counts_.dropped;
    committing_ = true;
    lock.unlock();
    QString failure;
    try {
        if (!store_) store_ = open_();
        if (!batch.empty()) store_->add(receiver_, batch);
    } catch (const std::exception& e) {
        failure = QString::fromUtf8(e.what());
        store_.reset();  // opened anew on the next try
    }
    lock.lock();
    committing_ = false;
    const bool done = failure.isEmpty();
    if (done) {
        // Results queued meanwhile stay; what was dropped meanwhile came
        // from the front, which was this batch.
        const auto committedStillQueued =
            static_cast<std::size_t>(std::max<std::int64_t>(0, std::int64_t(batch.size()) - (counts_.dropped - droppedBefore)));
        queue_.erase(queue_.begin(), queue_.begin() + static_cast<std::ptrdiff_t>(std::min(committedStillQueued, queue_.size())));
        counts_.stored += static_cast<std::int64_t>(batch.size());
    }
    counts_.queued = queue_.size();
    const bool wasFailing = counts_.failing;
    counts_.failing = !done;
    const std::int64_t dropped = counts_.dropped;
    const std::size_t waiting = queue_.size();
    idle_.notify_all();
    lock.unlock();
    if (!done)
        status_(QStringLiteral("History: %1; %2 results wait%3")
                    .arg(failure)
                    .arg(waiting)
                    .arg(dropped > 0 ? QStringLiteral(", %1 oldest dropped").arg(dropped) : QString()),
                true);
    else if (wasFailing)
        status_(QStringLiteral("History: stored again, nothing waiting was lost%1")
                    .arg(dropped > 0 ? QStringLiteral(" but the %1 oldest").arg(dropped) : QString()),
                false);
    lock.lock();
    return done;
}

void HistoryWriter::run() {
    using clock = std::chrono::steady_clock;
    std::unique_lock lock(mutex_);
    std::chrono::milliseconds retry = kFirstRetry;
    clock::time_point next = clock::now() + flushInterval_;
    for (;;) {
        wake_.wait_until(lock, next, [this] { return stopping_ || flushSoon_; });
        if (stopping_) {
            if (!queue_.empty()) commit(lock);
            store_.reset();
            idle_.notify_all();
            return;
        }
        if (!flushSoon_ && clock::now() < next) continue;
        flushSoon_ = false;
        if (commit(lock)) {
            retry = kFirstRetry;
            next = clock::now() + flushInterval_;
        } else {
            next = clock::now() + retry;
            retry = std::min(retry * 2, kLastRetry);
        }
    }
}

}  // namespace orvane::history
