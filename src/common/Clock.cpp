#include "common/Clock.h"

namespace orvane {

UtcMoment Clock::nowMoment() const {
    const UtcMs ms = nowUtcMs();
    return ms >= 0 ? ms / 1000 : -((-ms + 999) / 1000);
}

}  // namespace orvane
