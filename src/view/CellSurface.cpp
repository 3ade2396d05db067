#include "view/CellSurface.h"

#include <algorithm>
#include <utility>

#include <QFontMetricsF>
#include <QMouseEvent>
#include <QPaintEvent>
#include <QPainter>
#include <QTimer>

#include "analysis/FrameIndex.h"
#include "view/PixelCopy.h"

namespace {

constexpr QRgb kFormBack = 0xFFF0F0F0;
constexpr QRgb kSeparator = 0xFF808080;
constexpr QRgb kCaption = 0xFF202020;
constexpr QRgb kArrowFace = 0xFFFAFAFA;
constexpr QRgb kArrowEdge = 0xFFA0A0A0;

QStaticText prepared(const QString& text, const QFont& font) {
    QStaticText s(text);
    s.setTextFormat(Qt::PlainText);
    s.prepare(QTransform(), font);
    return s;
}

}  // namespace

CellSurface::CellSurface(const ChrTable& chr, const CellGrid& cells, QWidget* parent)
    : QWidget(parent),
      cells_(cells),
      texts_(chr),
      tiles_(texts_, kFormBack),
      frameTimer_(new QTimer(this)) {
    setObjectName(QStringLiteral("CellSurface"));
    setAttribute(Qt::WA_OpaquePaintEvent);
    frameTimer_->setObjectName(QStringLiteral("frameTimer"));
    frameTimer_->setSingleShot(true);
    connect(frameTimer_, &QTimer::timeout, this, &CellSurface::flushUpdates);
    sinceFrame_.start();
    setGrid(GridGeometry());
}

void CellSurface::setGrid(const GridGeometry& geometry) {
    geometry_ = geometry;
    const CellSize& s = geometry_.Size();
    labelFont_ = gridFont(s.lintFont);
    arrowFont_ = gridFont(s.arrowFont);
    texts_.setFont(labelFont_);
    tiles_.clear();
    blankRows_ = {};
    shownKnown_ = false;
    rdCaption_ = prepared(QStringLiteral("RD"), labelFont_);
    sdCaption_ = prepared(QStringLiteral("SD"), labelFont_);
    upText_ = prepared(QStringLiteral("▲"), arrowFont_);
    downText_ = prepared(QStringLiteral("▼"), arrowFont_);
    captionAdvance_ = QFontMetricsF(labelFont_).horizontalAdvance(rdCaption_.text());
    arrowAdvance_ = QFontMetricsF(arrowFont_).horizontalAdvance(upText_.text());
    ruler_.resize(static_cast<size_t>(geometry_.cols()));
    for (size_t j = 0; j < ruler_.size(); ++j) {
        ruler_[j] = static_cast<int32_t>(j) + 1;
    }
    layOutRuler();
    update();
}

void CellSurface::dropRulerNumber(int32_t from, int32_t target) {
    const auto cols = static_cast<int32_t>(ruler_.size());
    if (from < 0 || from >= cols || target < 0 || target >= cols) {
        return;
    }
    ruler_ = renumberRuler(cols, ruler_[static_cast<size_t>(from)], target);
    layOutRuler();
    update(geometry_.ruler(0).united(geometry_.ruler(cols - 1)));
}

void CellSurface::layOutRuler() {
    const QFontMetricsF metrics(labelFont_);
    rulerTexts_.clear();
    rulerAdvances_.clear();
    for (const int32_t n : ruler_) {
        const QString text = QString::number(n);
        rulerTexts_.push_back(prepared(text, labelFont_));
        rulerAdvances_.push_back(metrics.horizontalAdvance(text));
    }
}

void CellSurface::cellChanged(CellRow row, int32_t k) {
    Span& span = dirty_[static_cast<size_t>(row)];
    span.first = std::min(span.first, k);
    span.last = std::max(span.last, k);
    scheduleFrame();
}

void CellSurface::allCellsChanged() {
    dirtyAll_ = true;
    scheduleFrame();
}

