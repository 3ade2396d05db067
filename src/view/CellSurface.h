#pragma once
#include <QElapsedTimer>
#include <QStaticText>
#include <QWidget>
#include <array>
#include <cstdint>
#include <limits>
#include <vector>

#include "capture/ByteText.h"
#include "view/CellGrid.h"
#include "view/CellTextCache.h"
#include "view/CellTiles.h"
#include "view/GridGeometry.h"

class QTimer;

// The one painted surface of the monitor window: the ▲ and ▼ arrows, the column ruler lblCol,
// the separators linKugiri, the row captions and the cells lblRD/lblSD, all drawn from data.
// Changed cells are collected per row as a span of cell indices, whole lines scrolled away as
// a count, a changed grid as one flag. At most once a frame (kFrameMs) the frame is painted:
// where fewer than half the lines scrolled, the lines already painted move up by the lines
// scrolled (their pixels are moved, not painted again) and the lines that came in are painted;
// otherwise every cell is compared with what its place shows. Then the changed cells are
// painted, each cell one copy of a finished picture, or of only its old and new ink where its
// place showed a cell of the same colours. A frame that would change the whole grid paints it
// whole.
// So a fast live stream costs a bounded number of paints however many records arrive.
class CellSurface : public QWidget, public CellListener {
    Q_OBJECT
  public:
    CellSurface(const ChrTable& chr, const CellGrid& cells, QWidget* parent = nullptr);

    // A rebuilt grid: new geometry, fonts, and the ruler numbered 1 .. cols.
    void setGrid(const GridGeometry& geometry);
    [[nodiscard]] const GridGeometry& gridGeometry() const { return geometry_; }

    // The captions of the column ruler.
    [[nodiscard]] const std::vector<int32_t>& rulerNumbers() const { return ruler_; }
    // Drops the number shown in ruler column `from` on ruler column `target`.
    void dropRulerNumber(int32_t from, int32_t target);

    void cellChanged(CellRow row, int32_t k) override;
    void allCellsChanged() override;
    void cellsScrolled(int32_t f) override;

    // The colour of the outline of a frame whose check is bad (a Windows colour value).
    void setBadMarkColour(int32_t colour) { badMark_ = colour; }
    // Frame marks: the line where a frame begins, and the width of a bad frame's outline.
    static constexpr QRgb kStartMark = 0x203080;
    static constexpr int kBadMarkPx = 2;

    // Paints everything changed since the last frame (the frame timer's tick).
    void flushUpdates();
    // Asks for a frame even if no cell changes.
    void requestFrame() { scheduleFrame(); }

    // The shortest time between two frames. A frame that paints or moves the pixels of the
    // whole grid is followed by a gap of twice that, one in proportion in between: a grid
    // that changes whole every frame is repainted 25 times a second instead of 50, and what
    // comes in is shown at most one frame later than at the full rate.
    static constexpr int kFrameMs = 20;
    // The time from a frame to the next: kFrameMs plus its share of the cells' area that the
    // frame painted (painted) or moved by a scroll (movedPx pixels).
    // The time from the last frame to the next.
    [[nodiscard]] int frameGapMs() const { return frameGapMs_; }
    [[nodiscard]] static int gapAfterFrame(const QRect& cells, const QRect& painted,
                                           int64_t movedPx);

  signals:
    // At each frame, just before it is painted: what changes now is painted with it.
    void frameDue();
    void arrowClicked(bool up);
    void cellDoubleClicked(int32_t k);

  protected:
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;

  private:
    void paintFrame(QPainter& p, const QRect& clip);
    // The cells that meet clip; with changedOnly only those marked changed.
    void paintCells(QPainter& p, const QRect& clip, bool changedOnly);
    // The rows of cells of the lines within span, as far as the cells exist.
    [[nodiscard]] QRegion cellRows(const GridGeometry::Span& span) const;
    // A whole row of blank cells of the background back, to copy runs of blank cells from.
    [[nodiscard]] const QImage& blankRow(CellRow row, int32_t back);
    // The frame marks of a cell at r over its painted picture.
    void paintMarks(QPainter& p, const QRect& r, uint8_t mark) const;
    void paintLabel(QPainter& p, const QRect& r, const QStaticText& text, double advance);
    void layOutRuler();
    void scheduleFrame();

    const CellGrid& cells_;
    GridGeometry geometry_;
    CellTextCache texts_;
    CellTiles tiles_;
    std::array<std::vector<std::pair<int32_t, QImage>>, 2> blankRows_;  // RD, SD by colour
    QFont labelFont_;
    QFont arrowFont_;
    std::vector<int32_t> ruler_;
    std::vector<QStaticText> rulerTexts_;
    std::vector<double> rulerAdvances_;
    QStaticText rdCaption_, sdCaption_, upText_, downText_;
    double captionAdvance_ = 0;  // "RD" and "SD" are equally wide, as are ▲ and ▼
    double arrowAdvance_ = 0;
    int32_t dragFrom_ = -1;
    int32_t badMark_ = 0x8080FF;

    QTimer* frameTimer_;
    QElapsedTimer sinceFrame_;
    int frameGapMs_ = kFrameMs;  // from the last frame to the next
    struct Span {
        int32_t first = std::numeric_limits<int32_t>::max();
        int32_t last = -1;
    };
    // The rectangle of a span of changed cells of a row.
    [[nodiscard]] QRect spanRect(CellRow row, const Span& span) const;

    // The cells of span of a row that differ from what their places show, marked in changed_
    // and taken as shown (this frame paints them); the first and last of them.
    [[nodiscard]] Span markDifferent(CellRow row, const Span& span);

    // A cell no place shows, for places whose pixels are not known.
    static constexpr Cell kUnknown{static_cast<CellText::Id>(CellText::kCount), true, -1, -1, 0};

    std::array<Span, 2> dirty_;                    // RD, SD: the first and last changed cell
    std::array<std::vector<uint8_t>, 2> changed_;  // RD, SD: 1 for each cell a frame paints
    std::array<std::vector<Cell>, 2> shown_;       // RD, SD: what each place shows
    std::array<std::vector<Cell>, 2> was_;  // RD, SD: what a place marked changed showed before
    bool shownKnown_ = false;  // shown_ holds what the pixels show (after a whole frame)
    bool dirtyAll_ = false;    // any cell may have changed: all are compared
    QRect frameRect_;          // while a frame paints only changed cells: its rectangle
    QRect frameExposed_;       // and the lines its scroll brought in
    int32_t scrolledLines_ = 0;
};
