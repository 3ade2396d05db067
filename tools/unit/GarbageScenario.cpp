#include "GarbageScenario.h"

void GarbageScenario::buildEpisode() {
    const uint64_t step = line_.characterTicks() / 2;
    uint64_t t = cursor_ + pause(0, 300);
    const uint64_t count = random_.between(1, 512);
    for (uint64_t i = 0; i < count; ++i) {
        t += step;
        appendRaw(t, random_.byte());
    }
    cursor_ = t;
}