void CellSurface::cellsScrolled(int32_t f) {
    const int32_t cols = geometry_.cols();
    if (f % cols != 0) {
        shownKnown_ = false;  // not whole lines: a grid waiting for its rebuild
        allCellsChanged();
        return;
    }
    scrolledLines_ += f / cols;
    // The spans move with their cells; the blank cells that came in are compared too.
    const int32_t size = cells_.Size();
    for (Span& span : dirty_) {
        span.last -= f;
        span = span.last < 0 ? Span{std::max(size - f, 0), size - 1}
                             : Span{std::max(span.first - f, 0), size - 1};
    }
    scheduleFrame();
}

void CellSurface::scheduleFrame() {
    if (!frameTimer_->isActive()) {
        const qint64 wait = frameGapMs_ - sinceFrame_.elapsed();
        frameTimer_->start(static_cast<int>(std::max<qint64>(wait, 0)));
    }
}

void CellSurface::flushUpdates() {
    sinceFrame_.restart();
    emit frameDue();
    frameTimer_->stop();  // what frameDue brought is painted now
    const int32_t size = cells_.Size();
    // A paint between two frames (a scroll of the cells after it left the pixels behind)
    // leaves what they show unknown: the frame paints everything.
    const bool whole = !shownKnown_ || static_cast<int32_t>(shown_[0].size()) != size;
    QRect rect;
    QRect exposed;
    int64_t movedPx = 0;  // pixels moved by a scroll
    if (whole) {
        rect = geometry_.cellsRect();
        for (auto& changed : changed_) {
            changed.assign(static_cast<size_t>(size), 0);
        }
        for (auto& was : was_) {
            was.assign(static_cast<size_t>(size), kUnknown);
        }
    } else {
        bool all = dirtyAll_;
        if (scrolledLines_ * 2 >= geometry_.rows()) {
            // Most of the last frame scrolled away: what is left is not worth moving, and
            // every cell is compared with what its place shows, which costs a fraction of
            // painting the lines that would come in.
            all = true;
        } else if (scrolledLines_ > 0) {
            const QRect lines = geometry_.linesRect();
            const int shift = scrolledLines_ * geometry_.linePitchPx();
            scroll(0, -shift, lines);
            movedPx = int64_t{lines.width()} * std::max(lines.height() - shift, 0);
            exposed = QRect(lines.x(), lines.bottom() + 1 - shift, lines.width(), shift);
            rect = exposed;
            // What each place shows moved with the pixels; the places that came in show
            // nothing known yet.
            const auto f =
                static_cast<std::ptrdiff_t>(std::min(scrolledLines_ * geometry_.cols(), size));
            for (auto& shown : shown_) {
                std::copy(shown.begin() + f, shown.end(), shown.begin());
                std::fill(shown.end() - f, shown.end(), kUnknown);
            }
        }
        for (const CellRow row : {CellRow::RD, CellRow::SD}) {
            const auto r = static_cast<size_t>(row);
            const Span span = all ? Span{0, size - 1} : dirty_[r];
            rect |= spanRect(row, markDifferent(row, span));
        }
    }
    dirtyAll_ = false;
    scrolledLines_ = 0;
    dirty_ = {};
    // Painted now, so that no paint of this frame is left for later, when the cells may have
    // scrolled again; as one rectangle, since copies clipped to a region of many rectangles
    // cost more, of which only the marked cells are painted (the others show already).
    if (!rect.isEmpty()) {
        frameRect_ = whole ? QRect() : rect;
        frameExposed_ = exposed;
        repaint(rect);
        frameRect_ = QRect();
    }
    for (auto& changed : changed_) {
        std::fill(changed.begin(), changed.end(), uint8_t{0});
    }
    if (whole) {
        for (const CellRow row : {CellRow::RD, CellRow::SD}) {
            auto& shown = shown_[static_cast<size_t>(row)];
            shown.resize(static_cast<size_t>(size));
            for (int32_t k = 0; k < size; ++k) {
                shown[static_cast<size_t>(k)] = cells_.at(row, k);
            }
        }
        shownKnown_ = true;
    }
    frameGapMs_ = gapAfterFrame(geometry_.cellsRect(), rect, movedPx);
}

