#include "search/StringSearch.h"

#include <algorithm>
#include <limits>

#include "capture/Records.h"

namespace {

// Flag bits that classify a display word: 0 or 0x100 is a data word (RD or SD, error bits
// aside), 0x2000 and above the first word of a two-word record, anything else a one-word entry.
constexpr int kFlags = 0x3900;
constexpr int kFirstOfTwo = 0x2000;

// The directions a search takes, as a bit per direction: bit 0 RD, bit 1 SD.
[[nodiscard]] unsigned directions(SearchKubun kubun) {
    switch (kubun) {
        case SearchKubun::Sd:
            return 2;
        case SearchKubun::Rd:
            return 1;
        case SearchKubun::Both:
            break;
    }
    return 3;
}

// Whether a classified word (w AND kFlags) is a data word of a direction the search takes.
[[nodiscard]] bool taken(int d, unsigned directions) {
    return (d & ~word::kSd) == 0 && ((directions >> (d >> 8)) & 1) != 0;
}

// Whether word p is the second word of a two-word record. Records pair off from the start of
// every run of words that look like first words (the second word of an idle record may look
// like one too), so p is a second word exactly when an odd number of them stand right before it.
[[nodiscard]] bool isSecondWord(std::span<const int16_t> words, size_t p) {
    size_t run = 0;
    while (run < p && (words[p - 1 - run] & kFirstOfTwo) != 0) {
        ++run;
    }
    return run % 2 == 1;
}

[[nodiscard]] int32_t clampIndex(int64_t i) {
    return static_cast<int32_t>(std::clamp<int64_t>(i, std::numeric_limits<int32_t>::min(),
                                                    std::numeric_limits<int32_t>::max()));
}

}  // namespace

std::span<const int16_t> dispWords(const Capture& capture) {
    const size_t len = static_cast<size_t>(std::max(capture.glngDispLen(), 0));
    return {capture.gintDispDat().data(), std::min(len, capture.gintDispDat().size())};
}

int16_t SearchDownMoji(std::span<const int16_t> words, const SearchString& search, int32_t lngStart,
                       int16_t& intType, std::vector<int32_t>& lngSearchPos) {
    const size_t n = search.gintSearchDat.size();
    const size_t len = words.size();
    size_t i = static_cast<size_t>(std::max(lngStart, 0));
    if (n == 0 || i >= len) {
        return 0;
    }
    if (isSecondWord(words, i)) {
        ++i;
    }
    lngSearchPos.resize(n);
    // Locals, so that the writes of positions cannot make the compiler read these again.
    const int16_t* codes = search.gintSearchDat.data();
    int32_t* pos = lngSearchPos.data();
    const unsigned dirs = directions(search.kubun);
    size_t b = 0;  // index of the code the next word must match
    int a = 0;     // direction of the partial match
    for (; i < len; ++i) {
        const auto w = static_cast<uint16_t>(words[i]);
        const int d = w & kFlags;
        if (d >= kFirstOfTwo) {
            ++i;  // its second word goes with it
            continue;
        }
        // One branch for the partial match: d != a alone is a coin toss in mixed traffic.
        if (!taken(d, dirs) || ((b > 0) & (d != a))) {
            continue;
        }
        const int c = w & 0xFF;
        if (c != codes[b]) {
            if (b == 0) {
                continue;
            }
            b = 0;  // the breaking byte may begin a new match
            if (c != codes[0]) {
                continue;
            }
        }
        pos[b] = static_cast<int32_t>(i);
        if (b == n - 1) {
            intType = static_cast<int16_t>(d);
            return 1;
        }
        ++b;
        a = d;
    }
    return 0;
}

int16_t SearchUpMoji(std::span<const int16_t> words, const SearchString& search, int32_t lngStart,
                     int16_t& intType, std::vector<int32_t>& lngSearchPos) {
    const size_t n = search.gintSearchDat.size();
    const size_t len = words.size();
    if (lngStart <= 0 || n == 0 || len == 0) {
        return 0;
    }
    lngSearchPos.resize(n);
    const int16_t* codes = search.gintSearchDat.data();
    int32_t* pos = lngSearchPos.data();
    const unsigned dirs = directions(search.kubun);
    size_t b = n - 1;  // index of the code the next word must match
    int a = 0;         // direction of the partial match
    for (size_t i = std::min(static_cast<size_t>(lngStart), len - 1) + 1; i-- > 0;) {
        const auto w = static_cast<uint16_t>(words[i]);
        const int d = w & kFlags;
        if (!taken(d, dirs) || ((b != n - 1) & (d != a))) {
            continue;  // also a special entry or the first word of a record
        }
        if (i > 0 && (words[i - 1] & kFirstOfTwo) != 0 && isSecondWord(words, i)) {
            continue;
        }
        const int c = w & 0xFF;
        if (c != codes[b]) {
            if (b == n - 1) {
                continue;
            }
            b = n - 1;  // the breaking byte may end a new match
            if (c != codes[b]) {
                continue;
            }
        }
        pos[b] = static_cast<int32_t>(i);
        if (b == 0) {
            intType = static_cast<int16_t>(d);
            return 1;
        }
        --b;
        a = d;
    }
    return 0;
}

int16_t searchMoji(std::span<const int16_t> words, const SearchString& search, SearchHoukou houkou,
                   int32_t ref, int16_t& intType, std::vector<int32_t>& lngSearchPos) {
    switch (houkou) {
        case SearchHoukou::FromTop:
            return SearchDownMoji(words, search, 0, intType, lngSearchPos);
        case SearchHoukou::Down:
            return SearchDownMoji(words, search, clampIndex(int64_t{ref} + 1), intType,
                                  lngSearchPos);
        case SearchHoukou::Up:
            return SearchUpMoji(words, search, clampIndex(int64_t{ref} + search.length() - 2),
                                intType, lngSearchPos);
    }
    return 0;
}
