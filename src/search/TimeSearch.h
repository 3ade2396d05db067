#pragma once
#include <cstdint>
#include <span>
#include <string_view>

// Whether text is a time of day written HHMMSS: six digits, hours 00..23, minutes and seconds
// 00..59.
[[nodiscard]] bool isSearchTime(std::string_view text);

// Finds the time-stamp record that best fits strSearchTime (HHMMSS), comparing the records'
// six-digit texts with it as plain strings in capture order: the first record equal to it;
// else the last record before the first later one; else the first record if it is already
// later, or the last record if all are earlier. Returns 1 with lngSearchPos = the index of the
// record's first word, or 0 when the words hold no time-stamp record.
int16_t SearchTime(std::span<const int16_t> words, std::string_view strSearchTime,
                   int32_t& lngSearchPos);
