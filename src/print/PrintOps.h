#pragma once
#include <cstdint>
#include <string>
#include <utility>
#include <vector>

// One drawing step of a printed page. Coordinates are whole millimetres from the top-left
// corner of the printable area; a text is placed with the top-left corner of its first
// character at (x1, y1) and does not move to a new line.
struct PrintOp {
    enum class Kind : uint8_t { Rect, Line, Text };

    Kind kind = Kind::Text;
    int x1 = 0;
    int y1 = 0;
    int x2 = 0;  // opposite corner of a rectangle, end of a line
    int y2 = 0;
    int width = 0;     // line width of a rectangle or line: 1 thin, 2 thick
    int fontSize = 0;  // points, of a text
    std::string text;  // UTF-8

    [[nodiscard]] static PrintOp makeRect(int x1, int y1, int x2, int y2, int width) {
        return {Kind::Rect, x1, y1, x2, y2, width, 0, {}};
    }
    [[nodiscard]] static PrintOp makeLine(int x1, int y1, int x2, int y2, int width) {
        return {Kind::Line, x1, y1, x2, y2, width, 0, {}};
    }
    [[nodiscard]] static PrintOp makeText(int x, int y, std::string text, int fontSize) {
        return {Kind::Text, x, y, 0, 0, 0, fontSize, std::move(text)};
    }

    bool operator==(const PrintOp&) const = default;
};

// The drawing steps of one page, in drawing order.
using PageOps = std::vector<PrintOp>;
