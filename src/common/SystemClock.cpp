#include <cerrno>
#include <cstring>
#include <ctime>

#include "common/Clock.h"

namespace orvane {

UtcMs SystemClock::nowUtcMs() const {
    timespec ts{};
    ::clock_gettime(CLOCK_REALTIME, &ts);
    return static_cast<UtcMs>(ts.tv_sec) * 1000 + ts.tv_nsec / 1'000'000;
}

double SystemClock::nowUtcMsFine() const {
    timespec ts{};
    ::clock_gettime(CLOCK_REALTIME, &ts);
    return static_cast<double>(ts.tv_sec) * 1000.0 + static_cast<double>(ts.tv_nsec) / 1e6;
}

// The only call in the program that changes the system clock. It needs
// CAP_SYS_TIME (see the README); without it the system's reason is returned.
bool SystemClock::setUtcMs(UtcMs ms, std::string* error) {
    timespec ts{};
    ts.tv_sec = static_cast<time_t>(ms / 1000);
    ts.tv_nsec = static_cast<long>(ms % 1000) * 1'000'000L;
    if (::clock_settime(CLOCK_REALTIME, &ts) == 0) return true;
    if (error) *error = std::strerror(errno);
    return false;
}

}  // namespace orvane
