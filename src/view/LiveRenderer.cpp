#include "view/LiveRenderer.h"

#include <algorithm>

#include "capture/Records.h"

void LiveRenderer::DispMonitor(uint8_t first, uint8_t second) {
    const Settings& set = state_.settings;
    const int32_t pos = state_.grid.lintPos;
    const CellRow row = rec::IsSd(first) ? CellRow::SD : CellRow::RD;
    if (rec::HasFramingError(second)) {
        triggers_.TrigCheckErr(2);
        cells_.Set(row, pos, CellText::kFE, set.glngColErr);
    } else if (rec::HasParityError(first)) {
        triggers_.TrigCheckErr(1);
        cells_.Set(row, pos, CellText::kPE, set.glngColErr);
    } else {
        const uint8_t v = rec::PairValue(first, second);
        cells_.SetText(row, pos, CellText::Byte(v, set.gintDispMode));
        triggers_.TrigCheckChr(row == CellRow::SD ? 256 : 0, v);
    }
    NextCell();
}

void LiveRenderer::DispTimeStamp(const std::string& hhmmss) {
    const int32_t colour = state_.settings.glngColTmst;
    const auto [first, last] = CellText::SixDigits(hhmmss.c_str());
    cells_.Set(CellRow::RD, state_.grid.lintPos, CellText::kTM, colour);
    cells_.Set(CellRow::SD, state_.grid.lintPos, first, colour);
    nextCellInRecord();
    cells_.Set(CellRow::RD, state_.grid.lintPos, CellText::kST, colour);
    cells_.Set(CellRow::SD, state_.grid.lintPos, last, colour);
    NextCell();
}

void LiveRenderer::NextCell() {
    GridState& g = state_.grid;
    if (++g.lintPos < g.lintCell) {
        // A full buffer that dropped words renumbers the lines under the screen.
        if (state_.capture.droppedWords() != lineDropped_) {
            showTopLine();
        }
        return;
    }
    const int32_t step = state_.settings.gintScroll;
    if (step < 1 || step >= g.lintRow) {
        g.liveTop += g.lintCell;
        g.liveTopHalf = false;
        ClearDisp();
    } else {
        const int32_t f = step * g.lintCol;
        cells_.ScrollUp(f, state_.settings.glngColRD, state_.settings.glngColSD);
        g.lintPos -= f;
        g.liveTop += f;
    }
    showTopLine();
}

void LiveRenderer::nextCellInRecord() {
    NextCell();
    if (state_.grid.lintPos == 0) {
        state_.grid.liveTopHalf = true;  // the page was cleared: the second column comes first
    }
}

int32_t LiveRenderer::topLine() const {
    const GridState& g = state_.grid;
    const int64_t top = std::max<int64_t>(g.liveTop - state_.capture.droppedWords(), 0);
    return static_cast<int32_t>(top / std::max<int32_t>(g.lintCol, 1) + 1);
}

void LiveRenderer::showTopLine() {
    lineDropped_ = state_.capture.droppedWords();
    state_.grid.llngLine = topLine();
    linePending_ = true;
}

void LiveRenderer::showLine() {
    framesSinceLine_ = std::min(framesSinceLine_ + 1, kLineFrames);
    if (linePending_ && framesSinceLine_ >= kLineFrames) {
        writeLine();
    }
}

void LiveRenderer::writeLine() {
    if (linePending_ && state_.run.gintRireki == 0) {
        status_.ShowPanelText(MonitorStatus::kLinePanel, PanelText::Line(state_.grid.llngLine));
        framesSinceLine_ = 0;
    }
    linePending_ = false;
}

void LiveRenderer::restart() {
    ClearDisp();
    state_.grid.liveTop = int64_t{state_.capture.countWords()} + state_.capture.droppedWords();
    state_.grid.idleShown = false;
    state_.grid.liveTopHalf = false;
    showTopLine();
    writeLine();
}

void LiveRenderer::ClearDisp() {
    cells_.BlankFrom(0, state_.settings.glngColRD, state_.settings.glngColSD);
    state_.grid.lintPos = 0;
}
