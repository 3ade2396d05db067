#pragma once
#include "base/GridState.h"
#include "base/RunState.h"
#include "base/Settings.h"
#include "capture/ByteText.h"
#include "capture/Capture.h"
#include "view/MonitorState.h"

// The shared state of one running program: settings, run flags, the capture and the grid
// numbers of the monitor window. Owned by the application context and passed by reference;
// tests build a fresh one per case.
struct CoreState {
    Settings settings;
    RunState run;
    Capture capture{run};
    GridState grid;
    ChrTable gstrChr = MakeChrTable();

    // The parts the monitor window works on.
    [[nodiscard]] MonitorState monitor() { return {settings, run, capture, grid, gstrChr}; }
};
