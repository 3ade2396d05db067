#pragma once

// Hexadecimal digits, as every text of hex bytes is read (protocol definitions, search texts,
// the unit's commands): 0-9, A-F and a-f. Any character type converts: char (a negative char
// is no digit), char16_t, a byte.

// The value of the digit c, or -1.
[[nodiscard]] constexpr int hexDigit(char32_t c) {
    if (c >= U'0' && c <= U'9') {
        return static_cast<int>(c - U'0');
    }
    if (c >= U'A' && c <= U'F') {
        return static_cast<int>(c - U'A') + 10;
    }
    if (c >= U'a' && c <= U'f') {
        return static_cast<int>(c - U'a') + 10;
    }
    return -1;
}

// The byte the digits hi and lo spell, or -1.
[[nodiscard]] constexpr int hexPair(char32_t hi, char32_t lo) {
    const int h = hexDigit(hi);
    const int l = hexDigit(lo);
    return h < 0 || l < 0 ? -1 : h * 16 + l;
}
