#pragma once
#include "base/GridState.h"
#include "base/RunState.h"
#include "base/Settings.h"
#include "capture/ByteText.h"
#include "capture/Capture.h"

// The shared state the monitor window shows and keeps its grid numbers in.
struct MonitorState {
    Settings& settings;
    RunState& run;
    Capture& capture;
    GridState& grid;
    const ChrTable& gstrChr;  // the byte texts of ASCII display
};
