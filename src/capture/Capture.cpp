#include "capture/Capture.h"

#include <algorithm>
#include <cstring>

#include "capture/Records.h"

void Capture::AllocBuffer(int32_t bufSize) {
    // The settings file may hold anything: keep the capacities positive and well inside
    // 32 bits (the largest size the options allow is far below this limit).
    glngBufSize = std::clamp<int32_t>(bufSize, 1, 2'000'000);
    glngBufKeep = glngBufSize * 1000;
    if (glngBufSize < 100) {
        glngBufSpare = glngBufSize * 1000;
    } else if (glngBufSize < 1000) {
        glngBufSpare = glngBufSize * 200;
    } else {
        glngBufSpare = glngBufSize * 10;
    }
    gbyteDat.assign(static_cast<size_t>(glngBufKeep) + glngBufSpare + 1, 0);
    glngDatLen = 0;
    gbyteAutoDat.assign(static_cast<size_t>(glngBufKeep) + 1, 0);
    glngAutoLen = 0;
    gintDispDat.assign(1, 0);
    glngDispLen = 0;
    glngDispTop = 0;
    glngCursol.assign(1, -1);
}

void Capture::Shift() {
    std::memmove(gbyteDat.data(), gbyteDat.data() + glngBufSpare, static_cast<size_t>(glngBufKeep));
    glngDatLen = glngBufKeep;
    // A pending trigger stop names a place in the data: it moves down with the data, however
    // many shifts lie before it. A place already dropped stays just below the buffer.
    if (run_.gintStopReq == -1) {
        run_.glngStopPos = std::max(run_.glngStopPos - glngBufSpare, int32_t{-1});
    }
    if (run_.gintSaveStopReq == -1) {
        run_.glngSaveStopPos = std::max(run_.glngSaveStopPos - glngBufSpare, int32_t{-1});
    }
}

void Capture::AutoSaveFull() {
    if (autoSink_ != nullptr) {
        autoSink_->AutoSaveBlock();
    }
    // The block must never overrun, whatever the writer did.
    if (glngAutoLen >= glngBufKeep) {
        glngAutoLen = 0;
    }
}

void Capture::CopyHistoryToAutoSave(int32_t count) {
    count = std::clamp(count, 0, std::min(glngDatLen, glngBufKeep));
    if (count > 0) {
        std::memcpy(gbyteAutoDat.data(), gbyteDat.data() + (glngDatLen - count),
                    static_cast<size_t>(count));
    }
    glngAutoLen = count;
}

void Capture::CopyDat(const uint8_t* bytes, int32_t len, GridState& grid, bool backgroundChecked) {
    len = std::max<int32_t>(len, 0);
    gintDispDat.resize(static_cast<size_t>(len) / 2 + 2);
    int16_t* out = gintDispDat.data();
    int32_t n = 0;
    int32_t i = 0;
    // A record cut off by the end of the data is dropped: its missing bytes were never
    // captured, and completing it with zeros would invent a byte or a time.
    while (i < len) {
        const uint8_t b = bytes[i];
        if (rec::IsFirst(b)) {
            if (i + 1 >= len) {
                break;
            }
            const uint8_t c = bytes[i + 1];
            int w = rec::HasFramingError(c) ? word::kFraming
                                            : (rec::HasParityError(b) ? word::kParity : 0);
            w += rec::PairValue(b, c);
            if (rec::IsSd(b)) {
                w += word::kSd;
            }
            out[n++] = static_cast<int16_t>(w);
            i += 2;
        } else if (rec::IsLineState(b)) {
            i += 2;
        } else if (b == rec::kStamp || b == rec::kIdle) {
            if (i + 3 >= len) {
                break;
            }
            const int kind = b == rec::kStamp ? word::kStamp : word::kIdle;
            out[n++] = static_cast<int16_t>(kind + bytes[i + 1]);
            out[n++] = static_cast<int16_t>(bytes[i + 2] * 100 + bytes[i + 3]);
            i += 4;
        } else {
            ++i;  // not a record start: resynchronise one byte at a time
        }
    }
    glngDispLen = n;

    const int32_t col = std::max<int32_t>(grid.lintCol, 1);
    if (backgroundChecked) {
        grid.llngLine = n / col + 1;
        glngDispTop = (n / col) * col;
    } else {
        glngDispTop = std::max<int32_t>(n - grid.lintPos, 0);
    }
}

void Capture::ClearDat(GridState& grid) {
    std::fill(gbyteDat.begin(), gbyteDat.end(), uint8_t{0});
    glngDatLen = 0;
    glngDispLen = 0;
    glngCursol.assign(1, -1);
    std::fill(gbyteAutoDat.begin(), gbyteAutoDat.end(), uint8_t{0});
    glngAutoLen = 0;
    gintPending = 0;
    if (view_ != nullptr) {
        view_->ClearDisp();
    }
    grid.lintPos = 0;
    grid.llngLine = 1;
    if (view_ != nullptr) {
        view_->ShowLineNumber(grid.llngLine);
    }
}
