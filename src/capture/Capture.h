#pragma once
#include <cstdint>
#include <vector>

#include "core/RunState.h"

// Layout numbers of the monitor grid that the capture code reads and writes.
// The monitor window owns the cells; these plain numbers are shared.
struct GridState {
    int32_t lintCol = 1;   // cells per line
    int32_t lintRow = 1;   // lines per screen
    int32_t lintCell = 1;  // cells per screen (lintCol * lintRow)
    int32_t lintPos = 0;   // next cell the live view fills
    int32_t llngLine = 1;  // line number shown in the status bar
};

// What the capture needs from the monitor window and the status bar.
class CaptureView {
  public:
    virtual ~CaptureView() = default;
    // Blanks every cell and sets lintPos to 0.
    virtual void ClearDisp() = 0;
    // Shows llngLine in panel 6 of the main status bar.
    virtual void ShowLineNumber(int32_t line) = 0;
};

// Writes a full auto-save block (gbyteAutoDat, glngAutoLen) to a file and empties it.
class AutoSaveSink {
  public:
    virtual ~AutoSaveSink() = default;
    virtual void AutoSaveBlock() = 0;
};

// The in-memory capture: the raw byte buffer in stored-record form, the auto-save block,
// and the display words made from a byte buffer by CopyDat.
class Capture {
  public:
    explicit Capture(RunState& run) : run_(run) {}

    void SetView(CaptureView* view) { view_ = view; }
    void SetAutoSaveSink(AutoSaveSink* sink) { autoSink_ = sink; }

    // Sets the capacities from the buffer-size setting (units of 1000 bytes) and allocates
    // the buffers. Sizes below 1 are taken as 1 so that the buffer can never be empty.
    void AllocBuffer(int32_t bufSize);

    // Appends one byte; drops the oldest glngBufSpare bytes in one block when full, and
    // feeds the auto-save block while auto-save is on. No allocation.
    void StoreByte(uint8_t b) {
        gbyteDat[glngDatLen] = b;
        if (++glngDatLen >= glngBufKeep + glngBufSpare) {
            Shift();
        }
        if (run_.gintAutoSave == 1) {
            gbyteAutoDat[glngAutoLen] = b;
            if (++glngAutoLen >= glngBufKeep) {
                AutoSaveFull();
            }
        }
    }

    // Converts the first len bytes into display words and places glngDispTop.
    // backgroundChecked is the check state of the background-monitor menu item.
    void CopyDat(const uint8_t* bytes, int32_t len, GridState& grid, bool backgroundChecked);

    // Empties the buffers, forgets a half-received pair, blanks the view.
    void ClearDat(GridState& grid);

    // A trigger's save start: the auto-save block becomes the newest count bytes of the
    // buffer, or everything held when that is less; a history longer than the block can take
    // (glngBufKeep bytes) keeps its newest bytes.
    void CopyHistoryToAutoSave(int32_t count);

    // Buffer-size setting and capacities.
    int32_t glngBufSize = 0;
    int32_t glngBufKeep = 0;
    int32_t glngBufSpare = 0;

    std::vector<uint8_t> gbyteDat;  // glngBufKeep + glngBufSpare + 1 bytes
    int32_t glngDatLen = 0;
    std::vector<uint8_t> gbyteAutoDat;  // glngBufKeep + 1 bytes
    int32_t glngAutoLen = 0;

    // The decoder's carry-over: a first byte of a data pair that ended a batch without its
    // second byte. Kept here so that ClearDat forgets it together with the data.
    uint8_t gbytePending = 0;
    int16_t gintPending = 0;  // -1 while gbytePending holds such a byte

    std::vector<int16_t> gintDispDat;
    int32_t glngDispLen = 0;
    int32_t glngDispTop = 0;
    std::vector<int32_t> glngCursol{-1};  // highlighted word indices; element 0 = -1: none
    int16_t gintCursolType = 0;           // highlight row: non-zero SD, 0 RD

  private:
    void Shift();
    void AutoSaveFull();

    RunState& run_;
    CaptureView* view_ = nullptr;
    AutoSaveSink* autoSink_ = nullptr;
};
