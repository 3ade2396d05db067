#pragma once
#include <array>
#include <cstdint>
#include <vector>

#include "view/CellText.h"

// The two rows of a line of the grid: the RD row above the SD row.
enum class CellRow : uint8_t { RD = 0, SD = 1 };

// One cell of lblRD or lblSD: a text id, a background and a text colour, colours as Windows
// colour values (red + 256 green + 65536 blue). hilite marks a search-hit highlight; mark
// holds the frame marks drawn over the cell (FrameMark bits of analysis/FrameIndex.h), which
// change neither its text nor its colours.
struct Cell {
    CellText::Id text = CellText::kEmpty;
    bool hilite = false;
    int32_t back = 0;
    int32_t fore = 0;
    uint8_t mark = 0;

    friend bool operator==(const Cell&, const Cell&) = default;
};

// Told about every change so that the painted surface repaints exactly what changed.
class CellListener {
  public:
    virtual ~CellListener() = default;
    virtual void cellChanged(CellRow row, int32_t k) = 0;
    virtual void allCellsChanged() = 0;
    // Every cell moved f places towards the start; the last f cells are blank.
    virtual void cellsScrolled(int32_t f) = 0;
};

// The cell arrays lblRD and lblSD of the monitor grid as data. Writes to a cell index that
// does not exist are ignored, so drawing can never run past the grid, even while a new grid
// size waits for its rebuild. Inside a batch, per-cell notices are held back and the batch
// ends with one allCellsChanged if anything changed.
class CellGrid {
  public:
    static constexpr int32_t kBlack = 0;

    void setListener(CellListener* listener) { listener_ = listener; }

    [[nodiscard]] int32_t Size() const { return static_cast<int32_t>(rows_[0].size()); }
    [[nodiscard]] const Cell& at(CellRow row, int32_t k) const {
        return rows_[static_cast<int>(row)][static_cast<size_t>(k)];
    }

    // A new grid of `cells` blank cells per row.
    void resize(int32_t cells, int32_t backRD, int32_t backSD);

    // Text and background with black text (a drawn cell).
    void set(CellRow row, int32_t k, CellText::Id text, int32_t back);
    void setText(CellRow row, int32_t k, CellText::Id text);
    void setBack(CellRow row, int32_t k, int32_t back);
    // Black background and the row's colour as text colour.
    void highlight(CellRow row, int32_t k, int32_t rowColour);
    // The frame marks of a cell (FrameMark bits); a changed mark only is a change.
    void setMark(CellRow row, int32_t k, uint8_t mark);
    // Every highlighted cell back to its row colour with black text.
    void unhighlight(int32_t backRD, int32_t backSD);

    // Cells k .. Size()-1 of both rows blank: no text, row background, black text.
    void blankFrom(int32_t k, int32_t backRD, int32_t backSD);
    // Moves every cell f places towards the start and blanks the last f cells of both rows.
    void scrollUp(int32_t f, int32_t backRD, int32_t backSD);

    void beginBatch();
    void endBatch();

  private:
    [[nodiscard]] Cell* find(CellRow row, int32_t k);
    void blank(int32_t k, int32_t backRD, int32_t backSD);
    void changed(CellRow row, int32_t k);
    void changedAll();

    std::array<std::vector<Cell>, 2> rows_;  // lblRD, lblSD
    CellListener* listener_ = nullptr;
    int batch_ = 0;
    bool batchDirty_ = false;
};
