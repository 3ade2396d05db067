#pragma once
#include <array>
#include <cstdint>
#include <string>
#include <string_view>

#include "trigger/Triggers.h"

// One trigger as the trigger dialog edits it: the fields of the definition, with the string
// held as the text the user sees instead of codes and a count. In ASCII form the text is the
// characters themselves; in hexadecimal form two digits per code. Nothing is validated while
// editing; the byte counts may hold any number until the dialog refuses them.
struct TriggerDraft {
    int16_t trigType = 0;
    int16_t chrType = 0;  // 0 ASCII, 1 hexadecimal
    std::u16string chrText;
    std::string time;  // HHMM as typed, UTF-8
    int16_t errType = 0;
    std::array<int16_t, Triggers::kLines> lineEdge{};
    int16_t action = 0;
    int32_t monitorStop = 0;
    int32_t saveStart = 0;
    int32_t saveStop = 0;
};

// Trigger n of t as the dialog shows it. A code of a half-width katakana (0xA1..0xDF) reads as
// that character; every other code as the character of the same number.
[[nodiscard]] TriggerDraft draftOf(const Triggers& t, int n);

// Copies a draft back into trigger n. In ASCII form each character gives one code (its low
// 8 bits; half-width katakana their single-byte codes); in hexadecimal form each pair of
// characters gives one code and an odd last digit is ignored. At most Triggers::kCodes codes
// are taken; codes beyond the new count keep their old values.
void applyDraft(const TriggerDraft& d, Triggers& t, int n);

// True when a byte count lies in 0..Triggers::kMaxByteCount.
[[nodiscard]] bool countFits(int32_t count);

// A count field's text as a number: rounded, halves to even; text that is not a number is 0.
[[nodiscard]] int32_t countValue(std::string_view text);
