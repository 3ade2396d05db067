#pragma once
#include <QString>
#include <QWidget>
#include <cstdint>
#include <span>
#include <string>

#include "base/Clock.h"
#include "base/DecoderObserver.h"
#include "capture/Capture.h"
#include "link/QtGapTimers.h"
#include "view/CellGrid.h"
#include "view/CellSurface.h"
#include "view/FrameMarks.h"
#include "view/HistoryRenderer.h"
#include "view/IdleCounter.h"
#include "view/LiveRenderer.h"
#include "view/MonitorState.h"
#include "view/MonitorStatus.h"
#include "view/dlgJump.h"
#include "view/dlgScroll.h"

class QTimer;

// The monitor window: the child of the main window that shows the capture as a grid of cells,
// live while a run streams and from the display words otherwise. It is the live view and the
// idle and time-stamp timers of the decoder. All objects passed in must outlive it.
class frmMonitor : public QWidget, public DecoderObserver {
    Q_OBJECT
  public:
    frmMonitor(MonitorState state, const Clock& clock, MonitorStatus& status,
               TriggerChecks& triggers, QWidget* parent = nullptr);
    ~frmMonitor() override;

    // Window caption: "New Monitor", or the name of an opened capture file without its folder.
    // Either drops a stop note.
    void showNewCaption();
    void showFileCaption(const QString& path);
    // A note after the caption, such as "トリガ-1 でモニタ停止 09:38:49", until the caption
    // changes or the note is cleared (empty).
    void showStopNote(const QString& note);

    // The live view, which the decoder tells of each pair and time stamp while gintRireki is 0.
    [[nodiscard]] LiveRenderer& live() { return live_; }

    // Every cell blank, lintPos 0: the live view starts again on an empty screen behind the
    // last word stored, and the status bar shows that line.
    void ClearDisp();
    // Empties the capture (Capture::ClearDat) and the window; the status bar shows line 1.
    void ClearDat();
    // Places the history view in the display words of the last CopyDat: at the start of the
    // last line when the background monitor is checked, otherwise at the top-left cell of
    // the screen the live view was filling.
    void placeHistory(bool backgroundChecked);

    // History view: see HistoryRenderer::DispRireki. dispRirekiAt is the same for a value.
    int32_t DispRireki(int32_t& lngTop);
    int32_t dispRirekiAt(int32_t lngTop);

    // Recomputes the grid size from the window size and gintFontSize; a changed grid is
    // rebuilt by timResize.
    void CalcResize();
    // The tick of timResize: rebuilds the ruler and the grid, then restarts the live view on
    // an empty grid or redraws the history at the current top.
    void timResize_Timer();

    // Highlights a search hit (word indices) in the SD row (intType non-zero) or the RD row.
    void SetCursol(int16_t intType, std::span<const int32_t> lngNo);
    // Shows a frame of the history: its first byte (word firstWord) at the top, and its bytes
    // (the data words of the direction sd up to lastWord) highlighted. False, with nothing
    // changed, when the history is not shown or does not hold the word.
    bool showFrame(int64_t firstWord, int64_t lastWord, bool sd);
    // The marks of the frames of index on the screen (none when index is null): in the
    // history its words are the display words; live, word w of the index is the word
    // liveBase + w of those GridState::liveTop counts.
    void markFrames(const FrameIndex* index, int64_t liveBase);

    // Prepares the live view of a resumed run behind the data of the current line.
    void SetRestartPos();

    // Jump menus: to the first line, to the end, to a line (opens dlgJump); the scroll step
    // (opens dlgScroll). The dialogs are modeless; they are returned for placing.
    void mn_View_SJump_Click();
    void mn_View_EJump_Click();
    dlgJump* mn_View_Jump_Click();
    dlgScroll* mn_View_Scroll_Click();

    // View menu commands. Each returns false and does nothing when the choice is the one in
    // force (or out of range); the caller then leaves its check marks alone.
    // Display code 0 ASCII, 1 hex, 2 Shift-JIS: panel 3; the history view is redrawn.
    bool mn_View_Mode_Click(int index);
    // Idle scale item 0 none, 1 = 1 s, 2 = 100 ms, 3 = 10 ms: panel 4, timIdle, gsngIdleStart.
    bool mn_View_Idle_Scale_Click(int index);
    // Toggles time stamps: panel 5 and timStamp. Returns the new state (true: on).
    bool mn_View_Time_Click();
    // Cell size item 0 large, 1 medium, 2 small: the layout is recomputed.
    bool mn_View_Font_Size_Click(int index);

    // Applies an idle scale (gintIdleMode) to timIdle (QtGapTimers::applyIdleScale). Used at
    // start-up.
    void setIdleScale(int idleMode);

    // The decoder stops both timers at the start of a batch and starts them at its end.
    void setIdleTimer(bool enabled) override;
    void setStampTimer(bool enabled) override;
    // Timer ticks.
    void timIdle_Timer();
    void timStamp_Timer();

    [[nodiscard]] const CellGrid& cells() const { return cells_; }
    [[nodiscard]] CellSurface& surface() { return *surface_; }

  signals:
    // Ctrl+Down / Ctrl+Up in the history: the next or previous frame is asked for.
    void frameStep(bool next);
    // A search hit was highlighted (SetCursol).
    void cursorSet();
    // A tick of timIdle: the line has been quiet for at least an idle step.
    void idleTicked();

  protected:
    void resizeEvent(QResizeEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    // The wheel over the grid scrolls the history as the arrows do: a line per notch, a page
    // per notch with Shift; a touchpad's smaller steps add up to lines. Nothing while the
    // arrows do nothing (a live run).
    void wheelEvent(QWheelEvent* event) override;

  private:
    [[nodiscard]] bool liveRun() const;
    void BuildColumns();
    void BuildGrid();
    void arrowClicked(bool up);
    void cellDoubleClicked(int32_t k);

    MonitorState state_;
    const Clock& clock_;
    MonitorStatus& status_;
    CellGrid cells_;
    FrameMarks marks_;
    LiveRenderer live_;
    HistoryRenderer history_;
    IdleCounter idle_;
    CellSurface* surface_;
    QTimer* timResize;
    QtGapTimers gapTimers_;  // timIdle, timStamp
    dlgJump* jump_ = nullptr;
    dlgScroll* scroll_ = nullptr;
    int builtFontSize_ = -1;  // cell size of the grid built or waiting for its rebuild
    QString caption_;         // the caption without its stop note
    int wheelRest_ = 0;       // wheel turn not yet scrolled, in eighths of a degree
};
