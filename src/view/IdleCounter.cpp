#include "view/IdleCounter.h"

#include "base/Status.h"
#include "link/GapTimers.h"

void IdleCounter::tick() {
    if (run_.gintRun != 1) {
        return;
    }
    const int32_t colour = settings_.glngColIdle;
    if (run_.gintRireki == 0 && (run_.gintIdleReq == status::kDone || !grid_.idleShown)) {
        grid_.idleShown = true;
        for (int column = 0; column < 2; ++column) {
            cells_.setBack(CellRow::RD, grid_.lintPos, colour);
            cells_.setBack(CellRow::SD, grid_.lintPos, colour);
            live_.NextCell();
        }
    }
    const int32_t count = gap::raiseIdleRequest(settings_, run_, clock_);

    if (run_.gintRireki == 0) {
        const int32_t pos = grid_.lintPos;
        const auto [first, last] = CellText::sixDigits(count);
        if (pos >= 2) {
            cells_.setText(CellRow::RD, pos - 2, CellText::kID);
            cells_.setText(CellRow::RD, pos - 1, CellText::kLE);
            cells_.setText(CellRow::SD, pos - 2, first);
            cells_.setText(CellRow::SD, pos - 1, last);
        } else if (pos == 1) {
            cells_.setText(CellRow::RD, 0, CellText::kLE);
            cells_.setText(CellRow::SD, 0, last);
        }
    }
}
