#pragma once

#include <QString>
#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <deque>
#include <functional>
#include <memory>
#include <mutex>
#include <thread>

#include "history/HistoryStore.h"

namespace orvane::history {

// Responsibilities: stores the listener's results without ever holding the
// listener up. submit() only queues (any thread, never blocks on the
// database); one writer thread of its own commits the queue in one batch at
// least every flush interval (10 s), so a killed program loses at most that
// batch. When the database fails (a server gone, a locked file, a full disk)
// the results stay queued, the store is opened anew with growing back-off
// (1 s doubling to a minute), and the status says so; nothing queued is lost
// within the bound. Beyond the bound (two hours of five bands) the oldest
// results are dropped and the status says how many. The store is opened at
// the first commit, or at once by flushSoon(), so a database that cannot be
// written is said before a batch waits for it.
class HistoryWriter {
public:
    using Opener = std::function<std::unique_ptr<HistoryStore>()>;
    // Called on the writer thread; `failing`: the last commit failed.
    using StatusHandler = std::function<void(const QString& text, bool failing)>;

    static constexpr std::size_t kDefaultMaxQueued = 5 * 360 * 2;
    static constexpr std::chrono::milliseconds kDefaultFlushInterval{10'000};
    static constexpr std::chrono::milliseconds kFirstRetry{1'000};
    static constexpr std::chrono::milliseconds kLastRetry{60'000};

    HistoryWriter(Opener open, Receiver receiver, StatusHandler status,
                  std::chrono::milliseconds flushInterval = kDefaultFlushInterval,
                  std::size_t maxQueued = kDefaultMaxQueued);
    // finish(), unless done.
    ~HistoryWriter();
    HistoryWriter(const HistoryWriter&) = delete;
    HistoryWriter& operator=(const HistoryWriter&) = delete;

    void submit(const SlotRecord& record);
    // Asks for a commit now rather than at the next interval (and opens the
    // store if it is not open).
    void flushSoon();

    struct Counts {
        std::int64_t stored = 0;   // committed (new or already there)
        std::int64_t dropped = 0;  // the oldest, beyond the bound
        std::size_t queued = 0;
        bool failing = false;      // the last commit failed
    };
    Counts counts() const;
    // Waits until nothing is queued and no commit is under way, or the
    // deadline passes; true when idle.
    bool waitIdle(std::chrono::steady_clock::time_point deadline) const;
    // Commits what is queued (one try), ends the thread and returns the
    // counts as they are then: what could not be stored is still `queued`
    // (and `failing` is set). Results submitted afterwards are not stored.
    Counts finish();

private:
    void run();
    bool commit(std::unique_lock<std::mutex>& lock);

    Opener open_;
    Receiver receiver_;
    StatusHandler status_;
    std::chrono::milliseconds flushInterval_;
    std::size_t maxQueued_;

    mutable std::mutex mutex_;
    mutable std::condition_variable wake_;
    mutable std::condition_variable idle_;
    std::deque<SlotRecord> queue_;
    Counts counts_;
    bool committing_ = false;
    bool flushSoon_ = false;
    bool stopping_ = false;
    std::unique_ptr<HistoryStore> store_;  // the writer thread's alone
    std::thread thread_;
};

}  // namespace orvane::history
