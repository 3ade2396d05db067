#pragma once
#include <string>
#include <utility>
#include <vector>

#include "app/CoreState.h"
#include "capture/Records.h"
#include "support/RecordingObserver.h"
#include "support/RecordingStatus.h"
#include "view/CellGrid.h"

// Data pair bytes as the unit sends them.
inline std::pair<uint8_t, uint8_t> Pair(uint8_t v, bool sd, bool parity = false,
                                        bool framing = false) {
    return {static_cast<uint8_t>(0x80 | (sd ? 0x20 : 0) | (parity ? 0x10 : 0) | (v >> 4)),
            static_cast<uint8_t>(0xC0 | (framing ? 0x10 : 0) | (v & 0x0F))};
}

// A grid of cols x rows in the shared state and a matching blank cell grid.
inline void setGrid(CoreState& state, CellGrid& cells, int32_t cols, int32_t rows) {
    state.grid.lintCol = cols;
    state.grid.lintRow = rows;
    state.grid.lintCell = cols * rows;
    state.grid.lintPos = 0;
    cells.resize(cols * rows, state.settings.glngColRD, state.settings.glngColSD);
}

// Makes the capture hold these display words the way a stop makes them: their stored
// records converted by CopyDat. Only words CopyDat can make are allowed: data words and
// two-word time-stamp and idle records.
inline void HoldWords(CoreState& state, const std::vector<int>& words) {
    std::vector<uint8_t> bytes;
    for (size_t i = 0; i < words.size(); ++i) {
        const int w = words[i];
        if (word::isTwoWord(w)) {
            const int next = i + 1 < words.size() ? words[++i] : 0;
            const uint8_t tag = word::kind(w) == word::kStamp ? rec::kStamp : rec::kIdle;
            bytes.insert(bytes.end(),
                         {tag, static_cast<uint8_t>(w & 0xFF), static_cast<uint8_t>(next / 100),
                          static_cast<uint8_t>(next % 100)});
        } else {
            const auto [a, b] = Pair(static_cast<uint8_t>(w & 0xFF), (w & word::kSd) != 0,
                                     (w & word::kParity) != 0, (w & word::kFraming) != 0);
            bytes.insert(bytes.end(), {a, b});
        }
    }
    state.capture.CopyDat(bytes.data(), static_cast<int32_t>(bytes.size()));
}

inline std::string TextAt(const CoreState& state, const CellGrid& cells, CellRow row, int32_t k) {
    return CellText::utf8(cells.at(row, k).text, state.gstrChr);
}
