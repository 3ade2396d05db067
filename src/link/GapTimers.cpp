#include "link/GapTimers.h"

#include <cmath>
#include <cstdio>

#include "base/Status.h"

namespace gap {

std::optional<int> idleIntervalMs(int idleMode) {
    if (idleMode == 1 || idleMode == 10 || idleMode == 100) {
        return 1000 / idleMode;
    }
    return std::nullopt;
}

int32_t idleCount(float now, float start, int idleMode) {
    float seconds = now - start;
    if (seconds < 0) {
        seconds += 86400.0f;
    }
    const float units = std::nearbyint(seconds * static_cast<float>(idleMode));
    if (!(units > 0)) {
        return 0;
    }
    return units >= static_cast<float>(kMaxIdleCount) ? kMaxIdleCount : static_cast<int32_t>(units);
}

int32_t raiseIdleRequest(const Settings& settings, RunState& run, const Clock& clock) {
    if (run.gintRun != 1) {
        return -1;
    }
    const int32_t units = idleCount(clock.timer(), run.gsngIdleStart, settings.gintIdleMode);
    std::snprintf(run.gstrIdle, sizeof run.gstrIdle, "%06d", static_cast<int>(units));
    run.gintIdleReq = status::kPending;
    return units;
}

void raiseStampRequest(RunState& run) {
    run.gintStampReq = status::kPending;
}

}  // namespace gap
