#include "view/CellTiles.h"

#include <QImage>
#include <QPainter>

void CellTiles::Clear() {
    styles_.clear();
    last_ = 0;
}

size_t CellTiles::Count() const {
    size_t n = 0;
    for (const Style& s : styles_) {
        for (const QPixmap& tile : s.tiles) {
            n += tile.isNull() ? 0 : 1;
        }
    }
    return n;
}

CellTiles::Style& CellTiles::StyleOf(const Cell& cell, QSize size) {
    const auto same = [&](const Style& s) {
        return s.back == cell.back && s.fore == cell.fore && s.size == size;
    };
    if (last_ < styles_.size() && same(styles_[last_])) {
        return styles_[last_];
    }
    for (last_ = 0; last_ < styles_.size(); ++last_) {
        if (same(styles_[last_])) {
            return styles_[last_];
        }
    }
    if (styles_.size() >= kMaxStyles) {
        styles_.clear();
    }
    styles_.push_back(Style{cell.back, cell.fore, size, std::vector<QPixmap>(CellText::kCount)});
    last_ = styles_.size() - 1;
    return styles_.back();
}

const QPixmap& CellTiles::Tile(const Cell& cell, QSize size) {
    Style& style = StyleOf(cell, size);
    QPixmap& tile = style.tiles[cell.text < CellText::kCount ? cell.text : CellText::kEmpty];
    if (tile.isNull()) {
        tile = Make(cell, size);
    }
    return tile;
}

QPixmap CellTiles::Make(const Cell& cell, QSize size) const {
    // Opaque pixels: copied as they are, never blended.
    QImage image(size.expandedTo(QSize(1, 1)), QImage::Format_RGB32);
    image.fill(formBack_);
    QPainter p(&image);
    p.fillRect(0, 0, size.width() - 1, size.height(), WinColor(cell.back));
    if (cell.text != CellText::kEmpty) {
        const CellTextCache::Entry& e = texts_.Layout(cell.text);
        p.setFont(texts_.Font());
        p.setPen(WinColor(cell.fore));
        p.drawStaticText(
            QPointF((size.width() - 1 - e.advance) / 2, (size.height() - texts_.LineHeight()) / 2),
            e.layout);
    }
    p.end();
    return QPixmap::fromImage(image);
}
