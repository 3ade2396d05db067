#include "view/HistoryRenderer.h"

#include <algorithm>
#include <cmath>
#include <limits>
#include <span>

#include "base/Status.h"
#include "capture/Records.h"
#include "search/StringSearch.h"

namespace {

// Whether word w is the second word of a time-stamp or idle record. A word that does not begin
// such a record ends a record, so the records of a run of words that look like first words
// begin at the run's first word and take two words each (a second word may look like a first
// word: idle counts with the middle digits 81 and 82).
bool isSecondWord(std::span<const int16_t> words, int64_t w) {
    auto first = [&](int64_t i) {
        const int kind = word::kind(static_cast<uint16_t>(words[static_cast<size_t>(i)]));
        return kind == word::kStamp || kind == word::kIdle;
    };
    if (w < 1 || w >= std::ssize(words) || !first(w - 1)) {
        return false;
    }
    int64_t start = w - 1;
    while (start > 0 && first(start - 1)) {
        --start;
    }
    return (w - 1 - start) % 2 == 0;
}

int32_t clampTop(int64_t top) {
    return static_cast<int32_t>(std::clamp<int64_t>(top, std::numeric_limits<int32_t>::min(),
                                                    std::numeric_limits<int32_t>::max()));
}

}  // namespace

void HistoryRenderer::draw(int64_t top) {
    int32_t t = clampTop(top);
    DispRireki(t);
}

int32_t HistoryRenderer::DispRireki(int32_t& lngTop) {
    Capture& cap = capture_;
    const GridState& g = grid_;
    const Settings& set = settings_;
    if (lngTop < 0) {
        lngTop = cap.glngDispTop;
    } else {
        cap.glngDispTop = lngTop;
    }

    cells_.beginBatch();
    const int32_t cellCount = g.lintCell;
    int64_t w = lngTop;
    int32_t k = 0;
    // A top on the second word of a record shows the record's second column, so that every
    // cell stays the word glngDispTop + k (search hits, double clicks and jumps count so).
    if (isSecondWord(dispWords(cap), w)) {
        drawTwoColumns(w - 1, k, true);
        ++w;
        ++k;
    }
    while (k < cellCount) {
        if (w >= cap.glngDispLen()) {
            cells_.blankFrom(k, set.glngColRD, set.glngColSD);
            break;
        }
        const auto d = static_cast<uint16_t>(cap.gintDispDat()[static_cast<size_t>(w)]);
        const auto c = static_cast<uint8_t>(d & 0xFF);
        const int kind = word::kind(d);
        if (kind == word::kStamp || kind == word::kIdle) {
            drawTwoColumns(w, k, false);
            w += 2;
            k += 2;
            continue;
        }
        ++w;
        if (kind > 0x500) {
            continue;  // no word of a known kind: no cell
        }
        const bool sd = (kind & word::kSd) != 0;
        const bool error = kind >= word::kParity;
        CellText::Id text = CellText::byte(c, set.gintDispMode);
        if (error && set.gintDispMode == 0) {
            text = kind >= word::kFraming ? CellText::kFE : CellText::kPE;
        }
        const int32_t back = error ? set.glngColErr : (sd ? set.glngColSD : set.glngColRD);
        cells_.set(sd ? CellRow::SD : CellRow::RD, k, text, back);
        cells_.set(sd ? CellRow::RD : CellRow::SD, k, CellText::kEmpty,
                   sd ? set.glngColRD : set.glngColSD);
        ++k;
    }
    applyHighlight(lngTop);
    cells_.endBatch();

    status_.showPanelText(MonitorStatus::kLinePanel,
                          PanelText::line(int64_t{lngTop} / std::max(g.lintCol, 1) + 1));
    return std::min(k, cellCount);
}

void HistoryRenderer::drawTwoColumns(int64_t w, int32_t k, bool secondOnly) {
    const Capture& cap = capture_;
    const Settings& set = settings_;
    const auto d = static_cast<uint16_t>(cap.gintDispDat()[static_cast<size_t>(w)]);
    const int64_t next =
        w + 1 < cap.glngDispLen() ? cap.gintDispDat()[static_cast<size_t>(w) + 1] : 0;
    const auto [first, last] = CellText::sixDigits(int64_t{d & 0xFF} * 10000 + next);
    const bool stamp = word::kind(d) == word::kStamp;
    const int32_t back = stamp ? set.glngColTmst : set.glngColIdle;
    if (!secondOnly) {
        drawRecord(k, stamp ? CellText::kTM : CellText::kID, first, back);
        ++k;
    }
    if (k < grid_.lintCell) {
        drawRecord(k, stamp ? CellText::kST : CellText::kLE, last, back);
    }
}

