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
// the lines already painted move up by the lines scrolled (their pixels are moved, not
// painted again), then the lines that came in and the changed cells are painted, each cell
// one copy of a finished picture. A frame that would change the whole grid paints it whole.
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

    // Paints everything changed since the last frame (the frame timer's tick).
    void flushUpdates();
    // Asks for a frame even if no cell changes.
    void requestFrame() { scheduleFrame(); }

    static constexpr int kFrameMs = 20;

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
    [[nodiscard]] const QPixmap& blankRow(CellRow row, int32_t back);
    void paintLabel(QPainter& p, const QRect& r, const QStaticText& text, double advance);
    void layOutRuler();
    void scheduleFrame();

    const CellGrid& cells_;
    GridGeometry geometry_;
    CellTextCache texts_;
    CellTiles tiles_;
    std::array<std::vector<std::pair<int32_t, QPixmap>>, 2> blankRows_;  // RD, SD by colour
    QFont labelFont_;
    QFont arrowFont_;
    std::vector<int32_t> ruler_;
    std::vector<QStaticText> rulerTexts_;
    std::vector<double> rulerAdvances_;
    QStaticText rdCaption_, sdCaption_, upText_, downText_;
    double captionAdvance_ = 0;  // "RD" and "SD" are equally wide, as are ▲ and ▼
    double arrowAdvance_ = 0;
    int32_t dragFrom_ = -1;

    QTimer* frameTimer_;
    QElapsedTimer sinceFrame_;
    struct Span {
        int32_t first = std::numeric_limits<int32_t>::max();
        int32_t last = -1;
    };
    // The rectangle of a span of changed cells of a row.
    [[nodiscard]] QRect spanRect(CellRow row, const Span& span) const;

    std::array<Span, 2> dirty_;                    // RD, SD: the first and last changed cell
    std::array<std::vector<uint8_t>, 2> changed_;  // RD, SD: 1 for each changed cell
    bool dirtyAll_ = false;
    QRect frameRect_;     // while a frame paints only changed cells: its rectangle
    QRect frameExposed_;  // and the lines its scroll brought in
    int32_t scrolledLines_ = 0;
    // A paint came between a scroll of the cells and the frame that moves the pixels: the
    // pixels no longer all show the cells of the last frame, so the next frame paints whole.
    bool paintedAhead_ = false;
};
