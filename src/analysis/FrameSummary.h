#pragma once
#include <algorithm>
#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <utility>
#include <vector>

#include "analysis/FrameAnalysis.h"

// Reply times of one direction: the reply times of its frames (for RD the other end's answers
// to SD, for SD the turnaround back).
struct ReplyStats {
    int64_t count = 0;
    // Microseconds; nothing when count is 0. The median of an even count is the mean of the
    // middle two, p95 the nearest-rank 95th percentile.
    std::optional<int64_t> min, median, p95, max;
};

// Reply times gathered exactly, one by one: memory grows with the number of different times,
// not with their count (a capture's reply times are whole idle steps but for the few near a
// time stamp).
class ReplyTally {
  public:
    void add(int64_t micros) {
        fresh_.push_back(micros);
        if (fresh_.size() >= std::max<size_t>(kBatch, counts_.size())) {
            merge();
        }
    }
    [[nodiscard]] ReplyStats stats();

  private:
    static constexpr size_t kBatch = 4096;
    void merge();

    std::vector<int64_t> fresh_;                       // not yet counted
    std::vector<std::pair<int64_t, int64_t>> counts_;  // time and count, by time
};

struct DirectionSummary {
    int64_t frames = 0;  // noise left out
    int64_t bytes = 0;
    int64_t badChecks = 0;  // frames whose check does not hold
    ReplyStats reply;
};

struct FrameSummary {
    DirectionSummary sd, rd;
    // Frames whose check does not hold, of both directions, and noise fragments (only under a
    // protocol with checks).
    std::optional<int64_t> crcBad;
    std::optional<int64_t> noise;
};

// The summary of frames that come one by one.
class FrameTally {
  public:
    // checked: frames carry a check and may be noise (FrameOptions::checked).
    explicit FrameTally(bool checked) : checked_(checked) {
        s_.crcBad = 0;
        s_.noise = 0;
    }
    void add(const Frame& f);
    [[nodiscard]] FrameSummary summary();

  private:
    bool checked_;
    FrameSummary s_;
    ReplyTally replies_[2];  // RD, SD
};

[[nodiscard]] FrameSummary summarise(const FrameList& list);

// A histogram of the reply times of one direction (SD when sd, RD when not) or of both:
// bins of equal width from 0, the width a whole number of idle steps (1, 2 or 5 times a power
// of ten of them) so that at most maxBins bins hold every reply shown; a single bin of the
// step when there is none.
struct ReplyHistogram {
    int64_t binMicros = 0;
    std::vector<int64_t> sd, rd;  // counts per bin
};
[[nodiscard]] ReplyHistogram histogramOf(const FrameList& list, int maxBins,
                                         std::optional<bool> sd = std::nullopt);

// Texts shared by every output: milliseconds with up to three decimals and no trailing zeros
// ("20", "0.521"), seconds with six decimals, bytes as upper-case hexadecimal pairs separated by
// spaces. The append forms add to out without a string of their own.
[[nodiscard]] std::string msText(int64_t micros);
// A reply time in milliseconds as msText, but one shorter than the idle step (when that is
// known) as "<" and the step ("<10"): the capture cannot tell such replies apart.
[[nodiscard]] std::string replyMsText(int64_t micros, int64_t stepMicros);
[[nodiscard]] std::string secondsText(int64_t micros);
[[nodiscard]] std::string hexText(std::span<const uint8_t> bytes);
void appendMs(std::string& out, int64_t micros);
void appendSeconds(std::string& out, int64_t micros);
void appendHex(std::string& out, std::span<const uint8_t> bytes);
// The same written at p, for rows built in place: each returns the end of what it wrote, a time
// at most kMaxTimeText characters, the bytes 3 a byte.
inline constexpr size_t kMaxTimeText = 32;
char* putMs(char* p, int64_t micros);
char* putSeconds(char* p, int64_t micros);
char* putHex(char* p, std::span<const uint8_t> bytes);
