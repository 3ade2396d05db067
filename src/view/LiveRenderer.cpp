#include "view/LiveRenderer.h"

#include <algorithm>

#include "capture/Records.h"

void LiveRenderer::DispMonitor(uint8_t first, uint8_t second) {
    const Settings& set = settings_;
    const int32_t pos = grid_.lintPos;
    const CellRow row = rec::isSd(first) ? CellRow::SD : CellRow::RD;
    if (rec::hasFramingError(second)) {
        triggers_.TrigCheckErr(2);
        cells_.set(row, pos, CellText::kFE, set.glngColErr);
    } else if (rec::hasParityError(first)) {
        triggers_.TrigCheckErr(1);
        cells_.set(row, pos, CellText::kPE, set.glngColErr);
    } else {
        const uint8_t v = rec::pairValue(first, second);
        cells_.setText(row, pos, CellText::byte(v, set.gintDispMode));
        triggers_.TrigCheckChr(row == CellRow::SD ? 256 : 0, v);
    }
    NextCell();
}

void LiveRenderer::DispTimeStamp(const std::string& hhmmss) {
    const int32_t colour = settings_.glngColTmst;
    const auto [first, last] = CellText::sixDigits(hhmmss.c_str());
    cells_.set(CellRow::RD, grid_.lintPos, CellText::kTM, colour);
    cells_.set(CellRow::SD, grid_.lintPos, first, colour);
    NextCell();
    cells_.set(CellRow::RD, grid_.lintPos, CellText::kST, colour);
    cells_.set(CellRow::SD, grid_.lintPos, last, colour);
    NextCell();
}

void LiveRenderer::NextCell() {
    GridState& g = grid_;
    if (++g.lintPos < g.lintCell) {
        // A full buffer that dropped words renumbers the lines under the screen.
        if (capture_.droppedWords() != lineDropped_) {
            showTopLine();
        }
        return;
    }
    const int32_t step = settings_.gintScroll;
    if (step < 1 || step >= g.lintRow) {
        g.liveTop += g.lintCell;
        ClearDisp();
    } else {
        const int32_t f = step * g.lintCol;
        cells_.scrollUp(f, settings_.glngColRD, settings_.glngColSD);
        g.lintPos -= f;
        g.liveTop += f;
    }
    showTopLine();
}

int32_t LiveRenderer::topLine() const {
    const GridState& g = grid_;
    const int64_t top = std::max<int64_t>(g.liveTop - capture_.droppedWords(), 0);
    return static_cast<int32_t>(top / std::max<int32_t>(g.lintCol, 1) + 1);
}

void LiveRenderer::showTopLine() {
    lineDropped_ = capture_.droppedWords();
    grid_.llngLine = topLine();
    linePending_ = true;
}

void LiveRenderer::showLine() {
    framesSinceLine_ = std::min(framesSinceLine_ + 1, kLineFrames);
    if (linePending_ && framesSinceLine_ >= kLineFrames) {
        writeLine();
    }
}

void LiveRenderer::writeLine() {
    if (linePending_ && run_.gintRireki == 0) {
        status_.showPanelText(MonitorStatus::kLinePanel, PanelText::line(grid_.llngLine));
        framesSinceLine_ = 0;
    }
    linePending_ = false;
}

void LiveRenderer::restart() {
    ClearDisp();
    grid_.liveTop = int64_t{capture_.countWords()} + capture_.droppedWords();
    grid_.idleShown = false;
    showTopLine();
    writeLine();
}

void LiveRenderer::ClearDisp() {
    cells_.blankFrom(0, settings_.glngColRD, settings_.glngColSD);
    grid_.lintPos = 0;
}
