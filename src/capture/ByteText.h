#pragma once
#include <array>
#include <cstdint>
#include <string>

// The display text of every byte value in ASCII mode (UTF-8): mnemonics for control codes,
// △ for space, full-width forms of printable ASCII and half-width katakana, "/XX" else.
using ChrTable = std::array<std::string, 256>;

// Builds the table (gstrChr). Called once at start-up.
[[nodiscard]] ChrTable MakeChrTable();

// Two upper-case hexadecimal digits ("0A", "FF").
[[nodiscard]] std::string hexText(uint8_t b);

// Text of one display word for export and printing. dispMode is gintDispMode (0 ASCII,
// 1 hex, 2 Shift-JIS), asciiSaveMode is gintASCIISaveMode (0 screen text, 1 half width with
// "･", 2 half width with bracketed screen text). Returns the word's kind (word & 0xFF00) so
// that the caller skips the second word of a time stamp or idle record.
int WordText(int w, int next, int dispMode, int asciiSaveMode, const ChrTable& chr,
             std::string& out);
