#pragma once
#include <cstdint>
#include <string>
#include <utility>

#include "capture/ByteText.h"

// Every text a cell can show has a fixed id, so that a cell is plain data and the painter can
// prepare each text once per font: the 256 byte texts of gstrChr, the 256 hex texts, the error
// and record marks, and the three-digit halves of six-digit idle counts and times of day.
struct CellText {
    using Id = uint16_t;

    static constexpr Id kEmpty = 0;
    static constexpr Id kChrBase = 1;
    static constexpr Id kHexBase = 257;
    static constexpr Id kPE = 513;
    static constexpr Id kFE = 514;
    static constexpr Id kTM = 515;
    static constexpr Id kST = 516;
    static constexpr Id kID = 517;  // " ID", first half of the idle mark
    static constexpr Id kLE = 518;  // "LE ", second half
    static constexpr Id kDigitsBase = 519;
    static constexpr int kCount = kDigitsBase + 1000;

    [[nodiscard]] static constexpr Id chr(uint8_t b) { return static_cast<Id>(kChrBase + b); }
    [[nodiscard]] static constexpr Id hex(uint8_t b) { return static_cast<Id>(kHexBase + b); }
    // "000" .. "999"; n outside 0..999 keeps its last three digits.
    [[nodiscard]] static constexpr Id digits(int64_t n) {
        const int64_t m = n % 1000;
        return static_cast<Id>(kDigitsBase + (m < 0 ? -m : m));
    }
    // A data byte in display mode dispMode: gstrChr in mode 0, the hex text in modes 1 and 2.
    [[nodiscard]] static constexpr Id byte(uint8_t b, int dispMode) {
        return dispMode == 0 ? chr(b) : hex(b);
    }

    // The two cells of a six-digit number written with "000000": the first three and the last
    // three digits. A value with more than six digits keeps its last six, so that a cell never
    // holds more than three digits; a negative value is shown as 0.
    [[nodiscard]] static std::pair<Id, Id> sixDigits(int64_t value);
    // The same from a text of six digits (HHMMSS or gstrIdle). A half that is not three digits
    // is empty, and the second half is read only after a good first one, so a short text is
    // never read past its end.
    [[nodiscard]] static std::pair<Id, Id> sixDigits(const char* six);

    // The text of an id in UTF-8; byte texts come from the table gstrChr.
    [[nodiscard]] static std::string utf8(Id id, const ChrTable& chr);
};
