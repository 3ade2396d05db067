#pragma once
#include <cstdint>
#include <string>
#include <vector>

// Whole-file examples of the text export, shared by the tests of the export functions, of
// the dialog and of vexlo-cli: the stored records, the choices, and the exact file.
struct TextExportExample {
    const char* name;
    std::vector<uint8_t> records;  // raw capture records, as a log file holds them
    int16_t dispMode;              // 0 ASCII, 1 hexadecimal
    int16_t asciiSaveMode;         // 0 screen texts, 1 "･", 2 bracketed screen texts
    bool fixed;      // fixed layout ("行文字数指定"), else switch ("RD/SD切替り")
    int16_t number;  // cells per line (fixed) or line limit (switch)
    std::string expected;
};

namespace example {
// RD "A", RD "B", SD "C", time stamp 12:34:56.
inline const std::vector<uint8_t> kABC = {0x84, 0xC1, 0x84, 0xC2, 0xA4, 0xC3, 0x30, 12, 34, 56};
// RD CR, SD "A" with parity error, RD "A" with framing error, idle count 12345.
inline const std::vector<uint8_t> kErrors = {0x80, 0xCD, 0xB4, 0xC1, 0x84, 0xD1, 0x20, 1, 23, 45};
}  // namespace example

inline const std::vector<TextExportExample>& TextExportExamples() {
    using example::kABC;
    using example::kErrors;
    static const std::vector<TextExportExample> examples = {
        {"Fixed50Dot", kABC, 0, 1, true, 50, "RD:AB (TMST)\r\nSD:  C123456\r\n"},
        {"Fixed50Hex", kABC, 1, 1, true, 50, "RD:4142  (TMST)\r\nSD:    43123456\r\n"},
        {"Fixed3Dot", kABC, 0, 1, true, 3, "RD:AB \r\nSD:  C\r\n\r\nRD:(TMST)\r\nSD:123456\r\n"},
        {"Switch0", kABC, 0, 1, false, 0, "RD:AB\r\nSD:C(TMST:123456)\r\n"},
        {"Switch4", kABC, 0, 1, false, 4, "RD:A\r\nB\r\nSD:C\r\n(TMS\r\nT:12\r\n3456\r\n)\r\n"},
        {"EmptyFixed", {}, 0, 0, true, 50, ""},
        {"EmptySwitch0", {}, 0, 0, false, 0, "\r\n"},
        {"EmptySwitch4", {}, 0, 0, false, 4, ""},
        // A time stamp that takes the count past the cell number makes a longer line pair.
        {"StampPassesCells",
         {0x84, 0xC1, 0x30, 12, 34, 56, 0xA4, 0xC3},
         0,
         0,
         true,
         2,
         "RD:Ａ(TMST)\r\nSD:  123456\r\n\r\nRD:  \r\nSD:Ｃ\r\n"},
        {"BracketsFixed", kErrors, 0, 2, true, 50,
         "RD:[CR]    [FE](IDLE)\r\nSD:    [PE]    012345\r\n"},
        {"BracketsSwitch", kErrors, 0, 2, false, 0,
         "RD:[CR]\r\nSD:[PE]\r\nRD:[FE](IDLE:012345)\r\n"},
        {"ScreenErrors", kErrors, 0, 0, false, 0, "RD:CR\r\nSD:PE\r\nRD:FE(IDLE:012345)\r\n"},
        {"DotErrors", kErrors, 0, 1, true, 50, "RD:･ ･(IDLE)\r\nSD: ･ 012345\r\n"},
        {"HexErrors", kErrors, 1, 2, true, 50, "RD:0D  41(IDLE)\r\nSD:  41  012345\r\n"},
        // Space and half-width katakana in screen texts: full-width, two blanks beneath.
        {"ScreenKana", {0x82, 0xC0, 0xAB, 0xC1}, 0, 0, true, 50, "RD:△  \r\nSD:  ア\r\n"},
        // The limit counts characters, not bytes.
        {"ScreenLimit2", {0x84, 0xC1, 0x84, 0xC2}, 0, 0, false, 2, "RD\r\n:Ａ\r\nＢ\r\n"},
        // Line states and bytes that start no record give no text.
        {"SkipsLineStates", {0x41, 0x30, 0xFF, 0x84, 0xC1, 0x7F}, 0, 1, false, 0, "RD:A\r\n"},
        // Idle before any data starts the first line without a prefix.
        {"IdleFirst", {0x20, 0, 0, 7, 0xA4, 0xC3}, 1, 0, false, 0, "(IDLE:000007)\r\nSD:43\r\n"},
    };
    return examples;
}
