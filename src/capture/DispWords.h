#pragma once
#include <cstdint>

// Converts the whole records at the front of the len bytes into display words at out, which
// has room for len / 2 + 2 words, and sets words to their number. Returns the bytes
// converted: a record cut off by the end is left, so that a long capture can be converted in
// pieces.
int32_t makeDispWords(const uint8_t* bytes, int32_t len, int16_t* out, int32_t& words);
