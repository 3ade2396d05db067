#pragma once
#include "Scenario.h"

// The chat dialogue on a line with full modem control: the terminal raises ER and the
// device DR and CD first; every request is framed by an RS/CS handshake; between messages
// the carrier drops now and then, the call indicator rings, or the device resets (DR and
// CD off and on again).
class LinesScenario final : public Scenario {
  public:
    LinesScenario(const LineSettings& line, uint64_t seed) : Scenario(line, seed) {}

  protected:
    void buildEpisode() override;

  private:
    // Switches the given lines on or off at tick and returns tick.
    uint64_t change(uint64_t tick, uint8_t mask, bool on);
    void powerUp();
    void exchange();
    void interlude();

    uint8_t lines_ = 0;
    bool up_ = false;
};
