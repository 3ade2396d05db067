#pragma once
#include <cstdint>
#include <span>
#include <vector>

#include "capture/Capture.h"

// Which data words a string search looks at (the index of the dialog's optKubun buttons).
// A word of an excluded direction is passed over like a time-stamp entry.
enum class SearchKubun : int16_t { Both = 0, Sd = 1, Rd = 2 };

// Where a search starts (the index of the dialog's optHoukou buttons).
enum class SearchHoukou : int16_t { FromTop = 0, Up = 1, Down = 2 };

// The current search string, shared by the search dialog and the repeat commands.
struct SearchString {
    static constexpr int16_t kNone = 0;
    static constexpr int16_t kAscii = 1;
    static constexpr int16_t kHex = 2;
    static constexpr int16_t kShiftJis = 3;

    // Code i of the string; a code outside 0..255 never matches. Empty: no string is set.
    std::vector<int16_t> gintSearchDat;
    int16_t gintSearchType = kNone;  // how the string was entered
    SearchKubun kubun = SearchKubun::Both;

    [[nodiscard]] int32_t length() const { return static_cast<int32_t>(gintSearchDat.size()); }
};

// The first glngDispLen display words (never more than the array holds).
[[nodiscard]] std::span<const int16_t> dispWords(const Capture& capture);

// Searches forward from word lngStart for the codes of search, all of them in data words of
// one direction; words of the other direction, time-stamp and idle records and other special
// entries in between are passed over. After a mismatch only the breaking byte is tried again
// as the first code. On a hit returns 1, sets intType to the direction (0 RD, 0x100 SD) and
// lngSearchPos to the word index of each code; returns 0 when the end is reached first.
// A start inside a two-word record begins behind that record.
int16_t SearchDownMoji(std::span<const int16_t> words, const SearchString& search, int32_t lngStart,
                       int16_t& intType, std::vector<int32_t>& lngSearchPos);

// The same backward from word lngStart (at most the last word), matching the last code
// first. A start of 0 or below finds nothing.
int16_t SearchUpMoji(std::span<const int16_t> words, const SearchString& search, int32_t lngStart,
                     int16_t& intType, std::vector<int32_t>& lngSearchPos);

// The search of a direction, from the reference position ref (glngCursol[0], -1 = before the
// first word): FromTop forward from word 0, Down forward from ref + 1, Up backward from
// ref + n - 2. Returns 1 on a hit as the two searches above.
int16_t searchMoji(std::span<const int16_t> words, const SearchString& search, SearchHoukou houkou,
                   int32_t ref, int16_t& intType, std::vector<int32_t>& lngSearchPos);
