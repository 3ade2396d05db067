// The string and time search of a loaded file, over the display words of any record bytes as
// CopyDat makes them, or any 16-bit words at all, from any start, in every direction.
// Beyond not crashing:
// - a string hit lies at or after the start (down) or at or before it (up), on data words of
//   one taken direction whose bytes are the codes, with no other word of that direction
//   between them, and never on the second word of a two-word record;
// - a search down from the first word of a hit finds that same hit;
// - a one-code search down finds exactly the first word that has the code;
// - a time hit is the first word of a time stamp, and there is none only when no time stamp
//   is among the words.
#include <fuzzer/FuzzedDataProvider.h>

#include <algorithm>
#include <cstdint>
#include <span>
#include <string>
#include <vector>

#include "FuzzCheck.h"
#include "capture/Capture.h"
#include "capture/Records.h"
#include "search/StringSearch.h"
#include "search/TimeSearch.h"

namespace {

constexpr int kFlags = 0x3900;
constexpr int kFirstOfTwo = 0x2000;
constexpr int kStampBits = 0x3000;

// Which words begin a record, pairing two-word records off from the first word as the
// capture does.
std::vector<bool> RecordStarts(std::span<const int16_t> words) {
    std::vector<bool> starts(words.size(), false);
    for (size_t i = 0; i < words.size(); ++i) {
        starts[i] = true;
        if ((static_cast<uint16_t>(words[i]) & kFirstOfTwo) != 0) {
            ++i;
        }
    }
    return starts;
}

bool Takes(SearchKubun kubun, int direction) {
    return kubun == SearchKubun::Both || (kubun == SearchKubun::Sd) == (direction == word::kSd);
}

// The direction of a data word that starts a record (0 RD, kSd SD), or -1.
int DataDirection(std::span<const int16_t> words, const std::vector<bool>& starts, size_t i) {
    const int d = static_cast<uint16_t>(words[i]) & kFlags;
    return starts[i] && (d & ~word::kSd) == 0 ? d : -1;
}

void CheckHit(std::span<const int16_t> words, const std::vector<bool>& starts,
              const SearchString& search, int16_t type, const std::vector<int32_t>& pos) {
    FUZZ_CHECK(pos.size() == search.gintSearchDat.size());
    FUZZ_CHECK(type == 0 || type == word::kSd);
    FUZZ_CHECK(Takes(search.kubun, type));
    for (size_t k = 0; k < pos.size(); ++k) {
        FUZZ_CHECK(pos[k] >= 0 && static_cast<size_t>(pos[k]) < words.size());
        FUZZ_CHECK(k == 0 || pos[k] > pos[k - 1]);
        FUZZ_CHECK(DataDirection(words, starts, pos[k]) == type);
        FUZZ_CHECK((words[pos[k]] & 0xFF) == search.gintSearchDat[k]);
    }
    for (int32_t i = pos.front(); i < pos.back(); ++i) {
        const bool inHit = std::binary_search(pos.begin(), pos.end(), i);
        FUZZ_CHECK(inHit || DataDirection(words, starts, i) != type);
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    FuzzedDataProvider fdp(data, size);
    const bool rawWords = fdp.ConsumeBool();
    SearchString search;
    search.kubun = static_cast<SearchKubun>(fdp.ConsumeIntegralInRange<int16_t>(0, 2));
    const auto houkou = static_cast<SearchHoukou>(fdp.ConsumeIntegralInRange<int16_t>(0, 2));
    const size_t codes = fdp.ConsumeIntegralInRange<size_t>(0, 8);
    for (size_t k = 0; k < codes; ++k) {
        // Now and then a code outside a byte, which never matches.
        search.gintSearchDat.push_back(fdp.ConsumeIntegralInRange<int16_t>(-1, 256));
    }
    const int32_t start = fdp.ConsumeIntegralInRange<int32_t>(-2, 70000);
    const std::string time = fdp.ConsumeBytesAsString(6);
    const std::vector<uint8_t> bytes = fdp.ConsumeRemainingBytes<uint8_t>();

    RunState run;
    Capture capture(run);
    std::vector<int16_t> raw;
    std::span<const int16_t> words;
    if (rawWords) {
        raw.resize(bytes.size() / 2);
        for (size_t i = 0; i < raw.size(); ++i) {
            raw[i] = static_cast<int16_t>(bytes[2 * i] | bytes[2 * i + 1] << 8);
        }
        words = raw;
    } else {
        capture.CopyDat(bytes.data(), static_cast<int32_t>(bytes.size()));
        words = dispWords(capture);
    }
    const std::vector<bool> starts = RecordStarts(words);

    int16_t type = -1;
    std::vector<int32_t> pos;
    if (SearchDownMoji(words, search, start, type, pos) == 1) {
        CheckHit(words, starts, search, type, pos);
        FUZZ_CHECK(pos.front() >= start);
        int16_t again = -1;
        std::vector<int32_t> repeat;
        FUZZ_CHECK(SearchDownMoji(words, search, pos.front(), again, repeat) == 1);
        FUZZ_CHECK(again == type && repeat == pos);
    }
    if (search.length() == 1 && start >= 0) {
        size_t first = words.size();
        for (size_t i = static_cast<size_t>(start); i < words.size(); ++i) {
            const int d = DataDirection(words, starts, i);
            if (d >= 0 && Takes(search.kubun, d) && (words[i] & 0xFF) == search.gintSearchDat[0]) {
                first = i;
                break;
            }
        }
        int16_t t = -1;
        std::vector<int32_t> p;
        const int16_t found = SearchDownMoji(words, search, start, t, p);
        FUZZ_CHECK((found == 1) == (first < words.size()));
        FUZZ_CHECK(found == 0 || p[0] == static_cast<int32_t>(first));
    }
    if (SearchUpMoji(words, search, start, type, pos) == 1) {
        CheckHit(words, starts, search, type, pos);
        FUZZ_CHECK(pos.back() <= start);
    }
    if (searchMoji(words, search, houkou, start, type, pos) == 1) {
        CheckHit(words, starts, search, type, pos);
    }

    int32_t at = -1;
    const bool anyStamp = std::any_of(words.begin(), words.end(), [&](const int16_t& w) {
        const size_t i = static_cast<size_t>(&w - words.data());
        return starts[i] && (static_cast<uint16_t>(w) & kStampBits) == kStampBits;
    });
    const int16_t timeFound = SearchTime(words, time, at);
    FUZZ_CHECK((timeFound == 1) == anyStamp);
    if (timeFound == 1) {
        FUZZ_CHECK(at >= 0 && static_cast<size_t>(at) < words.size() && starts[at]);
        FUZZ_CHECK((static_cast<uint16_t>(words[at]) & kStampBits) == kStampBits);
    }
    return 0;
}
