#include "cwsim/ThreadPriority.h"

#include <pthread.h>
#include <sched.h>
#include <sys/resource.h>
#include <unistd.h>

#include <cerrno>

namespace orvane::cwsim {

SoundPriority raiseSoundThreadPriority() {
    sched_param param{};
    param.sched_priority = sched_get_priority_min(SCHED_RR);
    if (pthread_setschedparam(pthread_self(), SCHED_RR, &param) == 0) return SoundPriority::RealTime;
    const auto tid = static_cast<id_t>(::gettid());
    errno = 0;
    const int nice = ::getpriority(PRIO_PROCESS, tid);
    if (errno == 0 && ::setpriority(PRIO_PROCESS, tid, nice - 1) == 0) return SoundPriority::NiceStep;
    return SoundPriority::Normal;
}

}  // namespace orvane::cwsim
