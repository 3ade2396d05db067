#include "view/CellSurface.h"

#include <algorithm>

#include <QFontMetricsF>
#include <QMouseEvent>
#include <QPaintEvent>
#include <QPainter>
#include <QTimer>

namespace {

constexpr QRgb kFormBack = 0xFFF0F0F0;
constexpr QRgb kSeparator = 0xFF808080;
constexpr QRgb kCaption = 0xFF202020;
constexpr QRgb kArrowFace = 0xFFFAFAFA;
constexpr QRgb kArrowEdge = 0xFFA0A0A0;

QColor WinColor(int32_t v) {
    return {v & 0xFF, (v >> 8) & 0xFF, (v >> 16) & 0xFF};
}

QStaticText Prepared(const QString& text, const QFont& font) {
    QStaticText s(text);
    s.setTextFormat(Qt::PlainText);
    s.prepare(QTransform(), font);
    return s;
}

}  // namespace

CellSurface::CellSurface(const ChrTable& chr, const CellGrid& cells, QWidget* parent)
    : QWidget(parent), cells_(cells), texts_(chr), frameTimer_(new QTimer(this)) {
    setObjectName(QStringLiteral("CellSurface"));
    setAttribute(Qt::WA_OpaquePaintEvent);
    frameTimer_->setSingleShot(true);
    connect(frameTimer_, &QTimer::timeout, this, &CellSurface::FlushUpdates);
    sinceFrame_.start();
    SetGrid(GridGeometry());
}

void CellSurface::SetGrid(const GridGeometry& geometry) {
    geometry_ = geometry;
    const CellSize& s = geometry_.Size();
    labelFont_ = GridFont(s.lintFont);
    arrowFont_ = GridFont(s.arrowFont);
    texts_.SetFont(labelFont_);
    rdCaption_ = Prepared(QStringLiteral("RD"), labelFont_);
    sdCaption_ = Prepared(QStringLiteral("SD"), labelFont_);
    upText_ = Prepared(QStringLiteral("▲"), arrowFont_);
    downText_ = Prepared(QStringLiteral("▼"), arrowFont_);
    ruler_.resize(static_cast<size_t>(geometry_.Cols()));
    for (size_t j = 0; j < ruler_.size(); ++j) {
        ruler_[j] = static_cast<int32_t>(j) + 1;
    }
    LayOutRuler();
    update();
}

void CellSurface::DropRulerNumber(int32_t from, int32_t target) {
    const auto cols = static_cast<int32_t>(ruler_.size());
    if (from < 0 || from >= cols || target < 0 || target >= cols) {
        return;
    }
    ruler_ = RenumberRuler(cols, ruler_[static_cast<size_t>(from)], target);
    LayOutRuler();
    update(geometry_.Ruler(0).united(geometry_.Ruler(cols - 1)));
}

void CellSurface::LayOutRuler() {
    const QFontMetricsF metrics(labelFont_);
    rulerTexts_.clear();
    rulerAdvances_.clear();
    for (const int32_t n : ruler_) {
        const QString text = QString::number(n);
        rulerTexts_.push_back(Prepared(text, labelFont_));
        rulerAdvances_.push_back(metrics.horizontalAdvance(text));
    }
}

void CellSurface::CellChanged(CellRow row, int32_t k) {
    Span& span = dirty_[static_cast<size_t>(row)];
    span.first = std::min(span.first, k);
    span.last = std::max(span.last, k);
    ScheduleFrame();
}

void CellSurface::AllCellsChanged() {
    dirtyAll_ = true;
    ScheduleFrame();
}

void CellSurface::ScheduleFrame() {
    if (!frameTimer_->isActive()) {
        const qint64 wait = kFrameMs - sinceFrame_.elapsed();
        frameTimer_->start(static_cast<int>(std::max<qint64>(wait, 0)));
    }
}

void CellSurface::FlushUpdates() {
    frameTimer_->stop();
    sinceFrame_.restart();
    if (dirtyAll_) {
        update(geometry_.CellsRect());
    } else {
        UpdateSpan(CellRow::RD, dirty_[0].first, dirty_[0].last);
        UpdateSpan(CellRow::SD, dirty_[1].first, dirty_[1].last);
    }
    dirtyAll_ = false;
    dirty_ = {};
}

void CellSurface::UpdateSpan(CellRow row, int32_t first, int32_t last) {
    last = std::min(last, geometry_.Cells() - 1);
    const int32_t cols = geometry_.Cols();
    // One rectangle per line of the span: from its first changed column to its last.
    for (int32_t line = first / cols; first <= last; ++line) {
        const int32_t lineEnd = std::min(last, line * cols + cols - 1);
        update(geometry_.CellRect(row, first).united(geometry_.CellRect(row, lineEnd)));
        first = lineEnd + 1;
    }
}

void CellSurface::paintEvent(QPaintEvent* event) {
    QPainter p(this);
    const QRect clip = event->rect();
    p.fillRect(clip, QColor::fromRgb(kFormBack));
    PaintFrame(p, clip);
    PaintCells(p, clip);
}

void CellSurface::PaintLabel(QPainter& p, const QRect& r, const QStaticText& text, double advance) {
    const double height = text.size().height();
    p.drawStaticText(QPointF(r.x() + (r.width() - advance) / 2, r.y() + (r.height() - height) / 2),
                     text);
}

