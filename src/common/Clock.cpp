#include "common/Clock.h"

namespace orvane {

UtcMoment Clock::nowMoment() const {
    const UtcMs ms = nowUtcMs();
    return floorDiv(ms, 1000);
}

}  // namespace orvane
