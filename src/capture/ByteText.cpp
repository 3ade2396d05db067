#include "capture/ByteText.h"

#include <cstdio>

#include "capture/Records.h"

namespace {

constexpr const char* kMnemonics[32] = {
    "NU", "SH", "SX", "EX", "ET", "EQ", "AK", "BL", "BS", "HT", "LF", "VT", "FF", "CR", "SO", "SI",
    "DL", "D1", "D2", "D3", "D4", "NK", "SY", "EB", "CN", "EM", "SB", "EC", "FS", "GS", "RS", "US"};

// Full-width forms of the half-width katakana 0xA1..0xDF of code page 932.
constexpr const char* kKana[63] = {
    "。", "「", "」", "、", "・", "ヲ", "ァ", "ィ", "ゥ", "ェ", "ォ", "ャ", "ュ", "ョ", "ッ", "ー",
    "ア", "イ", "ウ", "エ", "オ", "カ", "キ", "ク", "ケ", "コ", "サ", "シ", "ス", "セ", "ソ", "タ",
    "チ", "ツ", "テ", "ト", "ナ", "ニ", "ヌ", "ネ", "ノ", "ハ", "ヒ", "フ", "ヘ", "ホ", "マ", "ミ",
    "ム", "メ", "モ", "ヤ", "ユ", "ヨ", "ラ", "リ", "ル", "レ", "ロ", "ワ", "ン", "゛", "゜"};

std::string utf8(char32_t cp) {
    std::string s;
    if (cp < 0x80) {
        s += static_cast<char>(cp);
    } else if (cp < 0x800) {
        s += static_cast<char>(0xC0 | (cp >> 6));
        s += static_cast<char>(0x80 | (cp & 0x3F));
    } else {
        s += static_cast<char>(0xE0 | (cp >> 12));
        s += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
        s += static_cast<char>(0x80 | (cp & 0x3F));
    }
    return s;
}

}  // namespace

ChrTable MakeChrTable() {
    ChrTable t;
    for (int b = 0; b < 256; ++b) {
        if (b < 0x20) {
            t[b] = kMnemonics[b];
        } else if (b == 0x20) {
            t[b] = "△";
        } else if (b < 0x7F) {
            t[b] = utf8(0xFF01 + (b - 0x21));
        } else if (b == 0x7F) {
            t[b] = "DT";
        } else if (b >= 0xA1 && b <= 0xDF) {
            t[b] = kKana[b - 0xA1];
        } else {
            t[b] = "/" + hexText(static_cast<uint8_t>(b));
        }
    }
    return t;
}

std::string hexText(uint8_t b) {
    static constexpr char kDigits[] = "0123456789ABCDEF";
    return {kDigits[b >> 4], kDigits[b & 0x0F]};
}

int WordText(int w, int next, int dispMode, int asciiSaveMode, const ChrTable& chr,
             std::string& out) {
    const int kind = word::kind(w);
    const uint8_t c = static_cast<uint8_t>(w & 0xFF);
    out.clear();
    if (kind == word::kStamp || kind == word::kIdle) {
        char six[16];
        std::snprintf(six, sizeof six, "%06ld", static_cast<long>(c) * 10000L + next);
        out = six;
        return kind;
    }
    if (kind > 0x500) {
        return kind;
    }
    if (dispMode != 0) {
        out = hexText(c);
        return kind;
    }
    const char* error = kind >= word::kFraming ? "FE" : (kind >= word::kParity ? "PE" : nullptr);
    const bool printable = c >= 0x20 && c <= 0x7E;
    switch (asciiSaveMode) {
        case 1:
            out = error == nullptr && printable ? std::string(1, static_cast<char>(c)) : "･";
            break;
        case 2:
            if (error != nullptr) {
                out = std::string("[") + error + "]";
            } else if (printable) {
                out = std::string(1, static_cast<char>(c));
            } else {
                out = "[" + chr[c] + "]";
            }
            break;
        default:
            out = error != nullptr ? error : chr[c];
            break;
    }
    return kind;
}
