#include "search/TimeSearch.h"

#include <cstdio>
#include <string>

namespace {

constexpr int kStamp = 0x3000;       // both bits set: the first word of a time stamp
constexpr int kFirstOfTwo = 0x2000;  // the first word of a time-stamp or idle record

[[nodiscard]] int twoDigits(std::string_view text, size_t at) {
    return (text[at] - '0') * 10 + (text[at + 1] - '0');
}

}  // namespace

bool isSearchTime(std::string_view text) {
    if (text.size() != 6) {
        return false;
    }
    for (const char c : text) {
        if (c < '0' || c > '9') {
            return false;
        }
    }
    return twoDigits(text, 0) <= 23 && twoDigits(text, 2) <= 59 && twoDigits(text, 4) <= 59;
}

int16_t SearchTime(std::span<const int16_t> words, std::string_view strSearchTime,
                   int32_t& lngSearchPos) {
    bool remembered = false;
    char t[16];
    for (size_t i = 0; i < words.size(); ++i) {
        const auto w = static_cast<uint16_t>(words[i]);
        if ((w & kFirstOfTwo) == 0) {
            continue;
        }
        // A record is passed as its two words, so the second word of an idle record is never
        // taken for a time stamp.
        const size_t first = i++;
        if ((w & kStamp) != kStamp) {
            continue;
        }
        const int second = i < words.size() ? words[i] : 0;
        std::snprintf(t, sizeof t, "%02d%04d", w & 0xFF, second);
        const int order = std::string_view(t).compare(strSearchTime);
        if (order > 0 && remembered) {
            return 1;
        }
        lngSearchPos = static_cast<int32_t>(first);
        if (order >= 0) {
            return 1;
        }
        remembered = true;
    }
    return remembered ? 1 : 0;
}
