#pragma once
#include <QString>
#include <QWidget>
#include <cstdint>
#include <string>

#include "capture/Capture.h"
#include "core/Clock.h"
#include "core/CoreState.h"
#include "link/DecoderHooks.h"
#include "view/CellGrid.h"
#include "view/CellSurface.h"
#include "view/DataTriggers.h"
#include "view/HistoryRenderer.h"
#include "view/LiveRenderer.h"
#include "view/MonitorStatus.h"

class QTimer;

// The monitor window: the child of the main window that shows the capture as a grid of cells,
// live while a run streams and from the display words otherwise. It is the live view of the
// decoder and the view of the capture. All objects passed in must outlive it.
class frmMonitor : public QWidget, public LiveView, public CaptureView {
    Q_OBJECT
  public:
    frmMonitor(CoreState& state, const Clock& clock, MonitorStatus& status, DataTriggers& triggers,
               QWidget* parent = nullptr);
    ~frmMonitor() override;

    // Window caption: "New Monitor", or the name of an opened capture file without its folder.
    void ShowNewCaption();
    void ShowFileCaption(const QString& path);

    // Live view (the decoder calls these while gintRireki is 0).
    void DispMonitor(uint8_t first, uint8_t second) override;
    void DispTimeStamp(const std::string& hhmmss) override;
    void NextCell();

    // Every cell blank, lintPos 0; and the line number in status bar panel 6.
    void ClearDisp() override;
    void ShowLineNumber(int32_t line) override;

    // History view: see HistoryRenderer::DispRireki. DispRirekiAt is the same for a value.
    int32_t DispRireki(int32_t& lngTop);
    int32_t DispRirekiAt(int32_t lngTop);

    // Recomputes the grid size from the window size and gintFontSize; a changed grid is
    // rebuilt by timResize.
    void CalcResize();
    // The tick of timResize: rebuilds the ruler and the grid, then restarts the live view on
    // an empty grid or redraws the history at the current top.
    void timResize_Timer();

    [[nodiscard]] const CellGrid& Cells() const { return cells_; }
    [[nodiscard]] CellSurface& Surface() { return *surface_; }

  protected:
    void resizeEvent(QResizeEvent* event) override;

  private:
    [[nodiscard]] bool LiveRun() const;

    CoreState& state_;
    const Clock& clock_;
    MonitorStatus& status_;
    CellGrid cells_;
    LiveRenderer live_;
    HistoryRenderer history_;
    CellSurface* surface_;
    QTimer* timResize;
    int builtFontSize_ = -1;  // cell size of the grid built or waiting for its rebuild
};
