#pragma once
#include <QPixmap>
#include <QSize>
#include <cstdint>
#include <vector>

#include "view/CellGrid.h"
#include "view/CellTextCache.h"

// Finished pictures of cells, so that painting a cell is one copy of pixels: for each text,
// background, text colour and cell size, the cell painted once, its text centred and the
// one-pixel gap of the form at its right edge. Made on first use and kept per style (the
// colours and the size), a style's pictures indexed by text. Clear() forgets them (a new
// font); so does a new style beyond kMaxStyles, which bounds the memory they take.
class CellTiles {
  public:
    static constexpr size_t kMaxStyles = 32;

    CellTiles(CellTextCache& texts, QRgb formBack) : texts_(texts), formBack_(formBack) {}

    void Clear();
    [[nodiscard]] const QPixmap& Tile(const Cell& cell, QSize size);
    // The number of pictures made and kept.
    [[nodiscard]] size_t Count() const;

  private:
    struct Style {
        int32_t back;
        int32_t fore;
        QSize size;
        std::vector<QPixmap> tiles;  // by text id; null until made
    };
    [[nodiscard]] Style& StyleOf(const Cell& cell, QSize size);
    [[nodiscard]] QPixmap Make(const Cell& cell, QSize size) const;

    CellTextCache& texts_;
    QRgb formBack_;
    std::vector<Style> styles_;
    size_t last_ = 0;  // the style found last: neighbouring cells mostly share it
};
