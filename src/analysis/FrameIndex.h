#pragma once
#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <span>

#include "analysis/FrameAnalysis.h"

// The frames of a capture that grows, framed as its records are stored: each feed frames the
// records stored since the last one, in place (nothing is copied), so a frame is in the index
// as soon as it ends, at its end rule or at an idle gap. The index keeps each frame's place
// and fields, never its bytes, in the order the frames begin (frames of the two directions
// framed apart may end out of that order). When the buffer drops its oldest bytes, the frames
// that began in them leave the index.
class FrameIndex {
  public:
    FrameIndex();
    ~FrameIndex();
    FrameIndex(const FrameIndex&) = delete;
    FrameIndex& operator=(const FrameIndex&) = delete;

    // Starts again, empty, framing the records fed from now on with options on line. A frame's
    // offset then counts the record bytes from the first one fed, and its words the display
    // words from there.
    void reset(const LineTiming& line, const FrameOptions& options);
    // Frames the records of the buffer from where the last feed stopped to its end. dropped
    // counts the bytes the buffer has dropped at its front since the reset, so that the
    // records not fed yet are found where they moved to.
    void feed(std::span<const uint8_t> buffer, int64_t dropped);
    // Frames the next len record bytes, which follow those fed before, wherever they lie (a
    // file read in pieces); returns the bytes taken (a record cut off by the end comes again).
    size_t add(const uint8_t* bytes, size_t len);
    // The line has been quiet for micros since the last record fed (see FrameAnalyser::quiet).
    void quiet(int64_t micros);
    // The end of the records: the open frames end.
    void finish();

    [[nodiscard]] const FrameList& list() const { return list_; }
    [[nodiscard]] const std::deque<Frame>& frames() const { return list_.frames; }
    // Frames that left the index at its front since the reset.
    [[nodiscard]] int64_t droppedFrames() const { return droppedFrames_; }
    // The place of the first frame that came in or left since the last call (the number of
    // frames when none did), and forgets it.
    [[nodiscard]] size_t takeChanged();
    // The place of the first frame whose last word is at or after word.
    [[nodiscard]] size_t firstEndingFrom(int64_t word) const;
    // The place of the frame that holds word of the direction sd, if any.
    [[nodiscard]] std::optional<size_t> frameAt(int64_t word, bool sd) const;

  private:
    void insert(const Frame& f);

    std::unique_ptr<FrameAnalyser> analyser_;
    FrameList list_;
    int64_t fed_ = 0;  // record bytes fed since the reset
    int64_t droppedFrames_ = 0;
    size_t changed_ = 0;
    int64_t longest_ = 0;  // the most words a frame spans, for the searches by word
};

// Marks of the frames over the places of their bytes: a frame begins here; the place belongs
// to a frame whose check is bad (outlined along its top and bottom), and is its first (and
// outlined at its left) or its last byte (at its right).
namespace FrameMark {
constexpr uint8_t kStart = 1;
constexpr uint8_t kBad = 2;
constexpr uint8_t kBadFirst = 4;
constexpr uint8_t kBadLast = 8;
}  // namespace FrameMark

// The marks of the words top .. top + rd.size() - 1 of the index, added to rd and sd (one
// per word, RD and SD row). Only the places for which holds(k, sd) says that word top + k
// holds a byte of that direction get a bad frame's outline (the other direction's bytes and
// idle records between are not the frame's).
void markFrames(const FrameIndex& index, int64_t top,
                const std::function<bool(int32_t k, bool sd)>& holds, std::span<uint8_t> rd,
                std::span<uint8_t> sd);
