#pragma once
#include <cstdint>
#include <span>

#include "base/GridState.h"
#include "base/RunState.h"
#include "base/Settings.h"
#include "capture/Capture.h"
#include "view/CellGrid.h"
#include "view/MonitorStatus.h"

// The history view: a whole screen drawn from the display words gintDispDat, moving through
// them, and the search-hit highlight.
class HistoryRenderer {
  public:
    HistoryRenderer(const Settings& settings, const RunState& run, Capture& capture,
                    GridState& grid, CellGrid& cells, MonitorStatus& status)
        : settings_(settings),
          run_(run),
          capture_(capture),
          grid_(grid),
          cells_(cells),
          status_(status) {}

    // Draws a screen from word lngTop. A negative lngTop stands for the current top
    // glngDispTop and is written back; otherwise glngDispTop becomes lngTop. Cells after the
    // last word are blanked. A two-column record that starts in the last cell shows only its
    // first column. A history that continues a live screen which began with the second
    // column of a record starts with that column as long as it stays at that top. The
    // highlight is re-applied and the top's line number shown. Returns the number of cells
    // drawn, at most lintCell (lintCell when the screen filled).
    int32_t DispRireki(int32_t& lngTop);

    // Moves the view by n words: up stops at word 0, down stops once the top would pass the
    // last word.
    void ScrollView(int32_t n);
    // The key and menu moves.
    void lineUp() { ScrollView(-grid_.lintCol); }
    void lineDown() { ScrollView(grid_.lintCol); }
    void pageUp() { ScrollView(-grid_.lintCell); }
    void pageDown() { ScrollView(grid_.lintCell); }
    void jumpTop();
    // The last half screen: top glngDispLen - lintCell / 2, rounded half to even; fewer words
    // than that keep the current top.
    void jumpLastHalf();
    // The end: top glngDispLen - 50; fewer than 50 words keep the current top.
    void jumpEnd();
    // Line n (from 1) at the top; n below 1 does nothing and returns false.
    bool jumpLine(int64_t n);

    // Shows and highlights a search hit of hits.size() words in the SD row (type non-zero) or
    // the RD row. The view moves to the line of the first hit when the hit is not wholly on
    // the screen; hit cells beyond the screen stay unmarked.
    void SetCursol(int16_t intType, std::span<const int32_t> lngNo);

    // Places glngDispTop after a CopyDat of the capture: see frmMonitor::placeHistory. The
    // live screen's top and line follow, so that a resumed run starts from that line.
    void placeTop(bool backgroundChecked);

    // Draws from the start of line llngLine and places lintPos behind the words drawn, or at
    // 0 when the screen is full, so that a resumed run continues behind what is shown.
    void SetRestartPos();

  private:
    void drawRecord(int32_t k, CellText::Id rdText, CellText::Id sdText, int32_t back);
    // The time stamp or idle record whose first word is w, in cells k and k + 1 (the second
    // only if it exists), or only its second column in cell k.
    void drawTwoColumns(int64_t w, int32_t k, bool secondOnly);
    void applyHighlight(int32_t top);
    void draw(int64_t top);

    const Settings& settings_;
    const RunState& run_;
    Capture& capture_;  // where the view stands (glngDispTop) and the search hit (glngCursol)
    GridState& grid_;   // the line shown, and where a resumed run goes on
    CellGrid& cells_;
    MonitorStatus& status_;
};
