#include "view/IdleCounter.h"

#include <cmath>
#include <cstdio>

int32_t IdleCounter::Count(float now, float start, int idleMode) {
    float gap = now - start;
    if (gap < 0) {
        gap += 86400.0f;
    }
    const float units = std::nearbyint(gap * static_cast<float>(idleMode));
    if (!(units > 0)) {
        return 0;
    }
    return units >= static_cast<float>(kMaxCount) ? kMaxCount : static_cast<int32_t>(units);
}

void IdleCounter::Tick() {
    RunState& run = state_.run;
    if (run.gintRun != 1) {
        return;
    }
    const int32_t colour = state_.settings.glngColIdle;
    if (run.gintRireki == 0 && (run.gintIdleReq == 0 || !state_.grid.idleShown)) {
        state_.grid.idleShown = true;
        for (int column = 0; column < 2; ++column) {
            cells_.SetBack(CellRow::RD, state_.grid.lintPos, colour);
            cells_.SetBack(CellRow::SD, state_.grid.lintPos, colour);
            column == 0 ? live_.nextCellInRecord() : live_.NextCell();
        }
    }
    const int32_t count = Count(clock_.Timer(), run.gsngIdleStart, state_.settings.gintIdleMode);
    std::snprintf(run.gstrIdle, sizeof run.gstrIdle, "%06d", static_cast<int>(count));

    if (run.gintRireki == 0) {
        const int32_t pos = state_.grid.lintPos;
        const auto [first, last] = CellText::SixDigits(count);
        if (pos >= 2) {
            cells_.SetText(CellRow::RD, pos - 2, CellText::kID);
            cells_.SetText(CellRow::RD, pos - 1, CellText::kLE);
            cells_.SetText(CellRow::SD, pos - 2, first);
            cells_.SetText(CellRow::SD, pos - 1, last);
        } else if (pos == 1) {
            cells_.SetText(CellRow::RD, 0, CellText::kLE);
            cells_.SetText(CellRow::SD, 0, last);
        }
    }
    run.gintIdleReq = -1;
}