void HistoryRenderer::drawRecord(int32_t k, CellText::Id rdText, CellText::Id sdText,
                                 int32_t back) {
    cells_.set(CellRow::RD, k, rdText, back);
    cells_.set(CellRow::SD, k, sdText, back);
}

void HistoryRenderer::applyHighlight(int32_t top) {
    const Capture& cap = capture_;
    if (cap.glngCursol.empty() || cap.glngCursol[0] < 0) {
        return;
    }
    const bool sd = cap.gintCursolType != 0;
    const int32_t colour = sd ? settings_.glngColSD : settings_.glngColRD;
    // The last element is never a hit: SetCursol puts -1 behind the hits, and a lone element
    // is only the reference position of the next search.
    for (size_t i = 0; i + 1 < cap.glngCursol.size(); ++i) {
        const int32_t hit = cap.glngCursol[i];
        const int64_t k = int64_t{hit} - top;
        if (hit >= 0 && k >= 0 && k < grid_.lintCell) {
            cells_.highlight(sd ? CellRow::SD : CellRow::RD, static_cast<int32_t>(k), colour);
        }
    }
}

void HistoryRenderer::ScrollView(int32_t n) {
    const Capture& cap = capture_;
    const int64_t top = cap.glngDispTop;
    int64_t newTop = top + n;
    if (n < 0) {
        if (top < 1) {
            return;
        }
        newTop = std::max<int64_t>(newTop, 0);
    } else if (newTop > cap.glngDispLen()) {
        return;
    }
    draw(newTop);
}

void HistoryRenderer::jumpTop() {
    draw(0);
}

void HistoryRenderer::jumpLastHalf() {
    const double half = std::nearbyint(grid_.lintCell / 2.0);  // ties to even
    draw(capture_.glngDispLen() - static_cast<int64_t>(half));
}

void HistoryRenderer::jumpEnd() {
    draw(int64_t{capture_.glngDispLen()} - 50);
}

bool HistoryRenderer::jumpLine(int64_t n) {
    if (n < 1) {
        return false;
    }
    // No upper limit: a line beyond the data shows an empty screen. The product is kept
    // inside the word index range instead of wrapping round to a negative top.
    const int64_t top =
        std::min<int64_t>(int64_t{grid_.lintCol} * (n - 1), std::numeric_limits<int32_t>::max());
    draw(top);
    return true;
}

void HistoryRenderer::SetCursol(int16_t intType, std::span<const int32_t> lngNo) {
    Capture& cap = capture_;
    const GridState& g = grid_;
    const Settings& set = settings_;
    if (lngNo.empty()) {
        cells_.unhighlight(set.glngColRD, set.glngColSD);
        cap.glngCursol.assign(1, -1);
        return;
    }
    const int64_t top = cap.glngDispTop;
    if (lngNo.front() < top || lngNo.back() >= top + g.lintCell) {
        draw(int64_t{lngNo.front() / std::max(g.lintCol, 1)} * g.lintCol);
    }
    cells_.unhighlight(set.glngColRD, set.glngColSD);
    cap.glngCursol.assign(lngNo.begin(), lngNo.end());
    cap.glngCursol.push_back(-1);  // the element after the last hit, as the array always had
    cap.gintCursolType = intType;
    applyHighlight(cap.glngDispTop);
}

void HistoryRenderer::placeTop(bool backgroundChecked) {
    Capture& cap = capture_;
    GridState& g = grid_;
    const int32_t n = cap.glngDispLen();
    const int32_t col = std::max<int32_t>(g.lintCol, 1);
    if (backgroundChecked) {
        cap.glngDispTop = (n / col) * col;
    } else {
        // The two idle columns reserved on the live screen hold a record that is not stored
        // yet; without them the top would land two words early.
        const int32_t unstored = g.idleShown && run_.gintIdleReq == status::kPending ? 2 : 0;
        cap.glngDispTop = std::max<int32_t>(n - g.lintPos + unstored, 0);
    }
    g.llngLine = cap.glngDispTop / col + 1;
    g.liveTop = int64_t{cap.glngDispTop} + cap.droppedWords();
}

void HistoryRenderer::SetRestartPos() {
    GridState& g = grid_;
    const int64_t top = int64_t{g.lintCol} * (int64_t{g.llngLine} - 1);
    int32_t t = clampTop(std::max<int64_t>(top, 0));
    const int32_t k = DispRireki(t);
    g.lintPos = k >= g.lintCell ? 0 : k;
    // The cells drawn are the last words stored (a full screen starts a fresh page behind
    // them), so the live screen's top lies lintPos words before the end.
    const Capture& cap = capture_;
    g.liveTop = int64_t{cap.countWords()} + cap.droppedWords() - g.lintPos;
    g.idleShown = false;
}
