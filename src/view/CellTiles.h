#pragma once
#include <QImage>
#include <QRect>
#include <QSize>
#include <cstdint>
#include <optional>
#include <vector>

#include "view/CellGrid.h"
#include "view/CellTextCache.h"

// Finished pictures of cells, so that painting a cell is one copy of pixels: for each text,
// background, text colour and cell size, the cell painted once, its text centred and the
// one-pixel gap of the form at its right edge. The pictures of one style (colours and size)
// lie one below the other in one image, by text id, each made on first use; memory is taken
// only for the pictures made. clear() forgets them (a new font); so does a new style beyond
// kMaxStyles, which bounds the memory they take. Each picture knows its ink: the smallest
// rectangle outside of which it is only background, so that a cell that changes its text but
// not its colours needs only the ink of the old and the new text copied.
class CellTiles {
  public:
    static constexpr size_t kMaxStyles = 32;

    CellTiles(CellTextCache& texts, QRgb formBack) : texts_(texts), formBack_(formBack) {}

    void clear();
    // The image that holds the picture of cell at the given size, and where in it.
    struct Tile {
        const QImage& image;
        QRect source;
        QRect ink;  // within source, from its top-left corner; empty for a picture without ink
    };
    [[nodiscard]] Tile find(const Cell& cell, QSize size);

  private:
    struct Style {
        int32_t back;
        int32_t fore;
        QSize size;
        QImage tiles;  // size.width() x size.height() * CellText::kCount
        // By text id, once made: whether a picture is made and its ink are looked up
        // together, in one place in memory.
        std::vector<std::optional<QRect>> ink;
    };
    [[nodiscard]] Style& styleOf(const Cell& cell, QSize size);
    void make(Style& style, CellText::Id text) const;
    // The ink of a made picture: where it differs from the picture of a blank cell.
    [[nodiscard]] QRect inkOf(const Style& style, CellText::Id text) const;

    CellTextCache& texts_;
    QRgb formBack_;
    std::vector<Style> styles_;
    size_t last_ = 0;  // the style found last: neighbouring cells mostly share it
};
