#include "trigger/Triggers.h"

#include <algorithm>

#include "base/Val.h"

bool Triggers::anySet() const {
    return std::any_of(gintTrigType.begin(), gintTrigType.end(), [](int16_t t) { return t > 0; });
}

std::string Triggers::chrCodeText(int n) const {
    static constexpr char kHex[] = "0123456789ABCDEF";
    std::string text;
    const int count = chrCount(n);
    for (int j = 0; j < count; ++j) {
        text += kHex[gbyteChrCode[n][j] >> 4];
        text += kHex[gbyteChrCode[n][j] & 0xF];
    }
    return text;
}

uint8_t Triggers::hexCode(std::string_view text, int j) {
    const size_t at = std::min(text.size(), static_cast<size_t>(2 * j));
    std::string number = "&H";
    number += text.substr(at, 2);
    return static_cast<uint8_t>(Val(number));
}

int Triggers::chrCount(int n) const {
    const double v = std::clamp(Val(gstrChrLen[n]), 0.0, static_cast<double>(kCodes));
    return *roundHalfEven<int>(v);
}
