#pragma once
#include <array>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

// How the text of the search dialog becomes search codes, the status bar text of a search
// string, and the dialog's history.

enum class HexInput { Ok, OddLength, BadPair };

// Reads text as pairs of hexadecimal digits (either case), one code per pair. An odd length
// leaves codes alone; a pair that is not two hexadecimal digits empties codes.
HexInput parseHexCodes(std::u16string_view text, std::vector<int16_t>& codes);

// Codes as two upper-case hexadecimal digits each, without separators ("0D0A"); a code
// outside 0..255 gives its low byte.
[[nodiscard]] std::string hexCodesText(const std::vector<int16_t>& codes);

// Status bar text of a search string (UTF-8): "検索 A/" + text for ASCII, "検索 H/" + the digit
// pairs joined by "･" for hexadecimal, "検索 S/" + text for Shift-JIS. text is the entered text,
// for hexadecimal an even number of ASCII digits.
[[nodiscard]] std::string searchPanelText(int16_t type, std::string_view text);

// The dialog's history of search texts with their code types, newest first; type 0 marks an
// empty entry.
struct SearchHistory {
    static constexpr size_t kSize = 8;

    std::array<std::string, kSize> lstrSearchHist;  // UTF-8
    std::array<int16_t, kSize> lintSearchHist{};

    // Puts text first; an entry with the same text and type is removed, the oldest of a full
    // history is dropped.
    void add(const std::string& text, int16_t type);
};