CellSurface::Span CellSurface::markDifferent(CellRow row, const Span& span) {
    auto& changed = changed_[static_cast<size_t>(row)];
    auto& shown = shown_[static_cast<size_t>(row)];
    auto& was = was_[static_cast<size_t>(row)];
    Span different;
    for (int32_t k = std::max(span.first, 0); k <= std::min(span.last, cells_.Size() - 1); ++k) {
        const auto i = static_cast<size_t>(k);
        const Cell& c = cells_.at(row, k);
        changed[i] = c == shown[i] ? 0 : 1;
        if (changed[i] != 0) {
            was[i] = shown[i];
            shown[i] = c;  // painted by this frame
            different.first = std::min(different.first, k);
            different.last = k;
        }
    }
    return different;
}

int CellSurface::gapAfterFrame(const QRect& cells, const QRect& painted, int64_t movedPx) {
    const int64_t all = std::max<int64_t>(int64_t{cells.width()} * cells.height(), 1);
    const int64_t done = std::min(int64_t{painted.width()} * painted.height() + movedPx, all);
    return static_cast<int>(kFrameMs + kFrameMs * done / all);
}

QRect CellSurface::spanRect(CellRow row, const Span& span) const {
    const int32_t last = std::min(span.last, geometry_.cells() - 1);
    if (span.first > last) {
        return {};
    }
    const int32_t cols = geometry_.cols();
    const QRect r = geometry_.cellRect(row, span.first).united(geometry_.cellRect(row, last));
    if (span.first / cols == last / cols) {
        return r;
    }
    // Over more than one line: every column of those lines.
    const int32_t lineStart = (span.first / cols) * cols;
    return r.united(geometry_.cellRect(row, lineStart))
        .united(geometry_.cellRect(row, lineStart + cols - 1));
}

void CellSurface::paintEvent(QPaintEvent* event) {
    QPainter p(this);
    const QRect clip = event->rect();
    // A frame paints only the cells marked changed, and the form, captions and separators
    // only in the lines a scroll brought in; any other paint everything it meets, and from
    // then on what the cells show is no longer known.
    const bool changedOnly = frameRect_.contains(event->region().boundingRect());
    if (frameRect_.isNull()) {
        shownKnown_ = false;
    }
    const QRegion frame = changedOnly ? event->region() & frameExposed_ : event->region();
    // The form shows wherever no cell is painted over it.
    const QRegion form = frame - cellRows(geometry_.cellSpan(clip));
    for (const QRect& r : form) {
        p.fillRect(r, QColor::fromRgb(kFormBack));
    }
    if (!frame.isEmpty()) {
        paintFrame(p, frame.boundingRect());
    }
    paintCells(p, clip, changedOnly);
}

QRegion CellSurface::cellRows(const GridGeometry::Span& span) const {
    QRegion rows;
    const int32_t cols = geometry_.cols();
    for (int32_t i = span.firstLine; i <= span.lastLine; ++i) {
        const int32_t last = std::min(cols, cells_.Size() - i * cols) - 1;
        if (last < 0) {
            break;
        }
        for (const CellRow row : {CellRow::RD, CellRow::SD}) {
            rows +=
                geometry_.cellRect(row, i * cols).united(geometry_.cellRect(row, i * cols + last));
        }
    }
    return rows;
}

void CellSurface::paintLabel(QPainter& p, const QRect& r, const QStaticText& text, double advance) {
    const double height = text.size().height();
    p.drawStaticText(QPointF(r.x() + (r.width() - advance) / 2, r.y() + (r.height() - height) / 2),
                     text);
}

