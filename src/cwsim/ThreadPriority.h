#pragma once

namespace orvane::cwsim {

enum class SoundPriority { Normal, NiceStep, RealTime };

// Raises the calling thread one step above normal for a sound thread. Under
// Linux's normal scheduling Qt's thread priorities change nothing, so: the
// lowest real-time round-robin level where the system grants it (a root
// process, or RLIMIT_RTPRIO as audio programs get it), else one nice step
// where allowed, else nothing. The thread sleeps between its notes (well
// under 1% of a core), so it never starves other work; what it gains is that
// a note leaves on time while the machine is busy.
SoundPriority raiseSoundThreadPriority();

}  // namespace orvane::cwsim
