#include "search/SearchInput.h"

#include <utility>

#include "base/HexDigits.h"
#include "capture/ByteText.h"
#include "search/StringSearch.h"

HexInput parseHexCodes(std::u16string_view text, std::vector<int16_t>& codes) {
    if (text.size() % 2 != 0) {
        return HexInput::OddLength;
    }
    std::vector<int16_t> read;
    read.reserve(text.size() / 2);
    for (size_t i = 0; i < text.size(); i += 2) {
        const int b = hexPair(text[i], text[i + 1]);
        if (b < 0) {
            codes.clear();
            return HexInput::BadPair;
        }
        read.push_back(static_cast<int16_t>(b));
    }
    codes = std::move(read);
    return HexInput::Ok;
}

std::string hexCodesText(const std::vector<int16_t>& codes) {
    std::string out;
    out.reserve(codes.size() * 2);
    for (const int16_t c : codes) {
        out += hexText(static_cast<uint8_t>(c & 0xFF));
    }
    return out;
}

std::string searchPanelText(int16_t type, std::string_view text) {
    switch (type) {
        case SearchString::kAscii:
            return "検索 A/" + std::string(text);
        case SearchString::kHex: {
            std::string out = "検索 H/";
            for (size_t i = 0; i < text.size(); i += 2) {
                if (i > 0) {
                    out += "･";
                }
                out += text.substr(i, 2);
            }
            return out;
        }
        case SearchString::kShiftJis:
            return "検索 S/" + std::string(text);
        default:
            return {};
    }
}

void SearchHistory::add(const std::string& text, int16_t type) {
    SearchHistory next;
    next.lstrSearchHist[0] = text;
    next.lintSearchHist[0] = type;
    size_t k = 1;
    for (size_t i = 0; i < kSize && k < kSize; ++i) {
        if (lintSearchHist[i] > 0 && !(lintSearchHist[i] == type && lstrSearchHist[i] == text)) {
            next.lstrSearchHist[k] = lstrSearchHist[i];
            next.lintSearchHist[k] = lintSearchHist[i];
            ++k;
        }
    }
    *this = std::move(next);
}
