#include "FloodScenario.h"

void FloodScenario::buildEpisode() {
    constexpr int kBlock = 64;
    const uint64_t length = line_.characterTicks();
    std::string sd(kBlock, '\0');
    std::string rd(kBlock, '\0');
    for (int i = 0; i < kBlock; ++i) {
        sd[static_cast<size_t>(i)] = static_cast<char>(random_.byte());
        rd[static_cast<size_t>(i)] = static_cast<char>(rd_.byte());
    }
    send(true, sd, cursor_);
    send(false, rd, cursor_ + length / 2);
    cursor_ += kBlock * length;
}
