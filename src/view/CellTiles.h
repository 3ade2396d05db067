#pragma once
#include <QImage>
#include <QRect>
#include <QSize>
#include <cstdint>
#include <vector>

#include "view/CellGrid.h"
#include "view/CellTextCache.h"

// Finished pictures of cells, so that painting a cell is one copy of pixels: for each text,
// background, text colour and cell size, the cell painted once, its text centred and the
// one-pixel gap of the form at its right edge. The pictures of one style (colours and size)
// lie one below the other in one image, by text id, each made on first use; memory is taken
// only for the pictures made. clear() forgets them (a new font); so does a new style beyond
// kMaxStyles, which bounds the memory they take.
class CellTiles {
  public:
    static constexpr size_t kMaxStyles = 32;

    CellTiles(CellTextCache& texts, QRgb formBack) : texts_(texts), formBack_(formBack) {}

    void clear();
    // The image that holds the picture of cell at the given size, and where in it.
    struct Tile {
        const QImage& image;
        QRect source;
    };
    [[nodiscard]] Tile find(const Cell& cell, QSize size);

  private:
    struct Style {
        int32_t back;
        int32_t fore;
        QSize size;
        QImage tiles;               // size.width() x size.height() * CellText::kCount
        std::vector<uint8_t> made;  // by text id
    };
    [[nodiscard]] Style& styleOf(const Cell& cell, QSize size);
    void make(Style& style, CellText::Id text) const;

    CellTextCache& texts_;
    QRgb formBack_;
    std::vector<Style> styles_;
    size_t last_ = 0;  // the style found last: neighbouring cells mostly share it
};
