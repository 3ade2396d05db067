#pragma once
#include <array>
#include <cstdint>
#include <vector>

#include "analysis/FrameIndex.h"
#include "view/CellGrid.h"

// The frame marks of a screen of cells: where each frame of an index begins, and the outline of
// each frame whose check is bad, over the cells of its direction's row that hold its bytes.
// Only marks that change touch the grid, so a screen whose marks stay costs no paint.
class FrameMarks {
  public:
    // Marks the first `filled` cells of cells, whose cell 0 shows word `top` of the index's
    // words; the other cells and every cell when index is null lose their marks.
    void apply(const FrameIndex* index, int64_t top, int32_t filled, CellGrid& cells);

  private:
    std::array<std::vector<uint8_t>, 2> wanted_;  // RD, SD: the marks of each cell
};