void CellSurface::PaintFrame(QPainter& p, const QRect& clip) {
    const QFontMetricsF arrowMetrics(arrowFont_);
    p.setFont(arrowFont_);
    for (const bool up : {true, false}) {
        const QRect r = up ? geometry_.UpArrow() : geometry_.DownArrow();
        if (!r.intersects(clip)) {
            continue;
        }
        p.fillRect(r, QColor::fromRgb(kArrowFace));
        p.setPen(QColor::fromRgb(kArrowEdge));
        p.drawRect(r.adjusted(0, 0, -1, -1));
        p.setPen(QColor::fromRgb(kCaption));
        const QStaticText& glyph = up ? upText_ : downText_;
        PaintLabel(p, r, glyph, arrowMetrics.horizontalAdvance(glyph.text()));
    }

    p.setFont(labelFont_);
    p.setPen(QColor::fromRgb(kCaption));
    for (int32_t j = 0; j < geometry_.Cols(); ++j) {
        const QRect r = geometry_.Ruler(j);
        if (r.intersects(clip)) {
            PaintLabel(p, r, rulerTexts_[static_cast<size_t>(j)],
                       rulerAdvances_[static_cast<size_t>(j)]);
        }
    }

    const QFontMetricsF metrics(labelFont_);
    const double captionAdvance = metrics.horizontalAdvance(QStringLiteral("RD"));
    for (int32_t i = 0; i < geometry_.Rows(); ++i) {
        const QRect rd = geometry_.RowCaption(CellRow::RD, i);
        const QRect sd = geometry_.RowCaption(CellRow::SD, i);
        const QLine line = geometry_.Separator(i);
        if (!rd.united(sd).united(QRect(line.p1(), line.p2())).intersects(clip)) {
            continue;
        }
        p.setPen(QColor::fromRgb(kSeparator));
        p.drawLine(line);
        p.setPen(QColor::fromRgb(kCaption));
        PaintLabel(p, rd, rdCaption_, captionAdvance);
        PaintLabel(p, sd, sdCaption_, captionAdvance);
    }
}

void CellSurface::PaintCells(QPainter& p, const QRect& clip) {
    const GridGeometry::Span span = geometry_.CellSpan(clip);
    const int32_t cols = geometry_.Cols();
    const int32_t size = cells_.Size();
    const double lineHeight = texts_.LineHeight();
    p.setFont(labelFont_);
    int32_t pen = CellGrid::kBlack;
    p.setPen(WinColor(pen));
    for (int32_t i = span.firstLine; i <= span.lastLine; ++i) {
        for (const CellRow row : {CellRow::RD, CellRow::SD}) {
            for (int32_t j = span.firstCol; j <= span.lastCol; ++j) {
                const int32_t k = i * cols + j;
                if (k >= size) {
                    break;
                }
                const Cell& c = cells_.At(row, k);
                const QRect r = geometry_.CellRect(row, k);
                // One pixel of the form shows between neighbouring cells.
                p.fillRect(r.x(), r.y(), r.width() - 1, r.height(), WinColor(c.back));
                if (c.text == CellText::kEmpty) {
                    continue;
                }
                if (c.fore != pen) {
                    pen = c.fore;
                    p.setPen(WinColor(pen));
                }
                const CellTextCache::Entry& e = texts_.Layout(c.text);
                p.drawStaticText(QPointF(r.x() + (r.width() - 1 - e.advance) / 2,
                                         r.y() + (r.height() - lineHeight) / 2),
                                 e.layout);
            }
        }
    }
}

void CellSurface::mousePressEvent(QMouseEvent* event) {
    if (event->button() != Qt::LeftButton) {
        return;
    }
    const QPoint pos = event->position().toPoint();
    const GridGeometry::Arrow arrow = geometry_.ArrowAt(pos);
    if (arrow != GridGeometry::Arrow::None) {
        emit arrowClicked(arrow == GridGeometry::Arrow::Up);
        return;
    }
    dragFrom_ = geometry_.RulerAt(pos);
    if (dragFrom_ >= 0) {
        setCursor(Qt::ClosedHandCursor);
    }
}

void CellSurface::mouseReleaseEvent(QMouseEvent* event) {
    if (dragFrom_ < 0 || event->button() != Qt::LeftButton) {
        return;
    }
    unsetCursor();
    const int32_t target = geometry_.RulerAt(event->position().toPoint());
    if (target >= 0) {
        DropRulerNumber(dragFrom_, target);
    }
    dragFrom_ = -1;
}

void CellSurface::mouseDoubleClickEvent(QMouseEvent* event) {
    if (event->button() != Qt::LeftButton) {
        return;
    }
    const QPoint pos = event->position().toPoint();
    // The second click of a quick pair on an arrow is a click of its own.
    if (geometry_.ArrowAt(pos) != GridGeometry::Arrow::None) {
        mousePressEvent(event);
        return;
    }
    CellRow row = CellRow::RD;
    const int32_t k = geometry_.CellAt(pos, row);
    if (k >= 0 && k < cells_.Size()) {
        emit cellDoubleClicked(k);
    }
}
