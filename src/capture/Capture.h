#pragma once
#include <cstddef>
#include <cstdint>
#include <span>
#include <vector>

#include "base/RunState.h"
#include "capture/WordFile.h"

// Writes a full auto-save block (gbyteAutoDat, glngAutoLen) to a file; the capture empties
// the block afterwards.
class AutoSaveSink {
  public:
    virtual ~AutoSaveSink() = default;
    virtual void AutoSaveBlock() = 0;
};

// The in-memory capture: the raw byte buffer in stored-record form, the auto-save block,
// and the display words made from a byte buffer by CopyDat. The buffers change only through
// StoreByte, CopyDat and ClearDat; everybody else reads them.
class Capture {
  public:
    explicit Capture(RunState& run) : run_(run) {}

    void setAutoSaveSink(AutoSaveSink* sink) { autoSink_ = sink; }

    // Sets the capacities from the buffer-size setting (units of 1000 bytes) and allocates
    // the buffers. Sizes below 1 are taken as 1 so that the buffer can never be empty.
    void AllocBuffer(int32_t bufSize);

    // Appends one byte; drops the oldest glngBufSpare bytes in one block when full, and
    // feeds the auto-save block while auto-save is on. No allocation.
    void StoreByte(uint8_t b) {
        gbyteDat_[static_cast<size_t>(glngDatLen_)] = b;
        if (++glngDatLen_ >= glngBufKeep_ + glngBufSpare_) {
            shift();
        }
        if (run_.gintAutoSave == 1) {
            gbyteAutoDat_[static_cast<size_t>(glngAutoLen_)] = b;
            if (++glngAutoLen_ >= glngBufKeep_) {
                autoSaveFull();
            }
        }
    }

    // Converts the first len bytes into the display words gintDispDat / glngDispLen. Where
    // the history view then stands (glngDispTop) is the monitor window's business.
    void CopyDat(const uint8_t* bytes, int32_t len);
    // The display words of an opened file too large for memory, made outside (see WordFile):
    // they take the place of those of the last CopyDat until the next CopyDat or ClearDat.
    // At most 2^31 - 1 words are shown.
    void adoptWords(WordFile words);
    // True when the words adopted can no longer be read (see WordFile::lost).
    [[nodiscard]] bool wordsLost() const { return fileWords_.lost(); }

    // Empties the buffers and the display words, forgets a half-received pair and the
    // search highlight.
    void ClearDat();

    // A trigger's save start: the auto-save block becomes the newest count bytes of the
    // buffer, or everything held when that is less; a history longer than the block can take
    // (glngBufKeep bytes) keeps its newest bytes.
    void copyHistoryToAutoSave(int32_t count);
    // Auto-save took the block: it gets fresh (of the block's size) in its place, the block is
    // empty, and the old block is returned.
    [[nodiscard]] std::vector<uint8_t> swapAutoBlock(std::vector<uint8_t> fresh) {
        fresh.swap(gbyteAutoDat_);
        glngAutoLen_ = 0;
        return fresh;
    }
    // Auto-save wrote what the block held: it starts again from its first byte.
    void emptyAutoBlock() { glngAutoLen_ = 0; }

    [[nodiscard]] int32_t glngBufSize() const { return glngBufSize_; }
    [[nodiscard]] int32_t glngBufKeep() const { return glngBufKeep_; }
    [[nodiscard]] int32_t glngBufSpare() const { return glngBufSpare_; }
    // glngBufKeep + glngBufSpare + 1 bytes, of which the first glngDatLen are held.
    [[nodiscard]] const std::vector<uint8_t>& gbyteDat() const { return gbyteDat_; }
    [[nodiscard]] int32_t glngDatLen() const { return glngDatLen_; }
    // glngBufKeep + 1 bytes, of which the first glngAutoLen are held.
    [[nodiscard]] const std::vector<uint8_t>& gbyteAutoDat() const { return gbyteAutoDat_; }
    [[nodiscard]] int32_t glngAutoLen() const { return glngAutoLen_; }
    // The words of the last CopyDat or adoptWords, of which the first glngDispLen are held.
    [[nodiscard]] std::span<const int16_t> gintDispDat() const { return dispWords_; }
    [[nodiscard]] int32_t glngDispLen() const { return glngDispLen_; }

    // The number of display words CopyDat would make of the bytes held: one linear pass.
    [[nodiscard]] int32_t countWords() const;
    // The display words that full buffers have dropped since the buffers were last emptied,
    // so that countWords() + droppedWords() counts every word stored since then.
    [[nodiscard]] int64_t droppedWords() const { return droppedWords_; }
    // The bytes full buffers have dropped since the buffers were last emptied.
    [[nodiscard]] int64_t droppedBytes() const { return droppedBytes_; }
    // Counts the changes of the display words' source: each CopyDat, adoptWords and ClearDat.
    [[nodiscard]] uint32_t wordsChanges() const { return wordsChanges_; }

    // The decoder's carry-over: a first byte of a data pair that ended a batch without its
    // second byte (gintPending -1 while gbytePending holds one). Kept here so that ClearDat
    // forgets it together with the data.
    [[nodiscard]] int16_t gintPending() const { return gintPending_; }
    [[nodiscard]] uint8_t gbytePending() const { return gbytePending_; }
    void setPending(int16_t pending, uint8_t first) {
        gintPending_ = pending;
        gbytePending_ = first;
    }

    // Where the history view stands in the display words. The monitor window's drawing and
    // the searches move them.
    int32_t glngDispTop = 0;
    std::vector<int32_t> glngCursol{-1};  // highlighted word indices; element 0 = -1: none
    int16_t gintCursolType = 0;           // highlight row: non-zero SD, 0 RD

  private:
    void shift();
    void autoSaveFull();

    RunState& run_;
    AutoSaveSink* autoSink_ = nullptr;

    int32_t glngBufSize_ = 0;
    int32_t glngBufKeep_ = 0;
    int32_t glngBufSpare_ = 0;
    std::vector<uint8_t> gbyteDat_;
    int32_t glngDatLen_ = 0;
    std::vector<uint8_t> gbyteAutoDat_;
    int32_t glngAutoLen_ = 0;
    std::vector<int16_t> gintDispDat_;
    WordFile fileWords_;                  // an opened file's words, when held outside memory
    std::span<const int16_t> dispWords_;  // gintDispDat_ or fileWords_
    int32_t glngDispLen_ = 0;
    uint8_t gbytePending_ = 0;
    int16_t gintPending_ = 0;
    int64_t droppedWords_ = 0;
    int64_t droppedBytes_ = 0;
    uint32_t wordsChanges_ = 0;
};
