#pragma once
#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <vector>

#include "analysis/FrameAnalysis.h"

// Reply times of one direction: the gaps before its frames that follow a frame of the other
// direction (for RD the other end's answers to SD, for SD the turnaround back).
struct ReplyStats {
    int32_t count = 0;
    // Microseconds; nothing when count is 0. The median of an even count is the mean of the
    // middle two, p95 the nearest-rank 95th percentile.
    std::optional<int64_t> min, median, p95, max;
};

struct DirectionSummary {
    int32_t frames = 0;
    int64_t bytes = 0;
    ReplyStats reply;
};

struct FrameSummary {
    DirectionSummary sd, rd;
    std::optional<int32_t> crcBad;  // Modbus frames whose CRC does not hold (Modbus only)
};

[[nodiscard]] FrameSummary summarise(const FrameList& list);

// A histogram of the reply times of one direction (SD when sd, RD when not) or of both:
// bins of equal width from 0, the width a whole number of idle steps (1, 2 or 5 times a power
// of ten of them) so that at most maxBins bins hold every reply shown; a single bin of the
// step when there is none.
struct ReplyHistogram {
    int64_t binMicros = 0;
    std::vector<int32_t> sd, rd;  // counts per bin
};
[[nodiscard]] ReplyHistogram histogramOf(const FrameList& list, int maxBins,
                                         std::optional<bool> sd = std::nullopt);

// Texts shared by every output: milliseconds with up to three decimals and no trailing zeros
// ("20", "0.521"), seconds with six decimals, bytes as upper-case hexadecimal pairs separated by
// spaces.
[[nodiscard]] std::string msText(int64_t micros);
[[nodiscard]] std::string secondsText(int64_t micros);
[[nodiscard]] std::string hexText(std::span<const uint8_t> bytes);
