#pragma once
#include <cstdint>
#include <string>

#include "Scenario.h"

// A protocol of the line's own: a master on SD reads meters 1 to 3 on RD twice a second.
// Every frame is STX, a text, ETX and a block check character (the xor of every byte from STX
// to ETX): "R" and the meter's number as two digits, answered by "D", the number and a
// six-digit reading. Now and then a reply's check is wrong, a stray byte comes before a
// request, and meter 3 answers in two parts with a pause between them.
//   [meter]  Start=02  End=03  Check=xor8  CheckAfterEnd=1  Timeout=100
class MeterScenario final : public Scenario {
  public:
    MeterScenario(const LineSettings& line, uint64_t seed) : Scenario(line, seed) {}

    // STX text ETX and the xor of those bytes; bad: the check is wrong.
    static std::string frame(const std::string& text, bool bad);

  protected:
    void buildEpisode() override;

  private:
    uint64_t poll_ = 0;
};
