#include "view/CellTextCache.h"

#include <QFontMetricsF>

CellTextCache::CellTextCache(const ChrTable& chr)
    : texts_(CellText::kCount), entries_(CellText::kCount) {
    for (int id = 0; id < CellText::kCount; ++id) {
        texts_[static_cast<size_t>(id)] =
            QString::fromStdString(CellText::utf8(static_cast<CellText::Id>(id), chr));
    }
}

void CellTextCache::setFont(const QFont& font) {
    font_ = font;
    lineHeight_ = QFontMetricsF(font_).height();
    for (Entry& e : entries_) {
        e.ready = false;
    }
}

const CellTextCache::Entry& CellTextCache::layout(CellText::Id id) {
    Entry& e = entries_[id < CellText::kCount ? id : CellText::kEmpty];
    if (!e.ready) {
        const QString& text = texts_[id < CellText::kCount ? id : CellText::kEmpty];
        e.layout = QStaticText(text);
        e.layout.setTextFormat(Qt::PlainText);
        e.layout.setPerformanceHint(QStaticText::AggressiveCaching);
        e.layout.prepare(QTransform(), font_);
        e.advance = QFontMetricsF(font_).horizontalAdvance(text);
        e.ready = true;
    }
    return e;
}

QColor winColor(int32_t v) {
    return {v & 0xFF, (v >> 8) & 0xFF, (v >> 16) & 0xFF};
}

QFont gridFont(double pointSize) {
    const QString kFace = QStringLiteral("ＭＳ ゴシック");
    if (QFont::substitute(kFace) != QStringLiteral("IPAGothic")) {
        QFont::insertSubstitution(kFace, QStringLiteral("IPAGothic"));
    }
    QFont font(kFace);
    font.setPointSizeF(pointSize);
    return font;
}
