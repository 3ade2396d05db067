#pragma once
#include <cstddef>
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "analysis/FrameAnalysis.h"
#include "app/FileCommands.h"

// The records of the capture in view, read in pieces, as the frame analyses read them: the
// opened file streamed from disk, or the bytes held.
//
// begin gets the header of the records first; then take(bytes, len, total) gets each piece
// and returns the bytes it took (a record cut off by the end of a piece comes again at the
// front of the next one) or LogReader::kStop to end the reading. False, with the reason in
// error, when the file cannot be read.
using RecordTaker = std::function<size_t(const uint8_t* bytes, size_t len, uint64_t total)>;
bool readCaptureRecords(const CaptureInView& capture,
                        const std::function<void(const LogHeader&)>& begin, const RecordTaker& take,
                        std::string& error);

// Up to most bytes of a frame of those records (from the file, a few kilobytes read).
[[nodiscard]] std::vector<uint8_t> frameBytes(const CaptureInView& capture, const Frame& f,
                                              size_t most);
