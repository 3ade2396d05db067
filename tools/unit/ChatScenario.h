#pragma once
#include "Scenario.h"

// A terminal on SD and a device on RD talking in lines of text; with errors, some
// characters arrive with a framing error or, on a line with parity, a parity error.
class ChatScenario final : public Scenario {
  public:
    ChatScenario(const LineSettings& line, uint64_t seed, bool errors)
        : Scenario(line, seed), errors_(errors) {}

  protected:
    void buildEpisode() override;

  private:
    void spoil(size_t first);

    bool errors_;
};
