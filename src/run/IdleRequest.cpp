#include "run/IdleRequest.h"

#include <cmath>
#include <cstdio>

#include "base/Status.h"

namespace idle {

int32_t count(float now, float start, int idleMode) {
    float gap = now - start;
    if (gap < 0) {
        gap += 86400.0f;
    }
    const float units = std::nearbyint(gap * static_cast<float>(idleMode));
    if (!(units > 0)) {
        return 0;
    }
    return units >= static_cast<float>(kMaxCount) ? kMaxCount : static_cast<int32_t>(units);
}

int32_t raiseRequest(const Settings& settings, RunState& run, const Clock& clock) {
    if (run.gintRun != 1) {
        return -1;
    }
    const int32_t units = count(clock.timer(), run.gsngIdleStart, settings.gintIdleMode);
    std::snprintf(run.gstrIdle, sizeof run.gstrIdle, "%06d", static_cast<int>(units));
    run.gintIdleReq = status::kPending;
    return units;
}

}  // namespace idle
