#pragma once
#include "capture/ByteText.h"
#include "capture/Capture.h"
#include "core/GridState.h"
#include "core/RunState.h"
#include "files/Settings.h"

// The shared state of one running program: settings, run flags, the capture and the grid
// numbers of the monitor window. Owned by the application context and passed by reference;
// tests build a fresh one per case.
struct CoreState {
    Settings settings;
    RunState run;
    Capture capture{run};
    GridState grid;
    ChrTable gstrChr = MakeChrTable();
};
