#pragma once
#include <cstddef>
#include <cstdint>
#include <span>
#include <vector>

#include "analysis/FrameAnalysis.h"

// The frames a protocol finds in some records of a capture, framed a piece at a time so that a
// window that shows them as the definition is typed stays responsive: the protocol editor's
// preview. The first kMaxRows frames are kept with their first bytes; all are counted.
class FramePreview {
  public:
    static constexpr size_t kMaxRows = 500;
    static constexpr size_t kHeadBytes = 24;

    struct Row {
        Frame frame;
        std::vector<uint8_t> head;  // the first kHeadBytes bytes of the frame
    };
    struct Counts {
        int64_t frames = 0;
        int64_t ok = 0;        // frames whose check is good
        int64_t bad = 0;       // and bad
        int64_t noise = 0;     // runs of bytes before a Start
        int64_t problems = 0;  // frames that broke the definition (too long, truncated, timeout)
    };

    // records must outlive the preview.
    FramePreview(std::span<const uint8_t> records, const LineTiming& line, proto::Protocol p);

    // Frames the next piece of at most budget record bytes (at least one record); true once
    // all the records are framed (the frame open at their end is then cut short).
    bool step(size_t budget);
    [[nodiscard]] bool done() const { return done_; }
    [[nodiscard]] const std::vector<Row>& rows() const { return rows_; }
    [[nodiscard]] const Counts& counts() const { return counts_; }

  private:
    std::span<const uint8_t> records_;
    size_t at_ = 0;
    bool done_ = false;
    std::vector<Row> rows_;
    Counts counts_;
    FrameAnalyser analyser_;
};
