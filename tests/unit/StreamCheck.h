#pragma once
#include <cstdint>
#include <string>
#include <string_view>

// Why bytes are not a well-formed capture stream (every first byte of a pair followed at
// once by a second byte, line-state bytes between pairs, nothing below 0x40), or an empty
// text when they are.
inline std::string streamFault(std::string_view bytes) {
    bool expectSecond = false;
    for (size_t i = 0; i < bytes.size(); ++i) {
        const auto b = static_cast<uint8_t>(bytes[i]);
        const std::string at = " at " + std::to_string(i);
        if (b < 0x40) {
            return "byte below 0x40" + at;
        }
        const bool first = b >= 0x80 && b < 0xC0;
        const bool second = b >= 0xC0;
        if (expectSecond != second) {
            return (expectSecond ? "pair cut" : "second byte without a first") + at;
        }
        expectSecond = first;
    }
    return expectSecond ? "stream ends inside a pair" : "";
}
