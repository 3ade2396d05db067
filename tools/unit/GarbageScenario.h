#pragma once
#include "Scenario.h"

// Not a capture stream at all: bursts of 1 to 512 random bytes of any value, each byte
// taking half a character time (the byte rate of one busy direction), with pauses of 0 to
// 300 ms. For testing that the application survives whatever the link delivers.
class GarbageScenario final : public Scenario {
  public:
    GarbageScenario(const LineSettings& line, uint64_t seed) : Scenario(line, seed) {}

  protected:
    void buildEpisode() override;
};
