#pragma once
#include <cstdint>

// Stored record layouts (the same bytes follow the header of a capture log file):
//   data pair   2 bytes: 10 d p hhhh, 11 x f llll  (d = SD, p = parity error, f = framing error)
//   line state  2 bytes: 01 CI CD DR ER CS RS, 0x30
//   time stamp  4 bytes: 0x30, hours, minutes, seconds (binary)
//   idle        4 bytes: 0x20, three pairs of decimal digits of the six-digit count (0..99 each)
namespace rec {
inline constexpr uint8_t kStamp = 0x30;
inline constexpr uint8_t kIdle = 0x20;
inline constexpr uint8_t kLineTail = 0x30;

[[nodiscard]] constexpr bool isFirst(uint8_t b) {
    return (b & 0xC0) == 0x80;
}
[[nodiscard]] constexpr bool isSecond(uint8_t b) {
    return (b & 0xC0) == 0xC0;
}
[[nodiscard]] constexpr bool isLineState(uint8_t b) {
    return (b & 0xC0) == 0x40;
}
[[nodiscard]] constexpr bool isSd(uint8_t first) {
    return (first & 0x20) != 0;
}
[[nodiscard]] constexpr bool hasParityError(uint8_t first) {
    return (first & 0x10) != 0;
}
[[nodiscard]] constexpr bool hasFramingError(uint8_t second) {
    return (second & 0x10) != 0;
}
[[nodiscard]] constexpr uint8_t pairValue(uint8_t first, uint8_t second) {
    return static_cast<uint8_t>(((first & 0x0F) << 4) | (second & 0x0F));
}

// How the conversion into display words reads the record that starts with byte b: its
// length and the words it makes. A byte that starts no record is skipped on its own, which
// is how a buffer that begins inside a record falls back into step.
struct Shape {
    int32_t bytes;
    int32_t words;
};
[[nodiscard]] constexpr Shape shapeOf(uint8_t b) {
    if (isFirst(b)) {
        return {2, 1};
    }
    if (isLineState(b)) {
        return {2, 0};
    }
    if (b == kStamp || b == kIdle) {
        return {4, 2};
    }
    return {1, 0};
}
}  // namespace rec

// Display words (16-bit): a data word is the byte | kSd | kParity or kFraming;
// a time stamp is kStamp + hours, then minutes * 100 + seconds;
// an idle record is kIdle + first digit pair, then the other four digits.
namespace word {
inline constexpr int kSd = 0x100;
inline constexpr int kParity = 0x200;
inline constexpr int kFraming = 0x400;
inline constexpr int kIdle = 0x2000;
inline constexpr int kStamp = 0x3000;

// Kind of a word: word & 0xFF00 (0x000..0x500 data, 0x2000 idle, 0x3000 time stamp).
[[nodiscard]] constexpr int kind(int w) {
    return w & 0xFF00;
}
[[nodiscard]] constexpr bool isTwoWord(int w) {
    return (w & 0x3000) != 0;
}
[[nodiscard]] constexpr bool isData(int w) {
    return kind(w) <= 0x500;
}
}  // namespace word
