#include "view/IdleCounter.h"

#include <cmath>
#include <cstdio>

#include "core/Status.h"

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
    if (run_.gintRun != 1) {
        return;
    }
    const int32_t colour = settings_.glngColIdle;
    if (run_.gintRireki == 0 && (run_.gintIdleReq == status::kDone || !grid_.idleShown)) {
        grid_.idleShown = true;
        for (int column = 0; column < 2; ++column) {
            cells_.SetBack(CellRow::RD, grid_.lintPos, colour);
            cells_.SetBack(CellRow::SD, grid_.lintPos, colour);
            column == 0 ? live_.nextCellInRecord() : live_.NextCell();
        }
    }
    const int32_t count = Count(clock_.Timer(), run_.gsngIdleStart, settings_.gintIdleMode);
    std::snprintf(run_.gstrIdle, sizeof run_.gstrIdle, "%06d", static_cast<int>(count));

    if (run_.gintRireki == 0) {
        const int32_t pos = grid_.lintPos;
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
    run_.gintIdleReq = status::kPending;
}
