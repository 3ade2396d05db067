#include "view/GridGeometry.h"

#include <algorithm>
#include <cmath>

CellSize GridGeometry::sizeFor(int fontSize) {
    switch (fontSize) {
        case 0:
            return {500, 325, 14, 790, 315, 12};
        case 2:
            return {300, 185, 8, 470, 245, 10};
        default:
            return {400, 255, 11, 650, 285, 11};
    }
}

GridGeometry::Count GridGeometry::countFor(int fontSize, int32_t widthTw, int32_t heightTw) {
    const CellSize s = sizeFor(fontSize);
    const int32_t cols = (widthTw - kLeft) / s.lintCellW;
    const int32_t rows = (heightTw - kSpareHeight) / s.pitch;
    return {std::max<int32_t>(cols, 1), std::max<int32_t>(rows, 1)};
}

GridGeometry::GridGeometry(int fontSize, int32_t cols, int32_t rows, double dpiX, double dpiY)
    : size_(sizeFor(fontSize)),
      cols_(std::max<int32_t>(cols, 1)),
      rows_(std::max<int32_t>(rows, 1)),
      dpiX_(dpiX > 0 ? dpiX : 96),
      dpiY_(dpiY > 0 ? dpiY : 96),
      pitchPx_(std::max(pxY(size_.pitch), 1)) {
    colEdge_.resize(static_cast<size_t>(cols_) + 1);
    for (int32_t j = 0; j <= cols_; ++j) {
        colEdge_[static_cast<size_t>(j)] = pxX(kLeft + int64_t{j} * size_.lintCellW);
    }
    for (const CellRow row : {CellRow::RD, CellRow::SD}) {
        const auto r = static_cast<size_t>(row);
        rowTop_[r] = pxY(rowTopTw(row, 0));
        rowBottom_[r] = pxY(int64_t{rowTopTw(row, 0)} + size_.lintCellH);
    }
}

int GridGeometry::lineY(int64_t twInLineZero, int32_t line) const {
    return pxY(twInLineZero) + line * pitchPx_;
}

int GridGeometry::pxX(int64_t tw) const {
    return static_cast<int>(std::lround(static_cast<double>(tw) * dpiX_ / 1440.0));
}

int GridGeometry::pxY(int64_t tw) const {
    return static_cast<int>(std::lround(static_cast<double>(tw) * dpiY_ / 1440.0));
}

QRect GridGeometry::twipRect(int64_t x, int64_t y, int64_t w, int64_t h) const {
    const int left = pxX(x);
    const int top = pxY(y);
    return {left, top, pxX(x + w) - left, pxY(y + h) - top};
}

int32_t GridGeometry::rowTopTw(CellRow row, int32_t line) const {
    const int32_t h = size_.lintCellH;
    if (row == CellRow::RD) {
        return h + 195 + line * size_.pitch;
    }
    return (h > 240 ? 2 * h + 240 : 2 * h + 200) + line * size_.pitch;
}

int32_t GridGeometry::separatorTw(int32_t line) const {
    return size_.lintCellH + 145 + line * size_.pitch;
}

QRect GridGeometry::upArrow() const {
    return twipRect(60, 60, kArrowW, size_.arrowH);
}

QRect GridGeometry::downArrow() const {
    return twipRect(375, 60, kArrowW, size_.arrowH);
}

QRect GridGeometry::ruler(int32_t col) const {
    return twipRect(kLeft + int64_t{col} * size_.lintCellW, kRulerTop, size_.lintCellW,
                    size_.lintCellH);
}

QRect GridGeometry::rowCaption(CellRow row, int32_t line) const {
    const int32_t half = size_.lintCellW / 2;
    const QRect r = twipRect(400 - half, rowTopTw(row, 0), half + 350, size_.lintCellH);
    return r.translated(0, line * pitchPx_);
}