void CellSurface::paintFrame(QPainter& p, const QRect& clip) {
    p.setFont(arrowFont_);
    for (const bool up : {true, false}) {
        const QRect r = up ? geometry_.upArrow() : geometry_.downArrow();
        if (!r.intersects(clip)) {
            continue;
        }
        p.fillRect(r, QColor::fromRgb(kArrowFace));
        p.setPen(QColor::fromRgb(kArrowEdge));
        p.drawRect(r.adjusted(0, 0, -1, -1));
        p.setPen(QColor::fromRgb(kCaption));
        const QStaticText& glyph = up ? upText_ : downText_;
        paintLabel(p, r, glyph, arrowAdvance_);
    }

    p.setFont(labelFont_);
    p.setPen(QColor::fromRgb(kCaption));
    for (int32_t j = 0; j < geometry_.cols(); ++j) {
        const QRect r = geometry_.ruler(j);
        if (r.intersects(clip)) {
            paintLabel(p, r, rulerTexts_[static_cast<size_t>(j)],
                       rulerAdvances_[static_cast<size_t>(j)]);
        }
    }

    p.setPen(QColor::fromRgb(kCaption));
    for (int32_t i = 0; i < geometry_.rows(); ++i) {
        // A one-pixel line is a rectangle; filled, it costs a fraction of a drawn line.
        const QLine line = geometry_.separator(i);
        const QRect separator(line.p1(), line.p2());
        if (separator.intersects(clip)) {
            p.fillRect(separator, QColor::fromRgb(kSeparator));
        }
        for (const CellRow row : {CellRow::RD, CellRow::SD}) {
            const QRect r = geometry_.rowCaption(row, i);
            if (r.intersects(clip)) {
                paintLabel(p, r, row == CellRow::RD ? rdCaption_ : sdCaption_, captionAdvance_);
            }
        }
    }
}

void CellSurface::paintCells(QPainter& p, const QRect& clip, bool changedOnly) {
    const GridGeometry::Span span = geometry_.cellSpan(clip);
    const int32_t cols = geometry_.cols();
    const int32_t size = cells_.Size();
    PixelCopy copy(p);
    for (int32_t i = span.firstLine; i <= span.lastLine; ++i) {
        for (const CellRow row : {CellRow::RD, CellRow::SD}) {
            const auto& changed = changed_[static_cast<size_t>(row)];
            const auto& was = was_[static_cast<size_t>(row)];
            const auto paints = [&](int32_t k) {
                return !changedOnly || changed[static_cast<size_t>(k)] != 0;
            };
            const int32_t end = std::min(span.lastCol + 1, size - i * cols);
            for (int32_t j = span.firstCol; j < end;) {
                const int32_t k = i * cols + j;
                if (!paints(k)) {
                    ++j;
                    continue;
                }
                const QRect r = geometry_.cellRect(row, k);
                if (!r.intersects(clip)) {
                    ++j;
                    continue;
                }
                const Cell& c = cells_.at(row, k);
                // A run of blank cells of one colour is one copy from a blank row.
                int32_t last = j;
                if (c.text == CellText::kEmpty && !c.hilite && c.fore == CellGrid::kBlack &&
                    c.mark == 0) {
                    while (last + 1 < end && paints(k + last + 1 - j) &&
                           cells_.at(row, k + last + 1 - j) == c) {
                        ++last;
                    }
                }
                if (last == j) {
                    // Where the place showed a cell of the same colours, the two differ only
                    // within their ink. (Only a frame knows what a place showed.)
                    const Cell& before = changedOnly ? was[static_cast<size_t>(k)] : kUnknown;
                    const bool inkOnly = before.back == c.back && before.fore == c.fore &&
                                         before.text < CellText::kCount && before.mark == 0 &&
                                         c.mark == 0;
                    const QRect beforeInk = inkOnly ? tiles_.find(before, r.size()).ink : QRect();
                    const CellTiles::Tile tile = tiles_.find(c, r.size());
                    const QRect part =
                        inkOnly ? tile.ink | beforeInk : QRect(QPoint(), tile.source.size());
                    if (!part.isEmpty()) {
                        copy.copy(r.topLeft() + part.topLeft(), tile.image,
                                  part.translated(tile.source.topLeft()));
                    }
                    if (c.mark != 0) {
                        paintMarks(p, r, c.mark);
                    }
                    ++j;
                    continue;
                }
                const QRect run = r.united(geometry_.cellRect(row, i * cols + last));
                const int32_t x0 = geometry_.cellRect(row, i * cols).x();
                copy.copy(run.topLeft(), blankRow(row, c.back),
                          QRect(run.x() - x0, 0, run.width(), run.height()));
                j = last + 1;
            }
        }
    }
}

