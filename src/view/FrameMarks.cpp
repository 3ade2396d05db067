#include "view/FrameMarks.h"

#include <algorithm>

void FrameMarks::apply(const FrameIndex* index, int64_t top, int32_t filled, CellGrid& cells) {
    const int32_t size = cells.Size();
    for (auto& row : wanted_) {
        row.assign(static_cast<size_t>(size), 0);
    }
    filled = std::clamp(filled, 0, size);
    if (index != nullptr && filled > 0) {
        const auto n = static_cast<size_t>(filled);
        markFrames(
            *index, top,
            [&cells](int32_t k, bool sd) {
                return cells.at(sd ? CellRow::SD : CellRow::RD, k).text != CellText::kEmpty;
            },
            std::span(wanted_[0]).first(n), std::span(wanted_[1]).first(n));
    }
    for (const CellRow r : {CellRow::RD, CellRow::SD}) {
        const auto& row = wanted_[static_cast<size_t>(r)];
        for (int32_t k = 0; k < size; ++k) {
            if (cells.at(r, k).mark != row[static_cast<size_t>(k)]) {
                cells.setMark(r, k, row[static_cast<size_t>(k)]);
            }
        }
    }
}
