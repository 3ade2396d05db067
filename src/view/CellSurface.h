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
#include "view/GridGeometry.h"

class QTimer;

// The one painted surface of the monitor window: the ▲ and ▼ arrows, the column ruler lblCol,
// the separators linKugiri, the row captions and the cells lblRD/lblSD, all drawn from data.
// Changed cells are collected per row as a span of cell indices, a changed grid as one flag;
// at most once a frame (kFrameMs) the collected cells' rectangles are handed to update(), so
// a fast live stream costs a bounded number of paints however many records arrive.
class CellSurface : public QWidget, public CellListener {
    Q_OBJECT
  public:
    CellSurface(const ChrTable& chr, const CellGrid& cells, QWidget* parent = nullptr);

    // A rebuilt grid: new geometry, fonts, and the ruler numbered 1 .. cols.
    void SetGrid(const GridGeometry& geometry);
    [[nodiscard]] const GridGeometry& Geometry() const { return geometry_; }

    // The captions of the column ruler.
    [[nodiscard]] const std::vector<int32_t>& RulerNumbers() const { return ruler_; }
    // Drops the number shown in ruler column `from` on ruler column `target`.
    void DropRulerNumber(int32_t from, int32_t target);

    void CellChanged(CellRow row, int32_t k) override;
    void AllCellsChanged() override;

    // Requests the repaint of everything changed since the last frame (the frame timer's tick).
    void FlushUpdates();

    static constexpr int kFrameMs = 20;

  signals:
    void arrowClicked(bool up);
    void cellDoubleClicked(int32_t k);

  protected:
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;

  private:
    void PaintFrame(QPainter& p, const QRect& clip);
    void PaintCells(QPainter& p, const QRect& clip);
    void PaintLabel(QPainter& p, const QRect& r, const QStaticText& text, double advance);
    void LayOutRuler();
    void ScheduleFrame();
    void UpdateSpan(CellRow row, int32_t first, int32_t last);

    const CellGrid& cells_;
    GridGeometry geometry_;
    CellTextCache texts_;
    QFont labelFont_;
    QFont arrowFont_;
    std::vector<int32_t> ruler_;
    std::vector<QStaticText> rulerTexts_;
    std::vector<double> rulerAdvances_;
    QStaticText rdCaption_, sdCaption_, upText_, downText_;
    int32_t dragFrom_ = -1;

    QTimer* frameTimer_;
    QElapsedTimer sinceFrame_;
    struct Span {
        int32_t first = std::numeric_limits<int32_t>::max();
        int32_t last = -1;
    };
    std::array<Span, 2> dirty_;  // RD, SD
    bool dirtyAll_ = false;
};
