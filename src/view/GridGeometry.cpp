#include "view/GridGeometry.h"

#include <algorithm>
#include <cmath>

CellSize GridGeometry::SizeFor(int fontSize) {
    switch (fontSize) {
        case 0:
            return {500, 325, 14, 790, 315, 12};
        case 2:
            return {300, 185, 8, 470, 245, 10};
        default:
            return {400, 255, 11, 650, 285, 11};
    }
}

GridGeometry::Count GridGeometry::CountFor(int fontSize, int32_t widthTw, int32_t heightTw) {
    const CellSize s = SizeFor(fontSize);
    const int32_t cols = (widthTw - kLeft) / s.lintCellW;
    const int32_t rows = (heightTw - kSpareHeight) / s.pitch;
    return {std::max<int32_t>(cols, 1), std::max<int32_t>(rows, 1)};
}

GridGeometry::GridGeometry(int fontSize, int32_t cols, int32_t rows, double dpiX, double dpiY)
    : size_(SizeFor(fontSize)),
      cols_(std::max<int32_t>(cols, 1)),
      rows_(std::max<int32_t>(rows, 1)),
      dpiX_(dpiX > 0 ? dpiX : 96),
      dpiY_(dpiY > 0 ? dpiY : 96),
      pitchPx_(std::max(PxY(size_.pitch), 1)) {
    colEdge_.resize(static_cast<size_t>(cols_) + 1);
    for (int32_t j = 0; j <= cols_; ++j) {
        colEdge_[static_cast<size_t>(j)] = PxX(kLeft + int64_t{j} * size_.lintCellW);
    }
    for (const CellRow row : {CellRow::RD, CellRow::SD}) {
        const auto r = static_cast<size_t>(row);
        rowTop_[r] = PxY(RowTopTw(row, 0));
        rowBottom_[r] = PxY(int64_t{RowTopTw(row, 0)} + size_.lintCellH);
    }
}

int GridGeometry::LineY(int64_t twInLineZero, int32_t line) const {
    return PxY(twInLineZero) + line * pitchPx_;
}

int GridGeometry::PxX(int64_t tw) const {
    return static_cast<int>(std::lround(static_cast<double>(tw) * dpiX_ / 1440.0));
}

int GridGeometry::PxY(int64_t tw) const {
    return static_cast<int>(std::lround(static_cast<double>(tw) * dpiY_ / 1440.0));
}

QRect GridGeometry::TwipRect(int64_t x, int64_t y, int64_t w, int64_t h) const {
    const int left = PxX(x);
    const int top = PxY(y);
    return {left, top, PxX(x + w) - left, PxY(y + h) - top};
}

int32_t GridGeometry::RowTopTw(CellRow row, int32_t line) const {
    const int32_t h = size_.lintCellH;
    if (row == CellRow::RD) {
        return h + 195 + line * size_.pitch;
    }
    return (h > 240 ? 2 * h + 240 : 2 * h + 200) + line * size_.pitch;
}

int32_t GridGeometry::SeparatorTw(int32_t line) const {
    return size_.lintCellH + 145 + line * size_.pitch;
}

QRect GridGeometry::UpArrow() const {
    return TwipRect(60, 60, kArrowW, size_.arrowH);
}

QRect GridGeometry::DownArrow() const {
    return TwipRect(375, 60, kArrowW, size_.arrowH);
}

QRect GridGeometry::Ruler(int32_t col) const {
    return TwipRect(kLeft + int64_t{col} * size_.lintCellW, kRulerTop, size_.lintCellW,
                    size_.lintCellH);
}

QRect GridGeometry::RowCaption(CellRow row, int32_t line) const {
    const int32_t half = size_.lintCellW / 2;
    const QRect r = TwipRect(400 - half, RowTopTw(row, 0), half + 350, size_.lintCellH);
    return r.translated(0, line * pitchPx_);
}

