#pragma once
#include "Scenario.h"

// Both directions busy without a gap, each sending its own pseudo-random byte sequence:
// SD the bytes of Random(seed), RD those of Random(~seed), each byte the top eight bits of
// one draw (masked to seven bits on a 7-bit line). RD characters end half a character
// after SD ones, so the pairs of both directions interleave.
class FloodScenario final : public Scenario {
  public:
    FloodScenario(const LineSettings& line, uint64_t seed) : Scenario(line, seed), rd_(~seed) {}

  protected:
    void buildEpisode() override;

  private:
    Random rd_;
};
