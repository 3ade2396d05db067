#pragma once
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

// How the monitored line is built, as the S00, S01 and S02 commands set it, and the
// character timing that follows from it. Line time is counted in ticks of half a bit, so
// that every character length, 1.5 stop bits included, is a whole number of ticks.
struct LineSettings {
    enum class Parity { None, Odd, Even };

    int lineType = 0;  // 0 RS-232C, 1 RS-422/485
    uint32_t speed = 9600;
    int dataBits = 8;
    int stopHalves = 2;  // stop bits times two: 2, 3 or 4
    Parity parity = Parity::None;

    // Speed of an S01 code 0x00..0x0E; nothing for any other code.
    static std::optional<uint32_t> speedOfCode(int code);
    // Applies an S02 format byte; false (and nothing changed) for a byte with bits outside
    // 0x1F or with both stop-bit or both parity bits set.
    bool applyFormat(int format);
    // The line of a text "SPEED,BITS,PARITY,STOP" (19200,8,E,1): a speed of the code table,
    // 7 or 8 data bits, parity N, E or O, 1, 1.5 or 2 stop bits; line type RS-232C. Nothing,
    // and the reason in error, for any other text.
    static std::optional<LineSettings> parse(std::string_view text, std::string& error);

    // Start bit, data bits, parity bit and stop bits, in half bits.
    [[nodiscard]] uint64_t characterTicks() const;
    [[nodiscard]] uint64_t ticksPerSecond() const { return 2ULL * speed; }
    [[nodiscard]] uint64_t ticksOfMs(uint64_t ms) const { return ms * ticksPerSecond() / 1000; }
    // The time one character takes on the line, in seconds.
    [[nodiscard]] double characterSeconds() const;
    // The observed value of a byte on this line: 7-bit lines lose the top bit.
    [[nodiscard]] uint8_t mask(uint8_t value) const { return dataBits == 7 ? value & 0x7F : value; }
    [[nodiscard]] bool hasParity() const { return parity != Parity::None; }
    bool operator==(const LineSettings&) const = default;
};
