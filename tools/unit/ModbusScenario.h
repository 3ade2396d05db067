#pragma once
#include <cstdint>
#include <string>
#include <string_view>

#include "Scenario.h"

// A master on SD polling slaves 1 to 4 on RD once a second with RTU frames: register reads
// and writes, an exception now and then, and no reply from slave 4 (it is missing).
class ModbusScenario final : public Scenario {
  public:
    ModbusScenario(const LineSettings& line, uint64_t seed) : Scenario(line, seed) {}

    // CRC-16 of an RTU frame (polynomial 0xA001 reflected, start 0xFFFF).
    static uint16_t crc16(std::string_view frame);
    // The frame with its CRC appended, low byte first.
    static std::string withCrc(std::string frame);

  protected:
    void buildEpisode() override;

  private:
    struct Poll {
        std::string request;
        std::string reply;  // empty: no reply
    };
    Poll makePoll();

    uint64_t second_ = 0;    // polls so far
    uint64_t earliest_ = 0;  // the next frame may not start before this
};