void CellSurface::paintMarks(QPainter& p, const QRect& r, uint8_t mark) const {
    // Within the cell, left of the form's gap at its right edge.
    const QRect cell = r.adjusted(0, 0, -1, 0);
    const QColor bad = winColor(badMark_);
    if ((mark & FrameMark::kBad) != 0) {
        p.fillRect(cell.x(), cell.y(), cell.width(), kBadMarkPx, bad);
        p.fillRect(cell.x(), cell.bottom() - kBadMarkPx + 1, cell.width(), kBadMarkPx, bad);
    }
    if ((mark & FrameMark::kBadFirst) != 0) {
        p.fillRect(cell.x(), cell.y(), kBadMarkPx, cell.height(), bad);
    }
    if ((mark & FrameMark::kBadLast) != 0) {
        p.fillRect(cell.right() - kBadMarkPx + 1, cell.y(), kBadMarkPx, cell.height(), bad);
    }
    if ((mark & FrameMark::kStart) != 0) {
        p.fillRect(cell.x(), cell.y(), 1, cell.height(), QColor::fromRgb(kStartMark));
    }
}

const QImage& CellSurface::blankRow(CellRow row, int32_t back) {
    for (const auto& [colour, image] : blankRows_[static_cast<size_t>(row)]) {
        if (colour == back) {
            return image;
        }
    }
    auto& rows = blankRows_[static_cast<size_t>(row)];
    if (rows.size() >= 8) {
        rows.clear();
    }
    // Every cell of a line as a blank tile would paint it.
    const int32_t cols = geometry_.cols();
    const QRect first = geometry_.cellRect(row, 0);
    const QRect last = geometry_.cellRect(row, cols - 1);
    QImage image(first.united(last).size(), QImage::Format_RGB32);
    image.fill(kFormBack);
    QPainter p(&image);
    for (int32_t j = 0; j < cols; ++j) {
        const QRect r = geometry_.cellRect(row, j);
        p.fillRect(r.x() - first.x(), 0, r.width() - 1, r.height(), winColor(back));
    }
    p.end();
    rows.emplace_back(back, std::move(image));
    return rows.back().second;
}

void CellSurface::mousePressEvent(QMouseEvent* event) {
    if (event->button() != Qt::LeftButton) {
        return;
    }
    const QPoint pos = event->position().toPoint();
    const GridGeometry::Arrow arrow = geometry_.arrowAt(pos);
    if (arrow != GridGeometry::Arrow::None) {
        emit arrowClicked(arrow == GridGeometry::Arrow::Up);
        return;
    }
    dragFrom_ = geometry_.rulerAt(pos);
    if (dragFrom_ >= 0) {
        setCursor(Qt::ClosedHandCursor);
    }
}

void CellSurface::mouseReleaseEvent(QMouseEvent* event) {
    if (dragFrom_ < 0 || event->button() != Qt::LeftButton) {
        return;
    }
    unsetCursor();
    const int32_t target = geometry_.rulerAt(event->position().toPoint());
    if (target >= 0) {
        dropRulerNumber(dragFrom_, target);
    }
    dragFrom_ = -1;
}

void CellSurface::mouseDoubleClickEvent(QMouseEvent* event) {
    if (event->button() != Qt::LeftButton) {
        return;
    }
    const QPoint pos = event->position().toPoint();
    // The second click of a quick pair on an arrow is a click of its own.
    if (geometry_.arrowAt(pos) != GridGeometry::Arrow::None) {
        mousePressEvent(event);
        return;
    }
    CellRow row = CellRow::RD;
    const int32_t k = geometry_.cellAt(pos, row);
    if (k >= 0 && k < cells_.Size()) {
        emit cellDoubleClicked(k);
    }
}
