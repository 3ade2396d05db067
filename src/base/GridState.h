#pragma once
#include <cstdint>

// Layout numbers of the monitor grid and the live view's place in it. The monitor window
// owns and writes them; run control and the tests read them.
struct GridState {
    int32_t lintCol = 1;   // cells per line
    int32_t lintRow = 1;   // lines per screen
    int32_t lintCell = 1;  // cells per screen (lintCol * lintRow)
    int32_t lintPos = 0;   // next cell the live view fills
    int32_t llngLine = 1;  // line of the top-left cell of the screen, shown in the status bar

    // The display word in the top-left cell of the live screen, counted as
    // Capture::countWords() + Capture::droppedWords() count: every cell the live view fills
    // is one word, so the count moves on by the cells a full screen clears or scrolls away.
    int64_t liveTop = 0;
    // The live screen has reserved the two columns of the idle record that the decoder
    // stores before the next data (while gintIdleReq is -1).
    bool idleShown = false;
};
