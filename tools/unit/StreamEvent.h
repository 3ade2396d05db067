#pragma once
#include <cstdint>
#include <string>

// Control-line bits of a line-state byte.
namespace Lines {
constexpr uint8_t RS = 0x01;
constexpr uint8_t CS = 0x02;
constexpr uint8_t ER = 0x04;
constexpr uint8_t DR = 0x08;
constexpr uint8_t CD = 0x10;
constexpr uint8_t CI = 0x20;
}  // namespace Lines

// One thing the unit observes on the monitored line, at the line time (in half-bit ticks
// from the start of monitoring) when it has been seen completely.
struct StreamEvent {
    enum class Kind {
        Data,  // a character on SD or RD: one data pair
        Line,  // the six control lines: one line-state byte
        Raw,   // a byte sent as it is (only the garbage scenario makes these)
    };

    Kind kind = Kind::Data;
    uint64_t tick = 0;
    uint8_t value = 0;  // character, control-line bits (0..0x3F) or raw byte
    bool sd = false;
    bool parityError = false;
    bool framingError = false;

    static StreamEvent data(uint64_t tick, bool sd, uint8_t value) {
        return {Kind::Data, tick, value, sd, false, false};
    }
    static StreamEvent line(uint64_t tick, uint8_t lines) {
        return {Kind::Line, tick, static_cast<uint8_t>(lines & 0x3F), false, false, false};
    }
    static StreamEvent raw(uint64_t tick, uint8_t value) {
        return {Kind::Raw, tick, value, false, false, false};
    }
};

// The capture-stream bytes of a data pair and of a line-state byte.
uint8_t pairFirstByte(const StreamEvent& e);
uint8_t pairSecondByte(const StreamEvent& e);
inline uint8_t lineStateByte(uint8_t lines) {
    return static_cast<uint8_t>(0x40 | (lines & 0x3F));
}
