#include "trigger/TriggerDraft.h"

#include <algorithm>
#include <limits>

#include "base/Val.h"

namespace {

// Half-width katakana: single-byte codes 0xA1..0xDF, characters U+FF61..U+FF9F.
constexpr char16_t kKanaFirst = u'\uFF61';
constexpr uint8_t kKanaCodeFirst = 0xA1;
constexpr uint8_t kKanaCodeLast = 0xDF;

char16_t codeChar(uint8_t code) {
    if (code >= kKanaCodeFirst && code <= kKanaCodeLast) {
        return static_cast<char16_t>(kKanaFirst + (code - kKanaCodeFirst));
    }
    return code;
}

uint8_t charCode(char16_t c) {
    if (c >= kKanaFirst && c <= kKanaFirst + (kKanaCodeLast - kKanaCodeFirst)) {
        return static_cast<uint8_t>(kKanaCodeFirst + (c - kKanaFirst));
    }
    return static_cast<uint8_t>(c & 0xFF);
}

int16_t limitedCount(int32_t v) {
    return static_cast<int16_t>(std::clamp<int32_t>(v, 0, Triggers::kMaxByteCount));
}

}  // namespace

TriggerDraft draftOf(const Triggers& t, int n) {
    TriggerDraft d;
    d.trigType = t.gintTrigType[n];
    d.chrType = t.gintChrType[n];
    if (d.chrType == 1) {
        const std::string hex = t.chrCodeText(n);
        d.chrText.assign(hex.begin(), hex.end());
    } else {
        for (int j = 0; j < t.chrCount(n); ++j) {
            d.chrText += codeChar(t.gbyteChrCode[n][j]);
        }
    }
    d.time = t.gstrTime[n];
    d.errType = t.gintErrType[n];
    for (int line = 0; line < Triggers::kLines; ++line) {
        d.lineEdge[line] = t.gintLineEdge[line][n];
    }
    d.action = t.gintAction[n];
    d.monitorStop = t.gintMonitorStop[n];
    d.saveStart = t.gintSaveStart[n];
    d.saveStop = t.gintSaveStop[n];
    return d;
}

void applyDraft(const TriggerDraft& d, Triggers& t, int n) {
    t.gintTrigType[n] = d.trigType;
    t.gintChrType[n] = d.chrType;
    int count = 0;
    if (d.chrType == 1) {
        // Only ASCII characters can be hexadecimal digits; anything else reads as no digit.
        std::string hex;
        for (char16_t c : d.chrText) {
            hex += c < 0x80 ? static_cast<char>(c) : ' ';
        }
        count = std::min<int>(static_cast<int>(hex.size() / 2), Triggers::kCodes);
        for (int j = 0; j < count; ++j) {
            t.gbyteChrCode[n][j] = Triggers::hexCode(hex, j);
        }
    } else {
        count = std::min<int>(static_cast<int>(d.chrText.size()), Triggers::kCodes);
        for (int j = 0; j < count; ++j) {
            t.gbyteChrCode[n][j] = charCode(d.chrText[j]);
        }
    }
    t.gstrChrLen[n] = std::to_string(count);
    t.gstrTime[n] = d.time;
    t.gintErrType[n] = d.errType;
    for (int line = 0; line < Triggers::kLines; ++line) {
        t.gintLineEdge[line][n] = d.lineEdge[line];
    }
    t.gintAction[n] = d.action;
    // A dialog refuses counts outside the range; a draft that reaches here otherwise is
    // limited rather than wrapped.
    t.gintMonitorStop[n] = limitedCount(d.monitorStop);
    t.gintSaveStart[n] = limitedCount(d.saveStart);
    t.gintSaveStop[n] = limitedCount(d.saveStop);
}

bool countFits(int32_t count) {
    return count >= 0 && count <= Triggers::kMaxByteCount;
}

int32_t countValue(std::string_view text) {
    // Far beyond any count: such a value is refused anyway, and it stays representable.
    constexpr double kLimit = std::numeric_limits<int32_t>::max();
    return *roundHalfEven<int32_t>(std::clamp(Val(text), -kLimit, kLimit));
}
