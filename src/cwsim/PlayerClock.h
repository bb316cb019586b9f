#pragma once

#include <condition_variable>
#include <cstdint>
#include <functional>
#include <map>
#include <mutex>

class QEventLoop;

namespace orvane::cwsim {

// Responsibilities: the time base of the Morse player: a monotonic reading in
// microseconds and a wait until an absolute deadline that a stop request can
// cut short. Never polls: a sound thread sleeps on a condition variable; the
// GUI thread runs its event loop until a precise timer fires, so the windows
// stay live during a transmission played from the dialog.
class PlayerClock {
public:
    virtual ~PlayerClock() = default;

    virtual std::int64_t nowUs() const = 0;

    // Returns once nowUs() >= deadlineUs, or earlier when giveUp() is true on
    // entry or after a wake(). On the GUI thread pending events run at least
    // once, also when the deadline has already passed.
    virtual void waitUntil(std::int64_t deadlineUs, const std::function<bool()>& giveUp) = 0;

    // Makes every current wait look at its giveUp() again.
    virtual void wake() = 0;
};

// The real time base: std::chrono::steady_clock.
class SteadyPlayerClock final : public PlayerClock {
public:
    std::int64_t nowUs() const override;
    void waitUntil(std::int64_t deadlineUs, const std::function<bool()>& giveUp) override;
    void wake() override;

private:
    void waitOnEventLoop(std::int64_t deadlineUs, const std::function<bool()>& giveUp);

    std::mutex mutex_;
    std::condition_variable woken_;
    QEventLoop* innermostLoop_ = nullptr;  // GUI thread only
};

// A clock for tests: time moves only when something waits, straight to the
// deadline, so a whole transmission plays in no real time. Alarms run at
// their virtual moment inside a wait (to set a stop request or move the
// speed control mid-transmission). Single-threaded use only.
class VirtualPlayerClock final : public PlayerClock {
public:
    explicit VirtualPlayerClock(std::int64_t startUs = 0) : nowUs_(startUs) {}

    std::int64_t nowUs() const override { return nowUs_; }
    void waitUntil(std::int64_t deadlineUs, const std::function<bool()>& giveUp) override;
    void wake() override {}

    void advance(std::int64_t us) { nowUs_ += us; }
    void setAlarm(std::int64_t atUs, std::function<void()> action) { alarms_.emplace(atUs, std::move(action)); }
    int waits() const { return waits_; }

private:
    std::int64_t nowUs_;
    std::multimap<std::int64_t, std::function<void()>> alarms_;
    int waits_ = 0;
};

}  // namespace orvane::cwsim
