#pragma once
#include <QLine>
#include <QPoint>
#include <QRect>
#include <array>
#include <cstdint>
#include <vector>

#include "view/CellGrid.h"

// Cell dimensions of one cell-size setting (gintFontSize), lengths in twips, fonts in points.
struct CellSize {
    int32_t lintCellW;
    int32_t lintCellH;
    int32_t lintFont;
    int32_t pitch;  // one line: an RD row, an SD row and the space to the next line
    int32_t arrowH;
    int32_t arrowFont;
};

// The layout of the monitor grid: where the arrows, the column ruler lblCol, the separators
// linKugiri, the row captions lblRDRow/lblSDRow and the cells lie. Positions are defined in
// twips from the window's top-left corner and converted to pixels with the logical DPI
// (px = twips * dpi / 1440), each edge rounded on its own so that neighbouring cells share
// their edge and the grid never shows a seam. Vertically the first line is placed so and
// every further line lies one whole-pixel line pitch lower, so that all lines have the same
// pixels and a line's painted pixels can be moved onto another line as they are.
class GridGeometry {
  public:
    static constexpr int32_t kLeft = 800;  // left edge of column 0 and of the ruler
    static constexpr int32_t kRulerTop = 100;
    static constexpr int32_t kArrowW = 315;
    static constexpr int32_t kSpareHeight = 800;  // window height not used by lines

    enum class Arrow { None, Up, Down };

    // The table of the three sizes; a value other than 0, 1, 2 is taken as 1 (medium).
    [[nodiscard]] static CellSize sizeFor(int fontSize);

    struct Count {
        int32_t cols;
        int32_t rows;
    };
    // Columns and lines for a window of widthTw x heightTw twips, at least one of each.
    [[nodiscard]] static Count countFor(int fontSize, int32_t widthTw, int32_t heightTw);

    GridGeometry() : GridGeometry(1, 1, 1, 96, 96) {}
    GridGeometry(int fontSize, int32_t cols, int32_t rows, double dpiX, double dpiY);

    [[nodiscard]] const CellSize& Size() const { return size_; }
    [[nodiscard]] int32_t cols() const { return cols_; }
    [[nodiscard]] int32_t rows() const { return rows_; }
    [[nodiscard]] int32_t cells() const { return cols_ * rows_; }

    // Twip positions of the elements.
    [[nodiscard]] int32_t rowTopTw(CellRow row, int32_t line) const;
    [[nodiscard]] int32_t separatorTw(int32_t line) const;

    // Pixel rectangles.
    [[nodiscard]] QRect upArrow() const;
    [[nodiscard]] QRect downArrow() const;
    [[nodiscard]] QRect ruler(int32_t col) const;
    [[nodiscard]] QRect rowCaption(CellRow row, int32_t line) const;
    [[nodiscard]] QRect cellRect(CellRow row, int32_t k) const;
    [[nodiscard]] QLine separator(int32_t line) const;
    // The smallest rectangle holding every cell.
    [[nodiscard]] QRect cellsRect() const;
    // The distance of two lines in pixels.
    [[nodiscard]] int linePitchPx() const { return pitchPx_; }
    // The band of every line: from the first separator down by lines x the pitch, from the
    // left edge to the end of the separators. Each line's captions, separator and cells lie
    // within its own band.
    [[nodiscard]] QRect linesRect() const;

    // Hit tests; -1 or Arrow::None when the point is on no such element.
    [[nodiscard]] int32_t cellAt(QPoint p, CellRow& row) const;
    [[nodiscard]] int32_t rulerAt(QPoint p) const;
    [[nodiscard]] Arrow arrowAt(QPoint p) const;

    // The lines and columns whose cells may meet rect (for partial repaints); empty ranges
    // come back as first > last.
    struct Span {
        int32_t firstLine, lastLine, firstCol, lastCol;
    };
    [[nodiscard]] Span cellSpan(const QRect& rect) const;

  private:
    [[nodiscard]] int pxX(int64_t tw) const;
    [[nodiscard]] int pxY(int64_t tw) const;
    [[nodiscard]] QRect twipRect(int64_t x, int64_t y, int64_t w, int64_t h) const;
    [[nodiscard]] int32_t columnNear(int x) const;
    [[nodiscard]] int32_t lineNear(int y) const;

    // Pixel y of a twip position in line 0, moved down to the given line.
    [[nodiscard]] int lineY(int64_t twInLineZero, int32_t line) const;

    CellSize size_;
    int32_t cols_;
    int32_t rows_;
    double dpiX_;
    double dpiY_;
    int pitchPx_;
    // Pixel edges of the cells, computed once: column lefts (cols + 1 entries, the last being
    // the right edge of the grid), and the top and bottom of each row in line 0.
    std::vector<int> colEdge_;
    std::array<int, 2> rowTop_{};
    std::array<int, 2> rowBottom_{};
};

// Column ruler after the number `dragged` was dropped on column `target` (0-based): column c
// shows ((dragged - target - 1 + c) mod cols) + 1, so the target shows the dragged number and
// the numbers run on from there, wrapping after cols.
[[nodiscard]] std::vector<int32_t> renumberRuler(int32_t cols, int32_t dragged, int32_t target);
