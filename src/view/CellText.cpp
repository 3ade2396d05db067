#include "view/CellText.h"

#include <cstdio>

namespace {

CellText::Id threeDigits(const char* p) {
    int n = 0;
    for (int i = 0; i < 3; ++i) {
        if (p[i] < '0' || p[i] > '9') {
            return CellText::kEmpty;
        }
        n = n * 10 + (p[i] - '0');
    }
    return CellText::digits(n);
}

}  // namespace

std::pair<CellText::Id, CellText::Id> CellText::sixDigits(int64_t value) {
    if (value < 0) {
        value = 0;
    }
    value %= 1'000'000;
    return {digits(value / 1000), digits(value % 1000)};
}

std::pair<CellText::Id, CellText::Id> CellText::sixDigits(const char* six) {
    // Each half is read only when the characters before it were digits, so a short text
    // never reads past its end.
    const Id first = threeDigits(six);
    const Id second = first == kEmpty ? kEmpty : threeDigits(six + 3);
    return {first, second};
}

std::string CellText::utf8(Id id, const ChrTable& chr) {
    if (id >= kChrBase && id < kHexBase) {
        return chr[id - kChrBase];
    }
    if (id >= kHexBase && id < kPE) {
        return hexText(static_cast<uint8_t>(id - kHexBase));
    }
    if (id >= kDigitsBase && id < kCount) {
        char text[8];
        std::snprintf(text, sizeof text, "%03d", id - kDigitsBase);
        return text;
    }
    switch (id) {
        case kPE:
            return "PE";
        case kFE:
            return "FE";
        case kTM:
            return "TM";
        case kST:
            return "ST";
        case kID:
            return " ID";
        case kLE:
            return "LE ";
        default:
            return {};
    }
}
