#include "view/CellGrid.h"

#include <algorithm>
#include <cstddef>

void CellGrid::resize(int32_t cells, int32_t backRD, int32_t backSD) {
    const auto n = static_cast<size_t>(std::max<int32_t>(cells, 0));
    rows_[0].assign(n, Cell{CellText::kEmpty, false, backRD, kBlack, 0});
    rows_[1].assign(n, Cell{CellText::kEmpty, false, backSD, kBlack, 0});
    changedAll();
}

Cell* CellGrid::find(CellRow row, int32_t k) {
    auto& cells = rows_[static_cast<int>(row)];
    if (k < 0 || static_cast<size_t>(k) >= cells.size()) {
        return nullptr;
    }
    return &cells[static_cast<size_t>(k)];
}

void CellGrid::set(CellRow row, int32_t k, CellText::Id text, int32_t back) {
    if (Cell* c = find(row, k)) {
        *c = Cell{text, false, back, kBlack, 0};
        changed(row, k);
    }
}

void CellGrid::setText(CellRow row, int32_t k, CellText::Id text) {
    if (Cell* c = find(row, k)) {
        c->text = text;
        changed(row, k);
    }
}

void CellGrid::setBack(CellRow row, int32_t k, int32_t back) {
    if (Cell* c = find(row, k)) {
        c->back = back;
        changed(row, k);
    }
}

void CellGrid::highlight(CellRow row, int32_t k, int32_t rowColour) {
    if (Cell* c = find(row, k)) {
        c->hilite = true;
        c->back = kBlack;
        c->fore = rowColour;
        changed(row, k);
    }
}

void CellGrid::setMark(CellRow row, int32_t k, uint8_t mark) {
    if (Cell* c = find(row, k); c != nullptr && c->mark != mark) {
        c->mark = mark;
        changed(row, k);
    }
}

void CellGrid::unhighlight(int32_t backRD, int32_t backSD) {
    for (int r = 0; r < 2; ++r) {
        const int32_t back = r == 0 ? backRD : backSD;
        auto& cells = rows_[static_cast<size_t>(r)];
        for (size_t k = 0; k < cells.size(); ++k) {
            Cell& c = cells[k];
            if (c.hilite) {
                c.hilite = false;
                c.back = back;
                c.fore = kBlack;
                changed(static_cast<CellRow>(r), static_cast<int32_t>(k));
            }
        }
    }
}

void CellGrid::blank(int32_t k, int32_t backRD, int32_t backSD) {
    const auto first = static_cast<size_t>(std::clamp<int32_t>(k, 0, Size()));
    std::fill(rows_[0].begin() + static_cast<std::ptrdiff_t>(first), rows_[0].end(),
              Cell{CellText::kEmpty, false, backRD, kBlack, 0});
    std::fill(rows_[1].begin() + static_cast<std::ptrdiff_t>(first), rows_[1].end(),
              Cell{CellText::kEmpty, false, backSD, kBlack, 0});
}

void CellGrid::blankFrom(int32_t k, int32_t backRD, int32_t backSD) {
    blank(k, backRD, backSD);
    changedAll();
}

void CellGrid::scrollUp(int32_t f, int32_t backRD, int32_t backSD) {
    const int32_t shift = std::clamp<int32_t>(f, 0, Size());
    for (auto& cells : rows_) {
        std::copy(cells.begin() + shift, cells.end(), cells.begin());
    }
    blank(Size() - shift, backRD, backSD);
    if (batch_ > 0) {
        batchDirty_ = true;
    } else if (listener_ != nullptr) {
        listener_->cellsScrolled(shift);
    }
}

void CellGrid::beginBatch() {
    ++batch_;
}

void CellGrid::endBatch() {
    if (--batch_ == 0 && batchDirty_) {
        batchDirty_ = false;
        if (listener_ != nullptr) {
            listener_->allCellsChanged();
        }
    }
}

void CellGrid::changed(CellRow row, int32_t k) {
    if (batch_ > 0) {
        batchDirty_ = true;
    } else if (listener_ != nullptr) {
        listener_->cellChanged(row, k);
    }
}

void CellGrid::changedAll() {
    if (batch_ > 0) {
        batchDirty_ = true;
    } else if (listener_ != nullptr) {
        listener_->allCellsChanged();
    }
}