QRect GridGeometry::cellRect(CellRow row, int32_t k) const {
    if (k < 0) {
        return twipRect(kLeft + int64_t{k} * size_.lintCellW, rowTopTw(row, 0), size_.lintCellW,
                        size_.lintCellH);
    }
    const int32_t line = k / cols_;
    const auto r = static_cast<size_t>(row);
    const auto j = static_cast<size_t>(k % cols_);
    return {colEdge_[j], rowTop_[r] + line * pitchPx_, colEdge_[j + 1] - colEdge_[j],
            rowBottom_[r] - rowTop_[r]};
}

QLine GridGeometry::separator(int32_t line) const {
    const int y = lineY(separatorTw(0), line);
    return {pxX(400 - size_.lintCellW / 2), y, pxX(int64_t{cols_} * size_.lintCellW + kLeft), y};
}

QRect GridGeometry::cellsRect() const {
    return cellRect(CellRow::RD, 0).united(cellRect(CellRow::SD, cells() - 1));
}

QRect GridGeometry::linesRect() const {
    const QLine first = separator(0);
    return {0, first.y1(), first.x2() + 1, rows_ * pitchPx_};
}

int32_t GridGeometry::columnNear(int x) const {
    const double tw = (x + 0.5) * 1440.0 / dpiX_;
    return static_cast<int32_t>(std::floor((tw - kLeft) / size_.lintCellW));
}

int32_t GridGeometry::lineNear(int y) const {
    return static_cast<int32_t>(std::floor(static_cast<double>(y - separator(0).y1()) / pitchPx_));
}

int32_t GridGeometry::cellAt(QPoint p, CellRow& row) const {
    const int32_t col = columnNear(p.x());
    const int32_t line = lineNear(p.y());
    // Rounding can put a point on an edge pixel into the neighbouring column or line.
    for (int32_t i = std::max(line - 1, 0); i <= std::min(line + 1, rows_ - 1); ++i) {
        for (int32_t j = std::max(col - 1, 0); j <= std::min(col + 1, cols_ - 1); ++j) {
            for (const CellRow r : {CellRow::RD, CellRow::SD}) {
                if (cellRect(r, i * cols_ + j).contains(p)) {
                    row = r;
                    return i * cols_ + j;
                }
            }
        }
    }
    return -1;
}

int32_t GridGeometry::rulerAt(QPoint p) const {
    const int32_t col = columnNear(p.x());
    for (int32_t j = std::max(col - 1, 0); j <= std::min(col + 1, cols_ - 1); ++j) {
        if (ruler(j).contains(p)) {
            return j;
        }
    }
    return -1;
}

GridGeometry::Arrow GridGeometry::arrowAt(QPoint p) const {
    if (upArrow().contains(p)) {
        return Arrow::Up;
    }
    if (downArrow().contains(p)) {
        return Arrow::Down;
    }
    return Arrow::None;
}

GridGeometry::Span GridGeometry::cellSpan(const QRect& rect) const {
    if (!rect.intersects(cellsRect())) {
        return {0, -1, 0, -1};
    }
    return {std::clamp(lineNear(rect.top()) - 1, 0, rows_ - 1),
            std::clamp(lineNear(rect.bottom()) + 1, 0, rows_ - 1),
            std::clamp(columnNear(rect.left()) - 1, 0, cols_ - 1),
            std::clamp(columnNear(rect.right()) + 1, 0, cols_ - 1)};
}

std::vector<int32_t> renumberRuler(int32_t cols, int32_t dragged, int32_t target) {
    std::vector<int32_t> numbers(static_cast<size_t>(std::max<int32_t>(cols, 0)));
    for (int32_t c = 0; c < cols; ++c) {
        // A modulo that is never negative: number 1 dropped on column 5 of 20 puts 17 in
        // column 1, where a remainder with the dividend's sign would give -3.
        const int32_t m = ((dragged - target - 1 + c) % cols + cols) % cols;
        numbers[static_cast<size_t>(c)] = m + 1;
    }
    return numbers;
}
