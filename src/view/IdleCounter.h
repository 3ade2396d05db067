#pragma once
#include <cstdint>

#include "base/Clock.h"
#include "base/GridState.h"
#include "base/RunState.h"
#include "base/Settings.h"
#include "view/CellGrid.h"
#include "view/LiveRenderer.h"

// The live cells of the idle count: each tick of timIdle raises the idle request as every run
// does (see gap::raiseIdleRequest) and shows the count.
class IdleCounter {
  public:
    IdleCounter(const Settings& settings, RunState& run, GridState& grid, CellGrid& cells,
                LiveRenderer& live, const Clock& clock)
        : settings_(settings), run_(run), grid_(grid), cells_(cells), live_(live), clock_(clock) {}

    // The tick of timIdle. Nothing unless the unit is monitoring. The first tick of a gap in
    // the live view reserves two columns, and so does the first tick after the live view
    // restarted while the idle record was pending (its columns went with the old screen, the
    // record will still be stored); every tick writes " ID"/"LE " over the count into the
    // cells before lintPos (only "LE " and the last three digits into cell 0 when the first
    // column was lost to a new page).
    void tick();

  private:
    const Settings& settings_;
    RunState& run_;    // the idle count and its request (gstrIdle, gintIdleReq)
    GridState& grid_;  // the idle columns reserved on the live screen
    CellGrid& cells_;
    LiveRenderer& live_;
    const Clock& clock_;
};
