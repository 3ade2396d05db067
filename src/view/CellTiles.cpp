#include "view/CellTiles.h"

#include <QPainter>
#include <algorithm>

void CellTiles::clear() {
    styles_.clear();
    last_ = 0;
}

CellTiles::Style& CellTiles::styleOf(const Cell& cell, QSize size) {
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
    // Opaque pixels: copied as they are, never blended. The image's memory is only touched
    // where pictures are made.
    const QSize tile = size.expandedTo(QSize(1, 1));
    styles_.push_back(
        Style{cell.back, cell.fore, tile,
              QImage(tile.width(), tile.height() * CellText::kCount, QImage::Format_RGB32),
              std::vector<std::optional<QRect>>(CellText::kCount)});
    last_ = styles_.size() - 1;
    return styles_.back();
}

CellTiles::Tile CellTiles::find(const Cell& cell, QSize size) {
    Style& style = styleOf(cell, size);
    const CellText::Id text = cell.text < CellText::kCount ? cell.text : CellText::kEmpty;
    std::optional<QRect>& ink = style.ink[text];
    if (!ink) {
        make(style, text);
        ink = inkOf(style, text);
    }
    const int h = style.size.height();
    return {style.tiles, QRect(0, text * h, style.size.width(), h), *ink};
}

void CellTiles::make(Style& style, CellText::Id text) const {
    const int w = style.size.width();
    const int h = style.size.height();
    const int top = text * h;
    QPainter p(&style.tiles);
    p.fillRect(0, top, w, h, QColor::fromRgb(formBack_));
    p.fillRect(0, top, w - 1, h, winColor(style.back));
    if (text != CellText::kEmpty) {
        const CellTextCache::Entry& e = texts_.layout(text);
        p.setClipRect(0, top, w, h);
        p.setFont(texts_.font());
        p.setPen(winColor(style.fore));
        p.drawStaticText(QPointF((w - 1 - e.advance) / 2, top + (h - texts_.lineHeight()) / 2),
                         e.layout);
    }
}

QRect CellTiles::inkOf(const Style& style, CellText::Id text) const {
    const int w = style.size.width();
    const int h = style.size.height();
    const int top = text * h;
    const QRgb back = winColor(style.back).rgb();
    int left = w;
    int right = -1;
    int first = h;
    int last = -1;
    for (int y = 0; y < h; ++y) {
        const auto* line = reinterpret_cast<const QRgb*>(style.tiles.constScanLine(top + y));
        for (int x = 0; x < w; ++x) {
            if (line[x] != (x < w - 1 ? back : formBack_)) {
                left = std::min(left, x);
                right = std::max(right, x);
                first = std::min(first, y);
                last = y;
            }
        }
    }
    return right < 0 ? QRect() : QRect(QPoint(left, first), QPoint(right, last));
}