QRect GridGeometry::CellRect(CellRow row, int32_t k) const {
    if (k < 0) {
        return TwipRect(kLeft + int64_t{k} * size_.lintCellW, RowTopTw(row, 0), size_.lintCellW,
                        size_.lintCellH);
    }
    const int32_t line = k / cols_;
    const auto r = static_cast<size_t>(row);
    const auto j = static_cast<size_t>(k % cols_);
    return {colEdge_[j], rowTop_[r] + line * pitchPx_, colEdge_[j + 1] - colEdge_[j],
            rowBottom_[r] - rowTop_[r]};
}

QLine GridGeometry::Separator(int32_t line) const {
    const int y = LineY(SeparatorTw(0), line);
    return {PxX(400 - size_.lintCellW / 2), y, PxX(int64_t{cols_} * size_.lintCellW + kLeft), y};
}

QRect GridGeometry::CellsRect() const {
    return CellRect(CellRow::RD, 0).united(CellRect(CellRow::SD, Cells() - 1));
}

QRect GridGeometry::LinesRect() const {
    const QLine first = Separator(0);
    return {0, first.y1(), first.x2() + 1, rows_ * pitchPx_};
}

int32_t GridGeometry::ColumnNear(int x) const {
    const double tw = (x + 0.5) * 1440.0 / dpiX_;
    return static_cast<int32_t>(std::floor((tw - kLeft) / size_.lintCellW));
}

int32_t GridGeometry::LineNear(int y) const {
    return static_cast<int32_t>(std::floor(static_cast<double>(y - Separator(0).y1()) / pitchPx_));
}

int32_t GridGeometry::CellAt(QPoint p, CellRow& row) const {
    const int32_t col = ColumnNear(p.x());
    const int32_t line = LineNear(p.y());
    // Rounding can put a point on an edge pixel into the neighbouring column or line.
    for (int32_t i = std::max(line - 1, 0); i <= std::min(line + 1, rows_ - 1); ++i) {
        for (int32_t j = std::max(col - 1, 0); j <= std::min(col + 1, cols_ - 1); ++j) {
            for (const CellRow r : {CellRow::RD, CellRow::SD}) {
                if (CellRect(r, i * cols_ + j).contains(p)) {
                    row = r;
                    return i * cols_ + j;
                }
            }
        }
    }
    return -1;
}

int32_t GridGeometry::RulerAt(QPoint p) const {
    const int32_t col = ColumnNear(p.x());
    for (int32_t j = std::max(col - 1, 0); j <= std::min(col + 1, cols_ - 1); ++j) {
        if (Ruler(j).contains(p)) {
            return j;
        }
    }
    return -1;
}

GridGeometry::Arrow GridGeometry::ArrowAt(QPoint p) const {
    if (UpArrow().contains(p)) {
        return Arrow::Up;
    }
    if (DownArrow().contains(p)) {
        return Arrow::Down;
    }
    return Arrow::None;
}

GridGeometry::Span GridGeometry::CellSpan(const QRect& rect) const {
    if (!rect.intersects(CellsRect())) {
        return {0, -1, 0, -1};
    }
    return {std::clamp(LineNear(rect.top()) - 1, 0, rows_ - 1),
            std::clamp(LineNear(rect.bottom()) + 1, 0, rows_ - 1),
            std::clamp(ColumnNear(rect.left()) - 1, 0, cols_ - 1),
            std::clamp(ColumnNear(rect.right()) + 1, 0, cols_ - 1)};
}

std::vector<int32_t> RenumberRuler(int32_t cols, int32_t dragged, int32_t target) {
    std::vector<int32_t> numbers(static_cast<size_t>(std::max<int32_t>(cols, 0)));
    for (int32_t c = 0; c < cols; ++c) {
        // A modulo that is never negative: number 1 dropped on column 5 of 20 puts 17 in
        // column 1, where a remainder with the dividend's sign would give -3.
        const int32_t m = ((dragged - target - 1 + c) % cols + cols) % cols;
        numbers[static_cast<size_t>(c)] = m + 1;
    }
    return numbers;
}
