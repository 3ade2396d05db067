#pragma once
#include <cstdint>
#include <string>

#include "Scenario.h"

// A binary protocol of the line's own: a master on SD reads blocks of data from a device on RD
// four times a second. Every frame is STX, a length byte (the bytes of the payload), the
// payload, a CRC-16/CCITT-FALSE of the length byte and the payload (high byte first) and ETX.
// A read is "R", a two-byte address and a count of 1 to 32; the reply "D", the address and
// that many bytes. The reply of every kBadEvery-th read (the first one included) has a wrong
// CRC, and stray bytes (00 and FF, as a line that settles gives them) come before every
// kNoiseEvery-th read. The frames are binary: the line wants 8 data bits.
//   [blocks]  Start=02  End=03  Length=1,1,BE,5  Check=crc16-ccitt-false  CheckFrom=1  Max=260
class BlocksScenario final : public Scenario {
  public:
    static constexpr uint64_t kBadEvery = 7;
    static constexpr uint64_t kNoiseEvery = 5;

    BlocksScenario(const LineSettings& line, uint64_t seed) : Scenario(line, seed) {}

    // STX, the length, the payload, the CRC and ETX; bad: the CRC is wrong.
    static std::string frame(const std::string& payload, bool bad);

  protected:
    void buildEpisode() override;

  private:
    uint64_t poll_ = 0;
};
