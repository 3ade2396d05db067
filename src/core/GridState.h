#pragma once
#include <cstdint>

// Layout numbers of the monitor grid and the live view's place in it. The monitor window
// owns and writes them; run control and the tests read them.
struct GridState {
    int32_t lintCol = 1;   // cells per line
    int32_t lintRow = 1;   // lines per screen
    int32_t lintCell = 1;  // cells per screen (lintCol * lintRow)
    int32_t lintPos = 0;   // next cell the live view fills
    int32_t llngLine = 1;  // line number shown in the status bar
};
